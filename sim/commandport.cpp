#include "commandport.h"

#include "processor.h"

#include "protocol/payload.h"

#include <QNetworkDatagram>

namespace sim {

namespace {
constexpr int kCommandHeader = 12;
constexpr quint8 kSetNetwork = 2;
} // namespace

CommandPort::CommandPort(const QList<Processor *> &processors, QObject *parent)
    : QObject(parent), m_processors(processors)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &CommandPort::readPending);
}

bool CommandPort::bind(quint16 port)
{
    return m_socket.bind(QHostAddress::AnyIPv4, port,
                         QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void CommandPort::readPending()
{
    while (m_socket.hasPendingDatagrams())
        handleDatagram(m_socket.receiveDatagram().data());
}

bool CommandPort::handleDatagram(const QByteArray &datagram)
{
    // machineid u32, command u8, 3 reserved, length u32, payload
    if (datagram.size() < kCommandHeader)
        return false;
    proto::PayloadReader r(datagram);
    const quint32 machineId = r.u32();
    const quint8 command = r.u8();
    r.skip(3);
    const quint32 length = r.u32();
    if (length != quint32(datagram.size() - kCommandHeader))
        return false;
    bool handled = false;
    for (Processor *p : std::as_const(m_processors)) {
        if (p->machineId() != machineId || p->isSilent())
            continue;
        if (command == kSetNetwork && length == 12) {
            proto::PayloadReader args(datagram.constData() + kCommandHeader, length);
            const quint32 address = args.u32();
            const quint32 netmask = args.u32();
            p->device()->setNetwork(address, netmask, args.u32());
            handled = true;
        }
    }
    return handled;
}

} // namespace sim
