#include "ctlcontext.h"

#include "protocol/ipv4.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace ctl {

void CtlContext::say(const QString &line)
{
    QMutexLocker lock(&m_outputLock);
    std::fprintf(m_options.json ? stderr : stdout, "%s\n", qPrintable(line));
    std::fflush(m_options.json ? stderr : stdout);
}

void CtlContext::warn(const QString &line)
{
    QMutexLocker lock(&m_outputLock);
    std::fprintf(stderr, "dapctl: %s\n", qPrintable(line));
    std::fflush(stderr);
}

void CtlContext::printJson(const QJsonValue &value)
{
    QMutexLocker lock(&m_outputLock);
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(doc.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

std::optional<QList<Target>> CtlContext::targets(const QStringList &addresses, bool needIds,
                                                 bool wholeWait)
{
    QList<Target> wanted;
    for (const QString &text : addresses) {
        const std::optional<quint32> a = proto::ipv4::parse(text);
        if (!a || proto::ipv4::checkHost(*a) != proto::ipv4::Problem::None) {
            warn(QStringLiteral("\"%1\" is not a processor address (a.b.c.d)").arg(text));
            return std::nullopt;
        }
        if (std::any_of(wanted.begin(), wanted.end(),
                        [&](const Target &t) { return t.address.toIPv4Address() == *a; })) {
            warn(QStringLiteral("%1 is named twice").arg(text));
            return std::nullopt;
        }
        wanted.append({QHostAddress(*a), 0, {}});
    }
    if (!m_options.all && !needIds)
        return wanted;

    const auto allHeard = [&](const QList<KnownProcessor> &found) {
        if (m_options.all || wholeWait)
            return false;
        return std::all_of(wanted.begin(), wanted.end(), [&](const Target &t) {
            return std::any_of(found.begin(), found.end(), [&](const KnownProcessor &k) {
                return k.heard && k.record.ipaddress == t.address.toIPv4Address();
            });
        });
    };
    QString listenError;
    const QList<KnownProcessor> known = discover(m_options.announcePort, m_options.waitMs,
                                                 m_options.dbPath, &listenError, allHeard);
    if (!listenError.isEmpty())
        warn(listenError);
    m_known = known;
    const auto modelOf = [](const broadcastMsg &r) { return devices::fieldText(r.model); };
    if (m_options.all) {
        QList<Target> heard;
        for (const KnownProcessor &k : known) {
            if (k.heard)
                heard.append(
                    {QHostAddress(k.record.ipaddress), k.record.machineid, modelOf(k.record)});
        }
        std::sort(heard.begin(), heard.end(), [](const Target &a, const Target &b) {
            return a.address.toIPv4Address() < b.address.toIPv4Address();
        });
        if (heard.isEmpty())
            warn(QStringLiteral("no processor announced itself within %1 s")
                     .arg(m_options.waitMs / 1000.0));
        return heard;
    }
    for (Target &t : wanted) {
        // A processor heard now wins over a stored row with the same address.
        for (const bool heard : {true, false}) {
            for (const KnownProcessor &k : known) {
                if (t.machineId == 0 && k.heard == heard &&
                    k.record.ipaddress == t.address.toIPv4Address()) {
                    t.machineId = k.record.machineid;
                    t.model = modelOf(k.record);
                }
            }
        }
    }
    return wanted;
}

QByteArray CtlContext::password()
{
    QMutexLocker lock(&m_passwordLock);
    if (m_options.password)
        return *m_options.password;
    if (!m_prompted) {
        m_prompted = true;
        const std::optional<QString> typed = promptHidden(QStringLiteral("Password: "));
        QString error;
        if (typed) {
            m_options.password = checkedPassword(*typed, &error);
            if (!m_options.password)
                warn(error);
        }
    }
    return m_options.password.value_or(QByteArray());
}

std::unique_ptr<CtlLink> CtlContext::open(const QHostAddress &address, QString *error,
                                          bool *refused)
{
    if (refused)
        *refused = false;
    auto link = std::make_unique<CtlLink>(m_options.timeoutMs);
    if (!link->connectTo(address, m_options.tcpPort)) {
        *error = link->errorText();
        return nullptr;
    }
    const CtlLink::Login login = link->login([this] { return password(); });
    if (login == CtlLink::Login::Accepted)
        return link;
    if (refused)
        *refused = login == CtlLink::Login::Refused;
    bool none = false;
    {
        QMutexLocker lock(&m_passwordLock);
        none = !m_options.password;
    }
    if (login == CtlLink::Login::Refused && none)
        *error = QStringLiteral("the processor asks for a password: give --password or "
                                "DAPCTL_PASSWORD, or run dapctl on a terminal to be asked");
    else if (login == CtlLink::Login::Refused)
        *error = QStringLiteral("login refused (wrong password)");
    else
        *error = QStringLiteral("no login answer from the processor");
    return nullptr;
}

std::optional<QString> promptHidden(const QString &prompt)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs(qPrintable(prompt), stderr);
    std::fflush(stderr);
    termios old{};
    tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::string line;
    std::getline(std::cin, line);
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::fputs("\n", stderr);
    return QString::fromLocal8Bit(line.c_str());
}

} // namespace ctl
