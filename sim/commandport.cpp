#include "commandport.h"

#include "processor.h"

#include "protocol/payload.h"

#include <QNetworkDatagram>

namespace sim {

namespace {
constexpr int kCommandHeader = 12;
constexpr quint8 kSetNetwork = 2;

// Where the processor answers: its listening address, or before it listens the address it is
// about to take.
QHostAddress ownAddress(Processor *p)
{
    const QHostAddress bound = p->boundAddress();
    return bound.isNull() ? QHostAddress(p->device()->system().address) : bound;
}
} // namespace

CommandPort::CommandPort(const QList<Processor *> &processors, QObject *parent)
    : QObject(parent), m_processors(processors)
{
}

CommandPort::~CommandPort() = default;

QUdpSocket *CommandPort::listenOn(const QHostAddress &address)
{
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(address, m_port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return nullptr;
    if (m_port == 0)
        m_port = socket->localPort(); // the rest share the port the first one was given
    QUdpSocket *raw = socket.get();
    connect(raw, &QUdpSocket::readyRead, this, [this, raw] { readPending(raw); });
    m_sockets.push_back(std::move(socket));
    return raw;
}

bool CommandPort::bind(quint16 port, bool allInterfaces)
{
    m_sockets.clear();
    m_port = port;
    m_allInterfaces = allInterfaces;
    if (allInterfaces)
        return listenOn(QHostAddress::AnyIPv4) != nullptr;
    bool all = true;
    for (Processor *p : std::as_const(m_processors)) {
        all = listenOn(ownAddress(p)) && all;
        // A command may move the processor; its socket follows once the command is done.
        connect(p->device(), &Device::networkChanged, this, &CommandPort::followProcessors,
                Qt::QueuedConnection);
    }
    return all;
}

void CommandPort::followProcessors()
{
    for (size_t i = 0; i < m_sockets.size() && i < size_t(m_processors.size()); ++i) {
        const QHostAddress now = ownAddress(m_processors.at(qsizetype(i)));
        QUdpSocket &socket = *m_sockets[i];
        if (socket.localAddress() == now)
            continue;
        socket.close();
        if (!socket.bind(now, m_port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
            qWarning("dapsim: cannot hear commands on %s: %s", qPrintable(now.toString()),
                     qPrintable(socket.errorString()));
    }
}

void CommandPort::readPending(QUdpSocket *socket)
{
    while (socket->hasPendingDatagrams())
        handleDatagram(socket->receiveDatagram().data());
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
