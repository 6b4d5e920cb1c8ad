#pragma once

#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>

// Checks for numbers the user types and numbers the processor reports, shared by the panels.

// A typed number, or nothing when the text is not a finite number ("", "-", "nan", "inf",
// "abc"): the field then shows its previous value and nothing is sent.
inline std::optional<double> typedNumber(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A typed whole number within [lo, hi]: rounded to the nearest integer (halves away from
// zero), then clamped. Nothing when the text is not a finite number.
inline std::optional<int> typedInt(const QString &text, int lo, int hi)
{
    const std::optional<double> v = typedNumber(text);
    if (!v)
        return std::nullopt;
    return int(std::round(std::clamp(*v, double(lo), double(hi))));
}

// A real (reported, or from a knob) taken as a whole number of its field: truncated toward
// zero and saturated to [lo, hi]; nothing when it is not finite.
inline std::optional<int> truncatedInt(float v, int lo, int hi)
{
    if (!std::isfinite(v))
        return std::nullopt;
    return int(std::clamp(std::trunc(double(v)), double(lo), double(hi)));
}
