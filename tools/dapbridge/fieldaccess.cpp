#include "fieldaccess.h"

#include "devices/broadcastmsg.h"
#include "linkcore/reportmatch.h"

#include <cmath>

namespace bridge {

namespace {

proto::Frame frame(const model::FieldRef &ref, quint8 code, quint8 direction, QByteArray payload)
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = ref.frameClass();
    f.frameType = ref.frameType();
    f.paramCode = code;
    f.direction = direction;
    f.payload = std::move(payload);
    return f;
}

} // namespace

std::optional<model::FieldRef> fieldFromParams(const QJsonObject &params, QString *error)
{
    const QJsonValue block = params.value(QStringLiteral("block"));
    const QJsonValue channel = params.value(QStringLiteral("channel"));
    const QJsonValue field = params.value(QStringLiteral("field"));
    if (!block.isString() || !field.isString()) {
        *error = QStringLiteral("\"block\" and \"field\" must be strings");
        return std::nullopt;
    }
    QString channelText;
    if (channel.isUndefined() || channel.isNull()) {
        channelText = QStringLiteral("-");
    } else if (channel.isString()) {
        channelText = channel.toString();
    } else if (channel.isDouble() && std::isfinite(channel.toDouble()) &&
               channel.toDouble() == std::floor(channel.toDouble()) &&
               std::abs(channel.toDouble()) < 1e6) {
        channelText = QString::number(qint64(channel.toDouble()));
    } else {
        *error = QStringLiteral("\"channel\" must be a whole number from 1, or \"-\"");
        return std::nullopt;
    }
    return model::parseName(block.toString(), channelText, field.toString(), error);
}

QJsonObject fieldName(const model::FieldRef &ref)
{
    const QStringList parts = model::formatName(ref).split(QLatin1Char(' '));
    const QJsonValue channel =
        ref.channel < 0 ? QJsonValue(QStringLiteral("-")) : QJsonValue(ref.channel + 1);
    return {{QStringLiteral("block"), QLatin1String(ref.block->name)},
            {QStringLiteral("channel"), channel},
            {QStringLiteral("field"), parts.value(2)}};
}

proto::Frame fieldRequest(const model::FieldRef &ref)
{
    return frame(ref, ref.message->code, proto::DirRequest, model::requestPayload(ref));
}

std::optional<model::Report> fieldReport(const model::FieldRef &ref, const proto::Frame &f)
{
    if (!linkcore::answers(f, ref.frameClass(), ref.frameType(), ref.message->code,
                           model::requestPayload(ref)))
        return std::nullopt;
    std::optional<model::Report> report = model::Report::check(
        *ref.message, reinterpret_cast<const uchar *>(f.payload.constData()), f.payload.size());
    if (!report)
        return std::nullopt;
    if (ref.message->shape == model::ReportShape::ChannelFirst &&
        (report->channel() != ref.channel || report->sub() != ref.sub))
        return std::nullopt;
    return report;
}

QJsonValue fieldValue(const model::FieldRef &ref, const model::Report &report)
{
    const model::Field &f = *ref.field;
    const int channel = std::max(0, ref.channel);
    if (f.type == model::Type::Text)
        return devices::fromDeviceText(report.text(f, channel).toByteArray());
    const double raw = report.number(f, channel);
    switch (f.type) {
    case model::Type::Bool:
        return raw != 0.0;
    case model::Type::Enum:
        return model::valueText(f, raw);
    default:
        return model::decimalNumber(f, raw);
    }
}

bool bridgeMaySet(const model::FieldRef &ref, QString *error)
{
    if (!ref.writable()) {
        *error =
            QStringLiteral("%1 is only reported, it cannot be set").arg(model::formatName(ref));
        return false;
    }
    if (QByteArrayView(ref.block->name) == "security") {
        *error = QStringLiteral("lock states are changed on the security page, not by the bridge");
        return false;
    }
    return true;
}

std::optional<proto::Frame> fieldSet(const model::FieldRef &ref, const QJsonValue &value,
                                     int generation, QByteArrayView stored, QString *error)
{
    if (!bridgeMaySet(ref, error))
        return std::nullopt;
    const model::Field &f = *ref.field;
    if (f.type == model::Type::Text) {
        const QByteArray bytes = devices::toDeviceText(value.toString());
        if (!value.isString() || bytes.contains('\0') || !model::checkText(f, bytes)) {
            *error = QStringLiteral("%1 takes a text of at most %2 bytes")
                         .arg(QLatin1String(f.name))
                         .arg(f.width);
            return std::nullopt;
        }
        return frame(ref, ref.setCode(), proto::DirSet, model::setTextPayload(ref, bytes));
    }
    QString text;
    if (value.isBool())
        text = value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    else if (value.isDouble())
        text = QString::number(value.toDouble(), 'g', 17);
    else if (value.isString())
        text = value.toString();
    else {
        *error = QStringLiteral("\"value\" must be a number, true/false or a text");
        return std::nullopt;
    }
    const std::optional<double> v = model::parseValue(ref, text, generation, error);
    if (!v)
        return std::nullopt;
    const QByteArray payload = model::setPayload(ref, *v, stored);
    if (payload.isEmpty()) {
        *error = QStringLiteral("%1 cannot be set").arg(model::formatName(ref));
        return std::nullopt;
    }
    return frame(ref, ref.setCode(), proto::DirSet, payload);
}

} // namespace bridge
