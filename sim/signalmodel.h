#pragma once

#include "params.h"

#include <array>

namespace sim {

// Levels at the metering points of the signal chain, in dBu. kSilence stands for no
// signal at all.
inline constexpr float kSilence = -120.0f;

struct Meters {
    std::array<float, kInputs> input{}; // after input gain and mute
    std::array<bool, kInputs> gateOpen{};
    std::array<float, kInputs> inLimiterIn{};
    std::array<float, kInputs> inLimiterOut{};
    std::array<float, kOutputs> output{}; // after output gain and mute
    std::array<float, kOutputs> outLimiterIn{};
    std::array<float, kOutputs> outLimiterOut{};
};

// A small model of the processor's signal chain at time t (seconds): one test source per
// input moving slowly around its own level, input gain and mute, gate, input limiter,
// mixer crosspoints, generator routing, output gain and mute, output limiter. Cheap
// enough to run on every meter request; nothing runs between requests.
Meters computeMeters(const Params &params, bool allMute, double t);

// The test source level of input i at time t.
float sourceLevel(int input, double t);

// A level as the signed byte of a meter report.
qint8 meterByte(float dbu);

} // namespace sim
