#include "lineclient.h"

#include "jsonrpc.h"
#include "logging.h"
#include "rpcservice.h"

namespace bridge {

LineClient::LineClient(QTcpSocket *socket, RpcService &service, QObject *parent)
    : QObject(parent), m_socket(socket), m_service(service)
{
    socket->setParent(this);
    const QString peer =
        QStringLiteral("tcp %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    m_session = new RpcSession(
        service.initialRole(), peer, [this](const QByteArray &m) { send(m); },
        [this] { m_socket->disconnectFromHost(); }, this);
    connect(socket, &QTcpSocket::readyRead, this, &LineClient::readLines);
    connect(socket, &QTcpSocket::disconnected, this, &LineClient::closed);
}

void LineClient::send(const QByteArray &message)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_socket->bytesToWrite() > kMaxUnsent) {
        qCInfo(lcBridge).noquote() << m_session->peer() << "reads too slowly; closed";
        m_socket->abort();
        return;
    }
    m_socket->write(message + '\n');
}

void LineClient::readLines()
{
    m_buffer.append(m_socket->readAll());
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end < 0) {
            if (m_buffer.size() > rpc::kMaxMessage) {
                // Too long already: say so once, then drop the rest of the line as it comes.
                if (!m_skipping)
                    send(rpc::error(
                        QJsonValue::Null, rpc::InvalidRequest,
                        QStringLiteral("message larger than %1 bytes").arg(rpc::kMaxMessage)));
                m_skipping = true;
                m_buffer.clear();
            }
            return;
        }
        QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        if (m_skipping) {
            m_skipping = false;
            continue;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        m_service.handle(*m_session, line);
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
}

} // namespace bridge
