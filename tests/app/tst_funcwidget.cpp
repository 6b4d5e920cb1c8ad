#include "modules/levelpanel.h"
#include "pages/cail.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "widgets/qmeterwidget.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

class TestFuncWidget : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { proto::Transport::instance().setSink({}); }

    void tabsInStandardOrder()
    {
        FuncWidget container;
        const QStringList texts = {"In Level",   "Gate",       "Feedback",    "In Filter",
                                   "In Limiter", "In Delay",   "Matrix",      "Signal",
                                   "Out Level",  "Out Filter", "Out Limiter", "Out Delay",
                                   "Preset",     "Settings",   "Security"};
        const QStringList pageNames = {"inLevelWidget", "gateWidget", "feedbackWidget", "In Filter",
                                       "In Limiter",    "In Delay",   "Mix Mtx",        "Signal",
                                       "Out Level",     "Out Filter", "Out Limiter",    "Out Delay",
                                       "Preset",        "Settings",   "Security"};
        QCOMPARE(container.objectName(), QString("funcWidget"));
        QCOMPARE(container.stack()->count(), 15);
        for (int i = 0; i < FuncWidget::TabCount; ++i) {
            auto *button = container.tabButton(FuncWidget::Tab(i));
            QCOMPARE(button->text(), texts[i]);
            QCOMPARE(button->objectName(), QString("normalButton2"));
            QVERIFY(button->isCheckable());
            QCOMPARE(container.buttonGroup()->id(button), i);
            QCOMPARE(container.stack()->widget(i)->objectName(), pageNames[i]);
        }
        QCOMPARE(container.stack()->currentIndex(), 0);
        QVERIFY(container.tabButton(FuncWidget::TabInLevel)->isChecked());

        container.tabButton(FuncWidget::TabOutFilter)->click();
        QCOMPARE(container.currentPage()->objectName(), QString("Out Filter"));
    }

    // Frames pass the real receive path: bytes -> Transport -> FrameRouter -> container.
    void routesFramesToPages()
    {
        FuncWidget container;
        proto::FrameRouter router;
        container.registerRoutes(router);
        QStringList delivered;
        container.setRouteTap([&](QWidget *page) { delivered << page->objectName(); });

        auto frame = [](int frameClass, int type) {
            QByteArray bytes = QByteArray::fromHex("827d0100");
            bytes += char(frameClass);
            bytes += char(type);
            bytes += QByteArray::fromHex("0380"
                                         "0100"
                                         "00"
                                         "7d82");
            return bytes;
        };
        QByteArray stream;
        for (int id : {1, 6, 7, 8, 12, 13, 31, 32, 33, 0})
            stream += frame(3, id);
        for (int type : {1, 2, 3, 4, 5, 6})
            stream += frame(2, type);
        stream += frame(1, 1);
        proto::Transport::instance().receiveBytes(stream, router);

        QCOMPARE(delivered,
                 QStringList({"inLevelWidget", "In Delay", "Mix Mtx", "Signal", "Out Delay",
                              "Preset", "Settings", "Settings", "Settings", "Security"}));
        QCOMPARE(container.pageForModule(13), nullptr);
        QCOMPARE(container.pageForModule(31), nullptr);
    }

    // One Frame per module id and system type, each checked against the page it must reach.
    void everyRouteReachesItsPage_data()
    {
        QTest::addColumn<int>("frameClass");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("tab");
        const int moduleTabs[] = {
            FuncWidget::TabInLevel,   FuncWidget::TabGate,       FuncWidget::TabFeedback,
            FuncWidget::TabInFilter,  FuncWidget::TabInLimiter,  FuncWidget::TabInDelay,
            FuncWidget::TabMatrix,    FuncWidget::TabSignal,     FuncWidget::TabOutLevel,
            FuncWidget::TabOutFilter, FuncWidget::TabOutLimiter, FuncWidget::TabOutDelay};
        for (int id = 1; id <= 12; ++id)
            QTest::addRow("module %d", id) << 3 << id << moduleTabs[id - 1];
        QTest::newRow("module 32") << 3 << 32 << int(FuncWidget::TabPreset);
        for (int type = 2; type <= 4; ++type)
            QTest::addRow("system %d", type) << 2 << type << int(FuncWidget::TabSettings);
        QTest::newRow("system 5") << 2 << 5 << int(FuncWidget::TabSecurity);
    }
    void everyRouteReachesItsPage()
    {
        QFETCH(int, frameClass);
        QFETCH(int, type);
        QFETCH(int, tab);
        FuncWidget container;
        proto::FrameRouter router;
        container.registerRoutes(router);
        QList<QWidget *> delivered;
        container.setRouteTap([&](QWidget *page) { delivered << page; });
        QByteArray frame = QByteArray::fromHex("827d0100");
        frame += char(frameClass);
        frame += char(type);
        frame += QByteArray::fromHex("0380010000"
                                     "7d82");
        proto::Transport::instance().receiveBytes(frame, router);
        QCOMPARE(delivered, QList<QWidget *>{container.page(FuncWidget::Tab(tab))});
        if (frameClass == 3)
            QCOMPARE(container.pageForModule(quint8(type)), container.page(FuncWidget::Tab(tab)));
    }

    // A lost link: meters to the floor (and the floor relayed to the overview), every page
    // with values greyed until the processor reports to that page again; a row the security
    // page locked stays locked when its page comes back.
    void lostLinkMarksPagesStaleUntilTheyHearAgain()
    {
        FuncWidget container;
        proto::Transport::instance().setSink([](const QByteArray &) {});
        proto::FrameRouter router;
        container.registerRoutes(router);
        auto *in = qobject_cast<QInLevel *>(container.page(FuncWidget::TabInLevel));
        QWidget *out = container.page(FuncWidget::TabOutLevel);
        QWidget *settings = container.page(FuncWidget::TabSettings);
        QVERIFY(in && out && settings);
        auto receive = [&](const char *spaced) {
            proto::Transport::instance().receiveBytes(
                QByteArray::fromHex(QByteArray(spaced).replace(' ', "")), router);
        };
        receive("82 7D 01 00 03 01 01 80 04 00 F4 E2 00 0C 7D 82"); // input meters
        QCOMPARE(in->channelState(3).meter, 12);
        in->setSecurityState(1, 1); // read-only row
        QVERIFY(!in->strip(1).background->isEnabled());

        QSignalSpy relayed(&container, &FuncWidget::sigInMeter);
        container.linkLost();
        for (int ch = 0; ch < 4; ++ch)
            QCOMPARE(in->channelState(ch).meter, QLevelPanel::kMeterFloor);
        QCOMPARE(relayed.size(), 4); // every channel that was above the floor
        for (QWidget *page : {static_cast<QWidget *>(in), out, settings, container.cailDialog()}) {
            QVERIFY(container.isStale(page));
            QVERIFY(!page->isEnabled());
        }
        container.linkLost(); // twice lost is still once stale
        QVERIFY(container.isStale(in));

        receive("82 7D 01 00 03 01 01 80 04 00 F4 E2 00 0C 7D 82");
        QVERIFY(!container.isStale(in) && in->isEnabled());
        QVERIFY(!container.isStale(container.cailDialog())); // its values come with module 1
        QCOMPARE(in->channelState(3).meter, 12);
        QVERIFY(!in->strip(1).background->isEnabled());
        QVERIFY(container.isStale(out) && container.isStale(settings));
        receive("82 7D 01 00 02 02 0F 80 01 00 01 7D 82"); // all-mute report to the settings
        QVERIFY(!container.isStale(settings) && settings->isEnabled());
        QVERIFY(container.isStale(out));
    }

    void generationSwitchMovesInDelay()
    {
        FuncWidget container;
        container.show();
        QSignalSpy versions(&container, &FuncWidget::sigArmVer);
        auto *group = container.buttonGroup();
        auto *inDelayButton = container.tabButton(FuncWidget::TabInDelay);

        firmware gen2{2, 0, 3};
        container.armVerChanged(&gen2);
        QCOMPARE(versions.takeFirst().at(0).toString(), QString("V2.0.3"));
        QCOMPARE(container.stack()->count(), 14);
        QVERIFY(!inDelayButton->isVisible());
        QCOMPARE(group->buttons().size(), 14);
        QCOMPARE(group->id(container.tabButton(FuncWidget::TabMatrix)), 5);
        QCOMPARE(group->id(container.tabButton(FuncWidget::TabSecurity)), 13);
        container.tabButton(FuncWidget::TabMatrix)->click();
        QCOMPARE(container.currentPage(), container.page(FuncWidget::TabMatrix));
        container.tabButton(FuncWidget::TabSecurity)->click();
        QCOMPARE(container.currentPage(), container.page(FuncWidget::TabSecurity));

        container.armVerChanged(&gen2); // the same generation again changes nothing
        QCOMPARE(container.stack()->count(), 14);
        QCOMPARE(group->buttons().size(), 14);

        firmware gen1{1, 4, 0};
        container.armVerChanged(&gen1);
        QCOMPARE(versions.last().at(0).toString(), QString("V1.4.0"));
        QCOMPARE(container.stack()->count(), 15);
        QVERIFY(inDelayButton->isVisible());
        auto *layout = inDelayButton->parentWidget()->layout();
        for (int i = 0; i < FuncWidget::TabCount; ++i) {
            auto *button = container.tabButton(FuncWidget::Tab(i));
            QCOMPARE(group->id(button), i);
            QCOMPARE(layout->indexOf(button), i);
            QCOMPARE(container.stack()->widget(i), container.page(FuncWidget::Tab(i)));
        }
        inDelayButton->click();
        QCOMPARE(container.currentPage()->objectName(), QString("In Delay"));

        firmware gen3{3, 0, 0}; // unknown generation: tabs stay, version still shown
        container.armVerChanged(&gen3);
        QCOMPARE(container.stack()->count(), 15);
        QCOMPARE(versions.last().at(0).toString(), QString("V3.0.0"));
    }

    void removingTheShownInDelayPageMovesTheCheckedTab()
    {
        FuncWidget container;
        container.tabButton(FuncWidget::TabInDelay)->click();
        firmware gen2{2, 1, 1};
        container.armVerChanged(&gen2);
        QAbstractButton *checked = container.buttonGroup()->checkedButton();
        QVERIFY(checked);
        QCOMPARE(container.buttonGroup()->id(checked), container.stack()->currentIndex());
    }

    void calibrationOnlyFromInLevel()
    {
        FuncWidget container;
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
        container.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&container));
        QWidget *cail = container.cailDialog();

        container.tabButton(FuncWidget::TabGate)->click();
        QTest::keyClick(&container, Qt::Key_J, Qt::ControlModifier);
        QTest::keyClick(&container, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!cail->isVisible());

        container.tabButton(FuncWidget::TabInLevel)->click();
        QTest::keyClick(&container, Qt::Key_J, Qt::ControlModifier);
        QVERIFY(cail->isVisible());
        cail->hide();
        QTest::keyClick(&container, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(cail->isVisible());
    }

    void deviceInfoRequestsInOrder()
    {
        QList<QByteArray> sent;
        proto::Transport::instance().setSink([&](const QByteArray &bytes) { sent << bytes; });
        FuncWidget container;
        container.requestDeviceInfo();
        // Labels in and out, then the summary: model, versions, location, description, DSP
        // load and network; then the lock table of the processor (23 security requests).
        QList<QByteArray> expected = {QByteArray::fromHex("827d01000203010000007d82"),
                                      QByteArray::fromHex("827d01000203020000007d82")};
        for (const char *code : {"01", "02", "03", "0a", "0b", "10", "0c"})
            expected << QByteArray::fromHex(QByteArray("827d01000202") + code + "0000007d82");
        QCOMPARE(sent.size(), expected.size() + 23);
        QCOMPARE(sent.mid(0, expected.size()), expected);
    }
};

QTEST_MAIN(TestFuncWidget)
#include "tst_funcwidget.moc"
