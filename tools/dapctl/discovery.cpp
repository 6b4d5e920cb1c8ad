#include "discovery.h"

#include "devices/devicestore.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace ctl {

QList<KnownProcessor> discover(quint16 port, int waitMs, const QString &dbPath, QString *errorText,
                               const std::function<bool(const QList<KnownProcessor> &)> &done)
{
    QList<KnownProcessor> found;
    QUdpSocket socket;
    // Shared, so a running program on the same machine keeps hearing its processors.
    if (!socket.bind(QHostAddress::AnyIPv4, port,
                     QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        if (errorText)
            *errorText = QStringLiteral("cannot listen for announcements on UDP port %1 (%2)")
                             .arg(port)
                             .arg(socket.errorString());
    } else {
        const QDeadlineTimer deadline(waitMs);
        while (!deadline.hasExpired() && !(done && done(found))) {
            if (!socket.hasPendingDatagrams() &&
                !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                continue;
            while (socket.hasPendingDatagrams()) {
                const QByteArray datagram = socket.receiveDatagram().data();
                const std::optional<broadcastMsg> msg = broadcastMsg::decode(datagram);
                if (!msg)
                    continue;
                auto known = std::find_if(found.begin(), found.end(), [&](const auto &k) {
                    return k.record.machineid == msg->machineid;
                });
                if (known == found.end())
                    found.append({*msg, true});
                else
                    known->record = *msg;
            }
        }
    }
    if (dbPath.isEmpty())
        return found;
    devices::DeviceStore store(dbPath);
    if (store.open() == devices::DeviceStore::Opened::Failed)
        return found;
    const QList<broadcastMsg> stored = store.load();
    const bool transaction = store.begin();
    for (const KnownProcessor &k : std::as_const(found)) {
        const auto same = [&](const broadcastMsg &r) { return r.machineid == k.record.machineid; };
        if (std::none_of(stored.begin(), stored.end(), same))
            store.insert(k.record);
        else if (std::find_if(stored.begin(), stored.end(), same)->ipaddress != k.record.ipaddress)
            store.updateColumn("ipaddress", k.record.machineid, qint64(k.record.ipaddress));
    }
    if (transaction)
        store.commit();
    for (const broadcastMsg &r : stored) {
        const bool heard = std::any_of(found.begin(), found.end(), [&](const auto &k) {
            return k.record.machineid == r.machineid;
        });
        if (!heard)
            found.append({r, false});
    }
    return found;
}

} // namespace ctl
