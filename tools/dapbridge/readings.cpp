#include "readings.h"

#include "devices/broadcastmsg.h"
#include "protocol/payload.h"

namespace bridge {

namespace {

constexpr int kModelChars = 19;

template <std::size_t N> void levels(const QByteArray &p, std::array<qint8, N> &out)
{
    for (std::size_t i = 0; i < N; ++i)
        out[i] = qint8(p.at(qsizetype(i)));
}

// Limiter meters: per channel the input and the output level; the reduction is their
// difference.
template <std::size_t N> void reductions(const QByteArray &p, std::array<qint16, N> &out)
{
    for (std::size_t i = 0; i < N; ++i)
        out[i] = qint16(qint8(p.at(qsizetype(2 * i))) - qint8(p.at(qsizetype(2 * i + 1))));
}

QString version(const QByteArray &p)
{
    return QStringLiteral("V%1.%2.%3").arg(quint8(p[0])).arg(quint8(p[1])).arg(quint8(p[2]));
}

bool applySystem(const proto::Frame &f, Readings &r)
{
    if (f.frameType != 2)
        return false;
    const QByteArray &p = f.payload;
    switch (f.paramCode) {
    case 1: {
        const qsizetype nul = p.indexOf('\0');
        r.model = devices::fromDeviceText(p.left(nul >= 0 ? nul : p.size())).left(kModelChars);
        r.known |= Readings::Model;
        return true;
    }
    case 2:
    case 3:
        if (p.size() < 3)
            return false;
        (f.paramCode == 2 ? r.arm : r.dsp) = version(p);
        if (f.paramCode == 2)
            r.armMajor = quint8(p[0]);
        r.known |= f.paramCode == 2 ? Readings::ArmVersion : Readings::DspVersion;
        return true;
    case 13:
        if (p.isEmpty())
            return false;
        r.faults = quint8(p[0]);
        r.known |= Readings::Faults;
        return true;
    case 16: {
        if (p.size() < 8)
            return false;
        proto::PayloadReader in(p);
        const float usage = in.f32();
        const float peak = in.f32();
        // A load is a percentage; anything else is not a reading.
        if (!std::isfinite(usage) || !std::isfinite(peak) || usage < 0 || usage > 100 || peak < 0 ||
            peak > 100)
            return false;
        r.dspUsage = usage;
        r.dspPeak = peak;
        r.known |= Readings::DspLoad;
        return true;
    }
    default:
        return false;
    }
}

} // namespace

bool Readings::apply(const proto::Frame &f)
{
    if (f.direction != proto::DirReport)
        return false;
    if (f.frameClass == proto::ClassSystem)
        return applySystem(f, *this);
    if (f.frameClass != proto::ClassModule)
        return false;
    const QByteArray &p = f.payload;
    const auto is = [&](quint8 module, quint8 code, qsizetype length) {
        return f.frameType == module && f.paramCode == code && p.size() == length;
    };
    if (is(1, 1, kInputs)) {
        levels(p, inLevel);
        known |= InLevels;
    } else if (is(9, 1, kOutputs)) {
        levels(p, outLevel);
        known |= OutLevels;
    } else if (is(5, 4, 2 * kInputs)) {
        reductions(p, inReduction);
        known |= InReduction;
    } else if (is(11, 4, 2 * kOutputs)) {
        reductions(p, outReduction);
        known |= OutReduction;
    } else if (is(2, 1, kInputs)) {
        for (int i = 0; i < kInputs; ++i)
            gateOpen[std::size_t(i)] = p.at(i) != 0;
        known |= GateOpen;
    } else {
        return false;
    }
    return true;
}

} // namespace bridge
