#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <variant>

// JSON-RPC 2.0 messages as the bridge takes and gives them: one object per message (no
// batches), params an object or left out.
namespace bridge::rpc {

enum ErrorCode {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    InternalError = -32603,
    NotAllowed = -32001,  // not allowed for this token (or no token given yet)
    Unreachable = -32002, // the processor is not connected or did not answer
    TooManyClients = -32003,
};

inline constexpr qsizetype kMaxMessage = 64 * 1024;

struct Request {
    QJsonValue id; // absent (undefined) for a notification
    QString method;
    QJsonObject params;
    bool isNotification() const { return id.isUndefined(); }
};

struct Failure {
    QJsonValue id; // null when the id could not be read
    int code;
    QString message;
};

// A request, or what is wrong with the message.
std::variant<Request, Failure> parse(const QByteArray &message);

QByteArray result(const QJsonValue &id, const QJsonValue &value);
QByteArray error(const QJsonValue &id, int code, const QString &message,
                 const QJsonValue &data = QJsonValue::Undefined);
QByteArray notification(const QString &method, const QJsonObject &params);

} // namespace bridge::rpc
