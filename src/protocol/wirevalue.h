#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

// Numbers as they come off the wire are untrusted: a float may be NaN, infinite or far outside
// what its field holds, and converting such a value to an integer is undefined behaviour.
// Every reported float passes through checkedFloat where it enters; every float-to-int
// conversion of a value that may come from outside goes through saturatingInt.
namespace proto {

// No value when v is not a finite number; otherwise v clamped into [lo, hi].
inline std::optional<float> checkedFloat(float v, float lo, float hi)
{
    if (!std::isfinite(v))
        return std::nullopt;
    return std::clamp(v, lo, hi);
}

// v truncated towards zero and saturated to the int range; NaN gives 0.
inline int saturatingInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v <= double(INT_MIN))
        return INT_MIN;
    if (v >= double(INT_MAX))
        return INT_MAX;
    return int(v);
}

} // namespace proto
