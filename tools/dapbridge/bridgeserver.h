#pragma once

#include "bridgeconfig.h"

#include <QHttpServer>
#include <QObject>
#include <QTcpServer>

namespace bridge {

class Fleet;
class RpcService;

// The bridge's two ports: HTTP (GET /metrics, the WebSocket at /ws) and JSON-RPC lines on
// TCP. Clients of both count against one cap; one over it is told so and closed, the others
// stay.
class BridgeServer : public QObject {
    Q_OBJECT
public:
    BridgeServer(const BridgeConfig &config, Fleet &fleet, RpcService &service,
                 QObject *parent = nullptr);

    bool listen(QString *error);
    quint16 httpPort() const { return m_httpPort; }
    quint16 tcpPort() const { return m_lines.serverPort(); }
    int clientCount() const { return m_clients; }

private:
    void acceptLines();
    void acceptWebSockets();
    // Counts a client in, or says why not.
    bool admit();
    bool authorized(const QHttpServerRequest &request) const;

    BridgeConfig m_config;
    Fleet &m_fleet;
    RpcService &m_service;
    QHttpServer m_http;
    QTcpServer m_lines;
    quint16 m_httpPort = 0;
    int m_clients = 0;
    bool m_fullSaid = false;
};

} // namespace bridge
