#include "bridgeconfig.h"

#include "linkcore/password.h"
#include "protocol/ipv4.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include <sys/stat.h>

namespace bridge {

std::optional<qint64> wholeNumber(const QJsonValue &v, qint64 lo, qint64 hi)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < double(lo) || d > double(hi))
        return std::nullopt;
    return qint64(d);
}

namespace {

constexpr qint64 kMaxFileSize = 1 << 20;
constexpr int kMinTokenLength = 16;
constexpr int kMaxTokenLength = 256;

bool onlyKeys(const QJsonObject &o, const QStringList &allowed, const QString &where,
              QString *error)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!allowed.contains(it.key())) {
            *error = QStringLiteral("%1: unknown key \"%2\"").arg(where, it.key());
            return false;
        }
    }
    return true;
}

std::optional<QByteArray> token(const QJsonValue &v, const QString &role, QString *error)
{
    const QString text = v.toString();
    bool printable =
        v.isString() && text.size() >= kMinTokenLength && text.size() <= kMaxTokenLength;
    for (const QChar c : text)
        printable = printable && c.unicode() > 0x20 && c.unicode() < 0x7F;
    if (!printable) {
        *error = QStringLiteral("tokens.%1 must be %2 to %3 printable ASCII characters without "
                                "spaces")
                     .arg(role)
                     .arg(kMinTokenLength)
                     .arg(kMaxTokenLength);
        return std::nullopt;
    }
    return text.toLatin1();
}

bool readTokens(const QJsonObject &o, BridgeConfig &c, QString *error)
{
    if (!onlyKeys(o, {QStringLiteral("monitor"), QStringLiteral("control")},
                  QStringLiteral("tokens"), error))
        return false;
    for (const auto &[role, out] : {std::pair{QStringLiteral("monitor"), &c.monitorToken},
                                    std::pair{QStringLiteral("control"), &c.controlToken}}) {
        if (!o.contains(role))
            continue;
        const std::optional<QByteArray> t = token(o.value(role), role, error);
        if (!t)
            return false;
        *out = *t;
    }
    if (!c.monitorToken.isEmpty() && c.monitorToken == c.controlToken) {
        *error = QStringLiteral("tokens: the monitor and control tokens must differ");
        return false;
    }
    return true;
}

bool readPort(const QJsonObject &o, const QString &key, quint16 &out, qint64 lo, QString *error)
{
    if (!o.contains(key))
        return true;
    const std::optional<qint64> v = wholeNumber(o.value(key), lo, 65535);
    if (!v) {
        *error = QStringLiteral("%1 must be a port number from %2 to 65535").arg(key).arg(lo);
        return false;
    }
    out = quint16(*v);
    return true;
}

std::optional<ProcessorEntry> readEntry(const QJsonValue &v, int index, QString *error)
{
    const QString where = QStringLiteral("processors[%1]").arg(index);
    if (!v.isObject()) {
        *error = where + QStringLiteral(" must be an object");
        return std::nullopt;
    }
    const QJsonObject o = v.toObject();
    if (!onlyKeys(
            o,
            {QStringLiteral("address"), QStringLiteral("machine_id"), QStringLiteral("password")},
            where, error))
        return std::nullopt;
    ProcessorEntry e;
    if (o.contains(QStringLiteral("address")) == o.contains(QStringLiteral("machine_id"))) {
        *error = where + QStringLiteral(" needs either \"address\" or \"machine_id\"");
        return std::nullopt;
    }
    if (o.contains(QStringLiteral("address"))) {
        const std::optional<quint32> a =
            proto::ipv4::parse(o.value(QStringLiteral("address")).toString());
        if (!a || proto::ipv4::checkHost(*a) != proto::ipv4::Problem::None) {
            *error = where + QStringLiteral(".address is not a processor address (a.b.c.d)");
            return std::nullopt;
        }
        e.address = *a;
    } else {
        const std::optional<qint64> id =
            wholeNumber(o.value(QStringLiteral("machine_id")), 1, 0xFFFFFFFFLL);
        if (!id) {
            *error = where + QStringLiteral(".machine_id must be a number from 1 to 4294967295");
            return std::nullopt;
        }
        e.machineId = quint32(*id);
    }
    if (o.contains(QStringLiteral("password"))) {
        const QJsonValue p = o.value(QStringLiteral("password"));
        QString why;
        e.password = p.isString() ? linkcore::checkedPassword(p.toString(), &why) : std::nullopt;
        if (!e.password) {
            *error = where + QStringLiteral(".password: ") +
                     (why.isEmpty() ? QStringLiteral("must be a string") : why);
            return std::nullopt;
        }
    }
    return e;
}

bool readProcessors(const QJsonValue &v, BridgeConfig &c, QString *error)
{
    if (!v.isArray() || v.toArray().size() > kMaxProcessors) {
        *error = QStringLiteral("processors must be a list of at most %1").arg(kMaxProcessors);
        return false;
    }
    const QJsonArray list = v.toArray();
    for (int i = 0; i < list.size(); ++i) {
        const std::optional<ProcessorEntry> e = readEntry(list.at(i), i, error);
        if (!e)
            return false;
        for (const ProcessorEntry &known : std::as_const(c.processors)) {
            if ((e->address && known.address == e->address) ||
                (e->machineId && known.machineId == e->machineId)) {
                *error = QStringLiteral("processors[%1] names a processor listed before").arg(i);
                return false;
            }
        }
        c.processors.append(*e);
    }
    return true;
}

} // namespace

std::optional<QByteArray> readPrivateFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1 (%2)").arg(path, file.errorString());
        return std::nullopt;
    }
    // The open file is what is checked, so it cannot be swapped after the check.
    struct stat st {};
    if (fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return std::nullopt;
    }
    if (st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH)) {
        *error = QStringLiteral("%1 holds passwords or tokens and others may read or change it; "
                                "run: chmod 600 %1")
                     .arg(path);
        return std::nullopt;
    }
    if (st.st_size > kMaxFileSize) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxFileSize);
        return std::nullopt;
    }
    return file.read(kMaxFileSize);
}

std::optional<BridgeConfig> parseConfig(const QByteArray &json, const QString &baseDir,
                                        QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? QStringLiteral("not valid JSON at byte %1: %2")
                           .arg(parseError.offset)
                           .arg(parseError.errorString())
                     : QStringLiteral("the configuration must be a JSON object");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    if (!onlyKeys(o,
                  {"listen", "http_port", "tcp_port", "tokens", "tokens_file", "meter_interval_s",
                   "all", "processors", "max_clients", "announce_port", "processor_port"},
                  QStringLiteral("configuration"), error))
        return std::nullopt;
    BridgeConfig c;
    if (o.contains(QStringLiteral("listen"))) {
        c.listen = QHostAddress(o.value(QStringLiteral("listen")).toString());
        if (c.listen.isNull()) {
            *error = QStringLiteral("listen must be an IP address such as 127.0.0.1");
            return std::nullopt;
        }
    }
    if (!readPort(o, QStringLiteral("http_port"), c.httpPort, 0, error) ||
        !readPort(o, QStringLiteral("tcp_port"), c.tcpPort, 0, error) ||
        !readPort(o, QStringLiteral("announce_port"), c.announcePort, 1, error) ||
        !readPort(o, QStringLiteral("processor_port"), c.processorPort, 1, error))
        return std::nullopt;
    if (c.httpPort != 0 && c.httpPort == c.tcpPort) {
        *error = QStringLiteral("http_port and tcp_port must differ");
        return std::nullopt;
    }
    if (o.contains(QStringLiteral("tokens")) && o.contains(QStringLiteral("tokens_file"))) {
        *error = QStringLiteral("give either tokens or tokens_file, not both");
        return std::nullopt;
    }
    if (o.contains(QStringLiteral("tokens"))) {
        if (!o.value(QStringLiteral("tokens")).isObject()) {
            *error = QStringLiteral("tokens must be an object");
            return std::nullopt;
        }
        if (!readTokens(o.value(QStringLiteral("tokens")).toObject(), c, error))
            return std::nullopt;
    }
    if (o.contains(QStringLiteral("tokens_file"))) {
        const QString path =
            QDir(baseDir).filePath(o.value(QStringLiteral("tokens_file")).toString());
        QString why;
        const std::optional<QByteArray> bytes = readPrivateFile(path, &why);
        const QJsonDocument tokens = bytes ? QJsonDocument::fromJson(*bytes) : QJsonDocument();
        if (!bytes || !tokens.isObject()) {
            *error = bytes ? QStringLiteral("%1 must hold a JSON object").arg(path) : why;
            return std::nullopt;
        }
        if (!readTokens(tokens.object(), c, error))
            return std::nullopt;
    }
    if (o.contains(QStringLiteral("meter_interval_s"))) {
        const QJsonValue v = o.value(QStringLiteral("meter_interval_s"));
        const double s = v.toDouble(-1);
        if (!v.isDouble() || !std::isfinite(s) || s < 0.5 || s > 60.0) {
            *error = QStringLiteral("meter_interval_s must be a number from 0.5 to 60");
            return std::nullopt;
        }
        c.meterIntervalS = s;
    }
    if (o.contains(QStringLiteral("all"))) {
        if (!o.value(QStringLiteral("all")).isBool()) {
            *error = QStringLiteral("all must be true or false");
            return std::nullopt;
        }
        c.all = o.value(QStringLiteral("all")).toBool();
    }
    if (o.contains(QStringLiteral("max_clients"))) {
        const std::optional<qint64> n =
            wholeNumber(o.value(QStringLiteral("max_clients")), 1, 1024);
        if (!n) {
            *error = QStringLiteral("max_clients must be a number from 1 to 1024");
            return std::nullopt;
        }
        c.maxClients = int(*n);
    }
    if (o.contains(QStringLiteral("processors")) &&
        !readProcessors(o.value(QStringLiteral("processors")), c, error))
        return std::nullopt;
    if (!c.listen.isLoopback() && !c.tokensRequired()) {
        *error = QStringLiteral("listening on %1 needs tokens: only loopback may go without")
                     .arg(c.listen.toString());
        return std::nullopt;
    }
    return c;
}

std::optional<BridgeConfig> loadConfig(const QString &path, QString *error)
{
    const std::optional<QByteArray> bytes = readPrivateFile(path, error);
    if (!bytes)
        return std::nullopt;
    std::optional<BridgeConfig> c = parseConfig(*bytes, QFileInfo(path).absolutePath(), error);
    if (!c)
        error->prepend(path + QStringLiteral(": "));
    return c;
}

} // namespace bridge
