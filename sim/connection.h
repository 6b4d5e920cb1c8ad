#pragma once

#include "device.h"
#include "session.h"

#include "protocol/assembler.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

class QRandomGenerator;

namespace sim {

// Faults a processor can be told to show on its TCP connections.
struct FaultConfig {
    bool verbose = false;
    bool split = false;       // every Frame in two writes with a pause
    double garbageRate = 0.0; // chance of stray bytes before a Frame
    double dropRate = 0.0;    // chance of a reply never being sent
    int disconnectAfter = -1; // seconds; -1 never
    int replyDelayMs = 0;     // every reply this much later, as across a network
};

// One client connection of a processor: cuts Frames out of the stream, hands them with
// the connection's own session to the device and writes the answers back.
class Connection : public QObject {
    Q_OBJECT
public:
    Connection(QTcpSocket *socket, Device *device, const FaultConfig &faults,
               QRandomGenerator *random, QObject *parent = nullptr);

    // The processor states whether a login is needed (unless it is silent).
    void start();
    // A silent processor reads and forgets everything and answers nothing.
    void setSilent(bool silent) { m_silent = silent; }
    const Session &session() const { return m_session; }

signals:
    void closed(sim::Connection *connection);

private slots:
    void readyRead();
    void writeNext();

private:
    void send(const Replies &frames);
    QString describe(const proto::Frame &f) const;

    QPointer<QTcpSocket> m_socket;
    Device *m_device;
    FaultConfig m_faults;
    QRandomGenerator *m_random;
    Session m_session;
    proto::FrameAssembler m_assembler;
    QList<QByteArray> m_pending; // chunks still to write; Frame halves when split
    bool m_secondHalfNext = false;
    QTimer m_splitTimer;
    QTimer m_upgradeIdle;
    bool m_silent = false;
};

} // namespace sim
