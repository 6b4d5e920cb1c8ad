#pragma once

#include "assembler.h"
#include "frame.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace proto {

class FrameRouter;

// The one connection to the selected processor: `currentSocket`, `frameCode`, the send
// buffer and the receive buffer of the current socket. One instance for the program.
class Transport : public QObject {
    Q_OBJECT
public:
    static Transport &instance();

    QAbstractSocket *currentSocket() const { return m_socket; }
    // Makes socket the current one; bytes buffered from the previous socket are dropped.
    void setCurrentSocket(QAbstractSocket *socket);

    quint16 frameCode() const { return m_frameCode; }
    void setFrameCode(quint16 code) { m_frameCode = code; }

    // Test seam: when set, every outgoing Frame goes to the sink instead of a socket,
    // whatever the connection state. Production code never sets it.
    using Sink = std::function<void(const QByteArray &)>;
    void setSink(Sink sink)
    {
        m_sink = std::move(sink);
        emit linkChanged();
    }

    // True while a Frame sent now would go somewhere: the current socket is connected (or a
    // test sink is set).
    bool isLinked() const;

    void sendFrame(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
                   const void *payload, quint16 length);
    void sendSetMessage(quint8 moduleId, quint8 paramCode, quint8 channel, const void *value,
                        quint16 valueLength);
    // True when a Frame would leave now (the sink is set, or the socket is connected).
    bool canSend() const
    {
        return m_sink || (m_socket && m_socket->state() == QAbstractSocket::ConnectedState);
    }
    // Queues the bytes on the current socket when it is connected, otherwise drops them.
    // Everything queued in one pass of the event loop leaves in one write (flushWrites),
    // before the loop next waits: a tick's requests cost the processor and us one wakeup.
    void writeToDevice(const char *bytes, qsizetype count);
    void flushWrites();

    // Reads everything the current socket holds and routes each complete Frame in order.
    void receive(const FrameRouter &router);
    // Same for bytes obtained elsewhere (they count as the current socket's).
    void receiveBytes(const QByteArray &bytes, const FrameRouter &router);

    // Drops whatever was received but not yet routed (a test or fuzz input that ends mid-Frame).
    void clearReceived()
    {
        m_assembler.clear();
        m_staleTimer.stop();
    }

    // A Frame held behind a false start is released by a timer on a quiet link; it routes
    // through the router of the last receive, which tells the transport when it goes.
    static void forgetRouter(const FrameRouter *router);
    bool staleCheckPending() const { return m_staleTimer.isActive(); }
    // What the timer does: routes what the held-back Frame no longer blocks.
    void releaseStale();
    // Test seam for the receive buffer's clock.
    void setTimeSource(FrameAssembler::TimeSource source)
    {
        m_assembler.setTimeSource(std::move(source));
    }

    int receiveErrors() const { return m_assembler.errorCount(); }
    qsizetype bufferedBytes() const { return m_assembler.buffered(); }

Q_SIGNALS:
    // Another socket became the current one, or the current one connected or dropped:
    // whatever was granted on the old connection is gone.
    void connectionChanged();
    // isLinked() may have changed.
    void linkChanged();

private:
    Transport();
    ~Transport() override;
    void drain(const FrameRouter &router);
    void socketStateChanged(QAbstractSocket::SocketState state);

    QPointer<QAbstractSocket> m_socket;
    QMetaObject::Connection m_disconnectConnection;
    QMetaObject::Connection m_stateConnection;
    quint16 m_frameCode = 1;
    FrameAssembler m_assembler;
    const FrameRouter *m_router = nullptr;
    QTimer m_staleTimer;
    Sink m_sink;
    bool m_flushQueued = false;
    char m_sendBuffer[kSendBufferSize] = {};
};

// The program's only ways to send.
void sendFrame(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
               const void *payload, quint16 length);
void sendSetMessage(quint8 moduleId, quint8 paramCode, quint8 channel, const void *value,
                    quint16 valueLength);
void writeToDevice(const char *bytes, qsizetype count);

} // namespace proto
