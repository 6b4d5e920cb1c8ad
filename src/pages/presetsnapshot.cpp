// The offline preset file: the snapshot of every block taken from the module pages.
#include "funcwidget.h"

#include "widgets/prompts.h"

namespace {

void fromLevel(PresetSnapshot::Level &out, const LevelChannel &in)
{
    out.gain = in.gain;
    out.mute = in.mute;
    out.invert = in.invert;
}

void fromFilter(PresetSnapshot::Filter &out, const FilterChannelState &in)
{
    out.highPass = {in.hpEnable, in.hpType, in.hpSlope, float(in.hpFreq)};
    out.lowPass = {in.lpEnable, in.lpType, in.lpSlope, float(in.lpFreq)};
    for (int b = 0; b < PresetSnapshot::kBands; ++b) {
        out.bands[size_t(b)] = {in.bandEnable[b], in.bandType[b], float(in.bandFreq[b]),
                                in.bandGain[b], in.bandQ[b]};
    }
}

} // namespace

PresetSnapshot FuncWidget::presetSnapshot() const
{
    PresetSnapshot s;
    for (int i = 0; i < PresetSnapshot::kInputs; ++i) {
        fromLevel(s.inLevel[size_t(i)], m_inLevel->channelState(i));
        fromFilter(s.inFilter[size_t(i)], m_inFilter->channelState(i));
    }
    for (int o = 0; o < PresetSnapshot::kOutputs; ++o) {
        fromLevel(s.outLevel[size_t(o)], m_outLevel->channelState(o));
        fromFilter(s.outFilter[size_t(o)], m_outFilter->channelState(o));
    }
    // Hooks for the pages still to come. Each fills its records here from its mirror once
    // its class replaces the placeholder; until then those records hold the processor's
    // factory values:
    //   gate        -> s.gate[i]        (enable, threshold, attack, decay)
    //   feedback    -> s.feedback[i]    (enable)
    //   in limiter  -> s.inLimiter[i],  out limiter -> s.outLimiter[o]
    //   in delay    -> s.inDelay[i],    out delay   -> s.outDelay[o] (ms, unclamped)
    //   mixer       -> s.mix[o].gain / .enable
    //   generator   -> s.generator and s.mix[o].generator
    return s;
}

void FuncWidget::savePreset2PC(uchar saveType, QString dir)
{
    QString error;
    if (!presetimage::save(presetSnapshot(), saveType == 0 ? 0 : 1, dir, &error)) {
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"),
                        tr("%1 cannot be written: %2").arg(dir, error));
    }
}
