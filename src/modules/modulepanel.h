#pragma once

#include "model/model.h"
#include "modules/changerecorder.h"
#include "modules/editpacing.h"
#include "protocol/frame.h"
#include "protocol/payload.h"
#include "protocol/typedvalue.h"

#include <QList>
#include <QSignalBlocker>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QChannelSelect;
class QValidator;

// The base of every processing-module panel: message encoding, report checks, the polling
// schedule, deferred sends of dragged controls, the edit hold, the security request, lock
// states and the "Copy to" / "Reset" sequences.
//
// How a panel uses it:
//  - Derive, pass the module id and the channel count (kInputChannels / kOutputChannels).
//    The base registers timeOut20ms() with the shared ModuleClock in registration order.
//  - Keep the per-channel record in a ChannelMirror<Record>; give read access to it.
//  - receive(): check with isReport(direction, length, expected) (meters) or
//    channelReport(direction, length, payload, expected) (channel-addressed reports; returns
//    the channel or -1), ignore what the edit hold covers (editHeld()), then apply the value
//    through a setter that compares with the mirror and moves widgets quietly(), so a report
//    never comes back as a set.
//  - poll(tick): the panel's requests for this tick, using every(n), isShown(),
//    sendRequest() and sendSecurityRequest(). The base then runs the deferred sends (in the
//    order they were added) and ages the edit hold.
//  - Dragged controls: id = addDeferredSend([this, ch] { send...(ch); }) once; on every
//    movement update mirror and widgets, then restartDeferredSend(id) and holdEdits().
//    The send fires 5 ticks after the last movement (or the delay given); reports are held
//    for 10 ticks after the last movement and at least 5 after the send.
//  - pollPeriod(): how often poll() has work now, so the shared clock can sleep in between.
//  - Discrete edits: update the mirror, then sendSetFloat/sendSetFlag/sendSetByte/sendSet.
//  - setSecurityState(channel, state): applyLockState(rowBackground, rowControls, state).
//  - Filter and limiter panels: runCopyTo() and runReset().
class QModulePanel : public QWidget, public RecordedBlock {
    Q_OBJECT
public:
    static constexpr int kInputChannels = 4;
    static constexpr int kOutputChannels = 8;
    static constexpr quint8 kSecurityFrameType = 5;
    static constexpr quint8 kDeferredTicks = DeferredSend::kTicks;
    static constexpr int kEditHoldTicks = EditHold::kTicks;
    // A report requested before a deferred send went out can still arrive afterwards with
    // the old value: the edit hold lasts at least this many ticks after the send.
    static constexpr int kHoldAfterSendTicks = kEditHoldTicks - kDeferredTicks;

    QModulePanel(quint8 moduleId, int channelCount, QWidget *parent = nullptr);
    ~QModulePanel() override;

    quint8 moduleId() const override { return m_moduleId; }
    int channelCount() const { return m_channelCount; }
    bool hasChannel(int channel) const { return channel >= 0 && channel < m_channelCount; }
    // Modules 1-6 work on the inputs, 7-12 on the outputs.
    bool isInputSide() const { return m_moduleId <= 6; }
    // The lock-table item of this module on the security messages: module id + 2.
    quint8 securityItem() const { return quint8(m_moduleId + 2); }
    quint32 tickCount() const { return m_tick; }
    // Coming ticks in which this panel only counts (see ModuleClock): none while a send is
    // pending or the edit hold is set, otherwise up to the next tick its poll has work.
    int quietTicks() const;

    // A module message from the processor for this module (class 3, this module id).
    virtual void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) = 0;
    // What the container calls: the history of edits learns the reported values (not while
    // the edit hold keeps an old report from counting), then receive().
    void takeReport(quint8 code, quint8 direction, quint16 length, const uchar *payload);
    // Shows a value that undo or redo sent ([channel][value] as the set carries it) the way
    // a report would, past the edit hold. A panel whose reports differ from its sets in
    // layout overrides it.
    void showRecorded(quint8 code, const QByteArray &setPayload) override;
    // Sends every pending deferred value now (before an undo, a switch of processor).
    void flushDeferredSends() override;
    // The one way a set leaves a panel: through the history (ChangeRecorder::sendSet).
    static void sendSetPayload(quint8 moduleId, quint8 code, const QByteArray &payload,
                               bool blockWide, ChangeRecorder::Origin origin, quint64 gesture = 0);

    // The description of this panel's block.
    const model::Block &block() const { return *m_block; }
    // One field of this block on one channel (-1 for a block-wide field) and band.
    model::FieldRef fieldRef(const model::Message &message, const model::Field &field, int channel,
                             int sub = 0) const
    {
        return {m_block, &message, &field, field.isBlockWide() ? -1 : channel, sub};
    }
    // A report read through the description: the message of code, checked whole (direction,
    // exact length, channel and band, finite floats, known enumeration indexes), or nothing.
    std::optional<model::Report> modelReport(quint8 code, quint8 direction, quint16 length,
                                             const uchar *payload) const;

    // Report checks.
    static bool isReport(quint8 direction, quint16 length, quint16 expected)
    {
        return direction == proto::DirReport && length == expected;
    }
    // The channel of a channel-addressed report, or -1 when direction, length or channel
    // index is wrong.
    int channelReport(quint8 direction, quint16 length, const uchar *payload,
                      quint16 expected) const
    {
        if (!isReport(direction, length, expected) || expected == 0 || !hasChannel(payload[0]))
            return -1;
        return payload[0];
    }
    // The one way a panel takes a float from a report: nothing when it is no finite number,
    // otherwise clamped into what the field holds, [lo, hi].
    static std::optional<float> reportFloat(const uchar *p, float lo, float hi)
    {
        return proto::checkedFloat(proto::bitsFloat(proto::getU32(p)), lo, hi);
    }

    // A typed number: nullopt for text that is not a finite number ("nan", "inf", words),
    // which the panel refuses (previous value shown, nothing sent).
    static std::optional<double> typedNumber(const QString &text) { return ::typedNumber(text); }
    // The validator of the typed gain fields (-70 .. 12 dB, one decimal).
    static QValidator *newGainValidator(QObject *parent);
    static bool reportFlag(uchar byte) { return byte != 0; }

    // Moves a widget from a report or a linked change without emitting its change signals.
    template <typename W, typename Fn> static void quietly(W *widget, Fn &&fn)
    {
        const QSignalBlocker blocker(widget);
        fn();
    }

    // Lock states: 0 Free enables the row background and shows the controls; 1 Read-only
    // disables the background, controls stay visible; anything else hides the controls
    // while the background keeps its place.
    static void applyLockState(QWidget *background, const QList<QWidget *> &controls, uchar state);

    // The link to the processor is gone: every meter of the panel falls to its floor. A panel
    // that keeps meter readings of its own drops them too (and tells whoever it relays them
    // to), so the next report moves everything again. The container greys the values.
    virtual void linkLost();
    // Every QMeterWidget under root to its minimum.
    static void dropMeters(QWidget *root);

public Q_SLOTS:
    // One refresh tick: poll, then deferred sends, then the edit hold.
    void timeOut20ms();

protected:
    // The panel's requests for this tick (the counter has already been incremented).
    virtual void poll(quint32 tick) = 0;

    // The poll has work every n-th tick right now (n > 1); 1 (the default) means possibly
    // every tick, 0 that it polls nothing now (for example while hidden).
    virtual int pollPeriod() const { return 1; }

    bool every(quint32 ticks) const { return m_tick % ticks == 0; }
    // True while the panel itself is on screen (its tab is the current one).
    bool isShown() const { return isVisible(); }

    // Requests (direction 0).
    void sendRequest(quint8 code) const;
    void sendRequest(quint8 code, quint8 channel) const;
    void sendRequest(quint8 code, quint8 channel, quint8 index) const;
    void sendSecurityRequest() const;
    void sendSecurityRequest(quint8 channel) const;

    // Sets (direction 1): [channel][value bytes].
    void sendSet(quint8 code, quint8 channel, const void *value, quint16 length) const;
    void sendSet(quint8 code, quint8 channel, const QByteArray &value) const
    {
        sendSet(code, channel, value.constData(), quint16(value.size()));
    }
    void sendSetFloat(quint8 code, quint8 channel, float value) const;
    void sendSetFlag(quint8 code, quint8 channel, bool value) const;
    void sendSetByte(quint8 code, quint8 channel, quint8 value) const;
    // A set of one field built by the description's writer; stored is the channel's last
    // report where one set carries the whole block (sent back with only this field replaced).
    void sendField(const model::FieldRef &ref, double value, QByteArrayView stored = {}) const;
    // A set with the channel byte only (reset of a channel).
    void sendSetChannel(quint8 code, quint8 channel) const;
    // A set of a field that belongs to the whole block: no channel byte.
    void sendSetGlobal(quint8 code, const void *value, quint16 length) const;
    void sendSetGlobalFloat(quint8 code, float value) const;

    // Deferred sends, processed every tick in the order they were added; each goes out
    // delay ticks after its last restart.
    int addDeferredSend(std::function<void()> send, quint8 delay = kDeferredTicks);
    void restartDeferredSend(int id);
    bool isDeferredPending(int id) const { return m_deferred[size_t(id)].state.pending != 0; }
    // Sends a pending value at once (before the selection it was made for changes).
    void fireDeferredSend(int id);
    bool anyDeferredPending() const;

    // The edit hold: set on every drag movement, cleared 10 ticks after the last one.
    void holdEdits();
    bool editHeld() const { return m_editHold.isSet() && !m_showingRecorded; }

    // "Copy to": opens chooser for channel of this panel; when the user accepts, copyOwn
    // gets the mask of this panel's side, passToSibling the other side's mask (only when it
    // is not 0), then one set [channel][input mask][output mask] with copyCode goes out.
    // Returns false when the dialog was cancelled (nothing happens then).
    bool runCopyTo(QChannelSelect &chooser, uchar channel, quint8 copyCode,
                   const std::function<void(quint8 ownMask)> &copyOwn,
                   const std::function<void(quint8 otherMask)> &passToSibling);

    // "Reset": asks "Clear all setting?"; on "OK" runs restore and sends [channel] with
    // resetCode. Returns false when the user chose "Cancle".
    bool runReset(uchar channel, quint8 resetCode, const std::function<void()> &restore);

private:
    struct Deferred {
        DeferredSend state;
        std::function<void()> send;
    };

    void runDeferred(Deferred &d);
    // The fields of the channels in mask of module join the open group: a copy gives each
    // the value of channel source of sourceModule, a reset (source -1) what the processor
    // makes of it.
    static void groupChannels(quint8 module, quint8 mask, int source, quint8 sourceModule);
    // Reads what the history does not know yet of these channels (module, mask), then runs
    // action; the read-back's progress dialog shows meanwhile.
    void readFirst(const QList<QPair<quint8, quint8>> &moduleMasks, std::function<void()> action);

    quint8 m_moduleId;
    const model::Block *m_block;
    int m_channelCount;
    quint32 m_tick = 0;
    std::vector<Deferred> m_deferred;
    EditHold m_editHold;
    // The drag now under way: its sets are one entry of the history.
    quint64 m_gesture = 0;
    bool m_gestureOpen = false;
    bool m_inDeferredSend = false;
    bool m_showingRecorded = false;
};

// The mirror of a module block: one record per channel, starting at the factory values.
template <typename Record> class ChannelMirror {
public:
    ChannelMirror(int count, const Record &factory)
        : m_factory(factory), m_records(size_t(count), factory)
    {
    }

    int size() const { return int(m_records.size()); }
    bool contains(int channel) const { return channel >= 0 && channel < size(); }
    Record &operator[](int channel) { return m_records[size_t(channel)]; }
    const Record &operator[](int channel) const { return m_records[size_t(channel)]; }
    const Record &factory() const { return m_factory; }
    void reset(int channel) { m_records[size_t(channel)] = m_factory; }

    // Copies record into every channel whose bit is set in mask, then calls
    // copied(channel) for each, in channel order.
    template <typename Fn> void copyToMask(quint8 mask, const Record &record, Fn &&copied)
    {
        for (int ch = 0; ch < size() && ch < 8; ++ch) {
            if (mask & (1u << ch)) {
                m_records[size_t(ch)] = record;
                copied(ch);
            }
        }
    }

private:
    Record m_factory;
    std::vector<Record> m_records;
};
