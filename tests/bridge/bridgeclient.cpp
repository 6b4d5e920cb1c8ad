#include "bridgeclient.h"

#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

BridgeProcess::BridgeProcess(QJsonObject config) : m_config(std::move(config))
{
    for (const char *key : {"http_port", "tcp_port"}) {
        if (!m_config.contains(QLatin1String(key)))
            m_config.insert(QLatin1String(key), 0);
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QObject::connect(&m_process, &QProcess::readyRead, &m_process,
                     [this] { m_output += m_process.readAll(); });
}

BridgeProcess::~BridgeProcess()
{
    stop();
}

bool BridgeProcess::start(int timeoutMs)
{
    const QString path = m_dir.filePath(QStringLiteral("bridge.json"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    f.write(QJsonDocument(m_config).toJson());
    f.close();
    m_process.start(QStringLiteral(DAP_BIN_DIR "/dapbridge"), {QStringLiteral("--config"), path});
    const QRegularExpression http(QStringLiteral("http on [^ ]+:(\\d+) "));
    const QRegularExpression lines(QStringLiteral("json-rpc lines on [^ ]+:(\\d+)"));
    (void)QTest::qWaitFor(
        [&] {
            return m_process.state() == QProcess::NotRunning ||
                   (http.match(output()).hasMatch() && lines.match(output()).hasMatch());
        },
        timeoutMs);
    m_httpPort = quint16(http.match(output()).captured(1).toUInt());
    m_tcpPort = quint16(lines.match(output()).captured(1).toUInt());
    if (m_httpPort == 0 || m_tcpPort == 0) {
        m_error = QStringLiteral("dapbridge did not start: ") + output();
        return false;
    }
    return true;
}

void BridgeProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

RpcClient::RpcClient()
{
    QObject::connect(&m_tcp, &QTcpSocket::readyRead, &m_tcp, [this] {
        m_buffer += m_tcp.readAll();
        for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0;) {
            take(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
        }
    });
    QObject::connect(&m_ws, &QWebSocket::textMessageReceived, &m_ws,
                     [this](const QString &m) { take(m.toUtf8()); });
}

void RpcClient::take(const QByteArray &message)
{
    m_received.append(QJsonDocument::fromJson(message).object());
}

bool RpcClient::connectLines(quint16 port)
{
    m_tcp.connectToHost(QHostAddress::LocalHost, port);
    return m_tcp.waitForConnected(3000);
}

void RpcClient::openWebSocket(quint16 httpPort, const QString &path)
{
    m_useWs = true;
    m_ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(httpPort).arg(path)));
}

bool RpcClient::connectWebSocket(quint16 httpPort, const QString &path)
{
    openWebSocket(httpPort, path);
    return QTest::qWaitFor([this] { return m_ws.state() == QAbstractSocket::ConnectedState; },
                           3000);
}

bool RpcClient::isOpen() const
{
    return m_useWs ? m_ws.state() == QAbstractSocket::ConnectedState
                   : m_tcp.state() == QAbstractSocket::ConnectedState;
}

bool RpcClient::waitClosed(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !isOpen(); }, timeoutMs);
}

void RpcClient::sendRaw(const QByteArray &message)
{
    if (m_useWs) {
        m_ws.sendTextMessage(QString::fromUtf8(message));
    } else {
        m_tcp.write(message + '\n');
        m_tcp.flush();
    }
}

std::optional<QJsonObject> RpcClient::call(const QString &method, const QJsonObject &params,
                                           int timeoutMs)
{
    const int id = m_nextId++;
    QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
    if (!params.isEmpty())
        request.insert("params", params);
    sendRaw(QJsonDocument(request).toJson(QJsonDocument::Compact));
    return waitForId(id, timeoutMs);
}

std::optional<QJsonObject> RpcClient::waitForId(const QJsonValue &id, int timeoutMs)
{
    std::optional<QJsonObject> found;
    (void)QTest::qWaitFor(
        [&] {
            for (qsizetype i = 0; i < m_received.size(); ++i) {
                if (m_received.at(i).contains("id") && m_received.at(i).value("id") == id) {
                    found = m_received.takeAt(i);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::optional<QJsonObject> RpcClient::waitForNotification(const QString &method, int timeoutMs)
{
    std::optional<QJsonObject> found;
    (void)QTest::qWaitFor(
        [&] {
            for (qsizetype i = 0; i < m_received.size(); ++i) {
                if (!m_received.at(i).contains("id") &&
                    m_received.at(i).value("method") == method) {
                    found = m_received.takeAt(i);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

int errorCode(const QJsonObject &answer)
{
    return answer.contains("error") ? answer.value("error").toObject().value("code").toInt() : 0;
}

std::pair<int, QByteArray> httpGet(quint16 port, const QString &path, const QByteArray &token,
                                   int timeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token);
    QNetworkReply *reply = manager.get(request);
    (void)QTest::qWaitFor([reply] { return reply->isFinished(); }, timeoutMs);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return {status, body};
}
