#include "changerecorder.h"

#include "protocol/frame.h"
#include "protocol/transport.h"

#include <QDateTime>

using setfields::Key;

namespace {

// The key a log row of an action (copy, reset) carries: module, code and channel.
Key actionKey(quint8 module, quint8 code, const QByteArray &payload)
{
    Key key;
    key.module = module;
    key.code = code;
    key.length = payload.isEmpty() ? 0 : 1;
    key.address[0] = payload.isEmpty() ? 0 : quint8(payload[0]);
    return key;
}

} // namespace

ChangeRecorder &ChangeRecorder::instance()
{
    static ChangeRecorder recorder;
    return recorder;
}

void ChangeRecorder::setProcessor(quint32 machineId, const QString &model, quint32 address)
{
    flushBlocks(); // a drag still pending belongs to the processor it was made on
    m_machineId = machineId;
    m_model = model;
    m_address = address;
    m_hasProcessor = true;
    m_turnOpen = false;
    emit historyChanged();
}

void ChangeRecorder::clearProcessor()
{
    flushBlocks();
    m_hasProcessor = false;
    m_machineId = 0;
    m_turnOpen = false;
    emit historyChanged();
}

bool ChangeRecorder::isRecording() const
{
    return m_hasProcessor && proto::Transport::instance().canSend();
}

void ChangeRecorder::addBlock(RecordedBlock *block)
{
    m_blocks.insert(block->moduleId(), block);
}

void ChangeRecorder::removeBlock(RecordedBlock *block)
{
    const auto it = m_blocks.constFind(block->moduleId());
    if (it != m_blocks.cend() && it.value() == block)
        m_blocks.erase(it);
}

void ChangeRecorder::sendSet(quint8 module, quint8 code, const QByteArray &payload, bool blockWide,
                             Origin origin, quint64 gesture)
{
    recordSet(module, code, payload, origin, gesture);
    if (blockWide) {
        proto::sendFrame(proto::ClassModule, module, code, proto::DirSet, payload.constData(),
                         quint16(payload.size()));
    } else if (!payload.isEmpty()) {
        proto::sendSetMessage(module, code, quint8(payload[0]), payload.constData() + 1,
                              quint16(payload.size() - 1));
    }
}

const ChangeRecorder::History *ChangeRecorder::currentOrNull() const
{
    const auto it = m_histories.constFind(m_machineId);
    return it == m_histories.cend() ? nullptr : &it.value();
}

QByteArray ChangeRecorder::known(const Key &key) const
{
    const History *h = currentOrNull();
    return h ? h->known.value(key) : QByteArray();
}

void ChangeRecorder::openTurn()
{
    m_turnOpen = true;
    if (m_turnPosted)
        return;
    m_turnPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_turnOpen = false;
            m_turnPosted = false;
        },
        Qt::QueuedConnection);
}

void ChangeRecorder::emitRow(const Key &key, const QByteArray &before, const QByteArray &after,
                             bool undo)
{
    if (!m_rowSink)
        return;
    ChangeRow row;
    row.msecs = QDateTime::currentMSecsSinceEpoch();
    row.machineId = m_machineId;
    row.model = m_model;
    row.address = m_address;
    row.key = key;
    row.before = before;
    row.after = after;
    row.undo = undo;
    m_rowSink(std::move(row));
}

void ChangeRecorder::push(UndoEntry &&entry)
{
    History &h = current();
    h.undo.append(std::move(entry));
    if (h.undo.size() > kMaxEntries)
        h.undo.removeFirst();
    h.redo.clear();
    h.notUndoable.clear();
}

void ChangeRecorder::addChange(UndoEntry &entry, const Key &key, const QByteArray &before,
                               const QByteArray &after)
{
    for (UndoEntry::Change &c : entry.changes) {
        if (c.key == key) {
            c.after = after; // the gesture's first "before" stays
            return;
        }
    }
    entry.changes.append({key, before, after});
}

void ChangeRecorder::recordSet(quint8 module, quint8 code, const QByteArray &payload, Origin origin,
                               quint64 gesture)
{
    // A set that goes nowhere changed nothing.
    if (!isRecording())
        return;
    History &h = current();
    const QList<setfields::Field> fields = setfields::ofSet(module, code, payload);
    if (origin == Origin::Replay) {
        for (const setfields::Field &f : fields) {
            emitRow(f.key, h.known.value(f.key), f.value, true);
            h.known.insert(f.key, f.value);
        }
        if (fields.isEmpty())
            emitRow(actionKey(module, code, payload), {}, payload.mid(1), true);
        return;
    }

    // The entry this set joins: the open group, the drag's own entry, or this turn's.
    UndoEntry *entry = nullptr;
    if (m_groupDepth > 0) {
        gesture = m_groupGesture;
    } else if (origin == Origin::Discrete) {
        if (!m_turnOpen)
            m_turnGesture = newGesture();
        openTurn();
        gesture = m_turnGesture;
    }
    if (!h.undo.isEmpty() && h.undo.last().gesture == gesture && gesture != 0)
        entry = &h.undo.last();

    if (fields.isEmpty()) {
        // An action (copy, reset): logged, and kept for redo when it belongs to a group.
        emitRow(actionKey(module, code, payload), {}, payload.mid(1), false);
        if (entry)
            entry->actions.append({module, code, payload});
        return;
    }
    for (const setfields::Field &f : fields) {
        const QByteArray before = h.known.value(f.key);
        emitRow(f.key, before, f.value, false);
        h.known.insert(f.key, f.value);
        if (!entry) {
            if (before == f.value)
                continue; // nothing changed: no entry of its own
            UndoEntry fresh;
            fresh.gesture = gesture;
            push(std::move(fresh));
            entry = &h.undo.last();
        }
        addChange(*entry, f.key, before, f.value);
    }
    emit historyChanged();
}

void ChangeRecorder::noteReport(quint8 module, quint8 code, const uchar *payload, quint16 length)
{
    if (!m_hasProcessor)
        return;
    History *h = nullptr;
    // Polls repeat the same values many times a second: a known value is only compared.
    setfields::forEachReportField(module, code, payload, length,
                                  [this, &h](const Key &key, QByteArrayView value) {
                                      if (!h)
                                          h = &current();
                                      const auto it = h->known.find(key);
                                      if (it == h->known.end())
                                          h->known.insert(key, value.toByteArray());
                                      else if (QByteArrayView(*it) != value)
                                          *it = value.toByteArray();
                                  });
}

void ChangeRecorder::beginGroup(const QString &label)
{
    if (m_groupDepth++ > 0)
        return;
    m_groupGesture = newGesture();
    UndoEntry entry;
    entry.gesture = m_groupGesture;
    entry.label = label;
    current().undo.append(std::move(entry)); // pushed for real when it holds a change
}

void ChangeRecorder::endGroup()
{
    if (m_groupDepth == 0 || --m_groupDepth > 0)
        return;
    History &h = current();
    if (h.undo.isEmpty() || h.undo.last().gesture != m_groupGesture)
        return;
    UndoEntry entry = h.undo.takeLast();
    if (!entry.changes.isEmpty())
        push(std::move(entry));
    m_groupGesture = 0;
    emit historyChanged();
}

void ChangeRecorder::groupChanges(const Key &key, const QByteArray &after)
{
    if (!isRecording())
        return;
    History &h = current();
    if (m_groupDepth == 0 || h.undo.isEmpty() || h.undo.last().gesture != m_groupGesture)
        return;
    addChange(h.undo.last(), key, h.known.value(key), after);
    if (after.isEmpty())
        h.known.remove(key); // the processor's next report says what it is now
    else
        h.known.insert(key, after);
}

void ChangeRecorder::notUndoable(const QString &what)
{
    if (!m_hasProcessor)
        return;
    flushBlocks();
    endHistory(m_machineId, m_model, m_address, what);
    emit historyChanged();
}

void ChangeRecorder::notUndoable(quint32 machineId, const QString &model, quint32 address,
                                 const QString &what)
{
    if (m_hasProcessor && machineId == m_machineId)
        notUndoable(what);
    else
        endHistory(machineId, model, address, what);
}

void ChangeRecorder::endHistory(quint32 machineId, const QString &model, quint32 address,
                                const QString &what)
{
    History &h = m_histories[machineId];
    h.undo.clear();
    h.redo.clear();
    h.notUndoable = what;
    if (m_rowSink) {
        ChangeRow row;
        row.msecs = QDateTime::currentMSecsSinceEpoch();
        row.machineId = machineId;
        row.model = model;
        row.address = address;
        row.action = what;
        m_rowSink(std::move(row));
    }
}

bool ChangeRecorder::canUndo() const
{
    const History *h = currentOrNull();
    return h && !h->undo.isEmpty() && m_groupDepth == 0;
}

bool ChangeRecorder::canRedo() const
{
    const History *h = currentOrNull();
    return h && !h->redo.isEmpty() && m_groupDepth == 0;
}

int ChangeRecorder::undoCount() const
{
    const History *h = currentOrNull();
    return h ? int(h->undo.size()) : 0;
}

int ChangeRecorder::redoCount() const
{
    const History *h = currentOrNull();
    return h ? int(h->redo.size()) : 0;
}

QString ChangeRecorder::undoText() const
{
    return canUndo() ? describeEntry(currentOrNull()->undo.last()) : QString();
}

QString ChangeRecorder::redoText() const
{
    return canRedo() ? describeEntry(currentOrNull()->redo.last()) : QString();
}

QString ChangeRecorder::notUndoableText() const
{
    const History *h = currentOrNull();
    return h && h->undo.isEmpty() ? h->notUndoable : QString();
}

void ChangeRecorder::flushBlocks()
{
    for (RecordedBlock *block : std::as_const(m_blocks))
        block->flushDeferredSends();
}

bool ChangeRecorder::undo()
{
    return replay(true);
}

bool ChangeRecorder::redo()
{
    return replay(false);
}

bool ChangeRecorder::replay(bool undo)
{
    if (m_groupDepth > 0 || !m_hasProcessor)
        return false;
    flushBlocks(); // a drag not yet sent is part of the last entry
    m_turnOpen = false;
    History &h = current();
    QList<UndoEntry> &from = undo ? h.undo : h.redo;
    if (from.isEmpty())
        return false;
    if (!proto::Transport::instance().canSend()) {
        emit refused(undo ? tr("The processor is not connected; nothing was undone.")
                          : tr("The processor is not connected; nothing was redone."));
        return false;
    }
    const UndoEntry &e = from.last();
    for (const UndoEntry::Change &c : e.changes) {
        // What the processor holds now must still be what this entry left there.
        const QByteArray &expected = undo ? c.after : c.before;
        const QByteArray now = h.known.value(c.key);
        if (!expected.isEmpty() && !now.isEmpty() && now != expected) {
            emit refused(undo ? tr("The value was changed elsewhere since; nothing was undone.")
                              : tr("The value was changed elsewhere since; nothing was redone."));
            return false;
        }
        if (undo && c.before.isEmpty()) {
            emit refused(tr("The value before this edit was never read from the processor; "
                            "nothing was undone."));
            return false;
        }
    }
    const UndoEntry entry = from.takeLast();
    const bool resend = !undo && !entry.actions.isEmpty();
    if (resend) {
        for (const UndoEntry::Action &a : entry.actions) {
            sendSet(a.module, a.code, a.payload, false, Origin::Replay);
        }
    }
    // Undo restores in reverse order: the first value of a field that changed twice wins.
    for (qsizetype i = 0; i < entry.changes.size(); ++i) {
        const UndoEntry::Change &c = entry.changes[undo ? entry.changes.size() - 1 - i : i];
        const QByteArray &value = undo ? c.before : c.after;
        if (value.isEmpty())
            continue;
        const QByteArray payload = setfields::setPayload(c.key, value);
        if (!resend) {
            sendSet(c.key.module, c.key.code, payload,
                    setfields::isBlockWide(c.key.module, c.key.code), Origin::Replay);
        } else {
            h.known.insert(c.key, value);
        }
        if (RecordedBlock *block = m_blocks.value(c.key.module))
            block->showRecorded(c.key.code, payload);
    }
    (undo ? h.redo : h.undo).append(entry);
    emit historyChanged();
    return true;
}

void ChangeRecorder::clear()
{
    m_histories.clear();
    m_groupDepth = 0;
    m_turnOpen = false;
    emit historyChanged();
}

QString describeEntry(const UndoEntry &entry)
{
    if (!entry.label.isEmpty() || entry.changes.isEmpty())
        return entry.label;
    const UndoEntry::Change &c = entry.changes.first();
    QStringList parts;
    for (const QString &part : {setfields::channelText(c.key), setfields::fieldName(c.key),
                                setfields::valueText(c.key, c.after)}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    QString text = parts.join(QLatin1Char(' '));
    if (entry.changes.size() > 1)
        text = ChangeRecorder::tr("%1 (+%2 more)").arg(text).arg(entry.changes.size() - 1);
    return text;
}
