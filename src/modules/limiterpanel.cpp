#include "modules/limiterpanel.h"

#include "pages/channelselect.h"
#include "widgets/knob.h"
#include "widgets/qmeterwidget.h"
#include "widgets/qtlimitctrl.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Knob position of a threshold, in tenths of a dB (kept in float: no overflow).
float thresholdKnobValue(float threshold)
{
    return std::round(threshold * 10.0f);
}

// Whole-number knob values are cut toward zero and kept within the range.
int knobWhole(float value, int minimum, int maximum)
{
    if (!std::isfinite(value))
        return minimum;
    return int(std::clamp(std::trunc(value), float(minimum), float(maximum)));
}

} // namespace

QLimiterPanel::QLimiterPanel(const Side &side, QWidget *parent)
    : QModulePanel(side.moduleId, side.channels, parent), m_side(side),
      m_mirror(side.channels, LimiterParams{})
{
    setObjectName(QLatin1String(side.objectName));
    // Processed every tick in this order: threshold, ratio, attack, decay.
    for (int &id : m_send)
        id = addDeferredSend([this] { sendBlock(); }, kSendTicks);
    buildUi();
    connectWidgets();
    showChannel();
}

QLimiterPanel::~QLimiterPanel()
{
    // The base hides the children after this part is gone; an edit losing focus then would
    // still call a slot here.
    for (const Param *p : {&m_w.thresh, &m_w.ratio, &m_w.attack, &m_w.decay})
        disconnect(p->edit, nullptr, this, nullptr);
}

QInLimiter::QInLimiter(QWidget *parent)
    : QLimiterPanel({5, kInputChannels, QT_TRANSLATE_NOOP("QLimiterPanel", "Input Channel"), "I",
                     "inLimiterWidget"},
                    parent)
{
}

QOutLimiter::QOutLimiter(QWidget *parent)
    : QLimiterPanel({11, kOutputChannels, QT_TRANSLATE_NOOP("QLimiterPanel", "Output Channel"), "O",
                     "outLimiterWidget"},
                    parent)
{
}

// ---- reports and polling -------------------------------------------------------------------

void QLimiterPanel::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (code == CodeMeter) {
        if (!isReport(direction, length, quint16(2 * channelCount())))
            return;
        for (int ch = 0; ch < channelCount(); ++ch) {
            const int in = qint8(payload[2 * ch]);
            const int out = qint8(payload[2 * ch + 1]);
            const int reduction = in - out;
            if (ch == m_channel && isShown()) {
                showMeter(m_w.input, m_shownIn, in);
                showMeter(m_w.output, m_shownOut, out);
                // Shown as a signed byte: held at its ends, never wrapped.
                showMeter(m_w.reduction, m_shownReduction, std::clamp(reduction, -128, 127));
            }
            emit sigMeter(uchar(ch), reduction);
        }
        return;
    }
    if (editHeld() || code != CodeBlock)
        return;
    const int ch = channelReport(direction, length, payload, limiter::kBlockLength);
    if (ch < 0)
        return;
    if (const auto record = limiter::decodeBlock(payload))
        setRecord(ch, *record);
}

void QLimiterPanel::poll(quint32 tick)
{
    if (tick % 5 == 0)
        sendRequest(CodeMeter);
    if (tick % 10 == 0 && isShown()) {
        sendSecurityRequest();
        for (int ch = 0; ch < channelCount(); ++ch)
            sendRequest(CodeBlock, quint8(ch));
    }
}

// ---- mirror and displays -------------------------------------------------------------------

void QLimiterPanel::setRecord(int channel, const LimiterParams &next)
{
    if (!m_mirror.contains(channel))
        return;
    const LimiterParams prev = m_mirror[channel];
    m_mirror[channel] = next;
    if (channel != m_channel)
        return;
    if (prev.enable != next.enable)
        showField(Enable);
    if (prev.threshold != next.threshold)
        showField(Threshold);
    if (prev.ratio != next.ratio)
        showField(Ratio);
    if (prev.attack != next.attack)
        showField(Attack);
    if (prev.decay != next.decay)
        showField(Decay);
}

void QLimiterPanel::showField(Field field)
{
    const LimiterParams r = m_mirror[m_channel];
    auto whole = [](const Param &p, int v) {
        quietly(p.knob, [&] { p.knob->setValue(float(v)); });
        quietly(p.edit, [&] { p.edit->setText(QString::asprintf("%d", v)); });
    };
    switch (field) {
    case Enable:
        if (m_w.enable->isChecked() != (r.enable != 0))
            quietly(m_w.enable, [&] { m_w.enable->setChecked(r.enable != 0); });
        m_w.curve->setBypass(r.enable == 0);
        break;
    case Threshold:
        quietly(m_w.thresh.knob,
                [&] { m_w.thresh.knob->setValue(thresholdKnobValue(r.threshold)); });
        quietly(m_w.thresh.edit,
                [&] { m_w.thresh.edit->setText(QString::asprintf("%0.1f", double(r.threshold))); });
        m_w.curve->setThreshold(r.threshold);
        break;
    case Ratio:
        whole(m_w.ratio, r.ratio);
        m_w.curve->setRatio(r.ratio);
        break;
    case Attack:
        whole(m_w.attack, r.attack);
        break;
    case Decay:
        whole(m_w.decay, r.decay);
        break;
    }
}

void QLimiterPanel::showChannel()
{
    for (Field f : {Enable, Threshold, Ratio, Attack, Decay})
        showField(f);
}

void QLimiterPanel::showMeter(Meter &m, int &shown, int value)
{
    value = std::max(value, kMeterFloor);
    if (value == shown)
        return;
    shown = value;
    m.meter->setValue(value);
    m.value->setText(QString::asprintf("%ddBu", value));
}

// ---- selection and lock states ---------------------------------------------------------------

void QLimiterPanel::selectChannel(int channel)
{
    if (!m_mirror.contains(channel))
        return;
    if (channel != m_channel)
        flushSends();
    // The buttons follow a selection made through the container as well.
    QPushButton *was = m_w.channels[size_t(m_channel)];
    QPushButton *now = m_w.channels[size_t(channel)];
    quietly(was, [&] { was->setChecked(false); });
    quietly(now, [&] { now->setChecked(true); });
    m_channel = channel;
    showChannel();
    applyLock();
}

void QLimiterPanel::channelChanged(int channel)
{
    selectChannel(channel);
}

void QLimiterPanel::setSecurityState(uchar channel, uchar state)
{
    if (channel >= channelCount())
        return;
    m_locks[channel] = state;
    if (channel == m_channel)
        applyLock();
}

void QLimiterPanel::applyLock()
{
    const uchar state = m_locks[size_t(m_channel)];
    const Widgets &w = m_w;
    QList<QWidget *> controls{w.enable, w.curve};
    for (const Meter *m : {&w.input, &w.output, &w.reduction})
        controls << m->value << m->meter << m->caption;
    for (const Param *p : {&w.thresh, &w.ratio, &w.attack, &w.decay})
        controls << p->caption << p->edit << p->knob;
    applyLockState(w.chart, controls, state);
    applyLockState(w.cfg, {}, state);
}

// ---- user edits ------------------------------------------------------------------------------

void QLimiterPanel::enableClicked(bool checked)
{
    LimiterParams r = m_mirror[m_channel];
    r.enable = checked ? 1 : 0;
    setRecord(m_channel, r);
    sendBlock();
}

void QLimiterPanel::knobEdit(Field field, int sendId, const LimiterParams &next)
{
    setRecord(m_channel, next);
    if (field == Threshold)
        showField(Threshold); // the text shows the rounded value even when it did not change
    restartDeferredSend(sendId);
    holdEdits();
}

void QLimiterPanel::ThreshChanged(float value)
{
    LimiterParams r = m_mirror[m_channel];
    const float tenths = std::isfinite(value) ? std::round(value) : 0.0f;
    r.threshold = std::clamp(tenths / 10.0f, limiter::kMinThreshold, limiter::kMaxThreshold);
    knobEdit(Threshold, m_send[0], r);
}

void QLimiterPanel::RatioChanged(float value)
{
    LimiterParams r = m_mirror[m_channel];
    r.ratio = quint8(knobWhole(value, limiter::kMinRatio, limiter::kMaxRatio));
    knobEdit(Ratio, m_send[1], r);
}

void QLimiterPanel::AttackChanged(float value)
{
    LimiterParams r = m_mirror[m_channel];
    r.attack = quint16(knobWhole(value, limiter::kMinTime, limiter::kMaxTime));
    knobEdit(Attack, m_send[2], r);
}

void QLimiterPanel::DecayChanged(float value)
{
    LimiterParams r = m_mirror[m_channel];
    r.decay = quint16(knobWhole(value, limiter::kMinTime, limiter::kMaxTime));
    knobEdit(Decay, m_send[3], r);
}

void QLimiterPanel::typedEdit(Field field, const std::optional<LimiterParams> &next)
{
    if (next)
        setRecord(m_channel, *next);
    showField(field); // the clamped value, or the previous one for refused text
    if (next)
        sendBlock();
}

void QLimiterPanel::ThreshEditingFinished()
{
    // Goes out as typed within the range; the field shows it to 0.1 dB.
    std::optional<LimiterParams> next;
    if (const auto v = typedNumber(m_w.thresh.edit->text())) {
        next = m_mirror[m_channel];
        next->threshold =
            float(std::clamp(*v, double(limiter::kMinThreshold), double(limiter::kMaxThreshold)));
    }
    typedEdit(Threshold, next);
}

void QLimiterPanel::RatioEditingFinished()
{
    std::optional<LimiterParams> next;
    if (const auto v =
            limiter::parseWhole(m_w.ratio.edit->text(), limiter::kMinRatio, limiter::kMaxRatio)) {
        next = m_mirror[m_channel];
        next->ratio = quint8(*v);
    }
    typedEdit(Ratio, next);
}

void QLimiterPanel::AttackEditingFinished()
{
    std::optional<LimiterParams> next;
    if (const auto v =
            limiter::parseWhole(m_w.attack.edit->text(), limiter::kMinTime, limiter::kMaxTime)) {
        next = m_mirror[m_channel];
        next->attack = quint16(*v);
    }
    typedEdit(Attack, next);
}

void QLimiterPanel::DecayEditingFinished()
{
    std::optional<LimiterParams> next;
    if (const auto v =
            limiter::parseWhole(m_w.decay.edit->text(), limiter::kMinTime, limiter::kMaxTime)) {
        next = m_mirror[m_channel];
        next->decay = quint16(*v);
    }
    typedEdit(Decay, next);
}

// ---- sends, copy and reset -------------------------------------------------------------------

void QLimiterPanel::flushSends()
{
    for (int id : m_send)
        fireDeferredSend(id);
}

void QLimiterPanel::sendBlock() const
{
    uchar block[limiter::kBlockLength];
    limiter::encodeBlock(quint8(m_channel), m_mirror[m_channel], block);
    sendSet(CodeBlock, block[0], block + 1, limiter::kBlockLength - 1);
}

void QLimiterPanel::CopyToClicked()
{
    flushSends(); // the processor copies what the panel shows
    const int source = m_channel;
    runCopyTo(
        *m_chooser, uchar(source), CodeCopy,
        [this, source](quint8 ownMask) {
            LimiterParams record = m_mirror[source];
            channelCopy(ownMask, reinterpret_cast<char *>(&record));
        },
        [this, source](quint8 otherMask) {
            LimiterParams record = m_mirror[source];
            emitSiblingCopy(otherMask, reinterpret_cast<char *>(&record));
        });
}

void QLimiterPanel::channelCopy(uchar select, char *args)
{
    if (!args)
        return;
    LimiterParams record;
    std::memcpy(&record, args, sizeof record);
    for (int ch = 0; ch < channelCount(); ++ch) {
        if (select & (1u << ch))
            setRecord(ch, record);
    }
}

void QLimiterPanel::ResetClicked()
{
    flushSends();
    const int ch = m_channel;
    runReset(uchar(ch), CodeReset, [this, ch] { setRecord(ch, m_mirror.factory()); });
}
