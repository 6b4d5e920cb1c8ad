// The shell against simulated processors that drop their links: reconnection with back-off,
// the automatic login with the password of this run, and the strip on a switch of processor.
#include "app/login.h"
#include "app/mainwindow.h"
#include "app/overview.h"
#include "app/session.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "devices/ipsetting.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>

#include <memory>

using testsupport::SimProcess;

namespace {

MainWindowOptions loopbackOptions()
{
    MainWindowOptions options;
    options.devices.announcePort = 0;
    options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.devices.commandPort = 9;
    options.startModuleClock = false;
    return options;
}

bool overviewShows(QOverView *overview, const QString &text)
{
    for (const QLabel *label : overview->findChildren<QLabel *>())
        if (label->text() == text)
            return true;
    return false;
}

int countOf(const QString &log, const QString &line)
{
    return int(log.count(line));
}

// Selects the only tile and answers the Login dialog that the processor's question opens.
bool selectAndLogIn(mainWindow &window, const QString &password)
{
    if (!QTest::qWaitFor([&window] { return window.deviceList()->rowCount() == 1; }))
        return false;
    QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
    QLogin *login = window.loginDialog();
    if (!QTest::qWaitFor([login] { return login->isVisible(); }))
        return false;
    login->passwordEdit()->setText(password);
    login->buttonBox()->button(QDialogButtonBox::Ok)->click();
    return QTest::qWaitFor([] { return session::loggedIn(); });
}

QByteArray announcementOf(quint32 machineId, quint32 address)
{
    QByteArray announcement(140, '\0');
    qToLittleEndian(machineId, announcement.data());
    qToLittleEndian(address, announcement.data() + 4);
    return announcement;
}

} // namespace

class TestReconnectSim : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(m_dir->path());
    }
    void cleanup() { session::setLoggedIn(false); }

    void droppedLinkIsReconnectedAndLoggedIn()
    {
        mainWindow window(loopbackOptions());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SimProcess sim({"--address", "127.0.91.1", "--password", "q7Zx", "--verbose",
                        "--disconnect-after", "2", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort())});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(selectAndLogIn(window, QStringLiteral("q7Zx")));
        QTcpSocket *socket = window.devTable()->existingSocket(0);
        QVERIFY(socket);
        QLogin *login = window.loginDialog();

        // The processor closes the link but keeps announcing: "Reconnecting", then back
        // and logged in again without asking the user.
        QTRY_COMPARE_WITH_TIMEOUT(window.overView()->netState(), QOverView::kReconnecting, 6000);
        QVERIFY(!session::loggedIn());
        QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::ConnectedState, 6000);
        QTRY_VERIFY_WITH_TIMEOUT(session::loggedIn(), 5000);
        QVERIFY(!login->isVisible());
        QCOMPARE(window.overView()->netState(), int(QAbstractSocket::ConnectedState));
        const QString passwordLine = "recv class 2 type 1 code 1 dir 01 len 4: 71 37 5a 78";
        // What the pages show is asked for again after the new login.
        QTRY_VERIFY_WITH_TIMEOUT(countOf(sim.errorText(), "recv class 2 type 3 code 1 dir 00") >= 2,
                                 5000);
        QCOMPARE(countOf(sim.errorText(), passwordLine), 2);

        // Clicking the tile while a retry waits tries at once.
        QTRY_VERIFY_WITH_TIMEOUT(window.reconnectDelay() > 0, 6000);
        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
        QCOMPARE(window.reconnectDelay(), 0);
        QVERIFY(socket->state() == QAbstractSocket::ConnectingState ||
                socket->state() == QAbstractSocket::ConnectedState);
        QTRY_VERIFY_WITH_TIMEOUT(session::loggedIn(), 5000);
        QVERIFY(!login->isVisible());

        // The password lives in memory only.
        QDirIterator files(m_dir->path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains("q7Zx"), qPrintable(file.fileName()));
        }
    }

    // The password changed elsewhere while the link was down: one automatic try, then the
    // user is asked, and nothing more is tried behind the open dialog.
    void refusedRememberedPasswordAsksTheUser()
    {
        mainWindow window(loopbackOptions());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SimProcess sim({"--address", "127.0.91.6", "--password", "q7Zx", "--verbose",
                        "--disconnect-after", "2", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort())});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(selectAndLogIn(window, QStringLiteral("q7Zx")));
        QLogin *login = window.loginDialog();

        // Another client changes the password before the link drops.
        testsupport::FrameClient other;
        QVERIFY(other.connectTo(QHostAddress(QStringLiteral("127.0.91.6"))));
        other.send(2, 1, 1, 1, "q7Zx");
        QVERIFY(other.waitForReport(2, 1, 1));
        other.send(2, 2, 14, 1, "n3w");
        QVERIFY(!sim.waitForLine("login password changed").isEmpty());
        other.disconnectFromHost();

        QTRY_VERIFY_WITH_TIMEOUT(!session::loggedIn(), 6000);
        QTRY_VERIFY_WITH_TIMEOUT(login->isVisible(), 6000);
        QVERIFY(login->passwordEdit()->text().isEmpty());
        const QString anyLogin = "recv class 2 type 1 code 1 dir 01";
        const QString oldPassword = anyLogin + " len 4: 71 37 5a 78";
        // Typed, the other client's, and one automatic attempt.
        QTest::qWait(200);
        QCOMPARE(countOf(sim.errorText(), oldPassword), 3);
        const int logins = countOf(sim.errorText(), anyLogin);
        QCOMPARE(logins, 3);

        // The link drops and comes back behind the dialog: the processor asks again, and
        // nothing answers it until the user does.
        const auto connections = [&sim] { return int(sim.lines().filter("connected").size()); };
        const int before = connections();
        QTRY_VERIFY_WITH_TIMEOUT(connections() > before, 8000);
        QTest::qWait(500);
        QCOMPARE(countOf(sim.errorText(), anyLogin), logins);
        QVERIFY(login->isVisible());
        QVERIFY(login->passwordEdit()->text().isEmpty());
        QVERIFY(!session::loggedIn());
    }

    void backOffGrowsWhileHeardAndStopsWhenLost()
    {
        mainWindow window(loopbackOptions());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Heard, but nothing listens on its TCP port: every attempt is refused.
        QByteArray announcement(140, '\0');
        qToLittleEndian(quint32(0x5A5A0001), announcement.data());
        qToLittleEndian(quint32(0x7F005B09), announcement.data() + 4); // 127.0.91.9
        QUdpSocket processor;
        QCOMPARE(processor.writeDatagram(announcement, QHostAddress(QStringLiteral("127.0.0.1")),
                                         window.devTable()->announcePort()),
                 qint64(140));
        QTRY_VERIFY_WITH_TIMEOUT(window.deviceList()->rowCount() == 1, 5000);
        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);

        // Each failed attempt waits twice as long, up to the last step.
        for (int delay : {500, 1000, 2000, 4000, 8000}) {
            QTRY_COMPARE_WITH_TIMEOUT(window.reconnectDelay(), delay, 2000);
            QCOMPARE(window.overView()->netState(), QOverView::kReconnecting);
            window.reconnectNow();
        }
        QTRY_COMPARE_WITH_TIMEOUT(window.devTable()->existingSocket(0)->state(),
                                  QAbstractSocket::UnconnectedState, 2000);
        QCOMPARE(window.reconnectDelay(), 8000);
        // A processor that falls silent is not called again.
        QTRY_VERIFY_WITH_TIMEOUT(!window.devTable()->deviceFound(0), 8000);
        QCOMPARE(window.reconnectDelay(), 0);
        QCOMPARE(window.overView()->netState(), int(QAbstractSocket::UnconnectedState));
    }

    void switchClearsTheStripAndAsksAtOnce()
    {
        mainWindow window(loopbackOptions());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SimProcess sim({"--address", "127.0.91.4", "--count", "2", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort())});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QTRY_VERIFY_WITH_TIMEOUT(window.deviceList()->rowCount() == 2, 5000);
        QDevTable *table = window.devTable();
        const QString first = QHostAddress(table->deviceAddress(0)).toString();
        const QString second = QHostAddress(table->deviceAddress(1)).toString();

        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(overviewShows(window.overView(), first), 5000);
        QTest::mouseClick(window.deviceList()->item(1), Qt::LeftButton);
        QVERIFY(!overviewShows(window.overView(), first)); // gone at once
        // No settings poll runs here (the module clock is stopped): the address can only
        // come from the request made at the switch.
        QTRY_VERIFY_WITH_TIMEOUT(overviewShows(window.overView(), second), 5000);
        // Back to the open link of the first: asked at once as well.
        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
        QVERIFY(!overviewShows(window.overView(), second));
        QTRY_VERIFY_WITH_TIMEOUT(overviewShows(window.overView(), first), 5000);
    }

    // The wait before the next attempt starts over only after a link that lasted and logged
    // in; a peer that accepts and closes at once is called less and less often.
    void backOffStartsOverOnlyAfterASteadyLogin_data()
    {
        QTest::addColumn<bool>("loginOk");
        QTest::addColumn<int>("lastsMs");
        QTest::addColumn<QList<int>>("delays");
        const int steady = mainWindow::kSteadyLinkMs;
        QTest::newRow("closes at once") << false << 0 << QList<int>{500, 1000, 2000};
        QTest::newRow("logs in, closes at once") << true << 0 << QList<int>{500, 1000, 2000};
        QTest::newRow("lasts, no login") << false << steady << QList<int>{500, 1000, 2000};
        QTest::newRow("lasts and logs in") << true << steady << QList<int>{500, 500, 500};
    }
    void backOffStartsOverOnlyAfterASteadyLogin()
    {
        QFETCH(bool, loginOk);
        QFETCH(int, lastsMs);
        QFETCH(QList<int>, delays);
        MainWindowOptions options = loopbackOptions();
        qint64 now = 0;
        options.devices.clock = [&now] { return now; };
        mainWindow window(options);
        const QHostAddress address(QStringLiteral("127.0.91.50"));
        QTcpServer peer;
        QVERIFY(peer.listen(address, 2699));
        QTcpSocket *accepted = nullptr;
        connect(&peer, &QTcpServer::newConnection, this, [&] {
            accepted = peer.nextPendingConnection();
            if (loginOk) // class 2, type 1, code 1, report: logged in
                accepted->write(QByteArray::fromHex("827d0100020101800100017d82"));
        });
        const QByteArray announcement = announcementOf(0x5A5A0050, address.toIPv4Address());
        window.devTable()->receiveDatagrams({announcement});
        window.deviceList()->sig_devChanged(0);

        for (int round = 0; round < delays.size(); ++round) {
            if (round > 0)
                window.reconnectNow();
            QTRY_VERIFY(accepted);
            if (loginOk)
                QTRY_VERIFY(session::loggedIn());
            now += lastsMs;
            window.devTable()->receiveDatagrams({announcement}); // still heard
            accepted->disconnectFromHost();
            accepted = nullptr;
            QTRY_COMPARE(window.reconnectDelay(), delays.at(round));
        }
    }

    // A password is sent by itself only to the address it was typed for: the same machine
    // id announced elsewhere (a forged announcement) is connected to, but the user is asked,
    // and the tile says that the address changed.
    void passwordStaysWithItsAddress()
    {
        mainWindow window(loopbackOptions());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString announce =
            QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort());
        auto real = std::make_unique<SimProcess>(QStringList{"--address", "127.0.91.20",
                                                             "--machine-id", "1002", "--password",
                                                             "q7Zx", "--announce", announce});
        QVERIFY2(real->start(), qPrintable(real->errorText()));
        QVERIFY(selectAndLogIn(window, QStringLiteral("q7Zx")));
        QLogin *login = window.loginDialog();

        // The link drops; the same machine id is now announced from another address.
        real.reset();
        SimProcess forged({"--address", "127.0.91.29", "--machine-id", "1002", "--password", "q7Zx",
                           "--verbose", "--announce", announce});
        QVERIFY2(forged.start(), qPrintable(forged.errorText()));
        QTRY_COMPARE_WITH_TIMEOUT(window.devTable()->deviceAddress(0), 0x7F005B1Du, 5000);
        QVERIFY(!window.deviceList()->row(0).addressNote.isEmpty());
        QVERIFY(window.deviceList()->item(0)->presetText().contains("127.0.91.20"));
        window.reconnectNow();
        QTRY_VERIFY_WITH_TIMEOUT(login->isVisible(), 8000);
        QVERIFY(!session::loggedIn());
        QVERIFY2(!forged.errorText().contains("recv class 2 type 1 code 1 dir 01"),
                 qPrintable(forged.errorText()));

        // Typed for this address, it logs in and the note goes.
        login->passwordEdit()->setText(QStringLiteral("q7Zx"));
        login->buttonBox()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(session::loggedIn());
        QVERIFY(window.deviceList()->row(0).addressNote.isEmpty());
    }

    // The program's own IP setting takes the password along: after the move the processor is
    // logged in again by itself, and its tile has no note.
    void ownIpSettingKeepsTheLogin()
    {
        QUdpSocket probe; // a free port for the simulator's commands
        QVERIFY(probe.bind(QHostAddress(QStringLiteral("127.0.91.40")), 0));
        const quint16 commandPort = probe.localPort();
        probe.close();
        MainWindowOptions options = loopbackOptions();
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.91.40"));
        options.devices.commandPort = commandPort;
        mainWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SimProcess sim({"--address", "127.0.91.40", "--password", "q7Zx", "--verbose",
                        "--disconnect-after", "3", "--command-port", QString::number(commandPort),
                        "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort())});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(selectAndLogIn(window, QStringLiteral("q7Zx")));
        QLogin *login = window.loginDialog();

        QTimer::singleShot(0, this, [&window] {
            QIpSetting *d = window.devTable()->ipDialog();
            d->addressEdit()->setText(QStringLiteral("127.0.91.41"));
            d->maskEdit()->setText(QStringLiteral("255.0.0.0"));
            d->buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        window.devTable()->ipClicked(0);
        QTRY_COMPARE_WITH_TIMEOUT(window.devTable()->deviceAddress(0), 0x7F005B29u, 5000);
        QVERIFY(window.deviceList()->row(0).addressNote.isEmpty());
        // The processor closes the link; the program comes back at the new address.
        QTRY_VERIFY_WITH_TIMEOUT(!session::loggedIn(), 6000);
        QTRY_VERIFY_WITH_TIMEOUT(session::loggedIn(), 10000);
        QVERIFY(!login->isVisible());
        QCOMPARE(window.devTable()->existingSocket(0)->peerAddress(),
                 QHostAddress(QStringLiteral("127.0.91.41")));
    }
};

QTEST_MAIN(TestReconnectSim)
#include "tst_reconnectsim.moc"
