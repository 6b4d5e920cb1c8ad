// The shell against a simulated processor: discovery, selection, connection and login.
#include "app/login.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "support/simprocess.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using testsupport::SimProcess;

class TestLoginSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { session::setLoggedIn(false); }

    void selectConnectAndLogIn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        MainWindowOptions options;
        options.devices.announcePort = 0;
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.devices.commandPort = 9;
        options.startModuleClock = false;
        mainWindow window(options);
        window.show(); // the list makes tiles for the rows in view
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const quint16 port = window.devTable()->announcePort();
        QVERIFY(port != 0);

        // A Latin-1 password: it must reach the processor as one byte per character.
        SimProcess sim({"--address", "127.0.0.30", "--password",
                        QString::fromLatin1("p\xe4"
                                            "1"),
                        "--generation", "2", "--verbose", "--count", "2", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));

        QTRY_VERIFY_WITH_TIMEOUT(window.deviceList()->rowCount() >= 1, 5000);
        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
        QTcpSocket *socket = window.devTable()->deviceSocket(0);
        QCOMPARE(proto::Transport::instance().currentSocket(), socket);
        QTRY_COMPARE(socket->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(socket->peerAddress(), QHostAddress(window.devTable()->deviceAddress(0)));
        QVERIFY(socket->peerAddress().toString().startsWith("127.0.0.3"));
        QCOMPARE(socket->peerPort(), quint16(2699));

        // The processor asks for a password; a wrong one brings the dialog back.
        QLogin *login = window.loginDialog();
        QTRY_VERIFY(login->isVisible());
        login->passwordEdit()->setText("wrong");
        login->buttonBox()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(!login->isVisible());
        QTRY_VERIFY(login->isVisible());
        QVERIFY(!session::loggedIn());

        QSignalSpy versions(window.funcWidget(), &FuncWidget::sigArmVer);
        login->passwordEdit()->setText(QString::fromLatin1("p\xe4"
                                                           "1"));
        login->buttonBox()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(session::loggedIn());
        QVERIFY(!login->isVisible());

        // The device information asked for at login comes back through the container: a
        // second-generation processor loses the "In Delay" tab.
        QTRY_VERIFY(!versions.isEmpty());
        QVERIFY(versions.first().at(0).toString().startsWith("V2."));
        QCOMPARE(window.funcWidget()->stack()->count(), 14);

        const QString log = sim.errorText();
        QVERIFY2(log.contains("recv class 2 type 1 code 1 dir 01 len 3: 70 e4 31"),
                 qPrintable(log));
        const qsizetype labelsIn = log.indexOf("recv class 2 type 3 code 1 dir 00");
        const qsizetype labelsOut = log.indexOf("recv class 2 type 3 code 2 dir 00");
        const qsizetype armVersion = log.indexOf("recv class 2 type 2 code 2 dir 00");
        QVERIFY(labelsIn >= 0 && labelsIn < labelsOut && labelsOut < armVersion);

        // Another processor gets its own connection; coming back to the first reuses the
        // open one without connecting again.
        QTRY_COMPARE_WITH_TIMEOUT(window.deviceList()->rowCount(), 2, 5000);
        QSignalSpy firstStates(socket, &QAbstractSocket::stateChanged);
        QTest::mouseClick(window.deviceList()->item(1), Qt::LeftButton);
        QTcpSocket *second = window.devTable()->deviceSocket(1);
        QCOMPARE(proto::Transport::instance().currentSocket(), second);
        QTRY_COMPARE(second->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(second->peerAddress(), QHostAddress(window.devTable()->deviceAddress(1)));
        QVERIFY(second->peerAddress() != socket->peerAddress());
        QTest::mouseClick(window.deviceList()->item(0), Qt::LeftButton);
        QCOMPARE(proto::Transport::instance().currentSocket(), socket);
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        QVERIFY(firstStates.isEmpty());

        // Selecting nothing leaves the connection open but no longer read.
        window.deviceList()->removeRow(0);
        QCOMPARE(proto::Transport::instance().currentSocket(), nullptr);
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
    }
};

QTEST_MAIN(TestLoginSim)
#include "tst_loginsim.moc"
