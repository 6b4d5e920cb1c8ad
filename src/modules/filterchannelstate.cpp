#include "modules/filterchannelstate.h"

namespace {

constexpr float kQTable[filterstate::kQSteps] = {
    0.50f, 0.53f, 0.56f, 0.59f, 0.63f, 0.67f, 0.71f, 0.75f, 0.79f, 0.84f, 0.89f, 0.94f, 1.00f,
    1.06f, 1.12f, 1.19f, 1.26f, 1.30f, 1.40f, 1.50f, 1.60f, 1.70f, 1.80f, 1.90f, 2.00f, 2.10f,
    2.20f, 2.40f, 2.50f, 2.70f, 2.80f, 3.00f, 3.20f, 3.40f, 3.60f, 3.80f, 4.00f, 4.20f, 4.50f,
    4.80f, 5.00f, 5.30f, 5.70f, 6.00f, 6.30f, 6.70f, 7.10f, 7.60f, 8.00f, 8.50f, 9.00f, 9.50f,
    10.10f, 10.70f, 11.30f, 12.00f, 12.70f, 13.50f, 14.00f, 15.00f, 16.00f, 17.00f, 18.00f,
    19.00f, 20.00f,
};

constexpr quint16 kFactoryBandFreqs[FilterChannelState::kBands] = {
    40, 60, 80, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 2000, 3000, 4000};

} // namespace

FilterChannelState FilterChannelState::factory()
{
    FilterChannelState s{};
    for (int b = 0; b < kBands; ++b) {
        s.bandEnable[b] = 1;
        s.bandType[b] = 0;
        s.bandQ[b] = 43;
        s.bandFreq[b] = kFactoryBandFreqs[b];
        s.bandGain[b] = 0.0f;
    }
    s.hpType = 0;
    s.hpSlope = 0;
    s.hpFreq = 20;
    s.hpEnable = 0;
    s.lpType = 0;
    s.lpSlope = 0;
    s.lpFreq = 20000;
    s.lpEnable = 0;
    return s;
}

float filterstate::qValue(int index)
{
    return index >= 0 && index < kQSteps ? kQTable[index] : 0.0f;
}
