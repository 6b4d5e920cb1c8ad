#pragma once

#include "ctllink.h"
#include "discovery.h"
#include "linkcore/password.h"

#include <QHostAddress>
#include <QJsonValue>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace ctl {

// Exit codes, as `dapctl --help` lists them.
enum Exit {
    ExitOk = 0,
    ExitFailed = 1,      // the command ran, and it failed for some processor
    ExitUsage = 2,       // bad usage or input; nothing was sent
    ExitUnreachable = 3, // no connection, or the login was refused
};

// Options every command takes.
struct CtlOptions {
    bool json = false;
    bool all = false;
    int waitMs = 3000;     // listening for announcements
    int timeoutMs = 10000; // one answer of the processor
    int jobs = 32;         // processors at once (backup, restore)
    quint16 tcpPort = 2699;
    quint16 announcePort = 6696;
    QHostAddress commandAddress{QHostAddress::Broadcast};
    quint16 commandPort = 6001;
    QString dbPath; // empty: no database
    QString logPath = QStringLiteral("dapctl-firmware.log");
    bool force = false; // firmware: ignore the log; set-ip: an address already in use
    std::optional<QByteArray> password;
    std::optional<QByteArray> lockPassword; // the security page's, for lock states
};

// A processor a command acts on.
struct Target {
    QHostAddress address;
    quint32 machineId = 0; // 0 when unknown
    QString model;
};

// What the commands share: the options, the output and the password.
class CtlContext {
public:
    explicit CtlContext(CtlOptions options) : m_options(std::move(options)) {}
    const CtlOptions &options() const { return m_options; }

    // A line for the user: stdout, or stderr when stdout carries JSON. Safe from any thread.
    void say(const QString &line);
    void warn(const QString &line);
    // The JSON result on stdout.
    void printJson(const QJsonValue &value);

    // The processors named (dotted addresses), or every one heard with --all. Machine ids
    // come from the announcements and the database; listening stops once every one named was
    // heard, unless wholeWait. Nothing on bad input (said already).
    std::optional<QList<Target>> targets(const QStringList &addresses, bool needIds,
                                         bool wholeWait = false);
    // Every processor heard or stored, as the last targets() found them.
    const QList<KnownProcessor> &known() const { return m_known; }

    // Connects and logs in. Nothing, with the reason said, when the processor cannot be
    // reached or refuses the login; refused tells which.
    std::unique_ptr<CtlLink> open(const QHostAddress &address, QString *error,
                                  bool *refused = nullptr);

private:
    QByteArray password();

    CtlOptions m_options;
    QList<KnownProcessor> m_known;
    QMutex m_outputLock;
    QMutex m_passwordLock;
    bool m_prompted = false;
};

using linkcore::checkedPassword;
// Reads a line from the terminal without echo; nothing when stdin is not a terminal.
std::optional<QString> promptHidden(const QString &prompt);

} // namespace ctl
