#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <optional>

// One channel of a compressor/limiter block. The input and output limiter panels pass it to
// each other as raw bytes ("Copy to") and the preset writer reads it, so the layout is
// fixed: the fields in this order, no gaps, 10 bytes.
#pragma pack(push, 1)
struct LimiterParams {
    quint8 enable = 0;      // 1 = on
    float threshold = 0.0f; // dBu
    quint8 ratio = 2;       // 1:n
    quint16 attack = 20;    // ms
    quint16 decay = 20;     // ms
};
#pragma pack(pop)

static_assert(sizeof(LimiterParams) == 10);
static_assert(offsetof(LimiterParams, ratio) == 5);
static_assert(offsetof(LimiterParams, decay) == 8);

namespace limiter {

// What the controls admit; typed values are forced into these ranges.
constexpr float kMinThreshold = -120.0f;
constexpr float kMaxThreshold = 24.0f;
constexpr int kMinRatio = 1;
constexpr int kMaxRatio = 100;
constexpr int kMinTime = 20;
constexpr int kMaxTime = 1000;

// Payload of a block set or report: channel, enable, then threshold, ratio, attack and decay
// as float32.
constexpr int kBlockLength = 18;

// Writes the block of channel into out (kBlockLength bytes).
void encodeBlock(quint8 channel, const LimiterParams &params, uchar *out);

// The record in a block report (kBlockLength bytes, channel not checked here). Ratio, attack
// and decay are cut toward zero and saturated to their field; a value that is no number
// drops the whole report.
std::optional<LimiterParams> decodeBlock(const uchar *payload);

// A typed threshold: clamped to the range and rounded to the 0.1 dB that is shown. Text that
// is no finite number gives nothing.
std::optional<float> parseThreshold(const QString &text);
// A typed whole number clamped to [minimum, maximum]. Empty or
// non-numeric text gives nothing.
std::optional<int> parseWhole(const QString &text, int minimum, int maximum);

} // namespace limiter
