#pragma once

#include "bridgeconfig.h"
#include "jsonrpc.h"
#include "rpcsession.h"
#include "subscriptions.h"

#include <QHash>
#include <QObject>

#include <optional>

namespace bridge {

class Fleet;
class ProcessorLink;

// The methods of the bridge, the same over TCP lines and WebSockets: checks each request's
// token role and params where it enters, then answers (at once, or when the processor has).
class RpcService : public QObject {
    Q_OBJECT
public:
    RpcService(Fleet &fleet, const BridgeConfig &config, QObject *parent = nullptr);

    // What a new client may do before any auth call.
    RpcSession::Role initialRole() const;
    // The role a token grants, compared in constant time; nothing for an unknown token.
    std::optional<RpcSession::Role> roleOf(const QByteArray &token) const;

    // One message of a client: answered on the session unless it is a notification.
    void handle(RpcSession &session, const QByteArray &message);

    Fleet &fleet() { return m_fleet; }

private:
    using Handler = void (RpcService::*)(RpcSession &, const rpc::Request &);
    struct Method {
        RpcSession::Role needs;
        QStringList params; // the keys it takes
        Handler handler;
    };

    void auth(RpcSession &s, const rpc::Request &r);
    void processors(RpcSession &s, const rpc::Request &r);
    void release(RpcSession &s, const rpc::Request &r);
    void resume(RpcSession &s, const rpc::Request &r);
    void presetRecall(RpcSession &s, const rpc::Request &r);
    // Fields, in fieldmethods.cpp.
    void describe(RpcSession &s, const rpc::Request &r);
    void get(RpcSession &s, const rpc::Request &r);
    void set(RpcSession &s, const rpc::Request &r);
    void subscribe(RpcSession &s, const rpc::Request &r);
    void unsubscribe(RpcSession &s, const rpc::Request &r);
    // The field a get or set names on an up processor of a generation that has it; nothing
    // (with the error sent) otherwise.
    std::optional<model::FieldRef> namedField(RpcSession &s, const rpc::Request &r,
                                              ProcessorLink *link);
    std::optional<QList<model::FieldRef>> namedFields(RpcSession &s, const rpc::Request &r);

    // The processor a request names, up; nothing (with the error sent) otherwise.
    ProcessorLink *upProcessor(RpcSession &s, const rpc::Request &r);
    ProcessorLink *namedProcessor(RpcSession &s, const rpc::Request &r);

    Fleet &m_fleet;
    QByteArray m_monitorToken;
    QByteArray m_controlToken;
    QHash<QString, Method> m_methods;
    SubscriptionHub m_hub;
    QJsonObject m_description;
};

// Answers of a method: nothing goes back for a notification.
void reply(RpcSession &s, const rpc::Request &r, const QJsonValue &value);
void fail(RpcSession &s, const rpc::Request &r, int code, const QString &message,
          const QJsonValue &data = QJsonValue::Undefined);
// A whole number param within [lo, hi].
std::optional<qint64> wholeParam(const QJsonObject &params, const QString &key, qint64 lo,
                                 qint64 hi);

} // namespace bridge
