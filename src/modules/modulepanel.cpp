#include "modulepanel.h"

#include "moduleclock.h"
#include "pages/channelselect.h"
#include "protocol/transport.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

QModulePanel::QModulePanel(quint8 moduleId, int channelCount, QWidget *parent)
    : QWidget(parent), m_moduleId(moduleId), m_channelCount(channelCount)
{
    ModuleClock::instance().add(
        this, [this] { timeOut20ms(); }, [this] { return quietTicks(); });
}

QModulePanel::~QModulePanel()
{
    ModuleClock::instance().remove(this);
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
            d.send();
            m_editHold.holdFor(kHoldAfterSendTicks + 1); // this tick's own count comes next
        }
    }
    m_editHold.tick();
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
    proto::sendSetMessage(m_moduleId, code, channel, value, length);
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
    proto::sendFrame(proto::ClassModule, m_moduleId, code, proto::DirSet, value, length);
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
    m_deferred[size_t(id)].state.restart();
}

void QModulePanel::fireDeferredSend(int id)
{
    Deferred &d = m_deferred[size_t(id)];
    if (!d.state.pending)
        return;
    d.state.pending = 0;
    d.state.age = 0;
    d.send();
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
    if (copyOwn)
        copyOwn(ownMask);
    if (otherMask != 0 && passToSibling)
        passToSibling(otherMask);
    const quint8 masks[2] = {inMask, outMask};
    sendSet(copyCode, channel, masks, 2);
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
    if (restore)
        restore();
    sendSetChannel(resetCode, channel);
    return true;
}
