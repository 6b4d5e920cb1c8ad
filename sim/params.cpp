#include "params.h"

#include <cmath>

namespace sim {

FilterChannel factoryFilter()
{
    static constexpr std::array<quint16, kBands> kBandFrequencies{
        40, 60, 80, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 2000, 3000, 4000};
    FilterChannel f;
    f.highPass.frequency = 20.0f;
    f.lowPass.frequency = 20000.0f;
    for (int b = 0; b < kBands; ++b)
        f.bands[b].frequency = kBandFrequencies[b];
    return f;
}

Params Params::factory()
{
    Params p;
    for (auto &f : p.inFilter)
        f = factoryFilter();
    for (auto &f : p.outFilter)
        f = factoryFilter();
    return p;
}

namespace range {

float clampReal(float v, float lo, float hi, float fallback)
{
    if (!std::isfinite(v))
        return fallback;
    return qBound(lo, v, hi);
}

float inputDelay(float v)
{
    return clampReal(v, 0.0f, 1000.0f, 0.0f);
}

float outputDelayLimit(int output, bool reduced)
{
    if (!reduced)
        return 2000.0f;
    return output < 4 ? 218.0f : 148.0f;
}

float outputDelay(float v, int output, bool reduced)
{
    return clampReal(v, 0.0f, outputDelayLimit(output, reduced), 0.0f);
}

} // namespace range

} // namespace sim
