#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

namespace bridge {

// One processor the bridge serves: by address, or by machine id (its address then comes from
// its announcements).
struct ProcessorEntry {
    quint32 address = 0; // IPv4, first octet in the most significant byte; 0 when by id
    quint32 machineId = 0;
    std::optional<QByteArray> password; // nothing: log in only where none is asked for
};

struct BridgeConfig {
    QHostAddress listen{QHostAddress::LocalHost};
    quint16 httpPort = 9703; // 0: any free port
    quint16 tcpPort = 9704;
    QByteArray monitorToken; // empty: none
    QByteArray controlToken;
    double meterIntervalS = 1.0;
    bool all = false;
    QList<ProcessorEntry> processors;
    int maxClients = 64;
    quint16 announcePort = 6696;
    quint16 processorPort = 2699;

    bool tokensRequired() const { return !monitorToken.isEmpty() || !controlToken.isEmpty(); }
};

inline constexpr int kMaxProcessors = 4096;

// A JSON number that is whole and within [lo, hi], or nothing: the one check of every count,
// port and id that a configuration or a client gives.
std::optional<qint64> wholeNumber(const QJsonValue &v, qint64 lo, qint64 hi);

// Reads and checks the configuration file. Refused, with the reason: a file that other users
// may read or write, malformed JSON, unknown keys, values out of range, and listening on
// anything but loopback without tokens. A token file named by "tokens_file" is read (and
// checked) the same way.
std::optional<BridgeConfig> loadConfig(const QString &path, QString *error);
// The checks of loadConfig on JSON already read; baseDir resolves a relative token file.
std::optional<BridgeConfig> parseConfig(const QByteArray &json, const QString &baseDir,
                                        QString *error);
// Reads a file only its owner may read; nothing, with the reason, otherwise.
std::optional<QByteArray> readPrivateFile(const QString &path, QString *error);

} // namespace bridge
