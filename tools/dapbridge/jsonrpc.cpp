#include "jsonrpc.h"

#include <QJsonDocument>

namespace bridge::rpc {

namespace {

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject envelope(const QJsonValue &id)
{
    QJsonObject o{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}};
    o.insert(QStringLiteral("id"), id.isUndefined() ? QJsonValue(QJsonValue::Null) : id);
    return o;
}

} // namespace

std::variant<Request, Failure> parse(const QByteArray &message)
{
    if (message.size() > kMaxMessage)
        return Failure{QJsonValue::Null, InvalidRequest,
                       QStringLiteral("message larger than %1 bytes").arg(kMaxMessage)};
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(message, &parseError);
    // A lone number or string is JSON, only not a request; the parser takes none at the top.
    if (parseError.error != QJsonParseError::NoError &&
        QJsonDocument::fromJson('[' + message + ']').isArray())
        return Failure{QJsonValue::Null, InvalidRequest, QStringLiteral("not a request object")};
    if (parseError.error != QJsonParseError::NoError)
        return Failure{QJsonValue::Null, ParseError,
                       QStringLiteral("parse error at byte %1: %2")
                           .arg(parseError.offset)
                           .arg(parseError.errorString())};
    if (doc.isArray())
        return Failure{QJsonValue::Null, InvalidRequest,
                       QStringLiteral("batches are not taken: send one request per message")};
    if (!doc.isObject())
        return Failure{QJsonValue::Null, InvalidRequest, QStringLiteral("not a request object")};
    const QJsonObject o = doc.object();
    Request r;
    r.id = o.value(QStringLiteral("id"));
    if (!r.id.isUndefined() && !r.id.isString() && !r.id.isDouble() && !r.id.isNull())
        return Failure{QJsonValue::Null, InvalidRequest,
                       QStringLiteral("id must be a string, a number or null")};
    const QJsonValue id = r.id.isUndefined() ? QJsonValue(QJsonValue::Null) : r.id;
    if (o.value(QStringLiteral("jsonrpc")) != QLatin1String("2.0"))
        return Failure{id, InvalidRequest, QStringLiteral("jsonrpc must be \"2.0\"")};
    const QJsonValue method = o.value(QStringLiteral("method"));
    if (!method.isString() || method.toString().isEmpty())
        return Failure{id, InvalidRequest, QStringLiteral("method must be a string")};
    r.method = method.toString();
    const QJsonValue params = o.value(QStringLiteral("params"));
    if (!params.isUndefined() && !params.isObject())
        return Failure{id, InvalidParams, QStringLiteral("params must be an object")};
    r.params = params.toObject();
    return r;
}

QByteArray result(const QJsonValue &id, const QJsonValue &value)
{
    QJsonObject o = envelope(id);
    o.insert(QStringLiteral("result"), value);
    return compact(o);
}

QByteArray error(const QJsonValue &id, int code, const QString &message, const QJsonValue &data)
{
    QJsonObject e{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    if (!data.isUndefined())
        e.insert(QStringLiteral("data"), data);
    QJsonObject o = envelope(id);
    o.insert(QStringLiteral("error"), e);
    return compact(o);
}

QByteArray notification(const QString &method, const QJsonObject &params)
{
    return compact(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                               {QStringLiteral("method"), method},
                               {QStringLiteral("params"), params}});
}

} // namespace bridge::rpc
