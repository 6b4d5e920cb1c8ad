#include "presetimage.h"

#include "protocol/payload.h"

namespace sim {

namespace {

// Packs values into the image.
class ImageWriter {
public:
    ImageWriter(int variant, QByteArray &out) : m_reduced(variant == 48), m_out(out) {}
    void flag(quint8 &v) { m_w.u8(v); }
    void choice(quint8 &v, quint8) { m_w.u8(v); }
    void gain(qint8 &v) { m_w.i8(v); }
    void real(float &v, float (*)(float)) { m_w.f32(v); }
    void outDelay(float &v, int output)
    {
        m_w.f32(m_reduced ? qMin(v, range::outputDelayLimit(output, true)) : v);
    }
    void finish() { m_out = m_w.data(); }

private:
    bool m_reduced;
    QByteArray &m_out;
    proto::PayloadWriter m_w{kPresetImage96};
};

// Unpacks values from the image, forcing each into its range.
class ImageReader {
public:
    ImageReader(int variant, const QByteArray &in) : m_reduced(variant == 48), m_r(in) {}
    void flag(quint8 &v) { v = range::flag(m_r.u8()); }
    void choice(quint8 &v, quint8 last) { v = range::choice(m_r.u8(), last); }
    void gain(qint8 &v) { v = range::mixGain(m_r.i8()); }
    void real(float &v, float (*clamp)(float)) { v = clamp(m_r.f32()); }
    void outDelay(float &v, int output) { v = range::outputDelay(m_r.f32(), output, m_reduced); }
    void finish() {}

private:
    bool m_reduced;
    proto::PayloadReader m_r;
};

float frequency(float v)
{
    return range::frequency(v);
}

template <class Io> void levelRecord(Io &io, LevelChannel &c)
{
    io.real(c.gain, range::levelGain);
    io.flag(c.mute);
    io.flag(c.invert);
}

template <class Io> void passRecord(Io &io, PassFilter &p)
{
    io.flag(p.enable);
    io.choice(p.type, 2);
    io.choice(p.slope, 5);
    io.real(p.frequency, frequency);
}

template <class Io> void bandRecord(Io &io, FilterBand &b)
{
    io.flag(b.enable);
    io.choice(b.type, 3);
    io.real(b.frequency, frequency);
    io.real(b.gain, range::bandGain);
    io.choice(b.q, 64);
}

template <class Io> void limiterRecord(Io &io, LimiterChannel &l)
{
    io.flag(l.enable);
    io.real(l.threshold, range::limiterThreshold);
    io.real(l.ratio, range::ratio);
    io.real(l.attack, range::time);
    io.real(l.decay, range::time);
}

// One side's filter and limiter blocks: high-/low-pass of every channel, then the
// bands of every channel, then the limiters.
template <class Io, size_t N>
void filtersAndLimiters(Io &io, std::array<FilterChannel, N> &filters,
                        std::array<LimiterChannel, N> &limiters)
{
    for (auto &f : filters) {
        passRecord(io, f.highPass);
        passRecord(io, f.lowPass);
    }
    for (auto &f : filters) {
        for (auto &b : f.bands)
            bandRecord(io, b);
    }
    for (auto &l : limiters)
        limiterRecord(io, l);
}

// The one description of the layout; blocks follow each other for all channels.
template <class Io> void walk(Io &io, Params &p, int variant)
{
    for (auto &g : p.gate) {
        io.flag(g.enable);
        io.real(g.threshold, range::gateThreshold);
        io.real(g.attack, range::time);
        io.real(g.decay, range::time);
    }
    for (auto &c : p.inLevel)
        levelRecord(io, c);
    for (auto &e : p.feedback)
        io.flag(e);
    filtersAndLimiters(io, p.inFilter, p.inLimiter);
    if (variant == 96) {
        for (auto &d : p.inDelay)
            io.real(d, range::inputDelay);
    }
    for (int o = 0; o < kOutputs; ++o) {
        for (auto &g : p.mixGain[o])
            io.gain(g);
        for (auto &e : p.mixEnable[o])
            io.flag(e);
        io.flag(p.generator.outputs[o]);
    }
    io.flag(p.generator.mute);
    io.real(p.generator.frequency, frequency);
    io.real(p.generator.gain, range::generatorGain);
    io.choice(p.generator.source, 2);
    for (auto &c : p.outLevel)
        levelRecord(io, c);
    filtersAndLimiters(io, p.outFilter, p.outLimiter);
    for (int o = 0; o < kOutputs; ++o)
        io.outDelay(p.outDelay[o], o);
    io.finish();
}

} // namespace

int presetImageSize(int variant)
{
    return variant == 48 ? kPresetImage48 : kPresetImage96;
}

QByteArray encodePresetImage(const Params &params, int variant)
{
    QByteArray out;
    Params copy = params; // the walk takes references; the source stays untouched
    ImageWriter writer(variant, out);
    walk(writer, copy, variant);
    return out;
}

bool decodePresetImage(const QByteArray &image, int variant, Params &params)
{
    if (image.size() != presetImageSize(variant))
        return false;
    Params next = params;
    ImageReader reader(variant, image);
    walk(reader, next, variant);
    params = next;
    return true;
}

} // namespace sim
