// The device table over real loopback sockets and a real SQLite file in a temporary folder.
#include "announce.h"
#include "devices/devtable.h"
#include "devices/ipsetting.h"
#include "support/unwritablefile.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));
const QHostAddress kDeviceAddress(QStringLiteral("127.0.0.20"));

// Rows of the database, read through a connection of the test's own.
QList<QStringList> dbRows(const QString &path, const QString &columns = "machineid,model")
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tst-peek");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select " + columns + " from devicetable order by ID");
            while (q.next()) {
                QStringList row;
                for (int c = 0; c < q.record().count(); ++c)
                    row << q.value(c).toString();
                rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase("tst-peek");
    return rows;
}

void dbExec(const QString &path, const QString &statement)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tst-write");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase("tst-write");
}

} // namespace

class TestDevTable : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QDevTable> m_table;
    QUdpSocket m_sender;
    qint64 m_now = 100000; // the table's clock, in milliseconds

    QString dbPath() const { return m_dir->filePath("device.db"); }

    QDevTable *makeTable(DevTableOptions options = {})
    {
        options.announcePort = 0;
        options.commandAddress = kLoopback;
        options.clock = [this] { return m_now; };
        if (options.databasePath == QLatin1String("device.db"))
            options.databasePath = dbPath();
        m_table = std::make_unique<QDevTable>(nullptr, options);
        m_table->loadDevices();
        return m_table.get();
    }

    void send(const QByteArray &datagram)
    {
        QCOMPARE(m_sender.writeDatagram(datagram, kLoopback, m_table->announcePort()),
                 qint64(datagram.size()));
    }
    // Sends, then runs one reception. Loopback delivery is immediate; the bounded wait only
    // guards against a slow scheduler.
    void announce(const Announce &a)
    {
        send(a.bytes());
        receivePending();
    }
    void receivePending()
    {
        auto *udp = m_table->findChild<QUdpSocket *>();
        for (int i = 0; i < 2000 && !udp->hasPendingDatagrams(); ++i)
            QThread::msleep(1);
        QVERIFY(udp->hasPendingDatagrams());
        m_table->udpRecvData();
    }
    int index(quint32 machineId) const
    {
        for (int i = 0; i < m_table->deviceCount(); ++i)
            if (m_table->deviceMachineId(i) == machineId)
                return i;
        return -1;
    }
    QString cell(int row, int column) const
    {
        QTableWidgetItem *item = m_table->table()->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    // Lets the table's clock run on and the silence clock look at the devices.
    void elapse(qint64 ms)
    {
        m_now += ms;
        m_table->udpRecvTimeout();
    }
    void clickDelete(int row)
    {
        QTableWidget *t = m_table->table();
        const QRect cell = t->visualRect(t->model()->index(row, QDevTable::kDeleteColumn));
        QVERIFY(cell.isValid());
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, cell.center());
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<broadcastMsg *>();
        qRegisterMetaType<QAbstractSocket::SocketState>();
        QVERIFY(m_sender.bind(kDeviceAddress, 0));
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        m_table.reset();
        m_dir.reset();
    }

    void firstStartCreatesThenLoadsInOrder()
    {
        makeTable();
        QVERIFY(QFile::exists(dbPath()));
        QCOMPARE(m_table->deviceCount(), 0);
        QCOMPARE(m_table->table()->rowCount(), 0);
        for (quint32 id : {30u, 10u, 20u}) {
            Announce a;
            a.machineid = id;
            a.ipaddress = 0x7F000014 + id;
            a.model = "M" + QByteArray::number(id);
            a.runTime = 100;
            announce(a);
        }
        QCOMPARE(dbRows(dbPath()),
                 (QList<QStringList>{{"30", "M30"}, {"10", "M10"}, {"20", "M20"}}));
        {
            // The table works on the default connection.
            QSqlQuery q;
            QVERIFY(q.exec("select count(*) from devicetable") && q.next());
            QCOMPARE(q.value(0).toInt(), 3);
        }
        // A second row of a known processor does not make a second device.
        dbExec(dbPath(), "insert into devicetable values (NULL,10,1,'dup','','','','','')");
        // A text longer than its field, written by hand, comes back cut to the field.
        dbExec(dbPath(), "update devicetable set location='ABCDEFGHIJKLMNOPQRSTUVWXYZ' "
                         "where machineid=20");

        m_table.reset();
        makeTable();
        QCOMPARE(m_table->deviceCount(), 3);
        QCOMPARE(m_table->deviceMachineId(0), 30u);
        QCOMPARE(m_table->deviceMachineId(1), 10u);
        QCOMPARE(m_table->deviceMachineId(2), 20u);
        QCOMPARE(m_table->deviceAddress(2), 0x7F000014u + 20);
        QCOMPARE(devices::fieldBytes(m_table->deviceRecord(2).location),
                 QByteArray("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(cell(2, 4), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(devices::fieldBytes(m_table->deviceRecord(2).preset), QByteArray());
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!m_table->deviceFound(i));
            QVERIFY(!m_table->silenceTimed(i));
        }
        QCOMPARE(cell(1, 0), QStringLiteral("127.0.0.30"));
        QCOMPARE(cell(1, 1), QStringLiteral("M10"));
        QCOMPARE(cell(1, 7), QString());
        QCOMPARE(m_table->table()->item(1, 7)->background().color(), QColor("gray"));
        QCOMPARE(cell(1, 8), QString());
        QCOMPARE(cell(1, 9), QString());
        QCOMPARE(cell(1, 10), QStringLiteral("10"));
        QCOMPARE(m_table->deviceMachineId(3), 0u);
        QCOMPARE(m_table->deviceMachineId(-1), 0u);

        // Its first announcement fills the time cells and marks it found.
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        Announce a;
        a.machineid = 10;
        a.ipaddress = 0x7F000014 + 10;
        a.model = "M10";
        a.runTime = 90061;
        a.totalTime = 61;
        announce(a);
        QCOMPARE(cell(1, 8), QStringLiteral("1day 01:01:01"));
        QCOMPARE(cell(1, 9), QStringLiteral("0day 00:01:01"));
        QCOMPARE(browsing.count(), 1);
        QCOMPARE(browsing.at(0), (QVariantList{1, true}));
        QVERIFY(m_table->deviceFound(1));
    }

    void textsAreStoredUnchanged()
    {
        makeTable();
        Announce a;
        a.machineid = 7;
        // Quotes, a semicolon and GB2312 text ("机房" = BB FA B7 BF).
        a.description = "it's \"x\"; drop" + hex("BB FA B7 BF");
        a.model = "ABCDEFGHIJKLMNOPQRST"; // 20 characters, no NUL in the field
        announce(a);
        QCOMPARE(cell(0, 1), QStringLiteral("ABCDEFGHIJKLMNOP"));
        const QList<QStringList> rows = dbRows(dbPath(), "model,description");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0], QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(rows[0][1], QStringLiteral("it's \"x\"; drop机房"));

        m_table.reset();
        makeTable();
        QCOMPARE(devices::fieldBytes(m_table->deviceRecord(0).description), a.description);
        QCOMPARE(devices::fieldBytes(m_table->deviceRecord(0).model), a.model);
    }

    void datagramSizesAndBatches()
    {
        makeTable();
        QSignalSpy added(m_table.get(), &QDevTable::sigAddDev);
        Announce a;
        a.machineid = 1;
        send(a.bytes(139));
        a.machineid = 2;
        send(a.bytes(200));
        a.machineid = 3;
        send(a.bytes());
        // All three are pending for one reception.
        receivePending();
        QCOMPARE(m_table->deviceCount(), 2);
        QCOMPARE(m_table->deviceMachineId(0), 2u);
        QCOMPARE(m_table->deviceMachineId(1), 3u);
        QCOMPARE(added.count(), 2);
        // The 200-byte one was read from its first 140 bytes only.
        QCOMPARE(m_table->deviceRecord(0).encode(), a.bytes(140).replace(0, 1, "\x02"));
    }

    void newDeviceIsFoundAndTimed()
    {
        makeTable();
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        announce(Announce());
        QCOMPARE(browsing.count(), 1);
        QCOMPARE(browsing.at(0), (QVariantList{0, true}));
        QVERIFY(m_table->deviceFound(0));
        // Its silence clock runs from the first announcement: heard once, then lost.
        QVERIFY(m_table->silenceTimed(0));
        QVERIFY(m_table->silenceClockRemaining() > 0);
        elapse(2999);
        QVERIFY(m_table->deviceFound(0));
        elapse(1);
        QCOMPARE(browsing.count(), 2);
        QCOMPARE(browsing.at(1), (QVariantList{0, false}));
        QVERIFY(!m_table->silenceTimed(0));
        QCOMPARE(m_table->silenceClockRemaining(), -1); // nothing left to watch
        elapse(5000);
        QCOMPARE(browsing.count(), 2); // lost once

        // Heard again: found, and its clock runs again from each announcement.
        announce(Announce());
        QCOMPARE(browsing.count(), 3);
        QCOMPARE(browsing.at(2), (QVariantList{0, true}));
        QVERIFY(m_table->silenceTimed(0));
        elapse(2000);
        announce(Announce());
        elapse(2000);
        QVERIFY(m_table->deviceFound(0)); // 4 s after the first, 2 s after the last
        elapse(1000);
        QVERIFY(!m_table->deviceFound(0));
        QCOMPARE(browsing.count(), 4);
    }

    void everyTextColumnIsWritten()
    {
        makeTable();
        Announce a;
        a.machineid = 0xFEDCBA98; // above 2^31: stored unsigned
        announce(a);
        a.ipaddress = 0xC0A80A0B;
        a.sn = "SN-22";
        a.model = "DAP-816";
        a.arm = "3.1.4";
        a.dsp = "2.7.1";
        a.location = "Balcony";
        a.description = "Delay ring";
        announce(a);
        const QString columns =
            "machineid,ipaddress,model,ARMFirmware,DSPFirmware,location,description,sn";
        const QStringList expected = {"4275878552", "3232238091", "DAP-816",    "3.1.4",
                                      "2.7.1",      "Balcony",    "Delay ring", "SN-22"};
        QCOMPARE(dbRows(dbPath(), columns), (QList<QStringList>{expected}));
        const QStringList cells = {cell(0, 0), cell(0, 1), cell(0, 2), cell(0, 3),
                                   cell(0, 4), cell(0, 5), cell(0, 6), cell(0, 10)};
        QCOMPARE(cells, (QStringList{"192.168.10.11", "DAP-816", "3.1.4", "2.7.1", "Balcony",
                                     "Delay ring", "SN-22", "4275878552"}));
        // And the same after a restart, from the database alone.
        m_table.reset();
        makeTable();
        const broadcastMsg &r = m_table->deviceRecord(0);
        QCOMPARE(r.ipaddress, 0xC0A80A0Bu);
        QCOMPARE(
            (QList<QByteArray>{devices::fieldBytes(r.model), devices::fieldBytes(r.ARMFirmware),
                               devices::fieldBytes(r.DSPFirmware), devices::fieldBytes(r.location),
                               devices::fieldBytes(r.description), devices::fieldBytes(r.sn)}),
            (QList<QByteArray>{"DAP-816", "3.1.4", "2.7.1", "Balcony", "Delay ring", "SN-22"}));
    }

    void unknownProcessorsAreBounded()
    {
        DevTableOptions options;
        options.maxDevices = 3;
        makeTable(options);
        Announce a;
        for (quint32 id = 1; id <= 5; ++id) {
            a.machineid = id;
            send(a.bytes());
        }
        receivePending();
        // Each newcomer took the place of the one heard first (all heard at the same time).
        QCOMPARE(m_table->deviceCount(), 3);
        QTRY_COMPARE(dbRows(dbPath(), "machineid"), (QList<QStringList>{{"3"}, {"4"}, {"5"}}));
        QMessageBox *note = m_table->limitMessage();
        QVERIFY(note);
        QVERIFY(note->isVisible());
        QVERIFY(!note->isModal());
        QVERIFY(note->text().contains("3"));
        // Told once; what is known keeps being updated.
        a.machineid = 4;
        a.model = "DAP-88";
        announce(a);
        QCOMPARE(m_table->findChildren<QMessageBox *>().size(), 1);
        QCOMPARE(cell(1, 1), QStringLiteral("DAP-88"));
        QCOMPARE(m_table->deviceCount(), 3);
        // Room again after a removal, without taking anyone's place.
        m_table->removeDev(0);
        a.machineid = 7;
        announce(a);
        QCOMPARE(m_table->deviceMachineId(2), 7u);
        QCOMPARE(m_table->deviceMachineId(0), 4u);
    }

    void aBurstIsReadWhole()
    {
        makeTable();
        // More than one pass may take; the rest is read on the next turns of the loop.
        constexpr int kBurst = 400;
        Announce a;
        for (int i = 0; i < kBurst; ++i) {
            a.machineid = quint32(1000 + i);
            send(a.bytes());
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_table->deviceCount(), kBurst, 10000);
        QCOMPARE(dbRows(dbPath(), "machineid").size(), kBurst);
        QCOMPARE(m_table->deviceIndex(1000 + 399), 399);
        QCOMPARE(m_table->deviceIndex(7), -1);
        // Every one of them is lost on the same sweep.
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        elapse(3000);
        QCOMPARE(browsing.count(), kBurst);
    }

    void fieldUpdates()
    {
        makeTable();
        Announce a;
        a.machineid = 9;
        a.runTime = 5;
        announce(a);

        QSignalSpy ip(m_table.get(), &QDevTable::sigIpaddr);
        QSignalSpy model(m_table.get(), &QDevTable::sigModel);
        QSignalSpy fault(m_table.get(), &QDevTable::sigFault);
        QSignalSpy preset(m_table.get(), &QDevTable::sigPreset);
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);

        // Only the run time changes: no signal, no database write (a hand edit survives).
        dbExec(dbPath(), "update devicetable set model='edited' where machineid=9");
        a.runTime = 3661;
        announce(a);
        QCOMPARE(cell(0, 8), QStringLiteral("0day 01:01:01"));
        QCOMPARE(ip.count() + model.count() + fault.count() + preset.count() + browsing.count(), 0);
        QCOMPARE(dbRows(dbPath(), "model"), (QList<QStringList>{{"edited"}}));

        // A new address is in the record by the time anyone hears of it.
        quint32 seenAddress = 0;
        connect(m_table.get(), &QDevTable::sigIpaddr, this,
                [&](uint i, uint) { seenAddress = m_table->deviceAddress(int(i)); });
        a.ipaddress = 0xC0A80164;
        a.model = "DAP-88";
        a.location = "Stage";
        a.fault = 1;
        a.preset = "Night";
        a.runTime = 3662;
        announce(a);
        QCOMPARE(ip.count(), 1);
        QCOMPARE(ip.at(0), (QVariantList{0u, 0xC0A80164u}));
        QCOMPARE(seenAddress, 0xC0A80164u);
        QCOMPARE(model.at(0), (QVariantList{0u, QStringLiteral("DAP-88")}));
        QCOMPARE(fault.at(0), (QVariantList{0u, QVariant::fromValue(uchar(1))}));
        QCOMPARE(preset.at(0), (QVariantList{0u, QStringLiteral("Night")}));
        QCOMPARE(cell(0, 0), QStringLiteral("192.168.1.100"));
        QCOMPARE(cell(0, 4), QStringLiteral("Stage"));
        QCOMPARE(dbRows(dbPath(), "ipaddress,model,location"),
                 (QList<QStringList>{{QString::number(0xC0A80164u), "DAP-88", "Stage"}}));
        QCOMPARE(browsing.count(), 0);
    }

    void silenceClosesTheSocketOnce()
    {
        makeTable();
        QTcpServer server;
        QVERIFY(server.listen(kDeviceAddress, 0));
        announce(Announce());
        announce(Announce());
        QTcpSocket *socket = m_table->deviceSocket(0);
        QSignalSpy states(m_table.get(), &QDevTable::sigNetState);
        socket->connectToHost(kDeviceAddress, server.serverPort());
        QVERIFY(socket->waitForConnected(3000));
        QCOMPARE(cell(0, 7), QStringLiteral("Connected"));
        QCOMPARE(m_table->table()->item(0, 7)->background().color(), QColor("Green"));

        // Data over TCP keeps the device found.
        QVERIFY(server.waitForNewConnection(3000));
        QTcpSocket *peer = server.nextPendingConnection();
        m_now += 2500;
        peer->write("x");
        QTRY_VERIFY(socket->bytesAvailable() > 0);
        elapse(2000);
        QVERIFY(m_table->deviceFound(0));

        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        elapse(1000);
        QCOMPARE(browsing.count(), 1);
        QCOMPARE(browsing.at(0), (QVariantList{0, false}));
        QVERIFY(!m_table->silenceTimed(0));
        QVERIFY(!m_table->deviceFound(0));
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(cell(0, 7), QStringLiteral("Unconnected"));
        QCOMPARE(m_table->table()->item(0, 7)->background().color(), QColor("gray"));
        QCOMPARE(m_table->deviceCount(), 1);
        QCOMPARE(dbRows(dbPath()).size(), 1);

        // Connecting, connected, closing, unconnected: each one reported.
        QList<QAbstractSocket::SocketState> seen;
        for (const QVariantList &s : states)
            if (s.at(1).value<QAbstractSocket::SocketState>() != QAbstractSocket::HostLookupState)
                seen << s.at(1).value<QAbstractSocket::SocketState>();
        QCOMPARE(seen, (QList<QAbstractSocket::SocketState>{
                           QAbstractSocket::ConnectingState, QAbstractSocket::ConnectedState,
                           QAbstractSocket::ClosingState, QAbstractSocket::UnconnectedState}));

        // Back on its next announcement.
        announce(Announce());
        QCOMPARE(browsing.count(), 2);
        QCOMPARE(browsing.at(1), (QVariantList{0, true}));
    }

    void deleteShiftsEverything()
    {
        makeTable();
        for (quint32 id : {1u, 2u, 3u}) {
            Announce a;
            a.machineid = id;
            announce(a);
        }
        // Device 3 lost, devices 1 and 2 found.
        m_now += 2000;
        for (quint32 id : {1u, 2u}) {
            Announce a;
            a.machineid = id;
            announce(a);
        }
        elapse(1000);
        QVERIFY(!m_table->deviceFound(2));
        QTcpSocket *socket3 = m_table->deviceSocket(2);
        QPointer<QTcpSocket> socket2 = m_table->deviceSocket(1);

        QSignalSpy removed(m_table.get(), &QDevTable::sigRemoveDev);
        m_table->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_table.get()));
        clickDelete(1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toInt(), 1);

        QCOMPARE(m_table->deviceCount(), 2);
        QCOMPARE(m_table->table()->rowCount(), 2);
        QCOMPARE(m_table->deviceMachineId(1), 3u);
        QCOMPARE(m_table->existingSocket(1), socket3);
        QVERIFY(!m_table->silenceTimed(1));
        QVERIFY(!m_table->deviceFound(1));
        QVERIFY(m_table->deviceFound(0));
        QCOMPARE(cell(1, 10), QStringLiteral("3"));
        QCOMPARE(dbRows(dbPath(), "machineid"), (QList<QStringList>{{"1"}, {"3"}}));
        QTRY_VERIFY(socket2.isNull());

        // Signals of the moved device now carry its new index.
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        elapse(3000);
        Announce a;
        a.machineid = 3;
        announce(a);
        QCOMPARE(browsing.count(), 2);
        QCOMPARE(browsing.at(1), (QVariantList{1, true}));

        // A removed device that announces again comes back at the end.
        a.machineid = 2;
        announce(a);
        QCOMPARE(m_table->deviceMachineId(2), 2u);
    }

    void removingAConnectedDevice()
    {
        makeTable();
        QTcpServer server;
        QVERIFY(server.listen(kDeviceAddress, 0));
        announce(Announce());
        m_table->deviceSocket(0)->connectToHost(kDeviceAddress, server.serverPort());
        QVERIFY(m_table->deviceSocket(0)->waitForConnected(3000));
        QVERIFY(server.waitForNewConnection(3000));
        QTcpSocket *peer = server.nextPendingConnection();

        QSignalSpy states(m_table.get(), &QDevTable::sigNetState);
        m_table->removeDev(0);
        QCOMPARE(m_table->deviceCount(), 0);
        QCOMPARE(states.count(), 0); // no report about an index that no longer exists
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    }

    void requestsLeaveWithoutDelayOnEveryConnection()
    {
        makeTable();
        QTcpServer server;
        QVERIFY(server.listen(kDeviceAddress, 0));
        announce(Announce());
        QTcpSocket *socket = m_table->deviceSocket(0);
        for (int connection = 0; connection < 2; ++connection) {
            socket->connectToHost(kDeviceAddress, server.serverPort());
            QVERIFY(socket->waitForConnected(3000));
            QCOMPARE(socket->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
            socket->abort();
        }
    }

    void destroyedWhileConnected()
    {
        makeTable();
        QTcpServer server;
        QVERIFY(server.listen(kDeviceAddress, 0));
        announce(Announce());
        m_table->deviceSocket(0)->connectToHost(kDeviceAddress, server.serverPort());
        QVERIFY(m_table->deviceSocket(0)->waitForConnected(3000));
        QVERIFY(server.waitForNewConnection(3000));
        QTcpSocket *peer = server.nextPendingConnection();

        // The connected socket closes as the table goes; nothing may reach the dead table.
        m_table.reset();
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    }

    void lockedDatabaseCostsNoDevice()
    {
        makeTable();
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "tst-lock");
        locker.setDatabaseName(dbPath());
        QVERIFY(locker.open());
        QSqlQuery lock(locker);
        QVERIFY(lock.exec("begin exclusive"));

        QTest::ignoreMessage(QtDebugMsg, "550,sqlAdd");
        Announce a;
        announce(a);
        QCOMPARE(m_table->deviceCount(), 1);
        a.model = "DAP-88";
        announce(a); // the update gives up too; the window shows the new model
        QCOMPARE(cell(0, 1), QStringLiteral("DAP-88"));

        QVERIFY(lock.exec("rollback"));
        lock = QSqlQuery();
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase("tst-lock");
        // Once the lock is gone the processor is stored on its next start's first hearing.
        m_table.reset();
        makeTable();
        announce(a);
        QCOMPARE(dbRows(dbPath()), (QList<QStringList>{{"1", "DAP-88"}}));
    }

    void ipDialogSendsCommandTwo()
    {
        QUdpSocket processor;
        QVERIFY(processor.bind(kLoopback, 0));
        DevTableOptions options;
        options.commandPort = processor.localPort();
        makeTable(options);
        Announce a;
        a.machineid = 5;
        announce(a);

        QSignalSpy sent(m_table.get(), &QDevTable::sigNetworkSettingsSent);
        // Cancel after typing: nothing sent, the next opening starts empty.
        QTimer::singleShot(0, this, [this] {
            m_table->ipDialog()->addressEdit()->setText("10.0.0.9");
            m_table->ipDialog()->buttonBox()->button(QDialogButtonBox::Cancel)->click();
        });
        m_table->ipClicked(0);
        QVERIFY(!processor.waitForReadyRead(100));

        QString startText = "x";
        QTimer::singleShot(0, this, [this, &startText] {
            QIpSetting *d = m_table->ipDialog();
            startText = d->addressEdit()->text() + d->maskEdit()->text() + d->gatewayEdit()->text();
            d->addressEdit()->setText("192.168.0.20");
            d->maskEdit()->setText("255.255.255.0");
            d->gatewayEdit()->setText("192.168.0.1");
            d->buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        m_table->ipClicked(0);
        QCOMPARE(startText, QString());
        QVERIFY(processor.waitForReadyRead(3000));
        const QNetworkDatagram datagram = processor.receiveDatagram();
        QCOMPARE(datagram.data(), hex("05 00 00 00 02 00 00 00 0C 00 00 00"
                                      "14 00 A8 C0 00 FF FF FF 01 00 A8 C0"));
        // Only the accepted dialog counts (the window ends that processor's undo history).
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0][0].toInt(), 0);
    }

    // A device.db that cannot keep the list: said once, without a modal box, and the
    // processors heard are listed all the same.
    void failingDatabaseIsSaidOnce_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder missing") << "missing"
                                        << "cannot be opened";
        QTest::newRow("not a database") << "garbage"
                                        << "is not a device list";
        QTest::newRow("damaged") << "damaged"
                                 << "is not a device list";
        QTest::newRow("read-only") << "read-only"
                                   << "cannot be written";
    }
    void failingDatabaseIsSaidOnce()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        DevTableOptions options;
        options.databasePath = fault == "missing" ? m_dir->filePath("missing/device.db") : dbPath();
        const QByteArray garbage =
            fault == "garbage" ? QByteArray(3000, 'x')
                               : QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff');
        if (fault == "garbage" || fault == "damaged") {
            QFile file(dbPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        std::unique_ptr<testsupport::UnwritableFile> locked;
        if (fault == "read-only") {
            Announce stored;
            stored.machineid = 7;
            makeTable();
            announce(stored);
            m_table.reset();
            locked = std::make_unique<testsupport::UnwritableFile>(dbPath());
            if (!locked->ok())
                QSKIP("cannot make a file unwritable here");
        }
        makeTable(options);
        Announce a;
        announce(a);
        a.machineid = 2;
        announce(a);
        QCOMPARE(m_table->deviceCount(), fault == "read-only" ? 3 : 2);

        const QList<QMessageBox *> boxes = m_table->findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(!boxes[0]->isModal());
        QVERIFY2(boxes[0]->text().contains(message), qPrintable(boxes[0]->text()));
        QVERIFY(boxes[0]->text().contains(options.databasePath));
        QVERIFY(!boxes[0]->text().contains("()")); // a reason is always given
        if (fault == "garbage" || fault == "damaged") {
            // The old file is kept under a name the message gives; the new list works.
            const QStringList aside =
                QDir(m_dir->path()).entryList({"device.db.broken-*"}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QVERIFY(boxes[0]->text().contains(aside[0]));
            QFile moved(m_dir->filePath(aside[0]));
            QVERIFY(moved.open(QIODevice::ReadOnly));
            QCOMPARE(moved.readAll(), garbage);
            QCOMPARE(dbRows(dbPath()).size(), 2);
        }
    }

    void busyPortIsReportedOnce()
    {
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        DevTableOptions options;
        options.databasePath = dbPath();
        options.announcePort = other.localPort();
        options.commandAddress = kLoopback;
        m_table = std::make_unique<QDevTable>(nullptr, options);
        QVERIFY(!m_table->isListening());
        m_table->loadDevices();
        m_table->loadDevices();
        const QList<QMessageBox *> boxes = m_table->findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QVERIFY(!boxes[0]->isModal());
        QVERIFY(boxes[0]->text().contains(QString::number(other.localPort())));
    }
};

QTEST_MAIN(TestDevTable)
#include "tst_devtable.moc"
