#pragma once

#include <QtGlobal>

#include <array>

// The processing parameters of one simulated processor: everything a preset holds.
// Values are kept the way the processor keeps them (reals as float), independent of how
// the control program mirrors them.
namespace sim {

inline constexpr int kInputs = 4;
inline constexpr int kOutputs = 8;
inline constexpr int kBands = 16;

struct LevelChannel {
    quint8 mute = 0;
    quint8 invert = 0;
    float gain = 0.0f; // dB, -70 .. +12
    quint8 group = 0;  // 0 none; inputs 1-2, outputs 1-4
    float calibration = 0.0f;
};

struct GateChannel {
    quint8 enable = 0;
    float threshold = -65.0f; // dBu, -120 .. 0
    float attack = 20.0f;     // ms, 20 .. 1000
    float decay = 20.0f;
};

struct PassFilter {
    quint8 enable = 0;
    quint8 type = 0;  // 0 Bessel, 1 Butterworth, 2 Link-Riley
    quint8 slope = 0; // 0 .. 5
    float frequency = 20.0f;
};

struct FilterBand {
    quint8 enable = 1;
    quint8 type = 0; // 0 PEQ, 1 LowShelf, 2 HighShelf, 3 AllPass
    float frequency = 1000.0f;
    float gain = 0.0f; // dB, -20 .. +20
    quint8 q = 43;     // index 0 .. 64
};

struct FilterChannel {
    PassFilter highPass;
    PassFilter lowPass;
    std::array<FilterBand, kBands> bands;
};

struct LimiterChannel {
    quint8 enable = 0;
    float threshold = 0.0f; // dBu, -120 .. +24
    float ratio = 2.0f;     // 1 .. 100
    float attack = 20.0f;   // ms, 20 .. 1000
    float decay = 20.0f;
};

struct Generator {
    quint8 mute = 0;
    float frequency = 1000.0f;
    quint8 source = 1; // 0 pink noise, 1 sine, 2 white noise
    float gain = -30.0f;
    std::array<quint8, kOutputs> outputs{};
};

struct Params {
    std::array<LevelChannel, kInputs> inLevel;
    std::array<GateChannel, kInputs> gate;
    std::array<quint8, kInputs> feedback{};
    std::array<FilterChannel, kInputs> inFilter;
    std::array<LimiterChannel, kInputs> inLimiter;
    std::array<float, kInputs> inDelay{};
    std::array<std::array<quint8, kInputs>, kOutputs> mixEnable{};
    std::array<std::array<qint8, kInputs>, kOutputs> mixGain{};
    Generator generator;
    std::array<LevelChannel, kOutputs> outLevel;
    std::array<FilterChannel, kOutputs> outFilter;
    std::array<LimiterChannel, kOutputs> outLimiter;
    std::array<float, kOutputs> outDelay{};

    // The factory state: every block at the values of a freshly reset processor.
    static Params factory();
};

FilterChannel factoryFilter();

// Value ranges the processor enforces on every set, copy and preset load.
namespace range {
float clampReal(float v, float lo, float hi, float fallback);
inline float levelGain(float v)
{
    return clampReal(v, -70.0f, 12.0f, 0.0f);
}
inline float gateThreshold(float v)
{
    return clampReal(v, -120.0f, 0.0f, -65.0f);
}
inline float limiterThreshold(float v)
{
    return clampReal(v, -120.0f, 24.0f, 0.0f);
}
inline float ratio(float v)
{
    return clampReal(v, 1.0f, 100.0f, 2.0f);
}
inline float time(float v)
{
    return clampReal(v, 20.0f, 1000.0f, 20.0f);
}
inline float frequency(float v)
{
    return clampReal(v, 20.0f, 20000.0f, 1000.0f);
}
inline float bandGain(float v)
{
    return clampReal(v, -20.0f, 20.0f, 0.0f);
}
inline float generatorGain(float v)
{
    return clampReal(v, -70.0f, 12.0f, -30.0f);
}
inline qint8 mixGain(int v)
{
    return qint8(qBound(-70, v, 12));
}
inline quint8 flag(quint8 v)
{
    return v ? 1 : 0;
}
inline quint8 choice(quint8 v, quint8 last)
{
    return v > last ? last : v;
}
// Delay limit of a channel: inputs 1000 ms; outputs 2000 ms, or on the reduced
// generation 218 ms (outputs 0-3) and 148 ms (outputs 4-7).
float inputDelay(float v);
float outputDelay(float v, int output, bool reduced);
float outputDelayLimit(int output, bool reduced);
} // namespace range

} // namespace sim
