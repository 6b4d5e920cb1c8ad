// Announcement datagrams through the real device table (loopback socket, SQLite file) and the
// device list wired as the main window wires them, deferred deletes processed.
//
// Input: a sequence of commands. A byte below 0xFF is a datagram of that many bytes taken
// from the input; 0xFF followed by a byte removes the device at that index.
#include "fuzzapp.h"

#include "devices/devicelist.h"
#include "devices/devtable.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstddef>
#include <cstdint>

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(kLoopback, 0);
    return probe.localPort();
}

struct Harness {
    QTemporaryDir dir;
    quint16 port = freePort();
    QDevTable table{nullptr, {port, kLoopback, freePort(), dir.filePath("device.db")}};
    QDeviceList list;
    QUdpSocket sender;

    Harness()
    {
        QObject::connect(&table, &QDevTable::sigAddDev, &list, &QDeviceList::addItem);
        QObject::connect(&table, &QDevTable::sigRemoveDev, &list, &QDeviceList::removeRow);
        QObject::connect(&table, &QDevTable::sigIpaddr, &list, &QDeviceList::setIpaddr);
        QObject::connect(&table, &QDevTable::sigNetBrowsingState, &list,
                         &QDeviceList::setNetBrowsingState);
        QObject::connect(&table, &QDevTable::sigModel, &list, &QDeviceList::setDeviceModel);
        QObject::connect(&table, &QDevTable::sigPreset, &list, &QDeviceList::setDevicePreset);
        QObject::connect(&table, &QDevTable::sigFault, &list, &QDeviceList::setFaultState);
        QObject::connect(&list, &QDeviceList::sig_removeRow, &table, &QDevTable::removeDev);
        table.loadDevices();
    }

    void settle()
    {
        table.udpRecvData();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    size_t i = 0;
    while (i < size) {
        const uint8_t op = data[i++];
        if (op == 0xFF) {
            if (i < size && h->table.deviceCount() > 0)
                h->table.removeDev(data[i] % h->table.deviceCount());
            ++i;
        } else {
            const size_t n = std::min<size_t>(op, size - i);
            h->sender.writeDatagram(reinterpret_cast<const char *>(data + i), qint64(n), kLoopback,
                                    h->port);
            i += n;
        }
        h->settle();
    }
    // Keeps the table small over millions of inputs.
    if (h->table.deviceCount() > 64) {
        while (h->table.deviceCount() > 0)
            h->table.removeDev(h->table.deviceCount() - 1);
        h->settle();
    }
    return 0;
}
