// Limits, checks and texts of values: one function for every place a user meets them.
#include "model/model.h"

#include "protocol/blocklimits.h"
#include "protocol/typedvalue.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace model {

namespace {

bool isWhole(double v)
{
    return v == std::trunc(v);
}

// The shortest decimal text that reads back as the same float.
QByteArray shortestFloat(float v)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? QByteArray(buf, int(end - buf)) : QByteArray::number(double(v));
}

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

std::optional<bool> parseFlag(const QString &text)
{
    const QString t = text.trimmed().toLower();
    for (const char *on : {"1", "on", "yes", "true"}) {
        if (t == QLatin1String(on))
            return true;
    }
    for (const char *off : {"0", "off", "no", "false"}) {
        if (t == QLatin1String(off))
            return false;
    }
    return std::nullopt;
}

std::optional<int> parseEnum(const Field &f, const QString &text)
{
    const QString t = text.trimmed();
    for (size_t i = 0; i < f.values.size(); ++i) {
        if (t.compare(QLatin1String(f.values[i]), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    // A number equal to a numeric name: "6" is the Q "6.00".
    const std::optional<double> typed = typedNumber(t);
    for (size_t i = 0; typed && i < f.values.size(); ++i) {
        bool ok = false;
        const double v = QString::fromLatin1(f.values[i]).toDouble(&ok);
        if (ok && v == *typed)
            return int(i);
    }
    return std::nullopt;
}

QString valueList(const Field &f)
{
    QStringList names;
    for (const char *v : f.values)
        names << QLatin1String(v);
    return names.join(QStringLiteral(", "));
}

} // namespace

Limits limitsOf(const Field &field, int channel, int generation)
{
    Limits l = field.limits;
    if (field.reducedRange && generation == 2) {
        l.max = blocklimits::maximumDelay(false, true, channel);
        l.step = 0.02;
    }
    return l;
}

bool checkValue(const FieldRef &ref, double v, int generation)
{
    const Field &f = *ref.field;
    if (!ref.writable() || f.type == Type::Text || !std::isfinite(v))
        return false;
    const Limits l = limitsOf(f, ref.channel, generation);
    if (v < l.min || v > l.max)
        return false;
    return f.type == Type::Float || isWhole(v);
}

bool checkText(const Field &field, QByteArrayView bytes)
{
    return field.type == Type::Text && bytes.size() <= field.width && !bytes.contains('\0');
}

std::optional<double> parseValue(const FieldRef &ref, const QString &text, int generation,
                                 QString *error)
{
    const Field &f = *ref.field;
    const QString name = QLatin1String(f.name);
    const auto refuse = [&](const QString &why) -> std::optional<double> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!ref.writable())
        return refuse(QStringLiteral("%1 is only reported, it cannot be set").arg(formatName(ref)));
    switch (f.type) {
    case Type::Text:
        return refuse(QStringLiteral("%1 is a text").arg(name));
    case Type::Bool:
        if (const std::optional<bool> b = parseFlag(text))
            return *b ? 1.0 : 0.0;
        return refuse(QStringLiteral("%1 must be on or off, not \"%2\"").arg(name, text));
    case Type::Enum:
        if (const std::optional<int> i = parseEnum(f, text))
            return double(*i);
        return refuse(
            QStringLiteral("%1 must be one of %2, not \"%3\"").arg(name, valueList(f), text));
    case Type::Float:
    case Type::Int:
        break;
    }
    const std::optional<double> v = typedNumber(text);
    if (!v)
        return refuse(QStringLiteral("%1 must be a number, not \"%2\"").arg(name, text));
    const Limits l = limitsOf(f, ref.channel, generation);
    if (*v < l.min || *v > l.max)
        return refuse(QStringLiteral("%1 must be from %2 to %3 %4, not %5")
                          .arg(name, number(l.min), number(l.max), QLatin1String(f.unit), text)
                          .trimmed());
    if (f.type == Type::Int && !isWhole(*v))
        return refuse(QStringLiteral("%1 must be a whole number, not %2").arg(name, text));
    if (f.hundredths) // the delay line moves in hundredths (even ones on reduced outputs)
        return double(blocklimits::delayStep(*v, l.max, f.reducedRange && generation == 2));
    return v;
}

double shownNumber(const Field &field, double raw)
{
    if (!std::isfinite(raw))
        return field.limits.min;
    if (field.type == Type::Int)
        raw = std::trunc(raw);
    if (field.type == Type::Enum && raw >= double(field.values.size()))
        return double(field.values.size()) - 1;
    return std::clamp(raw, field.limits.min, field.limits.max);
}

double decimalNumber(const Field &field, double raw)
{
    if (field.encoding != Encoding::F32 || !std::isfinite(raw))
        return raw;
    return shortestFloat(float(raw)).toDouble();
}

QString valueText(const Field &field, double raw)
{
    switch (field.type) {
    case Type::Bool:
        return raw != 0 ? QStringLiteral("on") : QStringLiteral("off");
    case Type::Enum: {
        if (raw >= 0 && raw < double(field.values.size()))
            return QLatin1String(field.values[size_t(raw)]);
        if (field.hiddenBeyond && !field.values.empty())
            return QLatin1String(field.values.back());
        return QString::number(raw);
    }
    case Type::Text:
        return {};
    case Type::Float:
    case Type::Int:
        break;
    }
    if (field.encoding == Encoding::F32)
        return QString::fromLatin1(shortestFloat(float(raw)));
    return number(raw);
}

} // namespace model
