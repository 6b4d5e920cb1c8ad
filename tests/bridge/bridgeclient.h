#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>

#include <optional>

// Runs build/bin/dapbridge for the life of the object with a configuration written to a
// private temporary file. Ports left out of the configuration are 0: the bridge picks free
// ones and start() reads them from what it prints.
class BridgeProcess {
public:
    explicit BridgeProcess(QJsonObject config);
    ~BridgeProcess();

    bool start(int timeoutMs = 10000);
    void stop();
    quint16 httpPort() const { return m_httpPort; }
    quint16 tcpPort() const { return m_tcpPort; }
    QString output() const { return QString::fromLocal8Bit(m_output); }
    QString errorText() const { return m_error; }

private:
    QJsonObject m_config;
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
    QString m_error;
    quint16 m_httpPort = 0;
    quint16 m_tcpPort = 0;
};

// A JSON-RPC client on the bridge's TCP lines or on its WebSocket; messages queue until a
// wait takes them.
class RpcClient {
public:
    RpcClient();
    bool connectLines(quint16 port);
    bool connectWebSocket(quint16 httpPort, const QString &path = QStringLiteral("/ws"));
    // Starts opening without waiting.
    void openWebSocket(quint16 httpPort, const QString &path = QStringLiteral("/ws"));
    bool isOpen() const;
    // Closes the connection and says when it is gone.
    bool waitClosed(int timeoutMs = 3000);

    void sendRaw(const QByteArray &message);
    // Sends a request with a fresh id and waits for its answer (result or error object).
    std::optional<QJsonObject> call(const QString &method, const QJsonObject &params = {},
                                    int timeoutMs = 5000);
    // The next message with this id, or the next notification (id undefined) of method.
    std::optional<QJsonObject> waitForId(const QJsonValue &id, int timeoutMs = 5000);
    std::optional<QJsonObject> waitForNotification(const QString &method, int timeoutMs = 5000);
    QList<QJsonObject> &received() { return m_received; }

private:
    void take(const QByteArray &message);

    QTcpSocket m_tcp;
    QWebSocket m_ws;
    bool m_useWs = false;
    QByteArray m_buffer;
    QList<QJsonObject> m_received;
    int m_nextId = 1;
};

// The error code of an answer, 0 for a result.
int errorCode(const QJsonObject &answer);
// GET http://127.0.0.1:port/path with an optional bearer token: status and body.
std::pair<int, QByteArray> httpGet(quint16 port, const QString &path, const QByteArray &token = {},
                                   int timeoutMs = 5000);
