// get and set of any block, driven by the description in src/model.
#include "blockfields.h"

#include "ctllink.h"

#include "protocol/devicetext.h"

#include <QJsonArray>
#include <QTextCodec>

namespace ctl {

namespace {

constexpr quint8 kSecurityGroup = 5;
constexpr quint8 kPageAccess = 1;
const QByteArray kLeavePage = QByteArrayLiteral("\x90\xA7");

bool isPresets(const model::Block &block)
{
    return block.frameClass == proto::ClassModule && block.frameType == 32;
}

bool isSecurity(const model::Block &block)
{
    return block.frameClass == proto::ClassSystem && block.frameType == kSecurityGroup;
}

// Whether a field belongs to channel (-1: the block-wide ones).
bool fieldOf(const model::Field &f, int channel)
{
    return channel < 0 ? f.isBlockWide() : !f.isBlockWide() && channel < f.channels;
}

QString keyOf(const model::Message &m, const model::Field &f, int sub)
{
    if (!m.subCount)
        return QLatin1String(f.name);
    return QStringLiteral("%1%2.%3")
        .arg(QLatin1String(m.subName))
        .arg(sub + 1)
        .arg(QLatin1String(f.name));
}

QJsonValue jsonValue(const model::Block &block, const model::Field &f, const model::Report &r,
                     int channel)
{
    switch (f.type) {
    case model::Type::Bool:
        return r.number(f, channel) != 0;
    case model::Type::Enum:
        return model::valueText(f, r.number(f, channel));
    case model::Type::Text:
        return shownText(block, r.text(f, channel));
    case model::Type::Float:
    case model::Type::Int:
        break;
    }
    return model::decimalNumber(f, r.number(f, channel));
}

// The mixer keeps the shape scripts know: "inputs": [{input, on, gain}].
void mixerInputs(QJsonObject &o)
{
    QJsonArray inputs;
    for (int i = 1; i <= 4; ++i) {
        const QString on = QStringLiteral("on%1").arg(i);
        const QString gain = QStringLiteral("gain%1").arg(i);
        inputs.append(QJsonObject{{QStringLiteral("input"), i},
                                  {QStringLiteral("on"), o.take(on)},
                                  {QStringLiteral("gain"), o.take(gain)}});
    }
    o.insert(QStringLiteral("inputs"), inputs);
}

} // namespace

QStringList fieldKeys(const model::Block &block, int channel)
{
    QStringList keys;
    for (const model::Message &m : block.messages) {
        for (int sub = 0; sub < std::max<int>(1, m.subCount); ++sub) {
            for (const model::Field &f : m.fields) {
                if (fieldOf(f, channel))
                    keys << keyOf(m, f, sub);
            }
        }
    }
    keys << QStringLiteral("inputs"); // the mixer's
    return keys;
}

QByteArray wireText(const model::Field &, const model::Block &block, const QString &text)
{
    if (isPresets(block)) { // preset names travel as Latin-1
        const QByteArray bytes = text.toLatin1();
        return QString::fromLatin1(bytes) == text ? bytes : QByteArray("\0", 1);
    }
    QTextCodec *codec = proto::deviceCodec();
    if (!codec)
        return text.toLatin1();
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QByteArray bytes = codec->fromUnicode(text.constData(), int(text.size()), &state);
    return state.invalidChars ? QByteArray("\0", 1) : bytes;
}

QString shownText(const model::Block &block, QByteArrayView bytes)
{
    QTextCodec *codec = proto::deviceCodec();
    if (isPresets(block) || !codec)
        return QString::fromLatin1(bytes);
    return codec->toUnicode(bytes.data(), int(bytes.size()));
}

std::optional<int> parseChannel(const model::Block &block, const QString &text, QString *error)
{
    const QString t = text.trimmed();
    bool blockWide = false;
    for (const model::Message &m : block.messages) {
        for (const model::Field &f : m.fields)
            blockWide = blockWide || f.isBlockWide();
    }
    if (t == QLatin1String("-") && blockWide)
        return -1;
    bool ok = false;
    const int n = t.toInt(&ok);
    if (!ok || n < 1 || n > block.channels) {
        *error = QStringLiteral("channel must be a number from 1 to %1%2 for %3, not \"%4\"")
                     .arg(block.channels)
                     .arg(blockWide ? QStringLiteral(" (or -)") : QString(),
                          QLatin1String(block.name), text);
        return std::nullopt;
    }
    return n - 1;
}

QList<int> channelsToRead(const model::Block &block)
{
    QList<int> channels;
    for (int c = -1; c < block.channels; ++c) {
        bool any = false;
        for (const model::Message &m : block.messages) {
            for (const model::Field &f : m.fields)
                any = any || fieldOf(f, c);
        }
        if (any)
            channels << c;
    }
    return channels;
}

std::optional<SetRequest> parseSet(const QString &block, const QString &channel,
                                   const QString &field, const QString &value, QString *error)
{
    const std::optional<model::FieldRef> ref = model::parseName(block, channel, field, error);
    if (!ref)
        return std::nullopt;
    SetRequest set{*ref, value, 0, {}};
    if (!ref->writable()) {
        *error =
            QStringLiteral("%1 is only reported, it cannot be set").arg(model::formatName(*ref));
        return std::nullopt;
    }
    if (ref->field->type == model::Type::Text) {
        set.text = wireText(*ref->field, *ref->block, value);
        if (!model::checkText(*ref->field, set.text)) {
            *error = QStringLiteral("%1 takes at most %2 bytes of %3 text, not \"%4\"")
                         .arg(field)
                         .arg(ref->field->width)
                         .arg(isPresets(*ref->block) ? QStringLiteral("Latin-1")
                                                     : QStringLiteral("the processor's"),
                              value);
            return std::nullopt;
        }
        return set;
    }
    // The first generation's limits are the widest; the processor's own come later.
    const std::optional<double> v = model::parseValue(*ref, value, 1, error);
    if (!v)
        return std::nullopt;
    set.value = *v;
    return set;
}

std::optional<int> readGeneration(CtlLink &link, QString *error)
{
    const auto version = link.request(proto::ClassSystem, 2, 2);
    if (!version || version->payload.size() != 3) {
        *error = QStringLiteral("the firmware version was not reported");
        return std::nullopt;
    }
    return quint8(version->payload.at(0)) == 2 ? 2 : 1;
}

std::optional<QByteArray> BlockReader::report(const model::FieldRef &ref, QString *error)
{
    const QByteArray address = model::requestPayload(ref);
    const QByteArray key = QByteArray(1, char(ref.frameType())) + char(ref.message->code) + address;
    if (const auto it = m_reports.constFind(key); it != m_reports.constEnd())
        return *it;
    const auto frame =
        m_link.request(ref.frameClass(), ref.frameType(), ref.message->code, address, address);
    if (!frame) {
        *error =
            QStringLiteral("%1 not reported (%2)").arg(model::formatName(ref), m_link.errorText());
        return std::nullopt;
    }
    const QByteArray &p = frame->payload;
    if (!model::Report::check(*ref.message, reinterpret_cast<const uchar *>(p.constData()),
                              p.size())) {
        *error = QStringLiteral("%1: the processor's report is malformed (%2 bytes: %3)")
                     .arg(model::formatName(ref))
                     .arg(p.size())
                     .arg(QString::fromLatin1(p.left(24).toHex(' ')));
        return std::nullopt;
    }
    m_reports.insert(key, p);
    return p;
}

std::optional<QJsonObject> BlockReader::channel(const model::Block &block, int channel,
                                                QString *error)
{
    QJsonObject o{
        {QStringLiteral("channel"), channel < 0 ? QJsonValue() : QJsonValue(channel + 1)}};
    for (const model::Message &m : block.messages) {
        for (int sub = 0; sub < std::max<int>(1, m.subCount); ++sub) {
            const model::Field *first = nullptr;
            for (const model::Field &f : m.fields) {
                if (!first && fieldOf(f, channel))
                    first = &f;
            }
            if (!first)
                continue;
            const std::optional<QByteArray> bytes =
                report(model::FieldRef{&block, &m, first, channel, sub}, error);
            if (!bytes)
                return std::nullopt;
            const auto r = model::Report::check(
                m, reinterpret_cast<const uchar *>(bytes->constData()), bytes->size());
            for (const model::Field &f : m.fields) {
                if (fieldOf(f, channel))
                    o.insert(keyOf(m, f, sub), jsonValue(block, f, *r, channel));
            }
        }
    }
    if (block.frameClass == proto::ClassModule && block.frameType == 7)
        mixerInputs(o);
    return o;
}

SetOutcome applySet(CtlLink &link, const SetRequest &set, const QByteArray &lockPassword)
{
    SetOutcome out;
    const model::FieldRef &ref = set.ref;
    const model::Block &block = *ref.block;
    int generation = 1;
    if (!block.inGeneration(2) || ref.field->reducedRange) {
        const std::optional<int> g = readGeneration(link, &out.error);
        if (!g)
            return out;
        generation = *g;
    }
    if (!block.inGeneration(generation)) {
        out.error = QStringLiteral("this processor has no %1 block").arg(QLatin1String(block.name));
        out.refused = true;
        return out;
    }
    double value = set.value;
    if (ref.field->type != model::Type::Text) {
        const std::optional<double> v = model::parseValue(ref, set.typed, generation, &out.error);
        if (!v) {
            out.error += QStringLiteral(" on this processor");
            out.refused = true;
            return out;
        }
        value = *v;
    }

    BlockReader reader(link);
    QByteArray payload;
    if (ref.field->type == model::Type::Text) {
        payload = model::setTextPayload(ref, set.text);
    } else if (ref.message->blockSet()) {
        // One set carries the block: send back what the processor holds, one field changed.
        const std::optional<QByteArray> stored = reader.report(ref, &out.error);
        if (!stored)
            return out;
        payload = model::setPayload(ref, value, *stored);
    } else {
        payload = model::setPayload(ref, value);
    }
    if (payload.isEmpty() && ref.field->type != model::Type::Text) {
        out.error = QStringLiteral("%1 cannot be set").arg(model::formatName(ref));
        return out;
    }

    bool opened = false;
    if (isSecurity(block)) {
        // As the security page: open it with the lock password, change, leave.
        const auto access = link.request(proto::ClassSystem, kSecurityGroup, kPageAccess);
        if (!access || access->payload.size() != 1) {
            out.error =
                QStringLiteral("the security page did not answer (%1)").arg(link.errorText());
            return out;
        }
        if (access->payload.at(0) == 0) {
            link.send(proto::ClassSystem, kSecurityGroup, kPageAccess, proto::DirSet, lockPassword);
            const auto again = link.request(proto::ClassSystem, kSecurityGroup, kPageAccess);
            if (!again || again->payload.size() != 1 || again->payload.at(0) == 0) {
                out.error = QStringLiteral("the security page did not open: lock password refused");
                out.locked = true;
                return out;
            }
            opened = true;
        }
    }
    link.send(ref.frameClass(), ref.frameType(), ref.setCode(), proto::DirSet, payload);
    QString readError;
    reader.clear();
    out.after = reader.channel(block, ref.channel, &readError);
    if (opened)
        link.send(proto::ClassSystem, kSecurityGroup, kPageAccess, proto::DirSet, kLeavePage);
    if (!out.after)
        out.error =
            QStringLiteral("the processor did not report the value back: %1").arg(readError);
    return out;
}

} // namespace ctl

namespace ctl {

QString helpBlocks()
{
    QStringList lines;
    for (const model::Block &b : model::blocks()) {
        QStringList names;
        QString previousStem;
        for (const model::Message &m : b.messages) {
            for (const model::Field &f : m.fields) {
                QString name = m.subCount ? QStringLiteral("%1N.%2").arg(QLatin1String(m.subName),
                                                                         QLatin1String(f.name))
                                          : QString(QLatin1String(f.name));
                // gain1 ... gain4 read as gainN, in-filter.band1 ... band16 as in-filter.bandN.
                qsizetype digits = name.size();
                while (digits > 0 && name.at(digits - 1).isDigit())
                    --digits;
                if (digits < name.size()) {
                    const QString stem = name.left(digits);
                    if (stem == previousStem)
                        continue;
                    previousStem = stem;
                    name = stem + QLatin1Char('N');
                }
                if (f.isBlockWide() && b.channels)
                    name += QLatin1String("(-)");
                if (!model::FieldRef{&b, &m, &f, 0, 0}.writable())
                    name += QLatin1Char('*');
                names << name;
            }
        }
        QString line = QStringLiteral("  %1 %2")
                           .arg(QLatin1String(b.name), -11)
                           .arg(names.join(QStringLiteral(", ")));
        // Wrapped at 92 columns under the field list.
        while (line.size() > 92) {
            const qsizetype cut = line.lastIndexOf(QLatin1Char(' '), 92);
            lines << line.left(cut);
            line = QString(14, QLatin1Char(' ')) + line.mid(cut + 1);
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace ctl
