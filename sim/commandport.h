#pragma once

#include <QList>
#include <QObject>
#include <QUdpSocket>

namespace sim {

class Processor;

// The UDP command port: datagrams addressed by machine id, shared by every processor of
// this program. It only listens; commands have no answer.
class CommandPort : public QObject {
    Q_OBJECT
public:
    CommandPort(const QList<Processor *> &processors, QObject *parent = nullptr);

    // Binds the port on any IPv4 address, shared with other simulators on this host.
    bool bind(quint16 port);
    quint16 port() const { return m_socket.localPort(); }
    // Acts on one command datagram; false when it is malformed or for no processor here.
    bool handleDatagram(const QByteArray &datagram);

private slots:
    void readPending();

private:
    QList<Processor *> m_processors;
    QUdpSocket m_socket;
};

} // namespace sim
