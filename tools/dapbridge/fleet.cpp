#include "fleet.h"

#include "devices/broadcastmsg.h"
#include "logging.h"
#include "protocol/ipv4.h"

#include <QNetworkDatagram>

#include <cmath>

namespace bridge {

Fleet::Fleet(const BridgeConfig &config, ProcessorLink::Clock clock, QObject *parent)
    : QObject(parent), m_config(config), m_clock(std::move(clock))
{
    if (!m_clock) {
        m_elapsed.start();
        m_clock = [this] { return m_elapsed.elapsed(); };
    }
    m_pollSlots = std::max(1, int(std::lround(m_config.meterIntervalS * 1000.0 / kTickMs)));
    for (const ProcessorEntry &e : std::as_const(m_config.processors)) {
        const QString id =
            e.machineId ? QString::number(e.machineId) : QHostAddress(e.address).toString();
        ProcessorLink *link = add(id, e.address, e.machineId, e.password);
        if (e.address)
            m_byAddress.insert(e.address, link);
    }
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &Fleet::tick);
    connect(&m_announcements, &QUdpSocket::readyRead, this, &Fleet::readAnnouncements);
}

Fleet::~Fleet()
{
    for (ProcessorLink *link : m_links)
        delete link;
}

ProcessorLink *Fleet::add(const QString &id, quint32 address, quint32 machineId,
                          const std::optional<QByteArray> &password)
{
    auto *link =
        new ProcessorLink(id, address, machineId, password, m_config.processorPort, m_clock, this);
    // Polled once an interval, a processor quiet for three of them (and at least 3 s) is lost.
    link->setSilenceLimitMs(std::max<qint64>(3000, qint64(m_config.meterIntervalS * 3000.0)));
    m_links.push_back(link);
    m_byId.insert(id, link);
    if (machineId)
        m_byMachineId.insert(machineId, link);
    emit linkAdded(link);
    return link;
}

void Fleet::start(QString *warning)
{
    // Shared, so the window or dapctl on the same machine keep hearing their processors.
    if (!m_announcements.bind(QHostAddress::AnyIPv4, m_config.announcePort,
                              QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint) &&
        warning) {
        *warning = QStringLiteral("cannot listen for announcements on UDP port %1 (%2); "
                                  "processors named by machine id or --all are not found")
                       .arg(m_config.announcePort)
                       .arg(m_announcements.errorString());
    }
    m_timer.start();
    tick();
}

ProcessorLink *Fleet::find(const QJsonValue &processor) const
{
    if (processor.isString())
        return m_byId.value(processor.toString());
    if (processor.isDouble()) {
        const double d = processor.toDouble();
        if (d >= 1 && d <= 4294967295.0 && d == std::floor(d))
            return m_byMachineId.value(quint32(d));
    }
    return nullptr;
}

void Fleet::readAnnouncements()
{
    while (m_announcements.hasPendingDatagrams())
        announcement(m_announcements.receiveDatagram().data());
}

void Fleet::announcement(const QByteArray &datagram)
{
    const std::optional<broadcastMsg> msg = broadcastMsg::decode(datagram);
    if (!msg || msg->machineid == 0)
        return;
    ProcessorLink *link = m_byMachineId.value(msg->machineid);
    if (!link) {
        // A processor named by address learns its machine id from its announcement.
        link = m_byAddress.value(msg->ipaddress);
        if (link && link->machineId() == 0) {
            link->setMachineId(msg->machineid);
            m_byMachineId.insert(msg->machineid, link);
        }
    }
    if (!link && m_config.all) {
        if (proto::ipv4::checkHost(msg->ipaddress) != proto::ipv4::Problem::None)
            return;
        if (m_links.size() >= std::size_t(kMaxProcessors)) {
            if (!m_fullSaid)
                qCWarning(lcBridge) << "serving" << kMaxProcessors
                                    << "processors already; further ones are not served";
            m_fullSaid = true;
            return;
        }
        link = add(QString::number(msg->machineid), msg->ipaddress, msg->machineid, std::nullopt);
    }
    if (!link)
        return;
    // Named by address, a processor stays at that address; otherwise it follows its word.
    if (m_byAddress.value(link->address()) != link)
        link->setAddress(msg->ipaddress);
    link->heard();
}

void Fleet::tick()
{
    const quint64 tick = m_ticks++;
    const quint64 slot = tick % quint64(m_pollSlots);
    const bool infoRound = (tick / quint64(m_pollSlots)) % kInfoEveryPolls == 0;
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        const bool poll = i % std::size_t(m_pollSlots) == slot;
        m_links[i]->tick(poll, poll && infoRound);
    }
    emit ticked();
}

} // namespace bridge
