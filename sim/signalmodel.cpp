#include "signalmodel.h"

#include <cmath>

namespace sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;

float limit(const LimiterChannel &l, float in)
{
    if (!l.enable || in <= l.threshold || in <= kSilence)
        return in;
    return l.threshold + (in - l.threshold) / qMax(1.0f, l.ratio);
}

// Power sum of levels in dBu.
float powerSum(const float *levels, int count)
{
    double power = 0.0;
    for (int i = 0; i < count; ++i) {
        if (levels[i] > kSilence)
            power += std::pow(10.0, levels[i] / 10.0);
    }
    if (power <= 0.0)
        return kSilence;
    return float(10.0 * std::log10(power));
}

} // namespace

float sourceLevel(int input, double t)
{
    // A speech-like programme on each input: its own base level, a slow swell and a
    // faster flutter, with periods that never line up between inputs.
    static constexpr float kBase[kInputs] = {-14.0f, -10.0f, -22.0f, -28.0f};
    static constexpr double kPeriod[kInputs] = {5.3, 7.1, 4.3, 9.7};
    const double swell = 5.0 * std::sin(kTwoPi * t / kPeriod[input] + input);
    const double flutter = 2.0 * std::sin(kTwoPi * t * 1.9 + 0.7 * input);
    return kBase[input] + float(swell + flutter);
}

qint8 meterByte(float dbu)
{
    const float v = std::round(qBound(-128.0f, dbu, 127.0f));
    return qint8(v);
}

Meters computeMeters(const Params &p, bool allMute, double t)
{
    Meters m;
    std::array<float, kInputs> toMixer{};
    for (int i = 0; i < kInputs; ++i) {
        const LevelChannel &lv = p.inLevel[i];
        float x = lv.mute ? kSilence : sourceLevel(i, t) + lv.gain + lv.calibration;
        m.input[i] = x;
        const GateChannel &g = p.gate[i];
        const bool open = x > kSilence && (!g.enable || x >= g.threshold);
        m.gateOpen[i] = open;
        if (!open)
            x = kSilence;
        m.inLimiterIn[i] = x;
        x = limit(p.inLimiter[i], x);
        m.inLimiterOut[i] = x;
        toMixer[i] = x;
    }
    for (int o = 0; o < kOutputs; ++o) {
        float feeds[kInputs + 1];
        int n = 0;
        for (int i = 0; i < kInputs; ++i) {
            if (p.mixEnable[o][i] && toMixer[i] > kSilence)
                feeds[n++] = toMixer[i] + p.mixGain[o][i];
        }
        if (p.generator.outputs[o] && !p.generator.mute)
            feeds[n++] = p.generator.gain;
        const LevelChannel &lv = p.outLevel[o];
        float x = powerSum(feeds, n);
        if (lv.mute || allMute || x <= kSilence)
            x = kSilence;
        else
            x += lv.gain + lv.calibration;
        m.output[o] = x;
        m.outLimiterIn[o] = x;
        m.outLimiterOut[o] = limit(p.outLimiter[o], x);
    }
    return m;
}

} // namespace sim
