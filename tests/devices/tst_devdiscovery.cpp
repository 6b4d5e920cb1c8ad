// Discovery against the simulator: three processors announcing over loopback, remembered in
// a real database, moved to a new address by command 2, and lost when they fall silent.
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "devices/devtable.h"
#include "devices/ipsetting.h"
#include "support/simprocess.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using testsupport::SimProcess;

namespace {

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

} // namespace

class TestDevDiscovery : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QDevTable> m_table;
    std::unique_ptr<QDeviceList> m_list;
    quint16 m_commandPort = 0;
    qint64 m_now = 0; // the table's clock

    // Wired the way the main window wires them.
    void makeViews(const QHostAddress &commandAddress = QHostAddress(QStringLiteral("127.0.0.1")))
    {
        m_list.reset();
        m_table.reset();
        DevTableOptions options;
        options.announcePort = 0;
        options.commandAddress = commandAddress;
        options.commandPort = m_commandPort;
        options.databasePath = m_dir.filePath(QStringLiteral("device.db"));
        options.clock = [this] { return m_now; };
        m_table = std::make_unique<QDevTable>(nullptr, options);
        m_list = std::make_unique<QDeviceList>();
        QDevTable *t = m_table.get();
        QDeviceList *l = m_list.get();
        connect(t, &QDevTable::sigAddDev, l, &QDeviceList::addItem);
        connect(t, &QDevTable::sigRemoveDev, l, &QDeviceList::removeRow);
        connect(t, &QDevTable::sigIpaddr, l, &QDeviceList::setIpaddr);
        connect(t, &QDevTable::sigModel, l, &QDeviceList::setDeviceModel);
        connect(t, &QDevTable::sigPreset, l, &QDeviceList::setDevicePreset);
        connect(t, &QDevTable::sigFault, l, &QDeviceList::setFaultState);
        connect(t, &QDevTable::sigNetBrowsingState, l, &QDeviceList::setNetBrowsingState);
        connect(l, &QDeviceList::sig_removeRow, t, &QDevTable::removeDev);
        connect(l, &QDeviceList::sig_ipClicked, t, &QDevTable::ipClicked);
        m_table->loadDevices();
    }
    std::unique_ptr<SimProcess> startSim()
    {
        auto sim = std::make_unique<SimProcess>(
            QStringList{"--count", "3", "--address", "127.0.0.20", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(m_table->announcePort()),
                        "--command-port", QString::number(m_commandPort)});
        if (!sim->start())
            qWarning("%s", qPrintable(sim->errorText()));
        return sim;
    }
    bool allFound() const
    {
        for (int i = 0; i < m_table->deviceCount(); ++i)
            if (!m_table->deviceFound(i) || !m_list->item(i)->isNetworkActive())
                return false;
        return m_table->deviceCount() == 3;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_commandPort = freeUdpPort();
        QVERIFY(m_commandPort != 0);
    }

    void threeProcessorsFoundRememberedAndLost()
    {
        makeViews();
        std::unique_ptr<SimProcess> sim = startSim();
        QVERIFY(sim->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(allFound(), 5000);
        QCOMPARE(m_list->rowCount(), 3);
        QSet<QString> addresses;
        for (int i = 0; i < 3; ++i) {
            addresses << m_list->item(i)->addressText();
            QVERIFY(!m_list->item(i)->modelText().isEmpty());
            QVERIFY(m_table->silenceTimed(i));
        }
        QCOMPARE(addresses, (QSet<QString>{"127.0.0.20", "127.0.0.21", "127.0.0.22"}));
        // Run times arrive with the second announcement.
        QTRY_VERIFY_WITH_TIMEOUT(!m_table->table()->item(0, 8)->text().isEmpty(), 3000);

        // Connect to one the way the main window does; silence closes that connection.
        QTcpSocket *socket = m_table->deviceSocket(0);
        socket->connectToHost(QHostAddress(m_table->deviceAddress(0)), 2699);
        QTRY_COMPARE(m_table->table()->item(0, 7)->text(), QStringLiteral("Connected"));

        sim->stop();
        QSignalSpy browsing(m_table.get(), &QDevTable::sigNetBrowsingState);
        m_now += QDevTable::kSilenceMs;
        m_table->udpRecvTimeout();
        QCOMPARE(browsing.count(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!m_list->item(i)->isNetworkActive());
        QTRY_COMPARE(m_table->table()->item(0, 7)->text(), QStringLiteral("Unconnected"));

        // A restart shows the three from the database, grey until they announce again.
        QList<quint32> ids;
        for (int i = 0; i < 3; ++i)
            ids << m_table->deviceMachineId(i);
        makeViews();
        QCOMPARE(m_table->deviceCount(), 3);
        QCOMPARE(m_list->rowCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m_table->deviceMachineId(i), ids[i]);
            QVERIFY(!m_list->item(i)->isNetworkActive());
        }
        sim = startSim();
        QTRY_VERIFY_WITH_TIMEOUT(allFound(), 5000);
        QCOMPARE(m_table->deviceCount(), 3);
    }

    void newAddressByCommandTwo()
    {
        // The simulator hears commands on each processor's own address.
        makeViews(QHostAddress(QStringLiteral("127.0.0.21")));
        std::unique_ptr<SimProcess> sim = startSim();
        QTRY_VERIFY_WITH_TIMEOUT(allFound(), 5000);
        int row = -1;
        for (int i = 0; i < 3; ++i)
            if (m_list->item(i)->addressText() == QLatin1String("127.0.0.21"))
                row = i;
        QVERIFY(row >= 0);

        QTimer::singleShot(0, this, [this] {
            QIpSetting *d = m_table->ipDialog();
            d->addressEdit()->setText(QStringLiteral("127.0.0.29"));
            d->maskEdit()->setText(QStringLiteral("255.0.0.0"));
            d->buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        QSignalSpy moved(m_table.get(), &QDevTable::sigIpaddr);
        m_table->ipClicked(row);
        QTRY_VERIFY_WITH_TIMEOUT(moved.count() == 1, 5000);
        QCOMPARE(moved.at(0).at(0).toUInt(), uint(row));
        QCOMPARE(m_table->deviceAddress(row), 0x7F00001Du);
        QCOMPARE(m_list->item(row)->addressText(), QStringLiteral("127.0.0.29"));
        QCOMPARE(m_table->table()->item(row, 0)->text(), QStringLiteral("127.0.0.29"));
    }

    // Processors broadcast their announcements; dapctl or another copy of the program hears
    // them beside the window.
    void theAnnouncementPortIsShared()
    {
        makeViews();
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::AnyIPv4, m_table->announcePort(),
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        SimProcess sim({"--address", "127.0.0.25", "--announce",
                        QStringLiteral("127.255.255.255:%1").arg(m_table->announcePort())});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QTRY_VERIFY_WITH_TIMEOUT(m_table->deviceIndex(1025) >= 0, 5000); // 127.0.0.25
        QTRY_VERIFY_WITH_TIMEOUT(other.hasPendingDatagrams(), 5000);
    }
};

QTEST_MAIN(TestDevDiscovery)
#include "tst_devdiscovery.moc"
