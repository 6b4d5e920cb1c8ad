// Names: BLOCK CHANNEL FIELD, and the look-ups behind them.
#include "model/model.h"

#include <QStringList>

#include <cstring>

namespace model {

namespace {

bool same(const char *name, QByteArrayView text)
{
    return name && QByteArrayView(name) == text;
}

// "band3.gain" of a message with sub-indexes: sub 2 and the field "gain".
const Field *subField(const Message &m, QByteArrayView name, int *sub)
{
    const QByteArrayView prefix(m.subName);
    if (!name.startsWith(prefix))
        return nullptr;
    const qsizetype dot = name.indexOf('.');
    if (dot <= prefix.size())
        return nullptr;
    bool ok = false;
    const int n = name.sliced(prefix.size(), dot - prefix.size()).toByteArray().toInt(&ok);
    if (!ok || n < 1 || n > m.subCount)
        return nullptr;
    for (const Field &f : m.fields) {
        if (same(f.name, name.sliced(dot + 1))) {
            if (sub)
                *sub = n - 1;
            return &f;
        }
    }
    return nullptr;
}

QString fieldList(const Block &b)
{
    QStringList names;
    for (const Message &m : b.messages) {
        for (const Field &f : m.fields) {
            names << (m.subCount ? QStringLiteral("%1N.%2").arg(QLatin1String(m.subName),
                                                                QLatin1String(f.name))
                                 : QLatin1String(f.name));
        }
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

const Field *Block::findField(QByteArrayView name, const Message **message, int *sub) const
{
    for (const Message &m : messages) {
        const Field *found = nullptr;
        if (m.subCount) {
            found = subField(m, name, sub);
        } else {
            for (const Field &f : m.fields) {
                if (same(f.name, name))
                    found = &f;
            }
        }
        if (found) {
            if (message)
                *message = &m;
            return found;
        }
    }
    return nullptr;
}

const Message *Block::findMessage(quint8 code, quint8 type) const
{
    for (const Message &m : messages) {
        if (m.code == code && (type == 0 || frameTypeOf(m) == type))
            return &m;
    }
    return nullptr;
}

const Action *Block::findAction(QByteArrayView name) const
{
    for (const Action &a : actions) {
        if (same(a.name, name))
            return &a;
    }
    return nullptr;
}

const Block *findBlock(QByteArrayView name)
{
    for (const Block &b : blocks()) {
        if (same(b.name, name))
            return &b;
    }
    return nullptr;
}

const Block *blockOf(quint8 frameClass, quint8 frameType)
{
    for (const Block &b : blocks()) {
        if (b.frameClass != frameClass)
            continue;
        for (const Message &m : b.messages) {
            if (b.frameTypeOf(m) == frameType)
                return &b;
        }
    }
    return nullptr;
}

std::optional<FieldRef> parseName(const QString &blockName, const QString &channel,
                                  const QString &fieldName, QString *error)
{
    const auto refuse = [&](const QString &why) -> std::optional<FieldRef> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    FieldRef ref;
    ref.block = findBlock(blockName.toLatin1());
    if (!ref.block) {
        QStringList names;
        for (const Block &b : blocks())
            names << QLatin1String(b.name);
        return refuse(QStringLiteral("unknown block \"%1\" (one of %2)")
                          .arg(blockName, names.join(QStringLiteral(", "))));
    }
    ref.field = ref.block->findField(fieldName.toLatin1(), &ref.message, &ref.sub);
    if (!ref.field)
        return refuse(QStringLiteral("%1 has no field \"%2\" (fields: %3)")
                          .arg(QLatin1String(ref.block->name), fieldName, fieldList(*ref.block)));
    const QString ch = channel.trimmed();
    if (ref.field->isBlockWide()) {
        if (ch != QLatin1String("-"))
            return refuse(QStringLiteral("%1 %2 belongs to the whole block: give - as the "
                                         "channel, not \"%3\"")
                              .arg(QLatin1String(ref.block->name), fieldName, channel));
        ref.channel = -1;
        return ref;
    }
    bool ok = false;
    const int n = ch.toInt(&ok);
    if (!ok || n < 1 || n > ref.field->channels)
        return refuse(QStringLiteral("channel must be a number from 1 to %1 for %2, not \"%3\"")
                          .arg(ref.field->channels)
                          .arg(QLatin1String(ref.block->name), channel));
    ref.channel = n - 1;
    return ref;
}

std::optional<FieldRef> parseName(const QString &name, QString *error)
{
    const QStringList parts = name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3) {
        if (error)
            *error = QStringLiteral("a name is BLOCK CHANNEL FIELD, not \"%1\"").arg(name);
        return std::nullopt;
    }
    return parseName(parts.at(0), parts.at(1), parts.at(2), error);
}

QString formatName(const FieldRef &ref)
{
    if (!ref.isValid())
        return {};
    const QString channel =
        ref.channel < 0 ? QStringLiteral("-") : QString::number(ref.channel + 1);
    const QString field = ref.message->subCount ? QStringLiteral("%1%2.%3")
                                                      .arg(QLatin1String(ref.message->subName))
                                                      .arg(ref.sub + 1)
                                                      .arg(QLatin1String(ref.field->name))
                                                : QString(QLatin1String(ref.field->name));
    return QStringLiteral("%1 %2 %3").arg(QLatin1String(ref.block->name), channel, field);
}

} // namespace model
