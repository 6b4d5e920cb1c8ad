// The shell against more simulated processors than it takes: the ones beyond the bound are
// not added, the user is told once, and the known ones stay usable and stored.
#include "app/mainwindow.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "devices/devtable.h"
#include "support/simprocess.h"

#include <QDir>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using testsupport::SimProcess;

class TestFloodSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void processorsBeyondTheBoundAreNotAdded()
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

        QList<quint32> kept;
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
            for (int i = 0; i < kBound; ++i)
                kept.append(table->deviceMachineId(i));

            // Let every known one fall silent and wait until all are heard again: the
            // others announced again too, and were neither added nor told about twice.
            table->limitMessage()->close();
            now += QDevTable::kSilenceMs;
            table->udpRecvTimeout();
            QVERIFY(!table->silenceTimed(0));
            const auto allHeard = [&] {
                for (int i = 0; i < kBound; ++i)
                    if (!table->silenceTimed(i))
                        return false;
                return true;
            };
            QTRY_VERIFY_WITH_TIMEOUT(allHeard(), 10000);
            QCOMPARE(window.deviceList()->rowCount(), kBound);
            QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
            QVERIFY(!table->limitMessage()->isVisible());

            // A kept processor still connects.
            QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
            QTcpSocket *socket = table->existingSocket(0);
            QVERIFY(socket);
            QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::ConnectedState, 10000);
        }

        // The same ones, and only those, are there after a restart.
        mainWindow again(options);
        QCOMPARE(again.devTable()->deviceCount(), kBound);
        for (int i = 0; i < kBound; ++i)
            QCOMPARE(again.devTable()->deviceMachineId(i), kept.at(i));
    }
};

QTEST_MAIN(TestFloodSim)
#include "tst_floodsim.moc"
