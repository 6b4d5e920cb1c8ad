#include "modulepanel.h"

#include "moduleclock.h"
#include "pages/channelselect.h"
#include "protocol/transfer.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"
#include "widgets/qmeterwidget.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

QModulePanel::QModulePanel(quint8 moduleId, int channelCount, QWidget *parent)
    : QWidget(parent), m_moduleId(moduleId), m_block(model::blockOf(proto::ClassModule, moduleId)),
      m_channelCount(channelCount)
{
    Q_ASSERT(m_block);
    ModuleClock::instance().add(
        this, [this] { timeOut20ms(); }, [this] { return quietTicks(); });
    ChangeRecorder::instance().addBlock(this);
}

QModulePanel::~QModulePanel()
{
    ChangeRecorder::instance().removeBlock(this);
    ModuleClock::instance().remove(this);
}

void QModulePanel::takeReport(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (direction == proto::DirReport && !editHeld())
        ChangeRecorder::instance().noteReport(m_moduleId, code, payload, length);
    receive(code, direction, length, payload);
}

void QModulePanel::showRecorded(quint8 code, const QByteArray &setPayload)
{
    m_showingRecorded = true;
    receive(code, proto::DirReport, quint16(setPayload.size()),
            reinterpret_cast<const uchar *>(setPayload.constData()));
    m_showingRecorded = false;
}

void QModulePanel::flushDeferredSends()
{
    for (size_t id = 0; id < m_deferred.size(); ++id)
        fireDeferredSend(int(id));
}

void QModulePanel::sendSetPayload(quint8 moduleId, quint8 code, const QByteArray &payload,
                                  bool blockWide, ChangeRecorder::Origin origin, quint64 gesture)
{
    ChangeRecorder::instance().sendSet(moduleId, code, payload, blockWide, origin, gesture);
}

void QModulePanel::applyLockState(QWidget *background, const QList<QWidget *> &controls,
                                  uchar state)
{
    const bool hidden = state > 1;
    if (!hidden && background)
        background->setEnabled(state == 0);
    for (QWidget *w : controls)
        w->setVisible(!hidden);
}

QValidator *QModulePanel::newGainValidator(QObject *parent)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^-(70|[1-6]?\d(\.\d{1})?)|^(12|(1[0-1]?|\d)(\.\d{1})?)$)"));
    return new QRegularExpressionValidator(pattern, parent);
}

void QModulePanel::linkLost()
{
    dropMeters(this);
}

void QModulePanel::dropMeters(QWidget *root)
{
    const auto meters = root->findChildren<QMeterWidget *>();
    for (QMeterWidget *meter : meters)
        meter->setValue(meter->minimum());
}

int QModulePanel::quietTicks() const
{
    if (m_editHold.isSet() || anyDeferredPending())
        return 0;
    // Polls go nowhere without a processor; the clock is woken when one connects.
    if (!proto::Transport::instance().isLinked())
        return ModuleClock::kIdle;
    const int period = pollPeriod();
    if (period <= 0)
        return ModuleClock::kMaxQuietTicks;
    return period - 1 - int(m_tick % quint32(period));
}

void QModulePanel::timeOut20ms()
{
    ++m_tick;
    poll(m_tick);
    for (Deferred &d : m_deferred) {
        if (d.state.tick()) {
            runDeferred(d);
            m_editHold.holdFor(kHoldAfterSendTicks + 1); // this tick's own count comes next
        }
    }
    m_editHold.tick();
    // The drag is over once its hold has ended: the next movement starts another entry.
    if (m_gestureOpen && !m_editHold.isSet() && !anyDeferredPending())
        m_gestureOpen = false;
}

void QModulePanel::runDeferred(Deferred &d)
{
    m_inDeferredSend = true;
    d.send();
    m_inDeferredSend = false;
}

void QModulePanel::sendRequest(quint8 code) const
{
    proto::sendFrame(proto::ClassModule, m_moduleId, code, proto::DirRequest, nullptr, 0);
}

void QModulePanel::sendRequest(quint8 code, quint8 channel) const
{
    proto::sendFrame(proto::ClassModule, m_moduleId, code, proto::DirRequest, &channel, 1);
}

void QModulePanel::sendRequest(quint8 code, quint8 channel, quint8 index) const
{
    const quint8 payload[2] = {channel, index};
    proto::sendFrame(proto::ClassModule, m_moduleId, code, proto::DirRequest, payload, 2);
}

void QModulePanel::sendSecurityRequest() const
{
    proto::sendFrame(proto::ClassSystem, kSecurityFrameType, securityItem(), proto::DirRequest,
                     nullptr, 0);
}

void QModulePanel::sendSecurityRequest(quint8 channel) const
{
    proto::sendFrame(proto::ClassSystem, kSecurityFrameType, securityItem(), proto::DirRequest,
                     &channel, 1);
}

void QModulePanel::sendSet(quint8 code, quint8 channel, const void *value, quint16 length) const
{
    QByteArray payload(1, char(channel));
    if (length > 0)
        payload.append(static_cast<const char *>(value), length);
    sendSetPayload(m_moduleId, code, payload, false,
                   m_inDeferredSend ? ChangeRecorder::Origin::Deferred
                                    : ChangeRecorder::Origin::Discrete,
                   m_gesture);
}

std::optional<model::Report> QModulePanel::modelReport(quint8 code, quint8 direction,
                                                       quint16 length, const uchar *payload) const
{
    const model::Message *message = m_block->findMessage(code);
    if (direction != proto::DirReport || !message)
        return std::nullopt;
    return model::Report::check(*message, payload, length);
}

void QModulePanel::sendField(const model::FieldRef &ref, double value, QByteArrayView stored) const
{
    const QByteArray payload = model::setPayload(ref, value, stored);
    if (payload.isEmpty())
        return;
    sendSetPayload(m_moduleId, ref.setCode(), payload, ref.field->isBlockWide(),
                   m_inDeferredSend ? ChangeRecorder::Origin::Deferred
                                    : ChangeRecorder::Origin::Discrete,
                   m_gesture);
}

void QModulePanel::sendSetFloat(quint8 code, quint8 channel, float value) const
{
    uchar bytes[4];
    proto::putU32(bytes, proto::floatBits(value));
    sendSet(code, channel, bytes, 4);
}

void QModulePanel::sendSetFlag(quint8 code, quint8 channel, bool value) const
{
    sendSetByte(code, channel, value ? 1 : 0);
}

void QModulePanel::sendSetByte(quint8 code, quint8 channel, quint8 value) const
{
    sendSet(code, channel, &value, 1);
}

void QModulePanel::sendSetChannel(quint8 code, quint8 channel) const
{
    sendSet(code, channel, nullptr, 0);
}

void QModulePanel::sendSetGlobal(quint8 code, const void *value, quint16 length) const
{
    sendSetPayload(m_moduleId, code, QByteArray(static_cast<const char *>(value), length), true,
                   m_inDeferredSend ? ChangeRecorder::Origin::Deferred
                                    : ChangeRecorder::Origin::Discrete,
                   m_gesture);
}

void QModulePanel::sendSetGlobalFloat(quint8 code, float value) const
{
    uchar bytes[4];
    proto::putU32(bytes, proto::floatBits(value));
    sendSetGlobal(code, bytes, 4);
}

int QModulePanel::addDeferredSend(std::function<void()> send, quint8 delay)
{
    DeferredSend state;
    state.delay = delay;
    m_deferred.push_back({state, std::move(send)});
    return int(m_deferred.size()) - 1;
}

void QModulePanel::restartDeferredSend(int id)
{
    if (!m_gestureOpen) {
        m_gesture = ChangeRecorder::instance().newGesture();
        m_gestureOpen = true;
    }
    m_deferred[size_t(id)].state.restart();
}

void QModulePanel::fireDeferredSend(int id)
{
    Deferred &d = m_deferred[size_t(id)];
    if (!d.state.pending)
        return;
    d.state.pending = 0;
    d.state.age = 0;
    runDeferred(d);
    m_editHold.holdFor(kHoldAfterSendTicks);
}

bool QModulePanel::anyDeferredPending() const
{
    return std::any_of(m_deferred.begin(), m_deferred.end(),
                       [](const Deferred &d) { return d.state.pending != 0; });
}

void QModulePanel::holdEdits()
{
    m_editHold.set();
}

bool QModulePanel::runCopyTo(QChannelSelect &chooser, uchar channel, quint8 copyCode,
                             const std::function<void(quint8)> &copyOwn,
                             const std::function<void(quint8)> &passToSibling)
{
    const int source = isInputSide() ? channel : channel + kInputChannels;
    if (!chooser.selectChannels(source))
        return false;
    const quint8 inMask = chooser.inputMask();
    const quint8 outMask = chooser.outputMask();
    const quint8 ownMask = isInputSide() ? inMask : outMask;
    const quint8 otherMask = isInputSide() ? outMask : inMask;
    const auto sibling = quint8(isInputSide() ? m_moduleId + 6 : m_moduleId - 6);
    auto copy = [this, channel, copyCode, copyOwn, passToSibling, inMask, outMask, ownMask,
                 otherMask, sibling] {
        QStringList targets;
        for (int ch = 0; ch < kOutputChannels; ++ch) {
            if (inMask & (1u << ch))
                targets.append(QStringLiteral("I%1").arg(ch + 1));
        }
        for (int ch = 0; ch < kOutputChannels; ++ch) {
            if (outMask & (1u << ch))
                targets.append(QStringLiteral("O%1").arg(ch + 1));
        }
        const setfields::Key from{m_moduleId, 0, 1, {channel, 0}};
        const ChangeRecorder::Group group(tr("%1 %2 copied to %3")
                                              .arg(setfields::blockName(m_moduleId),
                                                   setfields::channelText(from),
                                                   targets.join(QLatin1Char(' '))));
        groupChannels(m_moduleId, ownMask, channel, m_moduleId);
        groupChannels(sibling, otherMask, channel, m_moduleId);
        if (copyOwn)
            copyOwn(ownMask);
        if (otherMask != 0 && passToSibling)
            passToSibling(otherMask);
        const quint8 masks[2] = {inMask, outMask};
        sendSet(copyCode, channel, masks, 2);
    };
    readFirst({{m_moduleId, quint8(ownMask | (1u << channel))}, {sibling, otherMask}},
              std::move(copy));
    return true;
}

bool QModulePanel::runReset(uchar channel, quint8 resetCode, const std::function<void()> &restore)
{
    QMessageBox box(QMessageBox::Warning, tr("warning"), tr("Clear all setting?"),
                    QMessageBox::NoButton, this);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancle"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() != ok)
        return false;
    auto reset = [this, channel, resetCode, restore] {
        const setfields::Key at{m_moduleId, 0, 1, {channel, 0}};
        const ChangeRecorder::Group group(
            tr("%1 %2 reset").arg(setfields::blockName(m_moduleId), setfields::channelText(at)));
        groupChannels(m_moduleId, quint8(1u << channel), -1, m_moduleId);
        if (restore)
            restore();
        sendSetChannel(resetCode, channel);
    };
    readFirst({{m_moduleId, quint8(1u << channel)}}, std::move(reset));
    return true;
}

void QModulePanel::groupChannels(quint8 module, quint8 mask, int source, quint8 sourceModule)
{
    ChangeRecorder &recorder = ChangeRecorder::instance();
    for (int ch = 0; ch < kOutputChannels; ++ch) {
        if (!(mask & (1u << ch)) || (ch == source && module == sourceModule))
            continue;
        for (const setfields::Key &key : setfields::channelFields(module, ch)) {
            QByteArray after;
            if (source >= 0) {
                setfields::Key from = key.withChannel(quint8(source));
                from.module = sourceModule;
                after = recorder.known(from);
            }
            recorder.groupChanges(key, after);
        }
    }
}

void QModulePanel::readFirst(const QList<QPair<quint8, quint8>> &moduleMasks,
                             std::function<void()> action)
{
    ChangeRecorder &recorder = ChangeRecorder::instance();
    QList<proto::TransferMessage> requests;
    for (const auto &[module, mask] : moduleMasks) {
        for (int ch = 0; ch < kOutputChannels; ++ch) {
            if (!(mask & (1u << ch)))
                continue;
            for (const setfields::Key &key : setfields::channelFields(module, ch)) {
                if (recorder.known(key).isEmpty()) {
                    requests.append({proto::ClassModule, module, key.code, proto::DirRequest,
                                     setfields::requestPayload(key)});
                }
            }
        }
    }
    if (requests.isEmpty() || !recorder.isRecording()) {
        action();
        return;
    }
    // Undo restores these channels: what the panels never polled is read before it changes.
    QPointer<QModulePanel> self(this);
    const bool started = proto::Transfer::instance().start(
        std::make_unique<proto::ReadBack>(requests), tr("Reading the processor..."),
        [self, action](proto::TransferError error, const QByteArray &) {
            if (!self || error == proto::TransferError::Cancelled)
                return;
            if (error == proto::TransferError::None) {
                action();
                return;
            }
            prompts::notify(self, QMessageBox::Warning, tr("warning"),
                            tr("The processor did not report the values this would change; "
                               "nothing was changed."));
        });
    if (!started) {
        prompts::notify(this, QMessageBox::Warning, tr("warning"),
                        tr("Another transfer is running; nothing was changed."));
    }
}
