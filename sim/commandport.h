#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

#include <memory>
#include <vector>

namespace sim {

class Processor;

// The UDP command port: datagrams addressed by machine id, shared by every processor of
// this program. It only listens; commands have no answer. By default each processor hears
// commands on its own address only, so nothing outside this host can move it; the socket
// follows the processor when a command moves it.
class CommandPort : public QObject {
    Q_OBJECT
public:
    CommandPort(const QList<Processor *> &processors, QObject *parent = nullptr);
    ~CommandPort() override;

    // Binds the port on every processor's address, or once on any IPv4 address when
    // allInterfaces; shared with other simulators on this host. False when a bind fails.
    bool bind(quint16 port, bool allInterfaces = false);
    quint16 port() const { return m_port; }
    // Acts on one command datagram; false when it is malformed or for no processor here.
    bool handleDatagram(const QByteArray &datagram);

private:
    void readPending(QUdpSocket *socket);
    QUdpSocket *listenOn(const QHostAddress &address);
    // Moves each processor's socket to the address it now answers on.
    void followProcessors();

    QList<Processor *> m_processors;
    // One per processor (same order), or a single one on any address.
    std::vector<std::unique_ptr<QUdpSocket>> m_sockets;
    quint16 m_port = 0;
    bool m_allInterfaces = false;
};

} // namespace sim
