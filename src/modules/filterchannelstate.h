#pragma once

#include <QtGlobal>

#include <cstddef>

// The mirror of one equaliser channel. The input and output filter panels pass it to each
// other as raw bytes ("Copy to"), and the preset writer reads it, so the layout is fixed:
// the fields in this order, no gaps, 154 bytes.
#pragma pack(push, 1)
struct FilterChannelState {
    static constexpr int kBands = 16;

    quint8 bandEnable[kBands]; // 1 = band active
    quint8 bandType[kBands];   // 0 PEQ, 1 LowShelf, 2 HighShelf, 3 AllPass
    quint8 bandQ[kBands];      // index into the Q table, 0-64
    quint16 bandFreq[kBands];  // Hz, 20-20000
    float bandGain[kBands];    // dB, -20 ... +20
    quint8 hpType;             // 0 Bessel, 1 Butterworth, 2 Link-Riley
    quint8 hpSlope;            // 0-5: -6, -12, -18, -24, -36, -48 dB/oct
    quint16 hpFreq;
    quint8 hpEnable;
    quint8 lpType;
    quint8 lpSlope;
    quint16 lpFreq;
    quint8 lpEnable;

    static FilterChannelState factory();
};
#pragma pack(pop)

static_assert(sizeof(FilterChannelState) == 154);
static_assert(offsetof(FilterChannelState, bandFreq) == 48);
static_assert(offsetof(FilterChannelState, bandGain) == 80);
static_assert(offsetof(FilterChannelState, hpType) == 144);
static_assert(offsetof(FilterChannelState, lpFreq) == 151);

namespace filterstate {

constexpr int kQSteps = 65;
constexpr int kMinFreq = 20;
constexpr int kMaxFreq = 20000;
constexpr float kMinGain = -20.0f;
constexpr float kMaxGain = 20.0f;
constexpr int kPassTypes = 3;
constexpr int kSlopes = 6;
constexpr int kBandTypes = 4;
enum BandType { Peq = 0, LowShelf = 1, HighShelf = 2, AllPass = 3 };

// Q of a Q index (0.50 ... 20.00); 0 for an index outside the table.
float qValue(int index);

} // namespace filterstate
