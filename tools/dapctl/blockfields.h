#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace ctl {

class CtlLink;

// The blocks the command line reads and sets: levels, delays, limiters and the mixer.
struct Block {
    const char *name; // "in-level", "out-delay", ...
    quint8 moduleId;
    int channels; // 4 inputs or 8 outputs (the mixer: its outputs)
    enum Kind { Level, Delay, Limiter, Mixer } kind;
    bool input;
};

const Block *findBlock(const QString &name);
QStringList blockNames();

// One checked set: what goes to the processor. Built before anything is sent.
struct SetRequest {
    const Block *block = nullptr;
    int channel = 0; // from 0
    QString field;   // "gain", "mute", "delay", "threshold", "gain" or "on" of a crosspoint
    int input = -1;  // mixer crosspoint input, from 0
    double value = 0.0;
};

// Parses and checks BLOCK CHANNEL FIELD VALUE the way the panels check typed values (a value
// that is no finite number is refused); out-of-range values are refused too, not forced into
// range. Delay limits depend on the processor and are checked once it is known.
std::optional<SetRequest> parseSet(const QString &block, const QString &channel,
                                   const QString &field, const QString &value, QString *error);
// CHANNEL as typed (from 1) for a block; nothing when out of range or not a whole number.
std::optional<int> parseChannel(const Block &block, const QString &text, QString *error);

// Reads one channel of a block: {"channel": n, field: value, ...}.
std::optional<QJsonObject> readChannel(CtlLink &link, const Block &block, int channel);
// Sends the set and reads the channel back. reducedDelays: the processor's outputs take the
// short delay range.
std::optional<QJsonObject> applySet(CtlLink &link, const SetRequest &set, bool reducedDelays,
                                    QString *error);

} // namespace ctl
