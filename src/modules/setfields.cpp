#include "setfields.h"

#include "protocol/payload.h"

#include <QCoreApplication>

#include <cmath>

namespace setfields {
namespace {

enum class Kind : quint8 {
    Flag,
    Choice,
    Decibel,
    Hertz,
    Millis,
    Gate,
    Pass,
    Band,
    Limiter,
    MixGain
};

struct Layout {
    quint8 address = 0; // address bytes before the value
    quint8 value = 0;   // value bytes
    Kind kind = Kind::Flag;
    const char *name = nullptr;
};

constexpr quint8 kMixer = 7;
constexpr quint8 kGenerator = 8;
constexpr int kInputs = 4;
constexpr int kOutputs = 8;
constexpr int kBands = 16;

// The settable fields; nullptr for codes that are meters or actions.
const Layout *layoutOf(quint8 module, quint8 code)
{
    static const Layout mute{1, 1, Kind::Flag, QT_TRANSLATE_NOOP("ChangeLog", "mute")};
    static const Layout gain{1, 4, Kind::Decibel, QT_TRANSLATE_NOOP("ChangeLog", "gain")};
    static const Layout invert{1, 1, Kind::Flag, QT_TRANSLATE_NOOP("ChangeLog", "invert")};
    static const Layout group{1, 1, Kind::Choice, QT_TRANSLATE_NOOP("ChangeLog", "group")};
    static const Layout cail{1, 4, Kind::Decibel, QT_TRANSLATE_NOOP("ChangeLog", "calibration")};
    static const Layout gate{1, 13, Kind::Gate, QT_TRANSLATE_NOOP("ChangeLog", "gate")};
    static const Layout feedback{1, 1, Kind::Flag,
                                 QT_TRANSLATE_NOOP("ChangeLog", "feedback suppressor")};
    static const Layout highPass{1, 7, Kind::Pass, QT_TRANSLATE_NOOP("ChangeLog", "high-pass")};
    static const Layout lowPass{1, 7, Kind::Pass, QT_TRANSLATE_NOOP("ChangeLog", "low-pass")};
    static const Layout band{2, 11, Kind::Band, QT_TRANSLATE_NOOP("ChangeLog", "band %1")};
    static const Layout limiter{1, 17, Kind::Limiter, QT_TRANSLATE_NOOP("ChangeLog", "limiter")};
    static const Layout delay{1, 4, Kind::Millis, QT_TRANSLATE_NOOP("ChangeLog", "delay")};
    static const Layout mix{2, 1, Kind::Flag, QT_TRANSLATE_NOOP("ChangeLog", "I%1 mix")};
    static const Layout mixGain{2, 1, Kind::MixGain,
                                QT_TRANSLATE_NOOP("ChangeLog", "I%1 mix gain")};
    static const Layout genOutput{1, 1, Kind::Flag, QT_TRANSLATE_NOOP("ChangeLog", "generator")};
    static const Layout genFrequency{0, 4, Kind::Hertz,
                                     QT_TRANSLATE_NOOP("ChangeLog", "frequency")};
    static const Layout genSource{0, 1, Kind::Choice, QT_TRANSLATE_NOOP("ChangeLog", "source")};
    static const Layout genGain{0, 4, Kind::Decibel, QT_TRANSLATE_NOOP("ChangeLog", "gain")};
    static const Layout genMute{0, 1, Kind::Flag, QT_TRANSLATE_NOOP("ChangeLog", "mute")};

    switch (module) {
    case 1:
    case 9:
        switch (code) {
        case 2:
            return &mute;
        case 3:
            return &gain;
        case 4:
            return &invert;
        case 5:
            return &group;
        case 32:
            return &cail;
        default:
            return nullptr;
        }
    case 2:
        return code == 2 ? &gate : nullptr;
    case 3:
        return code == 1 ? &feedback : nullptr;
    case 4:
    case 10:
        return code == 1 ? &highPass : code == 2 ? &lowPass : code == 3 ? &band : nullptr;
    case 5:
    case 11:
        return code == 1 ? &limiter : nullptr;
    case 6:
    case 12:
        return code == 1 ? &delay : nullptr;
    case kMixer:
        return code == 1 ? &mix : code == 2 ? &mixGain : nullptr;
    case kGenerator:
        switch (code) {
        case 1:
            return &genOutput;
        case 2:
            return &genFrequency;
        case 3:
            return &genSource;
        case 4:
            return &genGain;
        case 5:
            return &genMute;
        default:
            return nullptr;
        }
    default:
        return nullptr;
    }
}

int channelsOf(quint8 module)
{
    return module >= 1 && module <= 6 ? kInputs : kOutputs;
}

bool finiteFloats(Kind kind, const uchar *v)
{
    auto ok = [v](int at) { return std::isfinite(proto::bitsFloat(proto::getU32(v + at))); };
    switch (kind) {
    case Kind::Decibel:
    case Kind::Hertz:
    case Kind::Millis:
        return ok(0);
    case Kind::Gate:
        return ok(1) && ok(5) && ok(9);
    case Kind::Pass:
        return ok(3);
    case Kind::Band:
        return ok(2) && ok(6);
    case Kind::Limiter:
        return ok(1) && ok(5) && ok(9) && ok(13);
    default:
        return true;
    }
}

// The key of the field at payload p of a module whose layout is known; false when an address
// is out of range or a float is no number. Its value is the l.value bytes after the address.
bool keyAt(quint8 module, quint8 code, const Layout &l, const uchar *p, Key &key)
{
    key = {module, code, l.address, {}};
    for (int i = 0; i < l.address; ++i)
        key.address[size_t(i)] = p[i];
    if (l.address > 0 && p[0] >= channelsOf(module))
        return false;
    if (l.address > 1 && p[1] >= (module == kMixer ? kInputs : kBands))
        return false;
    return finiteFloats(l.kind, p + l.address);
}

bool makeField(quint8 module, quint8 code, const Layout &l, const uchar *p, Field &out)
{
    if (!keyAt(module, code, l, p, out.key))
        return false;
    out.value = QByteArray(reinterpret_cast<const char *>(p + l.address), l.value);
    return true;
}

// A text marked with QT_TRANSLATE_NOOP("ChangeLog", ...).
QString translated(const char *text)
{
    return QCoreApplication::translate("ChangeLog", text);
}

QString onOff(quint8 byte)
{
    return byte ? QCoreApplication::translate("ChangeLog", "on")
                : QCoreApplication::translate("ChangeLog", "off");
}

float floatAt(const QByteArray &v, int at)
{
    return proto::bitsFloat(proto::getU32(reinterpret_cast<const uchar *>(v.constData()) + at));
}

QString number(float v, int decimals)
{
    return QString::number(double(v), 'f', decimals);
}

} // namespace

bool isBlockWide(quint8 module, quint8 code)
{
    const Layout *l = layoutOf(module, code);
    return l && l->address == 0;
}

QList<Field> ofSet(quint8 module, quint8 code, const QByteArray &payload)
{
    QList<Field> fields;
    const Layout *l = layoutOf(module, code);
    if (!l)
        return fields;
    const auto *p = reinterpret_cast<const uchar *>(payload.constData());
    const auto n = payload.size();
    if (module == kMixer) {
        // [output][one or more inputs][value]
        if (n < 3 || n > 2 + kInputs)
            return fields;
        for (qsizetype k = 1; k < n - 1; ++k) {
            const uchar one[3] = {p[0], p[k], p[n - 1]};
            Field f;
            if (makeField(module, code, *l, one, f))
                fields.append(f);
        }
        return fields;
    }
    Field f;
    if (n == l->address + l->value && makeField(module, code, *l, p, f))
        fields.append(f);
    return fields;
}

void forEachReportField(quint8 module, quint8 code, const uchar *payload, quint16 length,
                        const std::function<void(const Key &, QByteArrayView)> &fn)
{
    const Layout *l = layoutOf(module, code);
    if (!l)
        return;
    Key key;
    if (module == kMixer) {
        // [output][one value per input]
        if (length != 1 + kInputs)
            return;
        for (int i = 0; i < kInputs; ++i) {
            const uchar one[3] = {payload[0], quint8(i), payload[1 + i]};
            if (keyAt(module, code, *l, one, key))
                fn(key, QByteArrayView(one + l->address, l->value));
        }
        return;
    }
    if (length == l->address + l->value && keyAt(module, code, *l, payload, key))
        fn(key, QByteArrayView(payload + l->address, l->value));
}

QByteArray setPayload(const Key &key, const QByteArray &value)
{
    return key.addressBytes() + value;
}

QList<Key> channelFields(quint8 module, int channel)
{
    QList<Key> keys;
    const auto ch = quint8(channel);
    if (module == 4 || module == 10) {
        keys.append({module, 1, 1, {ch, 0}});
        keys.append({module, 2, 1, {ch, 0}});
        for (int b = 0; b < kBands; ++b)
            keys.append({module, 3, 2, {ch, quint8(b)}});
    } else if (module == 5 || module == 11) {
        keys.append({module, 1, 1, {ch, 0}});
    }
    return keys;
}

QString blockName(quint8 module)
{
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("ChangeLog", "In Level"),    QT_TRANSLATE_NOOP("ChangeLog", "Gate"),
        QT_TRANSLATE_NOOP("ChangeLog", "Feedback"),    QT_TRANSLATE_NOOP("ChangeLog", "In Filter"),
        QT_TRANSLATE_NOOP("ChangeLog", "In Limiter"),  QT_TRANSLATE_NOOP("ChangeLog", "In Delay"),
        QT_TRANSLATE_NOOP("ChangeLog", "Mixer"),       QT_TRANSLATE_NOOP("ChangeLog", "Generator"),
        QT_TRANSLATE_NOOP("ChangeLog", "Out Level"),   QT_TRANSLATE_NOOP("ChangeLog", "Out Filter"),
        QT_TRANSLATE_NOOP("ChangeLog", "Out Limiter"), QT_TRANSLATE_NOOP("ChangeLog", "Out Delay")};
    if (module >= 1 && module <= 12)
        return translated(names[module - 1]);
    return QString::number(module);
}

QString channelText(const Key &key)
{
    if (key.length == 0)
        return {};
    const bool input = key.module >= 1 && key.module <= 6;
    return QStringLiteral("%1%2")
        .arg(input ? QLatin1Char('I') : QLatin1Char('O'))
        .arg(key.address[0] + 1);
}

QString fieldName(const Key &key)
{
    const Layout *l = layoutOf(key.module, key.code);
    if (!l)
        return QCoreApplication::translate("ChangeLog", "code %1").arg(key.code);
    if (l->address == 2)
        return translated(l->name).arg(key.address[1] + 1);
    return translated(l->name);
}

QString valueText(const Key &key, const QByteArray &v)
{
    const Layout *l = layoutOf(key.module, key.code);
    if (v.isEmpty())
        return {};
    if (!l || v.size() != l->value)
        return QString::fromLatin1(v.toHex(' '));
    const auto b = [&v](int at) { return quint8(v[at]); };
    switch (l->kind) {
    case Kind::Flag:
        return onOff(b(0));
    case Kind::Choice:
        return QString::number(b(0));
    case Kind::Decibel:
        return QCoreApplication::translate("ChangeLog", "%1 dB").arg(number(floatAt(v, 0), 1));
    case Kind::Hertz:
        return QCoreApplication::translate("ChangeLog", "%1 Hz").arg(number(floatAt(v, 0), 0));
    case Kind::Millis:
        return QCoreApplication::translate("ChangeLog", "%1 ms").arg(number(floatAt(v, 0), 2));
    case Kind::MixGain:
        return QCoreApplication::translate("ChangeLog", "%1 dB").arg(qint8(b(0)));
    case Kind::Gate:
        return QCoreApplication::translate("ChangeLog", "%1, %2 dB, attack %3 ms, release %4 ms")
            .arg(onOff(b(0)), number(floatAt(v, 1), 1), number(floatAt(v, 5), 0),
                 number(floatAt(v, 9), 0));
    case Kind::Pass:
        return QCoreApplication::translate("ChangeLog", "%1, type %2, slope %3, %4 Hz")
            .arg(onOff(b(0)))
            .arg(b(1))
            .arg(b(2))
            .arg(number(floatAt(v, 3), 0));
    case Kind::Band:
        return QCoreApplication::translate("ChangeLog", "%1, type %2, %3 Hz, %4 dB, Q step %5")
            .arg(onOff(b(0)))
            .arg(b(1))
            .arg(number(floatAt(v, 2), 0), number(floatAt(v, 6), 1))
            .arg(b(10));
    case Kind::Limiter:
        return QCoreApplication::translate("ChangeLog",
                                           "%1, %2 dB, 1:%3, attack %4 ms, release %5 ms")
            .arg(onOff(b(0)), number(floatAt(v, 1), 1), number(floatAt(v, 5), 0),
                 number(floatAt(v, 9), 0), number(floatAt(v, 13), 0));
    }
    return {};
}

} // namespace setfields
