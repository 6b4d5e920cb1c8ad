#pragma once

#include "model/model.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace ctl {

class CtlLink;

// One checked set: what goes to the processor, built from BLOCK CHANNEL FIELD VALUE before
// anything is sent. Numbers are checked against the widest limits here and against the
// processor's own (its generation) once it is known.
struct SetRequest {
    model::FieldRef ref;
    QString typed;    // the value as typed
    double value = 0; // numbers, flags and enumerations
    QByteArray text;  // text fields, as they travel
};

std::optional<SetRequest> parseSet(const QString &block, const QString &channel,
                                   const QString &field, const QString &value, QString *error);
// CHANNEL as typed for a block: from 1, or "-" for its block-wide fields (-1).
std::optional<int> parseChannel(const model::Block &block, const QString &text, QString *error);
// The channels `get` without CHANNEL reads: -1 first when the block has block-wide fields.
QList<int> channelsToRead(const model::Block &block);

// The processor's generation from its ARM major version (1, or 2 with reduced delays).
std::optional<int> readGeneration(CtlLink &link, QString *error);

// Reads what the description says a channel of a block holds, asking each report once.
class BlockReader {
public:
    explicit BlockReader(CtlLink &link) : m_link(link) {}
    // {"channel": n (null for the block-wide fields), field: value, ...}; the mixer keeps its
    // "inputs" list of {input, on, gain}. Nothing when a report does not come or is malformed.
    std::optional<QJsonObject> channel(const model::Block &block, int channel, QString *error);
    // The checked report that answers the request of ref (its channel and band).
    std::optional<QByteArray> report(const model::FieldRef &ref, QString *error);
    // Forgets what was read (after a set).
    void clear() { m_reports.clear(); }

private:
    CtlLink &m_link;
    QHash<QByteArray, QByteArray> m_reports; // request address -> checked report payload
};

// Exit codes of a set that failed: usage (refused, nothing sent) or failed.
struct SetOutcome {
    std::optional<QJsonObject> after; // the channel as the processor then reports it
    QString error;
    bool refused = false; // true: the processor's limits refuse the value; nothing was sent
    bool locked = false;  // true: the security page did not open
};

// Sends the set and reads the channel back. Block sets first read the block and send it back
// with the one field replaced; lock states open the security page with lockPassword first and
// leave it after, as the security page does.
SetOutcome applySet(CtlLink &link, const SetRequest &set, const QByteArray &lockPassword);

// The keys of a channel's JSON in the description's order (the order of the text lines).
QStringList fieldKeys(const model::Block &block, int channel);

// The block and field list of `dapctl --help`, from the description.
QString helpBlocks();

// A processor's text as it travels: 8-bit device text, preset names Latin-1.
QByteArray wireText(const model::Field &field, const model::Block &block, const QString &text);
QString shownText(const model::Block &block, QByteArrayView bytes);

} // namespace ctl
