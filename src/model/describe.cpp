// The description as JSON for tools and as text for people.
#include "model/model.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace model {

namespace {

const char *typeName(Type t)
{
    switch (t) {
    case Type::Float:
        return "float";
    case Type::Int:
        return "int";
    case Type::Bool:
        return "bool";
    case Type::Enum:
        return "enum";
    case Type::Text:
        return "text";
    }
    return "";
}

QString encodingName(const Field &f)
{
    switch (f.encoding) {
    case Encoding::F32:
        return QStringLiteral("f32le");
    case Encoding::U8:
        return QStringLiteral("u8");
    case Encoding::I8:
        return QStringLiteral("i8");
    case Encoding::U16:
        return QStringLiteral("u16le");
    case Encoding::U32:
        return QStringLiteral("u32le");
    case Encoding::Text:
        return QStringLiteral("text:%1").arg(f.width);
    }
    return {};
}

const char *setName(SetShape s)
{
    switch (s) {
    case SetShape::Whole:
        return "whole";
    case SetShape::Crosspoint:
        return "crosspoint";
    case SetShape::ChannelValue:
        return "channel-value";
    case SetShape::ReadOnly:
        return "read-only";
    }
    return "";
}

const char *shapeName(ReportShape s)
{
    switch (s) {
    case ReportShape::ChannelFirst:
        return "channel-first";
    case ReportShape::PerChannel:
        return "per-channel";
    case ReportShape::BlockWide:
        return "block-wide";
    }
    return "";
}

// Where the value sits in the set payload.
int setOffset(const Message &m, const Field &f)
{
    switch (m.set) {
    case SetShape::Whole:
        return f.offset;
    case SetShape::Crosspoint:
        return 2;
    case SetShape::ChannelValue:
        return f.isBlockWide() ? 0 : 1;
    case SetShape::ReadOnly:
        break;
    }
    return -1;
}

QString fieldName(const Message &m, const Field &f, int sub)
{
    if (!m.subCount)
        return QLatin1String(f.name);
    return QStringLiteral("%1%2.%3")
        .arg(QLatin1String(m.subName))
        .arg(sub + 1)
        .arg(QLatin1String(f.name));
}

QJsonObject fieldJson(const Block &b, const Message &m, const Field &f, int sub)
{
    const FieldRef ref{&b, &m, &f, 0, sub};
    QJsonObject o{{QStringLiteral("name"), fieldName(m, f, sub)},
                  {QStringLiteral("type"), QLatin1String(typeName(f.type))},
                  {QStringLiteral("unit"), QString::fromUtf8(f.unit)},
                  {QStringLiteral("channels"), f.channels},
                  {QStringLiteral("code"), m.code},
                  {QStringLiteral("offset"), f.offset},
                  {QStringLiteral("encoding"), encodingName(f)},
                  {QStringLiteral("report_shape"), QLatin1String(shapeName(m.shape))},
                  {QStringLiteral("writable"), ref.writable()},
                  {QStringLiteral("set"),
                   QLatin1String(setName(ref.writable() ? m.set : SetShape::ReadOnly))},
                  {QStringLiteral("meaning"), QLatin1String(m.meaning)}};
    if (m.atLeast) {
        o.insert(QStringLiteral("report_length"), QJsonValue::Null);
        o.insert(QStringLiteral("report_min_length"), m.reportLength);
    } else {
        o.insert(QStringLiteral("report_length"), m.reportLength);
    }
    if (m.shape == ReportShape::PerChannel && !f.isBlockWide())
        o.insert(QStringLiteral("stride"), m.stride);
    if (m.addressBytes == 2)
        o.insert(QStringLiteral("sub_index"), sub);
    if (b.frameTypeOf(m) != b.frameType)
        o.insert(QStringLiteral("frame_type"), b.frameTypeOf(m));
    if (ref.writable()) {
        o.insert(QStringLiteral("set_code"), ref.setCode());
        o.insert(QStringLiteral("set_offset"), setOffset(m, f));
        if (m.set == SetShape::Crosspoint)
            o.insert(QStringLiteral("set_index"), f.index);
        if (m.blockSet())
            o.insert(QStringLiteral("block_set"), true);
    }
    switch (f.type) {
    case Type::Enum: {
        QJsonArray values;
        for (const char *v : f.values)
            values.append(QLatin1String(v));
        o.insert(QStringLiteral("values"), values);
        break;
    }
    case Type::Text:
        o.insert(QStringLiteral("max_length"), f.width);
        break;
    case Type::Float:
    case Type::Int:
    case Type::Bool:
        o.insert(QStringLiteral("min"), f.limits.min);
        o.insert(QStringLiteral("max"), f.limits.max);
        o.insert(QStringLiteral("step"), f.limits.step);
        break;
    }
    if (f.type != Type::Text) {
        const bool perSub = !f.subFactory.empty() && size_t(sub) < f.subFactory.size();
        o.insert(QStringLiteral("factory"), perSub ? f.subFactory[size_t(sub)] : f.factory);
    }
    if (f.reducedRange) {
        QJsonArray reduced;
        for (int ch = 0; ch < f.channels; ++ch) {
            const Limits l = limitsOf(f, ch, 2);
            reduced.append(QJsonObject{{QStringLiteral("channel"), ch + 1},
                                       {QStringLiteral("max"), l.max},
                                       {QStringLiteral("step"), l.step}});
        }
        o.insert(QStringLiteral("generation2"), reduced);
    }
    if (f.hundredths)
        o.insert(QStringLiteral("quantum"), 0.01);
    return o;
}

} // namespace

QByteArray describeJson()
{
    QJsonArray out;
    for (const Block &b : blocks()) {
        QJsonArray fields;
        for (const Message &m : b.messages) {
            for (int sub = 0; sub < std::max<int>(1, m.subCount); ++sub) {
                for (const Field &f : m.fields)
                    fields.append(fieldJson(b, m, f, sub));
            }
        }
        QJsonArray generations;
        for (int g = 1; g <= kGenerations; ++g) {
            if (b.inGeneration(g))
                generations.append(g);
        }
        QJsonArray actions;
        for (const Action &a : b.actions)
            actions.append(QJsonObject{{QStringLiteral("name"), QLatin1String(a.name)},
                                       {QStringLiteral("code"), a.code},
                                       {QStringLiteral("payload"), QLatin1String(a.payload)}});
        QJsonObject o{{QStringLiteral("name"), QLatin1String(b.name)},
                      {QStringLiteral("channels"), b.channels},
                      {QStringLiteral("frame_class"), b.frameClass},
                      {QStringLiteral("frame_type"), b.frameType},
                      {QStringLiteral("generations"), generations},
                      {QStringLiteral("meaning"), QLatin1String(b.meaning)},
                      {QStringLiteral("fields"), fields}};
        if (b.securityItem)
            o.insert(QStringLiteral("security_item"), b.securityItem);
        if (!actions.isEmpty())
            o.insert(QStringLiteral("actions"), actions);
        out.append(o);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("blocks"), out}}).toJson();
}

QString describeText()
{
    QStringList lines;
    for (const Block &b : blocks()) {
        const QString channels =
            b.channels ? QStringLiteral("channels 1-%1").arg(b.channels) : QStringLiteral("-");
        QString head = QStringLiteral("%1 (%2): %3")
                           .arg(QLatin1String(b.name), channels, QLatin1String(b.meaning));
        if (!b.inGeneration(2))
            head += QStringLiteral(" [first generation only]");
        lines << head;
        for (const Message &m : b.messages) {
            for (const Field &f : m.fields) {
                const FieldRef ref{&b, &m, &f, 0, 0};
                const QString name = m.subCount
                                         ? QStringLiteral("%1N.%2 (N 1-%3)")
                                               .arg(QLatin1String(m.subName), QLatin1String(f.name))
                                               .arg(m.subCount)
                                         : QString(QLatin1String(f.name));
                QString what;
                switch (f.type) {
                case Type::Bool:
                    what = QStringLiteral("on|off");
                    break;
                case Type::Enum: {
                    QStringList values;
                    for (const char *v : f.values)
                        values << QLatin1String(v);
                    what = values.size() > 8
                               ? QStringLiteral("%1 ... %2").arg(values.first(), values.last())
                               : values.join(QLatin1Char('|'));
                    break;
                }
                case Type::Text:
                    what = QStringLiteral("text, up to %1 bytes").arg(f.width);
                    break;
                case Type::Float:
                case Type::Int:
                    what = QStringLiteral("%1 to %2 %3%4")
                               .arg(f.limits.min)
                               .arg(f.limits.max)
                               .arg(QString::fromUtf8(f.unit),
                                    f.type == Type::Int ? QStringLiteral(", whole") : QString())
                               .replace(QStringLiteral("  "), QStringLiteral(" "));
                    break;
                }
                if (f.reducedRange)
                    what += QStringLiteral(" (second generation: outputs 1-4 to 218, 5-8 to 148)");
                QString where;
                if (f.isBlockWide())
                    where = QStringLiteral(" [channel -]");
                else if (f.channels != b.channels)
                    where = QStringLiteral(" [channels 1-%1]").arg(f.channels);
                if (!ref.writable())
                    where += QStringLiteral(" [read-only]");
                lines << QStringLiteral("  %1 %2%3").arg(name, -24).arg(what, where);
            }
        }
        for (const Action &a : b.actions)
            lines << QStringLiteral("  action %1: %2")
                         .arg(QLatin1String(a.name), QLatin1String(a.payload));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace model
