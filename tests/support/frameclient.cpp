#include "frameclient.h"

#include <QTest>

namespace testsupport {

FrameClient::FrameClient()
{
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { readAvailable(); });
}

bool FrameClient::connectTo(const QHostAddress &address, quint16 port, int timeoutMs)
{
    m_socket.connectToHost(address, port);
    (void)QTest::qWaitFor(
        [this] {
            return m_socket.state() == QAbstractSocket::ConnectedState ||
                   m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return false;
    // Small Frames back to back must not wait for delayed acknowledgements.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void FrameClient::disconnectFromHost()
{
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(1000);
}

void FrameClient::readAvailable()
{
    m_assembler.append(m_socket.readAll());
    proto::Frame f;
    while (m_assembler.next(f))
        m_received.append(f);
}

void FrameClient::send(const proto::Frame &frame)
{
    sendRaw(proto::encodeFrame(frame));
}

void FrameClient::send(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
                       const QByteArray &payload)
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = frameClass;
    f.frameType = frameType;
    f.paramCode = paramCode;
    f.direction = direction;
    f.payload = payload;
    send(f);
}

void FrameClient::sendRaw(const QByteArray &bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

std::optional<proto::Frame>
FrameClient::waitFor(const std::function<bool(const proto::Frame &)> &match, int timeoutMs)
{
    std::optional<proto::Frame> found;
    const auto take = [&] {
        for (qsizetype i = 0; i < m_received.size(); ++i) {
            if (match(m_received.at(i))) {
                found = m_received.takeAt(i);
                return true;
            }
        }
        return false;
    };
    if (!take())
        (void)QTest::qWaitFor(take, timeoutMs);
    return found;
}

std::optional<proto::Frame> FrameClient::waitForReport(quint8 frameClass, quint8 frameType,
                                                       quint8 paramCode, int timeoutMs)
{
    return waitFor(
        [=](const proto::Frame &f) {
            return f.frameClass == frameClass && f.frameType == frameType &&
                   f.paramCode == paramCode && f.direction == proto::DirReport;
        },
        timeoutMs);
}

std::optional<proto::Frame> FrameClient::request(quint8 frameClass, quint8 frameType,
                                                 quint8 paramCode, const QByteArray &payload,
                                                 int timeoutMs)
{
    // A stale report of the same kind must not stand in for the answer.
    m_received.removeIf([=](const proto::Frame &f) {
        return f.frameClass == frameClass && f.frameType == frameType && f.paramCode == paramCode &&
               f.direction == proto::DirReport;
    });
    send(frameClass, frameType, paramCode, proto::DirRequest, payload);
    return waitForReport(frameClass, frameType, paramCode, timeoutMs);
}

bool FrameClient::expectNothing(quint8 frameClass, quint8 frameType, quint8 paramCode,
                                int timeoutMs)
{
    return !waitForReport(frameClass, frameType, paramCode, timeoutMs);
}

} // namespace testsupport
