#include "presetimage.h"

#include "protocol/payload.h"
#include "protocol/savefile.h"

#include <QSaveFile>

namespace presetimage {

namespace {

using W = proto::PayloadWriter;

void level(W &w, const PresetSnapshot::Level &l)
{
    w.f32(l.gain).u8(l.mute).u8(l.invert);
}

void pass(W &w, const PresetSnapshot::Pass &p)
{
    w.u8(p.enable).u8(p.type).u8(p.slope).f32(p.frequency);
}

void band(W &w, const PresetSnapshot::Band &b)
{
    w.u8(b.enable).u8(b.type).f32(b.frequency).f32(b.gain).u8(b.q);
}

void limiter(W &w, const PresetSnapshot::Limiter &l)
{
    w.u8(l.enable).f32(l.threshold).f32(l.ratio).f32(l.attack).f32(l.decay);
}

// One side's filters and limiters: the high-/low-pass pairs of every channel, then every
// channel's bands, then the limiters.
template <size_t N>
void filtersAndLimiters(W &w, const std::array<PresetSnapshot::Filter, N> &filters,
                        const std::array<PresetSnapshot::Limiter, N> &limiters)
{
    for (const auto &f : filters) {
        pass(w, f.highPass);
        pass(w, f.lowPass);
    }
    for (const auto &f : filters) {
        for (const auto &b : f.bands)
            band(w, b);
    }
    for (const auto &l : limiters)
        limiter(w, l);
}

float outputDelayLimit(int output)
{
    return output < 4 ? 218.0f : 148.0f;
}

} // namespace

QByteArray write(const PresetSnapshot &p, int variant)
{
    const bool is48k = variant == 0;
    W w(kSize96k);
    for (const auto &g : p.gate)
        w.u8(g.enable).f32(g.threshold).f32(g.attack).f32(g.decay);
    for (const auto &l : p.inLevel)
        level(w, l);
    for (quint8 e : p.feedback)
        w.u8(e);
    filtersAndLimiters(w, p.inFilter, p.inLimiter);
    if (!is48k) {
        for (float d : p.inDelay)
            w.f32(d);
    }
    for (const auto &m : p.mix) {
        for (qint8 g : m.gain)
            w.i8(g);
        for (quint8 e : m.enable)
            w.u8(e);
        w.u8(m.generator);
    }
    const auto &g = p.generator;
    w.u8(g.mute).f32(g.frequency).f32(g.gain).u8(g.source);
    for (const auto &l : p.outLevel)
        level(w, l);
    filtersAndLimiters(w, p.outFilter, p.outLimiter);
    for (int o = 0; o < PresetSnapshot::kOutputs; ++o) {
        const float d = p.outDelay[size_t(o)];
        w.f32(is48k ? qMin(d, outputDelayLimit(o)) : d);
    }
    Q_ASSERT(w.size() == (is48k ? kSize48k : kSize96k));
    return w.data();
}

bool save(const PresetSnapshot &snapshot, int variant, const QString &path, QString *errorText)
{
    const QByteArray image = write(snapshot, variant);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size() ||
        !proto::commitWhole(file)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace presetimage
