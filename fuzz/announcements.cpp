// Announcement datagrams through the real device table (SQLite) and the device list wired as
// the main window wires them, deferred deletes processed. The datagrams go in as one pass of
// the socket reader would hand them over, without the socket: sending and reading each one
// through the kernel took a third of the time, and the reader's loop is tested elsewhere. The
// database lives in memory and events are processed once per input.
//
// Input: a sequence of commands. A byte below 0xFE is a datagram of that many bytes taken
// from the input; the datagrams up to the next other command form one pass. 0xFE lets the
// silence clock run out; 0xFF followed by a byte removes the device at that index, from the
// device list or (odd byte) the "Device list" window, the two ways a user removes one. After
// each input the list and the table must hold the same processors.
#include "fuzzapp.h"

#include "devices/devicelist.h"
#include "devices/devtable.h"

#include <QApplication>
#include <QList>
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
    quint16 port = freePort();
    qint64 now = 0; // the silence clock's time
    QDevTable table{nullptr, options()};
    QDeviceList list;
    QList<QByteArray> pass;

    Harness()
    {
        wireDeviceList(table, list);
        table.loadDevices();
    }

    DevTableOptions options()
    {
        DevTableOptions o;
        o.announcePort = port;
        o.commandAddress = kLoopback;
        o.commandPort = freePort();
        o.databasePath = QStringLiteral(":memory:");
        o.clock = [this] { return now; };
        return o;
    }

    void remove(uint8_t choice)
    {
        const int index = choice % table.deviceCount();
        if (choice & 1)
            table.removeClicked(table.deviceMachineId(index));
        else
            list.removeClicked(index);
    }

    void settle()
    {
        if (!pass.isEmpty()) {
            table.receiveDatagrams(pass);
            pass.clear();
        }
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
        if (op >= 0xFE)
            h->settle();
        if (op == 0xFE) {
            h->now += QDevTable::kSilenceMs;
            h->table.udpRecvTimeout();
        } else if (op == 0xFF) {
            if (i < size && h->table.deviceCount() > 0)
                h->remove(data[i]);
            ++i;
        } else {
            const size_t n = std::min<size_t>(op, size - i);
            h->pass.append(QByteArray(reinterpret_cast<const char *>(data + i), qsizetype(n)));
            i += n;
        }
    }
    h->settle();
    QCoreApplication::processEvents();
    if (h->list.rowCount() != h->table.deviceCount())
        __builtin_trap();
    // Keeps the table small over millions of inputs.
    if (h->table.deviceCount() > 64) {
        while (h->table.deviceCount() > 0)
            h->remove(uint8_t(h->table.deviceCount() - 1));
        h->settle();
    }
    return 0;
}
