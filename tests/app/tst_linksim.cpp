// What the window shows when the link to a simulated processor dies: meters at their floor
// and values greyed as not current, fresh again once the processor reports.
#include "app/login.h"
#include "app/mainwindow.h"
#include "app/overview.h"
#include "app/session.h"
#include "devices/devicelist.h"
#include "modules/levelpanel.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "support/simprocess.h"
#include "widgets/qmeterwidget.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using testsupport::SimProcess;

namespace {

constexpr int kWaitMs = 15000; // generous: the machine may be busy

bool allAtFloor(QWidget *root)
{
    const auto meters = root->findChildren<QMeterWidget *>();
    return !meters.isEmpty() && std::all_of(meters.begin(), meters.end(), [](QMeterWidget *m) {
        return m->value() == m->minimum();
    });
}

bool anyAboveFloor(QWidget *root)
{
    const auto meters = root->findChildren<QMeterWidget *>();
    return std::any_of(meters.begin(), meters.end(),
                       [](QMeterWidget *m) { return m->value() > m->minimum(); });
}

struct Rig {
    QTemporaryDir dir;
    std::unique_ptr<mainWindow> window;
    std::unique_ptr<SimProcess> sim;

    bool start(const QStringList &fault)
    {
        if (!dir.isValid())
            return false;
        QDir::setCurrent(dir.path());
        MainWindowOptions options;
        options.devices.announcePort = 0;
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.devices.commandPort = 9;
        window = std::make_unique<mainWindow>(options);
        window->show();
        sim = std::make_unique<SimProcess>(
            QStringList{"--address", "127.0.0.36", "--password", "1234", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(window->devTable()->announcePort())} +
            fault);
        return sim->start();
    }

    // Selects the processor and logs in; empty once the input meters move, otherwise the
    // step that did not happen.
    QString connectAndLogIn()
    {
        if (!QTest::qWaitFor([&] { return window->deviceList()->rowCount() >= 1; }, kWaitMs))
            return "not discovered";
        emit window->deviceList()->sig_devChanged(0);
        QLogin *login = window->loginDialog();
        if (!QTest::qWaitFor([&] { return login->isVisible(); }, kWaitMs))
            return "no login asked";
        login->passwordEdit()->setText("1234");
        login->buttonBox()->button(QDialogButtonBox::Ok)->click();
        if (!QTest::qWaitFor([&] { return anyAboveFloor(inLevel()); }, kWaitMs))
            return "meters did not move";
        return {};
    }

    FuncWidget *container() const { return window->funcWidget(); }
    QWidget *inLevel() const { return container()->page(FuncWidget::TabInLevel); }
    QWidget *settings() const { return container()->page(FuncWidget::TabSettings); }

    void expectLive()
    {
        QVERIFY(!container()->isStale(inLevel()));
        QVERIFY(inLevel()->isEnabled());
        QVERIFY(window->linkWatch().isLive());
    }

    void expectStale()
    {
        QVERIFY(container()->isStale(inLevel()));
        QVERIFY(container()->isStale(settings()));
        QVERIFY(!inLevel()->isEnabled());
        QVERIFY(allAtFloor(inLevel()));
        QVERIFY(allAtFloor(window->overView()));
        QVERIFY(!window->linkWatch().isLive());
    }
};

} // namespace

class TestLinkSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { session::setLoggedIn(false); }

    // A processor that keeps answering the polls is never taken for lost: the watch's
    // silence is measured from the last bytes heard, not from the first.
    void answeringProcessorStaysLive()
    {
        Rig rig;
        QVERIFY2(rig.start({}), qPrintable(rig.sim->errorText()));
        QCOMPARE(rig.connectAndLogIn(), QString());
        rig.expectLive();
        QSignalSpy lost(&rig.window->linkWatch(), &proto::LinkWatch::linkLost);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) { // more than three silences
            QTest::qWait(50);
            for (int tab = 0; tab < FuncWidget::TabCount; ++tab) {
                QWidget *page = rig.container()->page(FuncWidget::Tab(tab));
                QVERIFY2(
                    !page || !rig.container()->isStale(page),
                    qPrintable(
                        QStringLiteral("tab %1 greyed after %2 ms").arg(tab).arg(clock.elapsed())));
            }
            QVERIFY2(lost.isEmpty(),
                     qPrintable(QStringLiteral("lost after %1 ms").arg(clock.elapsed())));
        }
        rig.expectLive();
    }

    void silenceMarksValuesStale()
    {
        Rig rig;
        QVERIFY2(rig.start({"--silent-after", "6"}), qPrintable(rig.sim->errorText()));
        QCOMPARE(rig.connectAndLogIn(), QString());
        rig.expectLive();
        // The socket stays open; only the silence tells.
        QTRY_VERIFY_WITH_TIMEOUT(rig.container()->isStale(rig.inLevel()), kWaitMs);
        QCOMPARE(rig.window->devTable()->deviceSocket(0)->state(), QAbstractSocket::ConnectedState);
        rig.expectStale();
    }

    void disconnectMarksStaleAndReturnMakesFresh()
    {
        Rig rig;
        QVERIFY2(rig.start({"--disconnect-after", "6"}), qPrintable(rig.sim->errorText()));
        QCOMPARE(rig.connectAndLogIn(), QString());
        rig.expectLive();
        QTRY_VERIFY_WITH_TIMEOUT(rig.container()->isStale(rig.inLevel()), kWaitMs);
        rig.expectStale();

        // The program reconnects by itself and logs in again with the password typed before;
        // each page is fresh with its first report.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.container()->isStale(rig.inLevel()), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(anyAboveFloor(rig.inLevel()), kWaitMs);
        QVERIFY(!rig.window->loginDialog()->isVisible());
        rig.expectLive();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.container()->isStale(rig.settings()), kWaitMs);
    }
};

QTEST_MAIN(TestLinkSim)
#include "tst_linksim.moc"
