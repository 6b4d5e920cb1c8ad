#include "processor.h"

#include "simlog.h"

#include <QTcpSocket>

namespace sim {

namespace {
constexpr int kAnnounceMs = 1000;

QString dotted(quint32 address)
{
    return QHostAddress(address).toString();
}
} // namespace

Processor::Processor(const ProcessorConfig &config, QRandomGenerator *random, QObject *parent)
    : QObject(parent), m_config(config), m_random(random), m_device(config.device)
{
    m_announceTimer.setInterval(kAnnounceMs);
    connect(&m_announceTimer, &QTimer::timeout, this, &Processor::announce);
    connect(&m_server, &QTcpServer::newConnection, this, &Processor::newConnection);
    connect(&m_device, &Device::networkChanged, this, &Processor::networkChanged);
    connect(&m_device, &Device::logMessage, this, &Processor::log);
}

bool Processor::start(QString *error)
{
    const QHostAddress address(m_device.system().address);
    if (!m_server.listen(address, m_config.tcpPort)) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2: %3")
                         .arg(address.toString())
                         .arg(m_config.tcpPort)
                         .arg(m_server.errorString());
        return false;
    }
    printLine(QStringLiteral("dapsim: %1 listening").arg(address.toString()));
    // Announcements leave from the processor's own address.
    m_announcer.bind(address, 0);
    announce();
    m_announceTimer.start();
    if (m_config.silentAfter >= 0)
        QTimer::singleShot(m_config.silentAfter * 1000, this, &Processor::goSilent);
    return true;
}

void Processor::announce()
{
    if (m_silent)
        return;
    m_announcer.writeDatagram(m_device.announcement(), m_config.announceHost,
                              m_config.announcePort);
}

void Processor::goSilent()
{
    m_silent = true;
    m_announceTimer.stop();
    for (Connection *c : std::as_const(m_connections))
        c->setSilent(true);
    log(QStringLiteral("silent"));
}

void Processor::newConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *c = new Connection(socket, &m_device, m_config.faults, m_random, this);
        c->setSilent(m_silent);
        c->start();
        m_connections.append(c);
        connect(c, &Connection::closed, this, [this](Connection *closed) {
            m_connections.removeOne(closed);
            closed->deleteLater();
        });
        if (m_config.faults.verbose)
            log(QStringLiteral("client %1 connected").arg(socket->peerAddress().toString()));
    }
}

void Processor::networkChanged(quint32 address)
{
    const QHostAddress next(address);
    if (next.isLoopback()) {
        // A loopback address is taken over at once; established connections stay.
        const QHostAddress previous = m_server.serverAddress();
        m_server.close();
        if (m_server.listen(next, m_config.tcpPort)) {
            printLine(QStringLiteral("dapsim: %1 listening").arg(next.toString()));
            m_announcer.close();
            m_announcer.bind(next, 0);
        } else {
            log(QStringLiteral("cannot listen on %1 (%2); staying on %3")
                    .arg(next.toString(), m_server.errorString(), previous.toString()));
            m_server.listen(previous, m_config.tcpPort);
        }
    } else {
        log(QStringLiteral("address %1 stored, not bound (not loopback)").arg(dotted(address)));
    }
    announce();
}

void Processor::log(const QString &text) const
{
    printLine(QStringLiteral("dapsim: %1 %2").arg(dotted(m_config.device.address), text));
}

} // namespace sim
