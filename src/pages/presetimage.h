#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// Every processing block's values as a single-preset file holds them: the plain input of
// the offline preset writer, filled from the module panels.
struct PresetSnapshot {
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;
    static constexpr int kBands = 16;

    struct Gate {
        quint8 enable = 0;
        float threshold = -65.0f; // dBu
        float attack = 20.0f;     // ms
        float decay = 20.0f;      // ms
    };
    struct Level {
        float gain = 0.0f; // dB
        quint8 mute = 0;
        quint8 invert = 0;
    };
    struct Pass {
        quint8 enable = 0;
        quint8 type = 0;
        quint8 slope = 0;
        float frequency = 20.0f; // Hz
    };
    struct Band {
        quint8 enable = 1;
        quint8 type = 0;
        float frequency = 1000.0f; // Hz
        float gain = 0.0f;         // dB
        quint8 q = 43;             // Q step
    };
    struct Filter {
        Pass highPass;
        Pass lowPass{0, 0, 0, 20000.0f};
        std::array<Band, kBands> bands{};
    };
    struct Limiter {
        quint8 enable = 0;
        float threshold = 0.0f; // dBu
        float ratio = 2.0f;
        float attack = 20.0f; // ms
        float decay = 20.0f;  // ms
    };
    struct Mix {
        std::array<qint8, kInputs> gain{}; // dB per input
        std::array<quint8, kInputs> enable{};
        quint8 generator = 0; // generator routed to this output
    };
    struct Generator {
        quint8 mute = 0;
        float frequency = 1000.0f; // Hz
        float gain = -30.0f;       // dBu
        quint8 source = 1;
    };

    std::array<Gate, kInputs> gate{};
    std::array<Level, kInputs> inLevel{};
    std::array<quint8, kInputs> feedback{};
    std::array<Filter, kInputs> inFilter{};
    std::array<Limiter, kInputs> inLimiter{};
    std::array<float, kInputs> inDelay{}; // ms
    std::array<Mix, kOutputs> mix{};
    Generator generator;
    std::array<Level, kOutputs> outLevel{};
    std::array<Filter, kOutputs> outFilter{};
    std::array<Limiter, kOutputs> outLimiter{};
    std::array<float, kOutputs> outDelay{}; // ms
};

namespace presetimage {

inline constexpr int kSize48k = 2726; // variant 0
inline constexpr int kSize96k = 2742; // variant 1

// The single-preset image: variant 0 (48 kHz) has no input delays and limits the output
// delays to 218 ms (outputs 1-4) and 148 ms (outputs 5-8); any other variant is 96 kHz.
QByteArray write(const PresetSnapshot &snapshot, int variant);

// Writes the image to path through a temporary file; false with errorText on failure (the
// old file then stays as it was).
bool save(const PresetSnapshot &snapshot, int variant, const QString &path, QString *errorText);

} // namespace presetimage
