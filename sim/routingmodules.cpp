// Delays (module ids 6 and 12), mixer matrix (7) and signal generator (8).
#include "device.h"

#include "protocol/payload.h"

namespace sim {

using proto::Frame;

void Device::handleDelay(bool output, const Frame &f, Replies &out)
{
    const int n = output ? kOutputs : kInputs;
    const QByteArray &p = f.payload;
    if (f.paramCode != 1 || p.isEmpty() || quint8(p[0]) >= n)
        return;
    const int ch = quint8(p[0]);
    float &delay = output ? m_params.outDelay[ch] : m_params.inDelay[ch];
    if (f.direction == proto::DirRequest) {
        if (p.size() == 1)
            report(out, f, proto::PayloadWriter().u8(quint8(ch)).f32(delay).data());
        return;
    }
    if (p.size() != 5)
        return;
    proto::PayloadReader r(p);
    r.u8();
    const float v = r.f32();
    delay = output ? range::outputDelay(v, ch, reducedDelays()) : range::inputDelay(v);
}

void Device::handleMixer(const Frame &f, Replies &out)
{
    const QByteArray &p = f.payload;
    if ((f.paramCode != 1 && f.paramCode != 2) || p.isEmpty() || quint8(p[0]) >= kOutputs)
        return;
    const int o = quint8(p[0]);
    const bool enables = f.paramCode == 1;
    if (f.direction == proto::DirRequest) {
        if (p.size() != 1)
            return;
        QByteArray r(1, char(o));
        for (int i = 0; i < kInputs; ++i)
            r.append(char(enables ? m_params.mixEnable[o][i] : quint8(m_params.mixGain[o][i])));
        report(out, f, r);
        return;
    }
    // [output][one or more inputs][value]
    if (p.size() < 3 || p.size() > 2 + kInputs)
        return;
    for (int k = 1; k < p.size() - 1; ++k) {
        if (quint8(p[k]) >= kInputs)
            return;
    }
    const char value = p[p.size() - 1];
    for (int k = 1; k < p.size() - 1; ++k) {
        const int i = quint8(p[k]);
        if (enables)
            m_params.mixEnable[o][i] = range::flag(quint8(value));
        else
            m_params.mixGain[o][i] = range::mixGain(qint8(value));
    }
}

void Device::handleGenerator(const Frame &f, Replies &out)
{
    Generator &g = m_params.generator;
    const QByteArray &p = f.payload;
    const bool request = f.direction == proto::DirRequest;
    proto::PayloadReader r(p);
    // Frequency and gain: float32 without a channel byte.
    const auto real = [&](float &v, float (*clamp)(float)) {
        if (request && p.isEmpty())
            report(out, f, proto::PayloadWriter().f32(v).data());
        else if (!request && p.size() == 4)
            v = clamp(r.f32());
    };
    switch (f.paramCode) {
    case 1: // routing to one output
        if (p.isEmpty() || quint8(p[0]) >= kOutputs)
            return;
        if (request && p.size() == 1)
            report(out, f, byteArray({quint8(p[0]), g.outputs[quint8(p[0])]}));
        else if (!request && p.size() == 2)
            g.outputs[quint8(p[0])] = range::flag(quint8(p[1]));
        break;
    case 2:
        real(g.frequency, range::frequency);
        break;
    case 3: // source
        if (request && p.isEmpty())
            report(out, f, QByteArray(1, char(g.source)));
        else if (!request && p.size() == 1 && quint8(p[0]) <= 2)
            g.source = quint8(p[0]);
        break;
    case 4:
        real(g.gain, range::generatorGain);
        break;
    case 5: // mute
        if (request && p.isEmpty())
            report(out, f, QByteArray(1, char(g.mute)));
        else if (!request && p.size() == 1)
            g.mute = range::flag(quint8(p[0]));
        break;
    default:
        break;
    }
}

} // namespace sim
