#include "protocol/limiterparams.h"

#include "protocol/typedvalue.h"
#include "protocol/payload.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace limiter {

namespace {

// Cut toward zero, then held within what T can store (300.0 as a byte is 255, not 44).
template <typename T> T saturated(float v)
{
    const double t = std::trunc(double(v));
    return T(std::clamp(t, double(std::numeric_limits<T>::min()),
                        double(std::numeric_limits<T>::max())));
}

} // namespace

void encodeBlock(quint8 channel, const LimiterParams &params, uchar *out)
{
    out[0] = channel;
    out[1] = params.enable;
    proto::putU32(out + 2, proto::floatBits(params.threshold));
    proto::putU32(out + 6, proto::floatBits(float(params.ratio)));
    proto::putU32(out + 10, proto::floatBits(float(params.attack)));
    proto::putU32(out + 14, proto::floatBits(float(params.decay)));
}

std::optional<LimiterParams> decodeBlock(const uchar *payload)
{
    const float threshold = proto::bitsFloat(proto::getU32(payload + 2));
    const float ratio = proto::bitsFloat(proto::getU32(payload + 6));
    const float attack = proto::bitsFloat(proto::getU32(payload + 10));
    const float decay = proto::bitsFloat(proto::getU32(payload + 14));
    if (!std::isfinite(threshold) || !std::isfinite(ratio) || !std::isfinite(attack) ||
        !std::isfinite(decay))
        return std::nullopt;
    LimiterParams p;
    p.enable = payload[1] != 0 ? 1 : 0;
    p.threshold = threshold;
    p.ratio = saturated<quint8>(ratio);
    p.attack = saturated<quint16>(attack);
    p.decay = saturated<quint16>(decay);
    return p;
}

std::optional<float> parseThreshold(const QString &text)
{
    const std::optional<double> typed = typedNumber(text);
    if (!typed)
        return std::nullopt;
    const float clamped = std::clamp(float(*typed), kMinThreshold, kMaxThreshold);
    return std::round(clamped * 10.0f) / 10.0f;
}

std::optional<int> parseWhole(const QString &text, int minimum, int maximum)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return int(std::clamp<uint>(v, uint(minimum), uint(maximum)));
}

} // namespace limiter
