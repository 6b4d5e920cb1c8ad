// Input and output level blocks (module ids 1 and 9): meters, mute, gain, invert,
// link group and calibration.
#include "device.h"
#include "signalmodel.h"

#include "protocol/payload.h"

namespace sim {

using proto::Frame;

namespace {

enum LevelCode : quint8 { Meter = 1, Mute = 2, Gain = 3, Invert = 4, Group = 5, Calibration = 32 };

// Runs apply on channel ch and, when ch belongs to a link group, on every channel of it:
// the processor links grouped channels itself.
template <size_t N, class Apply>
void applyLinked(std::array<LevelChannel, N> &channels, int ch, Apply apply)
{
    const quint8 group = channels[ch].group;
    for (int i = 0; i < int(N); ++i) {
        if (i == ch || (group != 0 && channels[i].group == group))
            apply(channels[i]);
    }
}

} // namespace

void Device::handleLevel(bool output, const Frame &f, Replies &out)
{
    auto handle = [&](auto &channels, int maxGroup, bool outputs) {
        const int n = int(channels.size());
        const QByteArray &p = f.payload;
        if (f.paramCode == Meter) {
            if (f.direction != proto::DirRequest || !p.isEmpty())
                return;
            const Meters m = computeMeters(m_params, m_system.allMute, now());
            QByteArray levels(n, '\0');
            for (int i = 0; i < n; ++i)
                levels[i] = char(meterByte(outputs ? m.output[i] : m.input[i]));
            report(out, f, levels);
            return;
        }
        if (p.isEmpty() || quint8(p[0]) >= n)
            return;
        const int ch = quint8(p[0]);
        proto::PayloadReader r(p);
        r.u8();
        if (f.direction == proto::DirRequest) {
            if (p.size() != 1)
                return;
            const LevelChannel &c = channels[ch];
            proto::PayloadWriter w;
            w.u8(quint8(ch));
            switch (f.paramCode) {
            case Mute:
                w.u8(c.mute);
                break;
            case Gain:
                w.f32(c.gain);
                break;
            case Invert:
                w.u8(c.invert);
                break;
            case Group:
                w.u8(c.group);
                break;
            case Calibration:
                w.f32(c.calibration);
                break;
            default:
                return;
            }
            report(out, f, w.data());
            return;
        }
        switch (f.paramCode) {
        case Mute:
        case Invert:
            if (p.size() == 2) {
                const quint8 v = range::flag(r.u8());
                const bool mute = f.paramCode == Mute;
                applyLinked(channels, ch, [&](LevelChannel &c) { (mute ? c.mute : c.invert) = v; });
            }
            break;
        case Gain:
            if (p.size() == 5) {
                const float g = range::levelGain(r.f32());
                applyLinked(channels, ch, [&](LevelChannel &c) { c.gain = g; });
            }
            break;
        case Group:
            if (p.size() == 2) {
                const quint8 g = r.u8();
                if (g <= maxGroup)
                    channels[ch].group = g;
            }
            break;
        case Calibration:
            if (p.size() == 5)
                channels[ch].calibration = range::levelGain(r.f32());
            break;
        default:
            break;
        }
    };
    if (output)
        handle(m_params.outLevel, 4, true);
    else
        handle(m_params.inLevel, 2, false);
}

} // namespace sim
