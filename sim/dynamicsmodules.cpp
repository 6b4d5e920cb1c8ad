// Gate (module id 2), feedback suppressor (3) and the input and output limiters (5, 11).
#include "device.h"
#include "signalmodel.h"

#include "protocol/payload.h"

namespace sim {

using proto::Frame;

namespace {

// Index of the addressed channel when the payload has exactly size bytes and its first
// byte is a channel below n; -1 otherwise.
int channelOf(const Frame &f, int size, int n)
{
    if (f.payload.size() != size || quint8(f.payload[0]) >= n)
        return -1;
    return quint8(f.payload[0]);
}

QByteArray limiterRecord(int ch, const LimiterChannel &l)
{
    proto::PayloadWriter w(18);
    w.u8(quint8(ch)).u8(l.enable).f32(l.threshold).f32(l.ratio).f32(l.attack).f32(l.decay);
    return w.data();
}

} // namespace

void Device::handleGate(const Frame &f, Replies &out)
{
    if (f.paramCode == 1 && f.direction == proto::DirRequest && f.payload.isEmpty()) {
        const Meters m = computeMeters(m_params, m_system.allMute, now());
        QByteArray open(kInputs, '\0');
        for (int i = 0; i < kInputs; ++i)
            open[i] = m.gateOpen[i] ? 1 : 0;
        report(out, f, open);
        return;
    }
    if (f.paramCode != 2)
        return;
    if (f.direction == proto::DirRequest) {
        const int ch = channelOf(f, 1, kInputs);
        if (ch < 0)
            return;
        const GateChannel &g = m_params.gate[ch];
        proto::PayloadWriter w(14);
        w.u8(quint8(ch)).u8(g.enable).f32(g.threshold).f32(g.attack).f32(g.decay);
        report(out, f, w.data());
        return;
    }
    const int ch = channelOf(f, 14, kInputs);
    if (ch < 0)
        return;
    proto::PayloadReader r(f.payload);
    r.u8();
    GateChannel &g = m_params.gate[ch];
    g.enable = range::flag(r.u8());
    g.threshold = range::gateThreshold(r.f32());
    g.attack = range::time(r.f32());
    g.decay = range::time(r.f32());
}

void Device::handleFeedback(const Frame &f, Replies &out)
{
    if (f.paramCode != 1)
        return;
    if (f.direction == proto::DirRequest) {
        const int ch = channelOf(f, 1, kInputs);
        if (ch >= 0)
            report(out, f, byteArray({ch, m_params.feedback[ch]}));
        return;
    }
    const int ch = channelOf(f, 2, kInputs);
    if (ch >= 0)
        m_params.feedback[ch] = range::flag(quint8(f.payload[1]));
}

void Device::handleLimiter(bool output, const Frame &f, Replies &out)
{
    LimiterChannel *own = output ? m_params.outLimiter.data() : m_params.inLimiter.data();
    const int n = output ? kOutputs : kInputs;
    switch (f.paramCode) {
    case 1:
        if (f.direction == proto::DirRequest) {
            const int ch = channelOf(f, 1, n);
            if (ch >= 0)
                report(out, f, limiterRecord(ch, own[ch]));
        } else {
            const int ch = channelOf(f, 18, n);
            if (ch < 0)
                return;
            proto::PayloadReader r(f.payload);
            r.u8();
            LimiterChannel &l = own[ch];
            l.enable = range::flag(r.u8());
            l.threshold = range::limiterThreshold(r.f32());
            l.ratio = range::ratio(r.f32());
            l.attack = range::time(r.f32());
            l.decay = range::time(r.f32());
        }
        break;
    case 2: { // copy [source][input mask][output mask], into both limiter blocks
        const int ch = channelOf(f, 3, n);
        if (ch < 0 || f.direction != proto::DirSet)
            return;
        const LimiterChannel source = own[ch];
        const quint8 inMask = quint8(f.payload[1]);
        const quint8 outMask = quint8(f.payload[2]);
        for (int i = 0; i < kInputs; ++i) {
            if (inMask & (1u << i))
                m_params.inLimiter[i] = source;
        }
        for (int o = 0; o < kOutputs; ++o) {
            if (outMask & (1u << o))
                m_params.outLimiter[o] = source;
        }
        break;
    }
    case 3: {
        const int ch = channelOf(f, 1, n);
        if (ch >= 0 && f.direction == proto::DirSet)
            own[ch] = LimiterChannel{};
        break;
    }
    case 4:
        if (f.direction == proto::DirRequest && f.payload.isEmpty()) {
            const Meters m = computeMeters(m_params, m_system.allMute, now());
            QByteArray levels(2 * n, '\0');
            for (int i = 0; i < n; ++i) {
                levels[2 * i] = char(meterByte(output ? m.outLimiterIn[i] : m.inLimiterIn[i]));
                levels[2 * i + 1] =
                    char(meterByte(output ? m.outLimiterOut[i] : m.inLimiterOut[i]));
            }
            report(out, f, levels);
        }
        break;
    default:
        break;
    }
}

} // namespace sim
