#pragma once

#include "connection.h"
#include "device.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

class QRandomGenerator;

namespace sim {

inline constexpr quint16 kTcpPort = 2699;

struct ProcessorConfig {
    DeviceConfig device;
    FaultConfig faults;
    QHostAddress announceHost{QHostAddress::LocalHost};
    quint16 announcePort = 6696;
    int silentAfter = -1; // seconds; -1 never
    quint16 tcpPort = kTcpPort;
};

// One simulated processor on the network: the device behind a TCP server on its own
// address, announcing itself once a second.
class Processor : public QObject {
    Q_OBJECT
public:
    Processor(const ProcessorConfig &config, QRandomGenerator *random, QObject *parent = nullptr);

    // Starts listening and announcing; false with a message when the address is taken.
    bool start(QString *error);
    Device *device() { return &m_device; }
    quint32 machineId() const { return m_device.config().machineId; }
    QHostAddress boundAddress() const { return m_server.serverAddress(); }
    bool isSilent() const { return m_silent; }
    int connectionCount() const { return int(m_connections.size()); }

public slots:
    void announce();
    void goSilent();

private slots:
    void newConnection();
    void networkChanged(quint32 address);

private:
    void log(const QString &text) const;

    ProcessorConfig m_config;
    QRandomGenerator *m_random;
    Device m_device;
    QTcpServer m_server;
    QUdpSocket m_announcer;
    QTimer m_announceTimer;
    QList<Connection *> m_connections;
    bool m_silent = false;
};

} // namespace sim
