#include "bridgeserver.h"

#include "fleet.h"
#include "jsonrpc.h"
#include "lineclient.h"
#include "logging.h"
#include "metricstext.h"
#include "rpcservice.h"

#include <QWebSocket>

namespace bridge {

namespace {

constexpr auto kTryAgainLater = QWebSocketProtocol::CloseCode(1013);

QByteArray tooManyClients(int cap)
{
    return rpc::error(QJsonValue::Null, rpc::TooManyClients,
                      QStringLiteral("too many clients (at most %1)").arg(cap));
}

} // namespace

BridgeServer::BridgeServer(const BridgeConfig &config, Fleet &fleet, RpcService &service,
                           QObject *parent)
    : QObject(parent), m_config(config), m_fleet(fleet), m_service(service)
{
    m_http.route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get,
                 [this](const QHttpServerRequest &request) {
                     if (!authorized(request)) {
                         QHttpServerResponse denied(QByteArrayLiteral("text/plain"),
                                                    QByteArrayLiteral("a bearer token is needed\n"),
                                                    QHttpServerResponse::StatusCode::Unauthorized);
                         denied.setHeader(QByteArrayLiteral("WWW-Authenticate"),
                                          QByteArrayLiteral("Bearer"));
                         return denied;
                     }
                     return QHttpServerResponse(
                         QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8"),
                         renderMetrics(m_fleet.links(), m_fleet.now()));
                 });
    // Qt hands a connection to the WebSocket server only when a route takes the upgrade
    // request and writes nothing back; any other request at /ws is told to upgrade.
    m_http.route(QStringLiteral("/ws"),
                 [](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
                     if (request.value(QByteArrayLiteral("upgrade")).toLower() != "websocket")
                         responder.write(QByteArrayLiteral("a WebSocket lives here\n"),
                                         QByteArrayLiteral("text/plain"),
                                         QHttpServerResponder::StatusCode::UpgradeRequired);
                 });
    connect(&m_http, &QAbstractHttpServer::newWebSocketConnection, this,
            &BridgeServer::acceptWebSockets);
    connect(&m_lines, &QTcpServer::newConnection, this, &BridgeServer::acceptLines);
}

bool BridgeServer::listen(QString *error)
{
    m_httpPort = m_http.listen(m_config.listen, m_config.httpPort);
    if (m_httpPort == 0) {
        *error = QStringLiteral("cannot listen for HTTP on %1:%2")
                     .arg(m_config.listen.toString())
                     .arg(m_config.httpPort);
        return false;
    }
    if (!m_lines.listen(m_config.listen, m_config.tcpPort)) {
        *error = QStringLiteral("cannot listen for JSON-RPC lines on %1:%2 (%3)")
                     .arg(m_config.listen.toString())
                     .arg(m_config.tcpPort)
                     .arg(m_lines.errorString());
        return false;
    }
    return true;
}

bool BridgeServer::authorized(const QHttpServerRequest &request) const
{
    if (!m_config.tokensRequired())
        return true;
    const QByteArray header = request.value(QByteArrayLiteral("Authorization"));
    const QByteArray prefix = QByteArrayLiteral("Bearer ");
    if (!header.startsWith(prefix))
        return false;
    return m_service.roleOf(header.mid(prefix.size()).trimmed()).has_value();
}

bool BridgeServer::admit()
{
    if (m_clients >= m_config.maxClients) {
        if (!m_fullSaid)
            qCWarning(lcBridge) << "client refused: already" << m_clients << "clients";
        m_fullSaid = true;
        return false;
    }
    m_fullSaid = false;
    ++m_clients;
    return true;
}

void BridgeServer::acceptLines()
{
    while (QTcpSocket *socket = m_lines.nextPendingConnection()) {
        if (!admit()) {
            socket->write(tooManyClients(m_config.maxClients) + '\n');
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        auto *client = new LineClient(socket, m_service, this);
        connect(client, &LineClient::closed, this, [this, client] {
            --m_clients;
            client->deleteLater();
        });
    }
}

void BridgeServer::acceptWebSockets()
{
    while (m_http.hasPendingWebSocketConnections()) {
        QWebSocket *ws = m_http.nextPendingWebSocketConnection().release();
        ws->setParent(this);
        connect(ws, &QWebSocket::disconnected, ws, &QObject::deleteLater);
        if (ws->requestUrl().path() != QLatin1String("/ws")) {
            ws->close(QWebSocketProtocol::CloseCodePolicyViolated,
                      QStringLiteral("the WebSocket is at /ws"));
            continue;
        }
        if (!admit()) {
            ws->sendTextMessage(QString::fromUtf8(tooManyClients(m_config.maxClients)));
            ws->close(kTryAgainLater, QStringLiteral("too many clients"));
            continue;
        }
        ws->setMaxAllowedIncomingMessageSize(quint64(rpc::kMaxMessage));
        ws->setMaxAllowedIncomingFrameSize(quint64(rpc::kMaxMessage));
        const QString peer =
            QStringLiteral("ws %1:%2").arg(ws->peerAddress().toString()).arg(ws->peerPort());
        auto *session = new RpcSession(
            m_service.initialRole(), peer,
            [ws](const QByteArray &m) {
                // A client that does not read is not allowed to fill the memory.
                if (ws->bytesToWrite() > LineClient::kMaxUnsent)
                    ws->abort();
                else
                    ws->sendTextMessage(QString::fromUtf8(m));
            },
            [ws] { ws->close(QWebSocketProtocol::CloseCodePolicyViolated); }, ws);
        connect(ws, &QWebSocket::textMessageReceived, session,
                [this, session](const QString &m) { m_service.handle(*session, m.toUtf8()); });
        connect(ws, &QWebSocket::binaryMessageReceived, session,
                [this, session](const QByteArray &m) { m_service.handle(*session, m); });
        connect(ws, &QWebSocket::disconnected, this, [this] { --m_clients; });
    }
}

} // namespace bridge
