#include "blockfields.h"

#include "ctllink.h"

#include "protocol/blocklimits.h"
#include "protocol/limiterparams.h"
#include "protocol/payload.h"
#include "protocol/typedvalue.h"

#include <QJsonArray>

#include <cmath>

namespace ctl {

namespace {

namespace bl = blocklimits;

constexpr quint8 kLevelMute = 2;
constexpr quint8 kLevelGain = 3;
constexpr quint8 kDelayCode = 1;
constexpr quint8 kLimiterBlock = 1;
constexpr quint8 kMixEnable = 1;
constexpr quint8 kMixGain = 2;

const Block kBlocks[] = {
    {"in-level", bl::kInLevelModule, 4, Block::Level, true},
    {"out-level", bl::kOutLevelModule, 8, Block::Level, false},
    {"in-delay", bl::kInDelayModule, 4, Block::Delay, true},
    {"out-delay", bl::kOutDelayModule, 8, Block::Delay, false},
    {"in-limiter", bl::kInLimiterModule, 4, Block::Limiter, true},
    {"out-limiter", bl::kOutLimiterModule, 8, Block::Limiter, false},
    {"mixer", bl::kMixerModule, 8, Block::Mixer, false},
};

QByteArray channelByte(int channel)
{
    return QByteArray(1, char(quint8(channel)));
}

// A reported real, taken only when it is a number its field can hold.
std::optional<float> reportedFloat(const QByteArray &payload, int offset, float lo, float hi)
{
    if (payload.size() < offset + 4)
        return std::nullopt;
    const float v = proto::bitsFloat(
        proto::getU32(reinterpret_cast<const uchar *>(payload.constData()) + offset));
    return std::isfinite(v) && v >= lo && v <= hi ? std::optional<float>(v) : std::nullopt;
}

double rounded(double v, double step)
{
    return std::round(v / step) * step;
}

std::optional<bool> parseFlag(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("on") || t == QLatin1String("yes") ||
        t == QLatin1String("true"))
        return true;
    if (t == QLatin1String("0") || t == QLatin1String("off") || t == QLatin1String("no") ||
        t == QLatin1String("false"))
        return false;
    return std::nullopt;
}

} // namespace

const Block *findBlock(const QString &name)
{
    for (const Block &b : kBlocks) {
        if (name == QLatin1String(b.name))
            return &b;
    }
    return nullptr;
}

QStringList blockNames()
{
    QStringList names;
    for (const Block &b : kBlocks)
        names << QLatin1String(b.name);
    return names;
}

std::optional<int> parseChannel(const Block &block, const QString &text, QString *error)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > block.channels) {
        *error = QStringLiteral("channel must be a number from 1 to %1 for %2, not \"%3\"")
                     .arg(block.channels)
                     .arg(QLatin1String(block.name), text);
        return std::nullopt;
    }
    return n - 1;
}

std::optional<SetRequest> parseSet(const QString &blockName, const QString &channel,
                                   const QString &field, const QString &value, QString *error)
{
    SetRequest set;
    set.block = findBlock(blockName);
    if (!set.block) {
        *error = QStringLiteral("unknown block \"%1\" (one of %2)")
                     .arg(blockName, blockNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    const std::optional<int> ch = parseChannel(*set.block, channel, error);
    if (!ch)
        return std::nullopt;
    set.channel = *ch;
    set.field = field;
    const auto badField = [&](const char *fields) {
        *error = QStringLiteral("%1 has no field \"%2\" (fields: %3)")
                     .arg(QLatin1String(set.block->name), field, QLatin1String(fields));
        return std::nullopt;
    };
    const auto number = [&](double lo, double hi, const char *unit) -> std::optional<double> {
        const std::optional<double> v = typedNumber(value);
        if (!v) {
            *error = QStringLiteral("%1 must be a number, not \"%2\"").arg(field, value);
            return std::nullopt;
        }
        if (*v < lo || *v > hi) {
            *error = QStringLiteral("%1 must be from %2 to %3 %4, not %5")
                         .arg(field)
                         .arg(lo)
                         .arg(hi)
                         .arg(QLatin1String(unit))
                         .arg(value);
            return std::nullopt;
        }
        return v;
    };
    const auto flag = [&]() -> std::optional<double> {
        const std::optional<bool> v = parseFlag(value);
        if (!v)
            *error = QStringLiteral("%1 must be on or off, not \"%2\"").arg(field, value);
        return v ? std::optional<double>(*v ? 1.0 : 0.0) : std::nullopt;
    };
    std::optional<double> v;
    switch (set.block->kind) {
    case Block::Level:
        if (field == QLatin1String("gain"))
            v = number(bl::kMinGain, bl::kMaxGain, "dB");
        else if (field == QLatin1String("mute"))
            v = flag();
        else
            return badField("gain, mute");
        break;
    case Block::Delay:
        if (field != QLatin1String("delay"))
            return badField("delay");
        v = number(0.0, bl::maximumDelay(set.block->input, false, set.channel), "ms");
        break;
    case Block::Limiter:
        if (field != QLatin1String("threshold"))
            return badField("threshold");
        v = number(limiter::kMinThreshold, limiter::kMaxThreshold, "dBu");
        if (v)
            v = *limiter::parseThreshold(value);
        break;
    case Block::Mixer: {
        // gainN / onN: the crosspoint of input N to the channel's output.
        const bool gain = field.startsWith(QLatin1String("gain"));
        const bool on = field.startsWith(QLatin1String("on"));
        bool ok = false;
        const int input = field.mid(gain ? 4 : 2).toInt(&ok);
        if ((!gain && !on) || !ok || input < 1 || input > 4)
            return badField("gain1-gain4, on1-on4");
        set.input = input - 1;
        set.field = gain ? QStringLiteral("gain") : QStringLiteral("on");
        if (gain) {
            v = number(bl::kMinMixGain, bl::kMaxMixGain, "dB");
            if (v && *v != std::trunc(*v)) {
                *error =
                    QStringLiteral("a crosspoint gain is a whole number of dB, not %1").arg(value);
                v.reset();
            }
        } else {
            v = flag();
        }
        break;
    }
    }
    if (!v)
        return std::nullopt;
    set.value = *v;
    return set;
}

std::optional<QJsonObject> readChannel(CtlLink &link, const Block &block, int channel)
{
    QJsonObject o{{QStringLiteral("channel"), channel + 1}};
    const QByteArray ch = channelByte(channel);
    const auto ask = [&](quint8 code) { return link.request(3, block.moduleId, code, ch, ch); };
    switch (block.kind) {
    case Block::Level: {
        const auto gain = ask(kLevelGain);
        const auto mute = ask(kLevelMute);
        const auto g =
            gain ? reportedFloat(gain->payload, 1, bl::kMinGain, bl::kMaxGain) : std::nullopt;
        if (!g || !mute || mute->payload.size() != 2)
            return std::nullopt;
        o.insert(QStringLiteral("gain"), rounded(*g, 0.1));
        o.insert(QStringLiteral("mute"), mute->payload.at(1) != 0);
        break;
    }
    case Block::Delay: {
        const auto r = ask(kDelayCode);
        const auto d = r ? reportedFloat(r->payload, 1, 0.0f, bl::kOutputDelayMax) : std::nullopt;
        if (!d)
            return std::nullopt;
        o.insert(QStringLiteral("delay"), rounded(*d, 0.01));
        break;
    }
    case Block::Limiter: {
        const auto r = ask(kLimiterBlock);
        if (!r || r->payload.size() != limiter::kBlockLength)
            return std::nullopt;
        const auto p =
            limiter::decodeBlock(reinterpret_cast<const uchar *>(r->payload.constData()));
        if (!p)
            return std::nullopt;
        o.insert(QStringLiteral("enable"), p->enable != 0);
        o.insert(QStringLiteral("threshold"), rounded(double(p->threshold), 0.1));
        o.insert(QStringLiteral("ratio"), int(p->ratio));
        o.insert(QStringLiteral("attack"), int(p->attack));
        o.insert(QStringLiteral("decay"), int(p->decay));
        break;
    }
    case Block::Mixer: {
        const auto on = ask(kMixEnable);
        const auto gain = ask(kMixGain);
        if (!on || !gain || on->payload.size() != 5 || gain->payload.size() != 5)
            return std::nullopt;
        QJsonArray inputs;
        for (int i = 0; i < 4; ++i) {
            const int g = qint8(gain->payload.at(1 + i));
            inputs.append(QJsonObject{
                {QStringLiteral("input"), i + 1},
                {QStringLiteral("on"), on->payload.at(1 + i) != 0},
                {QStringLiteral("gain"), std::clamp(g, bl::kMinMixGain, bl::kMaxMixGain)}});
        }
        o.insert(QStringLiteral("inputs"), inputs);
        break;
    }
    }
    return o;
}

std::optional<QJsonObject> applySet(CtlLink &link, const SetRequest &set, bool reducedDelays,
                                    QString *error)
{
    const Block &b = *set.block;
    QByteArray payload = channelByte(set.channel);
    quint8 code = 0;
    switch (b.kind) {
    case Block::Level:
        code = set.field == QLatin1String("gain") ? kLevelGain : kLevelMute;
        if (code == kLevelGain)
            payload += proto::PayloadWriter().f32(float(set.value)).data();
        else
            payload += char(set.value != 0.0 ? 1 : 0);
        break;
    case Block::Delay: {
        const double limit = bl::maximumDelay(b.input, reducedDelays, set.channel);
        if (set.value > limit) {
            *error = QStringLiteral("delay must be from 0 to %1 ms on this processor, not %2")
                         .arg(limit)
                         .arg(set.value);
            return std::nullopt;
        }
        code = kDelayCode;
        payload +=
            proto::PayloadWriter().f32(bl::delayStep(set.value, limit, reducedDelays)).data();
        break;
    }
    case Block::Limiter: {
        // The threshold travels in the channel's whole block: the other fields go back
        // byte for byte as reported, fractions the panels would cut included.
        const QByteArray ch = channelByte(set.channel);
        const auto r = link.request(3, b.moduleId, kLimiterBlock, ch, ch);
        const auto params =
            r && r->payload.size() == limiter::kBlockLength
                ? limiter::decodeBlock(reinterpret_cast<const uchar *>(r->payload.constData()))
                : std::nullopt;
        if (!params) {
            *error =
                QStringLiteral("the limiter of channel %1 did not report").arg(set.channel + 1);
            return std::nullopt;
        }
        payload = r->payload;
        payload[0] = char(quint8(set.channel));
        payload.replace(2, 4, proto::PayloadWriter().f32(float(set.value)).data());
        code = kLimiterBlock;
        break;
    }
    case Block::Mixer:
        code = set.field == QLatin1String("gain") ? kMixGain : kMixEnable;
        payload += char(quint8(set.input));
        payload += char(code == kMixGain ? qint8(set.value) : (set.value != 0.0 ? 1 : 0));
        break;
    }
    link.send(3, b.moduleId, code, proto::DirSet, payload);
    std::optional<QJsonObject> after = readChannel(link, b, set.channel);
    if (!after)
        *error =
            QStringLiteral("the processor did not report the value back: %1").arg(link.errorText());
    return after;
}

} // namespace ctl
