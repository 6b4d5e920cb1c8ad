#pragma once

#include "protocol/frame.h"

#include <QString>

#include <array>

namespace bridge {

// What the bridge keeps of a processor's meters and identity, from the reports of its polls.
// Every value is checked where it enters; a group counts as known only once a well-formed
// report of it has arrived on the current connection.
struct Readings {
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;

    enum Group : quint32 {
        InLevels = 1u << 0,
        OutLevels = 1u << 1,
        InReduction = 1u << 2,
        OutReduction = 1u << 3,
        GateOpen = 1u << 4,
        DspLoad = 1u << 5,
        Faults = 1u << 6,
        Model = 1u << 7,
        ArmVersion = 1u << 8,
        DspVersion = 1u << 9,
    };

    quint32 known = 0;
    std::array<qint8, kInputs> inLevel{};      // dBu
    std::array<qint8, kOutputs> outLevel{};    // dBu
    std::array<qint16, kInputs> inReduction{}; // dB, limiter input minus output
    std::array<qint16, kOutputs> outReduction{};
    std::array<bool, kInputs> gateOpen{};
    float dspUsage = 0.0f; // percent
    float dspPeak = 0.0f;
    quint8 faults = 0; // bit 0 DSP, 1 Flash, 2 Temp, 3 DAC
    QString model;
    QString arm; // "V3.1.0"
    quint8 armMajor = 0;
    QString dsp;

    bool has(Group g) const { return (known & g) != 0; }
    // The processor's generation by its ARM major version: 2 is the reduced-delay one.
    int generation() const { return armMajor == 2 ? 2 : 1; }
    // Takes a report if it is one of the polled readings; true when it was.
    bool apply(const proto::Frame &f);
    // Meters and load from an old connection are not current: they are forgotten. The identity
    // stays until the processor says otherwise.
    void forgetMeters() { known &= Model | ArmVersion | DspVersion; }
};

} // namespace bridge
