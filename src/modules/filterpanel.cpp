#include "modules/filterpanel.h"

#include "modules/filtergraph.h"
#include "pages/channelselect.h"
#include "protocol/payload.h"
#include "widgets/knob.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fs = filterstate;

namespace {

constexpr quint16 kPassReportLength = 8; // channel, enable, type, slope, frequency
constexpr quint16 kBandReportLength = 13; // channel, band, enable, type, freq, gain, Q
// Shelves are drawn with a fixed Q; the band's Q index still travels and is shown.
constexpr float kShelfGraphQ = 0.67f;

// Frequencies travel as float32 but are kept in whole hertz, cut toward zero.
int truncatedFreq(float f)
{
    return std::clamp(proto::saturatingInt(f), fs::kMinFreq, fs::kMaxFreq);
}

// Gain knob position in tenths of a dB, halves upward.
float gainKnobValue(float gain)
{
    return std::floor(gain * 10.0f + 0.5f);
}

} // namespace

QFilterPanel::QFilterPanel(const Side &side, QWidget *parent)
    : QModulePanel(side.moduleId, side.channels, parent), m_side(side),
      m_mirror(side.channels, FilterChannelState::factory())
{
    setObjectName(QLatin1String(side.objectName));
    // Processed every tick in this order: high-pass, low-pass, band frequency, gain, Q.
    m_hpFreqSend = addDeferredSend([this] { sendPass(true); });
    m_lpFreqSend = addDeferredSend([this] { sendPass(false); });
    m_bandFreqSend = addDeferredSend([this] { sendBand(); });
    m_bandGainSend = addDeferredSend([this] { sendBand(); });
    m_bandQSend = addDeferredSend([this] { sendBand(); });
    buildUi();
    connectWidgets();
    showChannel();
}

QInFilter::QInFilter(QWidget *parent)
    : QFilterPanel({4, kInputChannels, QT_TRANSLATE_NOOP("QFilterPanel", "Input Channel"), "I",
                    "inFilterWidget"},
                   parent)
{
}

QOutFilter::QOutFilter(QWidget *parent)
    : QFilterPanel({10, kOutputChannels, QT_TRANSLATE_NOOP("QFilterPanel", "Output Channel"),
                    "O", "outFilterWidget"},
                   parent)
{
}

// ---- reports and polling -------------------------------------------------------------------

void QFilterPanel::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (editHeld())
        return;
    if (code == CodeHighPass || code == CodeLowPass) {
        const int ch = channelReport(direction, length, payload, kPassReportLength);
        // Codes outside the option lists or a frequency that is no number are not stored.
        if (ch < 0 || payload[2] >= fs::kPassTypes || payload[3] >= fs::kSlopes)
            return;
        const auto freq = reportFloat(payload + 4, float(fs::kMinFreq), float(fs::kMaxFreq));
        if (!freq)
            return;
        setPass(ch, code == CodeHighPass, reportFlag(payload[1]), payload[2], payload[3],
                truncatedFreq(*freq));
    } else if (code == CodeBand) {
        const int ch = channelReport(direction, length, payload, kBandReportLength);
        if (ch < 0 || payload[1] >= kBands)
            return;
        const auto freq = reportFloat(payload + 4, float(fs::kMinFreq), float(fs::kMaxFreq));
        const auto gain = reportFloat(payload + 8, fs::kMinGain, fs::kMaxGain);
        if (payload[3] >= fs::kBandTypes || payload[12] >= fs::kQSteps || !freq || !gain)
            return;
        setBand(ch, payload[1], reportFlag(payload[2]), payload[3], truncatedFreq(*freq), *gain,
                payload[12]);
    }
}

void QFilterPanel::poll(quint32 tick)
{
    if (tick % 2 != 0 || !isShown())
        return;
    m_pollChannel = (m_pollChannel + 1) % channelCount();
    const auto ch = quint8(m_pollChannel);
    sendSecurityRequest(ch);
    sendRequest(CodeHighPass, ch);
    sendRequest(CodeLowPass, ch);
    for (int b = 0; b < kBands; ++b)
        sendRequest(CodeBand, ch, quint8(b));
}

// ---- setters --------------------------------------------------------------------------------

void QFilterPanel::setPass(int channel, bool high, quint8 enable, quint8 type, quint8 slope,
                           int freq)
{
    if (!m_mirror.contains(channel))
        return;
    FilterChannelState &s = m_mirror[channel];
    if (high) {
        if (s.hpEnable == enable && s.hpType == type && s.hpSlope == slope && s.hpFreq == freq)
            return;
        s.hpEnable = enable;
        s.hpType = type;
        s.hpSlope = slope;
        s.hpFreq = quint16(freq);
    } else {
        if (s.lpEnable == enable && s.lpType == type && s.lpSlope == slope && s.lpFreq == freq)
            return;
        s.lpEnable = enable;
        s.lpType = type;
        s.lpSlope = slope;
        s.lpFreq = quint16(freq);
    }
    if (channel == m_channel) {
        showPass(high);
        pushPassToGraph(high);
    }
}

void QFilterPanel::setBand(int channel, int band, quint8 enable, quint8 type, int freq,
                           float gain, quint8 q)
{
    if (!m_mirror.contains(channel) || band < 0 || band >= kBands)
        return;
    FilterChannelState &s = m_mirror[channel];
    if (s.bandEnable[band] == enable && s.bandType[band] == type && s.bandFreq[band] == freq &&
        s.bandGain[band] == gain && s.bandQ[band] == q)
        return;
    s.bandEnable[band] = enable;
    s.bandType[band] = type;
    s.bandFreq[band] = quint16(freq);
    s.bandGain[band] = gain;
    s.bandQ[band] = q;
    if (channel == m_channel) {
        pushBandToGraph(band);
        if (band == m_band)
            showBand();
    }
}

// ---- showing --------------------------------------------------------------------------------

void QFilterPanel::showChannel()
{
    showPass(true);
    showPass(false);
    showBand();
    pushPassToGraph(true);
    pushPassToGraph(false);
    for (int b = 0; b < kBands; ++b)
        pushBandToGraph(b);
}

void QFilterPanel::showPass(bool high)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const PassWidgets &w = high ? m_hpw : m_lpw;
    const int freq = high ? s.hpFreq : s.lpFreq;
    quietly(w.enable, [&] { w.enable->setChecked((high ? s.hpEnable : s.lpEnable) != 0); });
    quietly(w.freqKnob, [&] { w.freqKnob->setValue(float(freq)); });
    quietly(w.freqEdit, [&] { w.freqEdit->setText(QString::asprintf("%d", freq)); });
    quietly(w.slope, [&] { w.slope->setCurrentIndex(high ? s.hpSlope : s.lpSlope); });
    quietly(w.type, [&] { w.type->setCurrentIndex(high ? s.hpType : s.lpType); });
}

void QFilterPanel::showBand()
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    quietly(m_bw.enable, [&] { m_bw.enable->setChecked(s.bandEnable[b] != 0); });
    quietly(m_bw.qKnob, [&] { m_bw.qKnob->setValue(float(s.bandQ[b])); });
    quietly(m_bw.qEdit,
            [&] { m_bw.qEdit->setText(QString::asprintf("%0.2f", fs::qValue(s.bandQ[b]))); });
    quietly(m_bw.type, [&] { m_bw.type->setCurrentIndex(s.bandType[b]); });
    quietly(m_bw.freqKnob, [&] { m_bw.freqKnob->setValue(float(s.bandFreq[b])); });
    quietly(m_bw.freqEdit,
            [&] { m_bw.freqEdit->setText(QString::asprintf("%d", int(s.bandFreq[b]))); });
    quietly(m_bw.gainKnob, [&] { m_bw.gainKnob->setValue(gainKnobValue(s.bandGain[b])); });
    quietly(m_bw.gainEdit,
            [&] { m_bw.gainEdit->setText(QString::asprintf("%0.1f", double(s.bandGain[b]))); });
}

void QFilterPanel::pushPassToGraph(bool high)
{
    const FilterChannelState &s = m_mirror[m_channel];
    if (high)
        m_graph->setHighPass(s.hpEnable ? 0 : 1, s.hpType, s.hpSlope, float(s.hpFreq));
    else
        m_graph->setLowPass(s.lpEnable ? 0 : 1, s.lpType, s.lpSlope, float(s.lpFreq));
}

void QFilterPanel::pushBandToGraph(int band)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const quint8 type = s.bandType[band];
    const float q = type == fs::LowShelf || type == fs::HighShelf ? kShelfGraphQ
                                                                   : fs::qValue(s.bandQ[band]);
    m_graph->setBand(band, s.bandEnable[band] ? 0 : 1, type, float(s.bandFreq[band]),
                     s.bandGain[band], q);
}

// ---- selection ------------------------------------------------------------------------------

void QFilterPanel::selectChannel(int channel)
{
    if (!m_mirror.contains(channel))
        return;
    if (channel != m_channel)
        flushAllSends();
    // The buttons follow a selection made through the container as well.
    quietly(m_channelButtons[size_t(m_channel)],
            [&] { m_channelButtons[size_t(m_channel)]->setChecked(false); });
    quietly(m_channelButtons[size_t(channel)],
            [&] { m_channelButtons[size_t(channel)]->setChecked(true); });
    m_channel = channel;
    showChannel();
    setFilterGraphSecurityState(uchar(channel));
    setHPFilterSecurityState(uchar(channel));
    setLPFilterSecurityState(uchar(channel));
    setFilterBandSecurityState(uchar(channel), uchar(m_band));
}

void QFilterPanel::channelChanged(int channel)
{
    selectChannel(channel);
}

void QFilterPanel::bandBtnClicked(int band)
{
    selectBand(band);
}

void QFilterPanel::selectBand(int band)
{
    if (band < 0 || band >= kBands)
        return;
    if (band != m_band)
        flushBandSends();
    QPushButton *shown = m_bandButtons[size_t(m_band)];
    quietly(shown, [&] { shown->setChecked(false); });
    quietly(m_bandButtons[size_t(band)], [&] { m_bandButtons[size_t(band)]->setChecked(true); });
    m_band = band;
    showBand();
    setFilterBandSecurityState(uchar(m_channel), uchar(band));
}

// ---- user actions: high-pass and low-pass ---------------------------------------------------

void QFilterPanel::HPassEnableClicked(bool checked)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, true, checked ? 1 : 0, s.hpType, s.hpSlope, s.hpFreq);
    sendPass(true);
}

void QFilterPanel::HPassTypeChanged(int index)
{
    const FilterChannelState &s = m_mirror[m_channel];
    if (index < 0 || index >= fs::kPassTypes)
        return;
    setPass(m_channel, true, s.hpEnable, quint8(index), s.hpSlope, s.hpFreq);
    sendPass(true);
}

void QFilterPanel::HPassSlopeChanged(int index)
{
    const FilterChannelState &s = m_mirror[m_channel];
    if (index < 0 || index >= fs::kSlopes)
        return;
    setPass(m_channel, true, s.hpEnable, s.hpType, quint8(index), s.hpFreq);
    sendPass(true);
}

void QFilterPanel::HPassFreqEditingFinished()
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int freq = std::clamp(m_hpw.freqEdit->text().toInt(nullptr, 10), fs::kMinFreq,
                                fs::kMaxFreq);
    setPass(m_channel, true, s.hpEnable, s.hpType, s.hpSlope, freq);
    showPass(true); // the text shows the clamped value even when nothing changed
    sendPass(true);
}

void QFilterPanel::HPassFreqChanged(float value)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, true, s.hpEnable, s.hpType, s.hpSlope, truncatedFreq(value));
    holdEdits();
    restartDeferredSend(m_hpFreqSend);
}

void QFilterPanel::LPassEnableClicked(bool checked)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, false, checked ? 1 : 0, s.lpType, s.lpSlope, s.lpFreq);
    sendPass(false);
}

void QFilterPanel::LPassTypeChanged(int index)
{
    const FilterChannelState &s = m_mirror[m_channel];
    if (index < 0 || index >= fs::kPassTypes)
        return;
    setPass(m_channel, false, s.lpEnable, quint8(index), s.lpSlope, s.lpFreq);
    sendPass(false);
}

void QFilterPanel::LPassSlopeChanged(int index)
{
    const FilterChannelState &s = m_mirror[m_channel];
    if (index < 0 || index >= fs::kSlopes)
        return;
    setPass(m_channel, false, s.lpEnable, s.lpType, quint8(index), s.lpFreq);
    sendPass(false);
}

void QFilterPanel::LPassFreqEditingFinished()
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int freq = std::clamp(m_lpw.freqEdit->text().toInt(nullptr, 10), fs::kMinFreq,
                                fs::kMaxFreq);
    setPass(m_channel, false, s.lpEnable, s.lpType, s.lpSlope, freq);
    showPass(false);
    sendPass(false);
}

void QFilterPanel::LPassFreqChanged(float value)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, false, s.lpEnable, s.lpType, s.lpSlope, truncatedFreq(value));
    holdEdits();
    restartDeferredSend(m_lpFreqSend);
}

void QFilterPanel::HPFilterGraphChanged(float freq)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, true, s.hpEnable, s.hpType, s.hpSlope, truncatedFreq(freq));
    pushPassToGraph(true); // the handle sits on the stored whole hertz
    holdEdits();
    restartDeferredSend(m_hpFreqSend);
}

void QFilterPanel::LPFilterGraphChanged(float freq)
{
    const FilterChannelState &s = m_mirror[m_channel];
    setPass(m_channel, false, s.lpEnable, s.lpType, s.lpSlope, truncatedFreq(freq));
    pushPassToGraph(false);
    holdEdits();
    restartDeferredSend(m_lpFreqSend);
}

// ---- user actions: the selected band --------------------------------------------------------

void QFilterPanel::PEQEnableClicked(bool checked)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    setBand(m_channel, b, checked ? 1 : 0, s.bandType[b], s.bandFreq[b], s.bandGain[b],
            s.bandQ[b]);
    sendBand();
}

void QFilterPanel::PEQTypeChanged(int index)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    if (index < 0 || index >= fs::kBandTypes)
        return;
    setBand(m_channel, b, s.bandEnable[b], quint8(index), s.bandFreq[b], s.bandGain[b],
            s.bandQ[b]);
    sendBand();
}

void QFilterPanel::PEQFreqEditingFinished()
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    const int freq = std::clamp(m_bw.freqEdit->text().toInt(nullptr, 10), fs::kMinFreq,
                                fs::kMaxFreq);
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], freq, s.bandGain[b], s.bandQ[b]);
    showBand();
    sendBand();
}

void QFilterPanel::PEQGainEditingFinished()
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    bool ok = false;
    float gain = m_bw.gainEdit->text().toFloat(&ok);
    if (!ok || !std::isfinite(gain))
        gain = s.bandGain[b];
    gain = std::clamp(gain, fs::kMinGain, fs::kMaxGain);
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], s.bandFreq[b], gain, s.bandQ[b]);
    showBand();
    sendBand();
}

void QFilterPanel::PEQFreqChanged(float value)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], truncatedFreq(value), s.bandGain[b],
            s.bandQ[b]);
    holdEdits();
    restartDeferredSend(m_bandFreqSend);
}

void QFilterPanel::PEQGainChanged(float value)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    const float gain = std::clamp(value / 10.0f, fs::kMinGain, fs::kMaxGain);
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], s.bandFreq[b], gain, s.bandQ[b]);
    holdEdits();
    restartDeferredSend(m_bandGainSend);
}

void QFilterPanel::PEQQChanged(float value)
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    const auto q = quint8(std::clamp(int(value), 0, fs::kQSteps - 1));
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], s.bandFreq[b], s.bandGain[b], q);
    holdEdits();
    restartDeferredSend(m_bandQSend);
}

void QFilterPanel::peqGraphChanged(uchar band, float freq, float gain)
{
    if (band >= kBands)
        return;
    if (band != m_band) {
        // The first movement of another band's handle only selects that band; its handle
        // goes back to the stored values, and the next movement edits it.
        selectBand(band);
        pushBandToGraph(band);
        return;
    }
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    setBand(m_channel, b, s.bandEnable[b], s.bandType[b], truncatedFreq(freq),
            std::clamp(gain, fs::kMinGain, fs::kMaxGain), s.bandQ[b]);
    pushBandToGraph(b);
    holdEdits();
    restartDeferredSend(m_bandGainSend);
    restartDeferredSend(m_bandFreqSend);
}

// ---- sends ----------------------------------------------------------------------------------

void QFilterPanel::flushBandSends()
{
    fireDeferredSend(m_bandFreqSend);
    fireDeferredSend(m_bandGainSend);
    fireDeferredSend(m_bandQSend);
}

void QFilterPanel::flushAllSends()
{
    fireDeferredSend(m_hpFreqSend);
    fireDeferredSend(m_lpFreqSend);
    flushBandSends();
}

void QFilterPanel::sendPass(bool high) const
{
    const FilterChannelState &s = m_mirror[m_channel];
    uchar value[7];
    value[0] = high ? s.hpEnable : s.lpEnable;
    value[1] = high ? s.hpType : s.lpType;
    value[2] = high ? s.hpSlope : s.lpSlope;
    proto::putU32(value + 3, proto::floatBits(float(high ? s.hpFreq : s.lpFreq)));
    sendSet(high ? CodeHighPass : CodeLowPass, quint8(m_channel), value, sizeof value);
}

void QFilterPanel::sendBand() const
{
    const FilterChannelState &s = m_mirror[m_channel];
    const int b = m_band;
    uchar value[12];
    value[0] = quint8(b);
    value[1] = s.bandEnable[b];
    value[2] = s.bandType[b];
    proto::putU32(value + 3, proto::floatBits(float(s.bandFreq[b])));
    proto::putU32(value + 7, proto::floatBits(s.bandGain[b]));
    value[11] = s.bandQ[b];
    sendSet(CodeBand, quint8(m_channel), value, sizeof value);
}

// ---- copy and reset -------------------------------------------------------------------------

void QFilterPanel::copyToClicked()
{
    flushAllSends(); // the processor copies what the panel shows
    const int source = m_channel;
    runCopyTo(
        *m_chooser, uchar(source), CodeCopy,
        [this, source](quint8 ownMask) {
            FilterChannelState record = m_mirror[source];
            channelCopy(ownMask, reinterpret_cast<char *>(&record));
        },
        [this, source](quint8 otherMask) {
            FilterChannelState record = m_mirror[source];
            emitSiblingCopy(otherMask, reinterpret_cast<char *>(&record));
        });
}

void QFilterPanel::channelCopy(uchar select, char *args)
{
    if (!args)
        return;
    FilterChannelState record;
    std::memcpy(&record, args, sizeof record);
    bool shown = false;
    m_mirror.copyToMask(select, record, [&](int ch) { shown |= ch == m_channel; });
    if (shown)
        showChannel();
}

void QFilterPanel::ResetClicked()
{
    const int ch = m_channel;
    runReset(uchar(ch), CodeReset, [this, ch] {
        m_mirror.reset(ch);
        showChannel();
    });
}
