// Input and output filter blocks (module ids 4 and 10): high-pass, low-pass and 16
// parametric bands per channel, copy and reset.
#include "device.h"

#include "protocol/payload.h"

namespace sim {

using proto::Frame;

namespace {

enum FilterCode : quint8 { HighPass = 1, LowPass = 2, Band = 3, Copy = 4, Reset = 5 };

QByteArray passRecord(int ch, const PassFilter &p)
{
    proto::PayloadWriter w(8);
    w.u8(quint8(ch)).u8(p.enable).u8(p.type).u8(p.slope).f32(p.frequency);
    return w.data();
}

QByteArray bandRecord(int ch, int band, const FilterBand &b)
{
    proto::PayloadWriter w(13);
    w.u8(quint8(ch)).u8(quint8(band)).u8(b.enable).u8(b.type).f32(b.frequency).f32(b.gain).u8(b.q);
    return w.data();
}

} // namespace

void Device::handleFilter(bool output, const Frame &f, Replies &out)
{
    FilterChannel *own = output ? m_params.outFilter.data() : m_params.inFilter.data();
    const int n = output ? kOutputs : kInputs;
    const QByteArray &p = f.payload;
    if (p.isEmpty() || quint8(p[0]) >= n)
        return;
    const int ch = quint8(p[0]);
    FilterChannel &fc = own[ch];
    proto::PayloadReader r(p);
    r.u8();
    const bool request = f.direction == proto::DirRequest;

    switch (f.paramCode) {
    case HighPass:
    case LowPass: {
        PassFilter &pf = f.paramCode == HighPass ? fc.highPass : fc.lowPass;
        if (request) {
            if (p.size() == 1)
                report(out, f, passRecord(ch, pf));
        } else if (p.size() == 8) {
            pf.enable = range::flag(r.u8());
            pf.type = range::choice(r.u8(), 2);
            pf.slope = range::choice(r.u8(), 5);
            pf.frequency = range::frequency(r.f32());
        }
        break;
    }
    case Band: {
        if (p.size() < 2 || quint8(p[1]) >= kBands)
            return;
        const int band = quint8(p[1]);
        FilterBand &b = fc.bands[band];
        r.u8();
        if (request) {
            if (p.size() == 2)
                report(out, f, bandRecord(ch, band, b));
        } else if (p.size() == 13) {
            b.enable = range::flag(r.u8());
            b.type = range::choice(r.u8(), 3);
            b.frequency = range::frequency(r.f32());
            b.gain = range::bandGain(r.f32());
            b.q = range::choice(r.u8(), 64);
        }
        break;
    }
    case Copy: // [source][input mask][output mask], into both filter blocks
        if (!request && p.size() == 3) {
            const FilterChannel source = fc;
            for (int i = 0; i < kInputs; ++i) {
                if (quint8(p[1]) & (1u << i))
                    m_params.inFilter[i] = source;
            }
            for (int o = 0; o < kOutputs; ++o) {
                if (quint8(p[2]) & (1u << o))
                    m_params.outFilter[o] = source;
            }
        }
        break;
    case Reset:
        if (!request && p.size() == 1)
            fc = factoryFilter();
        break;
    default:
        break;
    }
}

} // namespace sim
