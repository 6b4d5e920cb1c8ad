#pragma once

#include "protocol/assembler.h"
#include "protocol/frame.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpSocket>

#include <functional>
#include <optional>

namespace testsupport {

// A raw Frame connection to a simulator, for tests that speak the protocol themselves.
//
//   FrameClient c;
//   QVERIFY(c.connectTo(QHostAddress("127.0.0.40")));
//   auto r = c.request(3, 1, 3, QByteArray(1, 0)); // input level gain of channel 0
//   QVERIFY(r && r->payload.size() == 5);
//
// Received Frames queue up until a wait takes them; Frames nobody waits for stay queued.
class FrameClient {
public:
    FrameClient();

    bool connectTo(const QHostAddress &address, quint16 port = 2699, int timeoutMs = 3000);
    void disconnectFromHost();
    QTcpSocket &socket() { return m_socket; }

    void send(const proto::Frame &frame);
    void send(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
              const QByteArray &payload = {});
    void sendRaw(const QByteArray &bytes);

    // Sends a request (direction 0) and waits for the report of the same class, type and
    // code.
    std::optional<proto::Frame> request(quint8 frameClass, quint8 frameType, quint8 paramCode,
                                        const QByteArray &payload = {}, int timeoutMs = 3000);
    // Waits for (and takes from the queue) the first report of that class, type and code.
    std::optional<proto::Frame> waitForReport(quint8 frameClass, quint8 frameType, quint8 paramCode,
                                              int timeoutMs = 3000);
    std::optional<proto::Frame> waitFor(const std::function<bool(const proto::Frame &)> &match,
                                        int timeoutMs = 3000);
    // True when nothing matching arrives within the time.
    bool expectNothing(quint8 frameClass, quint8 frameType, quint8 paramCode, int timeoutMs = 300);

    QList<proto::Frame> &received() { return m_received; }
    int errorCount() const { return m_assembler.errorCount(); }

private:
    void readAvailable();

    QTcpSocket m_socket;
    proto::FrameAssembler m_assembler;
    QList<proto::Frame> m_received;
};

} // namespace testsupport
