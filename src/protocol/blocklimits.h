#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cmath>

// What the processor's level, delay and mixer blocks admit: the panels' controls and the
// command line check values against the same limits.
namespace blocklimits {

inline constexpr quint8 kInLevelModule = 1;
inline constexpr quint8 kInLimiterModule = 5;
inline constexpr quint8 kInDelayModule = 6;
inline constexpr quint8 kMixerModule = 7;
inline constexpr quint8 kOutLevelModule = 9;
inline constexpr quint8 kOutLimiterModule = 11;
inline constexpr quint8 kOutDelayModule = 12;

// Level gain in dB.
inline constexpr float kMinGain = -70.0f;
inline constexpr float kMaxGain = 12.0f;
// Mixer crosspoint gain in whole dB.
inline constexpr int kMinMixGain = -70;
inline constexpr int kMaxMixGain = 12;

// Delay in ms: inputs and outputs, and the outputs of a reduced-range (second generation)
// processor, outputs 1-4 and 5-8.
inline constexpr float kInputDelayMax = 1000.0f;
inline constexpr float kOutputDelayMax = 2000.0f;
inline constexpr float kReducedDelayMax[2] = {218.0f, 148.0f};

inline float maximumDelay(bool input, bool reduced, int channel)
{
    if (input)
        return kInputDelayMax;
    if (!reduced)
        return kOutputDelayMax;
    return kReducedDelayMax[channel < 4 ? 0 : 1];
}

// A delay as it goes out: clamped to [0, limit], in whole hundredths of a millisecond (halves
// upward); the reduced range moves in even hundredths.
inline float delayStep(double value, double limit, bool reduced)
{
    auto hundredths = (long long)std::floor(std::clamp(value, 0.0, limit) * 100.0 + 0.5);
    if (reduced && hundredths % 2 != 0)
        ++hundredths; // the limits are even, so this stays within them
    return float(double(hundredths) / 100.0);
}

} // namespace blocklimits
