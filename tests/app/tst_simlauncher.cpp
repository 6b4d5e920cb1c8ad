#include "app/simlauncher.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

// The menu's simulated processor: a real dapsim on a free loopback address, gone when stopped.
class TestSimLauncher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void takesAFreeAddressAndStops()
    {
        // Whatever the first free address is, holding it moves the launcher past it.
        const QHostAddress first = SimLauncher::freeLoopbackAddress();
        QVERIFY(!first.isNull());
        QTcpServer holder;
        QVERIFY(holder.listen(first, 2699));

        SimLauncher launcher;
        launcher.setProgram(QStringLiteral(DAP_BIN_DIR "/dapsim"));
        QVERIFY2(launcher.start(), qPrintable(launcher.errorText()));
        QVERIFY(launcher.isRunning());
        QVERIFY(launcher.address() != first);
        QVERIFY(launcher.address().isLoopback());

        // The simulator answers on its processor port.
        bool connected = false;
        for (int attempt = 0; attempt < 100 && !connected; ++attempt) {
            QTcpSocket socket;
            socket.connectToHost(launcher.address(), 2699);
            connected = socket.waitForConnected(200);
            if (!connected)
                QTest::qWait(100);
        }
        QVERIFY(connected);
        // It hears commands on its own address only: another loopback address keeps the
        // command port free (a simulator on every address would hold it there too).
        QUdpSocket elsewhere;
        QVERIFY(elsewhere.bind(QHostAddress(QStringLiteral("127.0.0.1")), 6001,
                               QUdpSocket::DontShareAddress));

        QSignalSpy stopped(&launcher, &SimLauncher::stopped);
        launcher.stop();
        QVERIFY(!launcher.isRunning());
        QCOMPARE(stopped.count(), 1);
    }

    void missingProgramIsReported()
    {
        SimLauncher launcher;
        launcher.setProgram(QStringLiteral("/nonexistent/dapsim"));
        QVERIFY(!launcher.start());
        QVERIFY(launcher.errorText().contains(QStringLiteral("/nonexistent/dapsim")));
        QVERIFY(!launcher.isRunning());
    }
};

QTEST_MAIN(TestSimLauncher)
#include "tst_simlauncher.moc"
