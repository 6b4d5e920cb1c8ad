#pragma once

#include "bridgeconfig.h"
#include "processorlink.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonValue>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <memory>
#include <vector>

namespace bridge {

// Every processor the bridge serves: those of the configuration, and with "all" every one
// heard announcing itself (up to kMaxProcessors). One clock drives them all: every
// kTickMs each link checks its time-outs, and the meter polls are spread over the interval so
// that a thousand processors do not all answer in the same millisecond.
class Fleet : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr int kInfoEveryPolls = 10;

    explicit Fleet(const BridgeConfig &config, ProcessorLink::Clock clock = {},
                   QObject *parent = nullptr);
    ~Fleet() override;

    // Listens for announcements and starts the clock. Listening may fail (the port is
    // taken): that is said in warning, and processors named by address are served anyway.
    void start(QString *warning);

    qint64 now() const { return m_clock(); }
    const std::vector<ProcessorLink *> &links() const { return m_links; }
    // A processor named by a client: its id as processors lists it, or its machine id.
    ProcessorLink *find(const QJsonValue &processor) const;

    // Takes one announcement (the bytes of one datagram).
    void announcement(const QByteArray &datagram);

public Q_SLOTS:
    void tick();

Q_SIGNALS:
    void linkAdded(bridge::ProcessorLink *link);
    // After every tick of the clock.
    void ticked();

private:
    ProcessorLink *add(const QString &id, quint32 address, quint32 machineId,
                       const std::optional<QByteArray> &password);
    void readAnnouncements();

    BridgeConfig m_config;
    ProcessorLink::Clock m_clock;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    QUdpSocket m_announcements;
    std::vector<ProcessorLink *> m_links;
    QHash<QString, ProcessorLink *> m_byId;
    QHash<quint32, ProcessorLink *> m_byMachineId;
    QHash<quint32, ProcessorLink *> m_byAddress; // those named by address
    quint64 m_ticks = 0;
    int m_pollSlots = 10;
    bool m_fullSaid = false;
};

} // namespace bridge
