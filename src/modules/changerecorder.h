#pragma once

#include "modules/setfields.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// What the history needs of the panel of one block: edits still waiting sent now, and a
// value that undo or redo sent shown the way a report would show it.
class RecordedBlock {
public:
    virtual quint8 moduleId() const = 0;
    virtual void flushDeferredSends() = 0;
    // setPayload as the set carries it ([channel][value], or the value of a block-wide field).
    virtual void showRecorded(quint8 code, const QByteArray &setPayload) = 0;

protected:
    ~RecordedBlock() = default;
};

// One set the program sent, as the change log keeps it.
struct ChangeRow {
    qint64 msecs = 0; // since the epoch, UTC
    quint32 machineId = 0;
    QString model;
    quint32 address = 0; // IPv4, first octet in the most significant byte
    setfields::Key key;
    QByteArray before; // empty: not known
    QByteArray after;
    bool undo = false; // sent by undo or redo
    QString action;    // an action that is not undoable (key unused then)
};

// One undoable gesture: every field it changed, with the value before and after.
struct UndoEntry {
    struct Change {
        setfields::Key key;
        QByteArray before; // empty: never read from the processor
        QByteArray after;  // empty: what the processor made of it (reset) is not known
    };
    QList<Change> changes;
    // Sets that are actions rather than values (copy, reset), as sent: redo sends them again.
    struct Action {
        quint8 module = 0;
        quint8 code = 0;
        QByteArray payload;
    };
    QList<Action> actions;
    QString label;       // set for groups ("Copy to", "Reset"); else built from the change
    quint64 gesture = 0; // sets of the same gesture join this entry
};

// The history of edits sent to the processors: every set of the module panels passes here on
// its way out. It keeps, per processor (machine id, in memory only), the undo and redo
// stacks and the last value known of every field (from the sets sent and the reports
// received), groups the sets of one gesture into one entry, and hands every set to the
// change log. Undo and redo build their sets from the field description (setfields), send them
// the same way, and show the values through the blocks' RecordedBlock interface.
class ChangeRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 500;

    static ChangeRecorder &instance();

    // The processor that edits go to from now on; each keeps its own history.
    void setProcessor(quint32 machineId, const QString &model, quint32 address);
    quint32 machineId() const { return m_machineId; }
    // No processor selected: nothing is recorded.
    void clearProcessor();
    // True while sets are recorded: a processor is selected and a Frame would leave now.
    bool isRecording() const;

    // The change log's receiver of rows (empty: rows are not kept).
    using RowSink = std::function<void(ChangeRow &&)>;
    void setRowSink(RowSink sink) { m_rowSink = std::move(sink); }

    // Blocks register so undo can show what it sent; one per module id.
    void addBlock(RecordedBlock *block);
    void removeBlock(RecordedBlock *block);

    // Where a set comes from.
    enum class Origin { Discrete, Deferred, Replay };
    // The one way a set reaches the processor: recorded, then sent. blockWide: the payload
    // has no channel byte.
    void sendSet(quint8 module, quint8 code, const QByteArray &payload, bool blockWide,
                 Origin origin, quint64 gesture = 0);
    // A set on its way out; gesture identifies a drag (Deferred).
    void recordSet(quint8 module, quint8 code, const QByteArray &payload, Origin origin,
                   quint64 gesture = 0);
    // A report from the processor: the last known value of its fields.
    void noteReport(quint8 module, quint8 code, const uchar *payload, quint16 length);
    // The last value known of a field on the current processor; empty when none.
    QByteArray known(const setfields::Key &key) const;

    // "Copy to" and "Reset": every set and every field named until the group closes is one
    // entry. Groups nest; the outermost one closes the entry.
    void beginGroup(const QString &label);
    void endGroup();
    class Group {
    public:
        explicit Group(const QString &label) { instance().beginGroup(label); }
        ~Group() { instance().endGroup(); }
        Group(const Group &) = delete;
        Group &operator=(const Group &) = delete;
    };
    // Within a group: these fields change too, although no set of theirs goes out (the
    // processor copies or resets them); after is the value they get, empty if not known.
    void groupChanges(const setfields::Key &key, const QByteArray &after);

    // An action that cannot be undone went to the processor: the history before it no
    // longer describes the processor, so it ends there, and the menu says why.
    void notUndoable(const QString &what);
    // The same for any processor, current or not (the device list's network settings reach
    // processors that are not connected); model and address name it in the change log.
    void notUndoable(quint32 machineId, const QString &model, quint32 address, const QString &what);

    bool canUndo() const;
    bool canRedo() const;
    // "I2 gain -6.0 dB"; empty when there is nothing.
    QString undoText() const;
    QString redoText() const;
    // The last action when it cannot be undone (and nothing was edited since); else empty.
    QString notUndoableText() const;
    int undoCount() const;
    int redoCount() const;

    // Sends the values before the last entry; refuses with a message (and sends nothing)
    // when the processor's value was changed elsewhere since. True when it was undone.
    bool undo();
    bool redo();

    // A new gesture id (a drag of a panel).
    quint64 newGesture() { return ++m_serial; }
    // Ends the gesture of discrete sets now (otherwise when control returns to the event loop).
    void closeTurn() { m_turnOpen = false; }
    // Forgets every processor's history (tests).
    void clear();

Q_SIGNALS:
    // The stacks changed (menu texts).
    void historyChanged();
    // Undo or redo was refused; text says why.
    void refused(const QString &text);

private:
    ChangeRecorder() = default;

    struct History {
        QList<UndoEntry> undo;
        QList<UndoEntry> redo;
        QHash<setfields::Key, QByteArray> known;
        QString notUndoable;
    };
    History &current() { return m_histories[m_machineId]; }
    const History *currentOrNull() const;
    // Clears a processor's history, names the action that ended it and logs that action.
    void endHistory(quint32 machineId, const QString &model, quint32 address, const QString &what);
    void push(UndoEntry &&entry);
    void addChange(UndoEntry &entry, const setfields::Key &key, const QByteArray &before,
                   const QByteArray &after);
    void emitRow(const setfields::Key &key, const QByteArray &before, const QByteArray &after,
                 bool undo);
    bool replay(bool undo);
    void flushBlocks();
    void openTurn();

    QHash<quint32, History> m_histories;
    quint32 m_machineId = 0;
    bool m_hasProcessor = false;
    QString m_model;
    quint32 m_address = 0;
    RowSink m_rowSink;
    QHash<quint8, RecordedBlock *> m_blocks;
    int m_groupDepth = 0;
    bool m_turnOpen = false;
    bool m_turnPosted = false;
    quint64 m_serial = 0;
    quint64 m_turnGesture = 0;
    quint64 m_groupGesture = 0;
};

// A description of an entry for the menu: "I2 gain -6.0 dB".
QString describeEntry(const UndoEntry &entry);
