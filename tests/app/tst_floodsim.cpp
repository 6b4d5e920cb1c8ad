// The shell against more simulated processors than it takes: newcomers take the places of
// processors never selected, the user is told once, and the selected one stays usable and
// stored.
#include "app/mainwindow.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "devices/devtable.h"
#include "support/simprocess.h"

#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using testsupport::SimProcess;

class TestFloodSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newcomersTakeThePlacesOfProcessorsNeverSelected()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        constexpr int kBound = 5;
        MainWindowOptions options;
        options.devices.announcePort = 0;
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.devices.commandPort = 9;
        options.devices.maxDevices = kBound;
        options.startModuleClock = false;
        qint64 now = 0;
        options.devices.clock = [&now] { return now; };

        quint32 selected = 0;
        {
            mainWindow window(options);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QDevTable *table = window.devTable();
            SimProcess sim({"--address", "127.0.93.1", "--count", "9", "--machine-id", "900",
                            "--announce",
                            QStringLiteral("127.0.0.1:%1").arg(table->announcePort())});
            QVERIFY2(sim.start(), qPrintable(sim.errorText()));
            QTRY_VERIFY_WITH_TIMEOUT(table->limitMessage(), 10000);
            QCOMPARE(window.deviceList()->rowCount(), kBound);
            QVERIFY(table->limitMessage()->isVisible());

            // A selected processor keeps its place and its connection while the others take
            // each other's places; the user was told once.
            QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
            selected = table->deviceMachineId(0);
            QTcpSocket *socket = table->existingSocket(0);
            QVERIFY(socket);
            QSignalSpy replaced(table, &QDevTable::sigRemoveDev);
            QTRY_VERIFY_WITH_TIMEOUT(replaced.size() >= 8, 10000);
            QCOMPARE(window.deviceList()->rowCount(), kBound);
            QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
            const int index = table->deviceIndex(selected);
            QVERIFY(index >= 0);
            QCOMPARE(window.deviceList()->currentRow(), index);
            QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::ConnectedState, 10000);
        }

        // The selected one is there after a restart, among as many as the list takes.
        mainWindow again(options);
        QCOMPARE(again.devTable()->deviceCount(), kBound);
        QVERIFY(again.devTable()->deviceIndex(selected) >= 0);
    }
};

QTEST_MAIN(TestFloodSim)
#include "tst_floodsim.moc"
