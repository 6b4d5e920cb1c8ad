#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace sim {

// Command-line options of dapsim.
struct SimOptions {
    QHostAddress address{QStringLiteral("127.0.0.2")};
    quint32 machineId = 0; // 0: derived from the address
    QString model = QStringLiteral("DAP408");
    QByteArray password;     // empty: no login password
    QByteArray lockPassword; // empty: any security password is accepted
    QHostAddress announceHost{QStringLiteral("127.0.0.1")};
    quint16 announcePort = 6696;
    quint16 commandPort = 6001;
    int generation = 1;
    int variant = 0; // 48 or 96; 0: follows the generation
    int count = 1;
    quint8 fault = 0;
    bool verbose = false;
    bool split = false;
    double garbageRate = 0.0;
    double dropRate = 0.0;
    int silentAfter = -1;     // seconds; -1 never
    int disconnectAfter = -1; // seconds after a connection opens; -1 never
    quint32 seed = 0;         // 0: random
    // Firmware upgrades: 0 taken, 1 refused (the connection closes at the first block),
    // 2 stalled (no acknowledgement after the first block); -1 for every processor, else
    // only the processor of that index (from 0).
    int firmwareFail = 0;
    int replyDelayMs = 0;
    int importAck = 0; // bytes acknowledged of each single-preset import chunk; 0: all
    int firmwareFailIndex = -1;

    int effectiveVariant() const { return variant ? variant : (generation == 2 ? 48 : 96); }
    // Address and machine id of the n-th processor (n from 0).
    QHostAddress addressOf(int n) const;
    quint32 machineIdOf(int n) const;
    // The firmware fault of the n-th processor.
    int firmwareFailOf(int n) const
    {
        return firmwareFailIndex < 0 || firmwareFailIndex == n ? firmwareFail : 0;
    }
};

struct ParseResult {
    std::optional<SimOptions> options;
    bool help = false;
    QString text; // help text, or the error message
};

ParseResult parseOptions(const QStringList &arguments);

} // namespace sim
