#include "transport.h"

#include "logging.h"
#include "router.h"

#include <cstring>

namespace proto {

namespace {
Transport *s_instance = nullptr;
}

Transport &Transport::instance()
{
    static Transport transport;
    return transport;
}

Transport::Transport()
{
    s_instance = this;
    m_staleTimer.setSingleShot(true);
    connect(&m_staleTimer, &QTimer::timeout, this, &Transport::releaseStale);
}

void Transport::releaseStale()
{
    if (m_router)
        drain(*m_router);
}

Transport::~Transport()
{
    s_instance = nullptr;
}

void Transport::forgetRouter(const FrameRouter *router)
{
    if (s_instance && s_instance->m_router == router) {
        s_instance->m_router = nullptr;
        s_instance->m_staleTimer.stop();
    }
}

void Transport::setCurrentSocket(QAbstractSocket *socket)
{
    if (socket == m_socket)
        return;
    flushWrites(); // what was sent to the old processor still goes to it
    QObject::disconnect(m_disconnectConnection);
    QObject::disconnect(m_stateConnection);
    m_assembler.clear();
    m_staleTimer.stop();
    m_socket = socket;
    emit linkChanged();
    if (socket) {
        m_stateConnection =
            connect(socket, &QAbstractSocket::stateChanged, this, &Transport::linkChanged);
        m_disconnectConnection = connect(socket, &QAbstractSocket::stateChanged, this,
                                         [this, socket](QAbstractSocket::SocketState state) {
                                             if (socket == m_socket)
                                                 socketStateChanged(state);
                                         });
    }
    emit connectionChanged();
}

void Transport::socketStateChanged(QAbstractSocket::SocketState state)
{
    // A half Frame from an earlier connection must not prefix the next one.
    if (state == QAbstractSocket::UnconnectedState)
        m_assembler.clear();
    if (state == QAbstractSocket::UnconnectedState || state == QAbstractSocket::ConnectedState)
        emit connectionChanged();
}

bool Transport::isLinked() const
{
    return m_sink || (m_socket && m_socket->state() == QAbstractSocket::ConnectedState);
}

void Transport::sendFrame(quint8 frameClass, quint8 frameType, quint8 paramCode,
                          quint8 direction, const void *payload, quint16 length)
{
    const int size = encodeFrame(m_sendBuffer, kSendBufferSize, m_frameCode, frameClass,
                                 frameType, paramCode, direction, payload, length);
    if (size < 0) {
        qCDebug(lcProtocol, "frame %u/%u/%u refused: payload of %u bytes is over %d", frameClass,
                frameType, paramCode, unsigned(length), kMaxPayload);
        return;
    }
    writeToDevice(m_sendBuffer, size);
}

void Transport::sendSetMessage(quint8 moduleId, quint8 paramCode, quint8 channel,
                               const void *value, quint16 valueLength)
{
    if (valueLength >= kMaxPayload) {
        qCDebug(lcProtocol, "set message %u/%u refused: value of %u bytes", moduleId, paramCode,
                unsigned(valueLength));
        return;
    }
    char payload[kMaxPayload];
    payload[0] = char(channel);
    if (valueLength > 0)
        std::memcpy(payload + 1, value, valueLength);
    sendFrame(ClassModule, moduleId, paramCode, DirSet, payload, quint16(valueLength + 1));
}

void Transport::writeToDevice(const char *bytes, qsizetype count)
{
    if (m_sink) {
        m_sink(QByteArray(bytes, count));
        return;
    }
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes, count);
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &Transport::flushWrites, Qt::QueuedConnection);
    }
}

void Transport::flushWrites()
{
    m_flushQueued = false;
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
}

void Transport::receive(const FrameRouter &router)
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    receiveBytes(bytes, router);
}

void Transport::receiveBytes(const QByteArray &bytes, const FrameRouter &router)
{
    m_router = &router;
    m_assembler.append(bytes);
    drain(router);
}

void Transport::drain(const FrameRouter &router)
{
    // A handler may send, open a dialog or switch the socket; each Frame leaves the buffer
    // before its handler runs, so a nested call sees a consistent buffer.
    Frame frame;
    while (m_assembler.next(frame))
        router.route(frame);
    const qint64 stale = m_assembler.msUntilStale();
    if (stale >= 0)
        m_staleTimer.start(int(stale) + 1);
    else
        m_staleTimer.stop();
}

void sendFrame(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
               const void *payload, quint16 length)
{
    Transport::instance().sendFrame(frameClass, frameType, paramCode, direction, payload, length);
}

void sendSetMessage(quint8 moduleId, quint8 paramCode, quint8 channel, const void *value,
                    quint16 valueLength)
{
    Transport::instance().sendSetMessage(moduleId, paramCode, channel, value, valueLength);
}

void writeToDevice(const char *bytes, qsizetype count)
{
    Transport::instance().writeToDevice(bytes, count);
}

} // namespace proto
