// The security page against the simulator with a lock password: access, locks that the
// module pages follow, what a second client sees, and leaving the page.
#include "modules/delaypanel.h"
#include "modules/feedback.h"
#include "modules/filtergraph.h"
#include "modules/filterpanel.h"
#include "modules/gatepanel.h"
#include "modules/levelpanel.h"
#include "modules/limiterpanel.h"
#include "modules/mixbutton.h"
#include "modules/mixer.h"
#include "modules/moduleclock.h"
#include "modules/siggenerator.h"
#include "pages/funcwidget.h"
#include "pages/security.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/knob.h"
#include "widgets/qfader.h"
#include "widgets/qhslider.h"
#include "widgets/qlock.h"
#include "widgets/qmeterwidget.h"
#include "widgets/qtlimitctrl.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

using namespace proto;
using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

const char *const kAddress = "127.0.0.71";

// One lockable row and how its page shows each state. To cover another module page, add a
// case: its lock-table offset and item, the page's tab, and what Read-only and Hidden look
// like there.
struct LockCase {
    const char *name;
    quint8 item;
    int offset;      // in the 288-byte table
    int reportIndex; // where the state lies in the item's report
    QByteArray request;
    FuncWidget::Tab tab;
    std::function<bool(QWidget *page)> readOnly;
    std::function<bool(QWidget *page)> hidden;
};

QList<LockCase> lockCases()
{
    auto inLevel = [](QWidget *p) { return qobject_cast<QInLevel *>(p); };
    auto outLevel = [](QWidget *p) { return qobject_cast<QOutLevel *>(p); };
    auto inFilter = [](QWidget *p) { return qobject_cast<QInFilter *>(p); };
    auto gate = [](QWidget *p) { return qobject_cast<QGate *>(p); };
    auto feedback = [](QWidget *p) { return qobject_cast<QFeedback *>(p); };
    auto delay = [](QWidget *p) { return qobject_cast<QDelayPanel *>(p); };
    auto mixer = [](QWidget *p) { return qobject_cast<QMixer *>(p); };
    auto generator = [](QWidget *p) { return qobject_cast<QSigGenerator *>(p); };
    auto gateHidden = [](const QGate::Strip &s) {
        bool all = s.title->isHidden() && s.enable->isHidden() && s.lamp->isHidden();
        for (const auto &w : s.params)
            all = all && w.caption->isHidden() && w.edit->isHidden() && w.knob->isHidden();
        return all;
    };
    auto delayHidden = [](const QDelayPanel::Row &r) {
        return r.title->isHidden() && r.slider->isHidden() && r.spin->isHidden() &&
               r.metres->isHidden() && r.feet->isHidden() && !r.background->isHidden();
    };
    // The limiter shows one channel at a time: the state of the locked channel appears when
    // it is selected, and selecting a free one undoes it.
    auto limiterReadOnly = [](int channel) {
        return [channel](QWidget *p) {
            auto *l = qobject_cast<QLimiterPanel *>(p);
            const auto &w = l->widgets();
            l->selectChannel(0);
            const bool freeShown = w.chart->isEnabled() && w.cfg->isEnabled();
            l->selectChannel(channel);
            return freeShown && !w.chart->isEnabled() && !w.cfg->isEnabled() &&
                   !w.enable->isHidden() && !w.thresh.knob->isHidden();
        };
    };
    auto limiterHidden = [](int channel) {
        return [channel](QWidget *p) {
            auto *l = qobject_cast<QLimiterPanel *>(p);
            const auto &w = l->widgets();
            l->selectChannel(0);
            const bool freeShown = !w.enable->isHidden() && !w.ratio.edit->isHidden();
            l->selectChannel(channel);
            return freeShown && w.enable->isHidden() && w.curve->isHidden() &&
                   w.reduction.meter->isHidden() && w.reduction.caption->isHidden() &&
                   w.ratio.edit->isHidden() && w.decay.knob->isHidden() && !w.copy->isHidden() &&
                   !w.reset->isHidden() && !w.channels[0]->isHidden();
        };
    };
    return {
        {"input level I2",
         3,
         1,
         1,
         {},
         FuncWidget::TabInLevel,
         [=](QWidget *p) {
             const auto &s = inLevel(p)->strip(1);
             return !s.background->isEnabled() && !s.fader->isHidden();
         },
         [=](QWidget *p) {
             const auto &s = inLevel(p)->strip(1);
             return s.fader->isHidden() && s.mute->isHidden() && !s.background->isHidden() &&
                    !inLevel(p)->strip(0).fader->isHidden();
         }},
        {"output level O8",
         11,
         112 + 7,
         7,
         {},
         FuncWidget::TabOutLevel,
         [=](QWidget *p) { return !outLevel(p)->strip(7).background->isEnabled(); },
         [=](QWidget *p) { return outLevel(p)->strip(7).fader->isHidden(); }},
        {"input filter I1 high-pass", 6, 12 + 1, 2, QByteArray(1, 0), FuncWidget::TabInFilter,
         [=](QWidget *p) {
             const auto &w = inFilter(p)->highPassWidgets();
             return !w.group->isEnabled() && !w.enable->isHidden() &&
                    !inFilter(p)->findChild<FilterGraph *>()->highPassDraggable();
         },
         [=](QWidget *p) {
             return inFilter(p)->highPassWidgets().enable->isHidden() &&
                    !inFilter(p)->findChild<FilterGraph *>()->highPassVisible();
         }},
        {"gate I2",
         4,
         4 + 1,
         1,
         {},
         FuncWidget::TabGate,
         [=](QWidget *p) {
             const auto &s = gate(p)->strip(1);
             return !s.background->isEnabled() && !s.enable->isHidden() &&
                    !s.params[QGate::Thresh].knob->isHidden() &&
                    gate(p)->strip(0).background->isEnabled();
         },
         [=](QWidget *p) {
             return gateHidden(gate(p)->strip(1)) && !gate(p)->strip(1).background->isHidden() &&
                    !gate(p)->strip(2).enable->isHidden();
         }},
        {"feedback I4",
         5,
         8 + 3,
         3,
         {},
         FuncWidget::TabFeedback,
         [=](QWidget *p) {
             const auto &s = feedback(p)->strip(3);
             return !s.background->isEnabled() && !s.enable->isHidden() && !s.title->isHidden();
         },
         [=](QWidget *p) {
             const auto &s = feedback(p)->strip(3);
             return s.title->isHidden() && s.enable->isHidden() &&
                    !feedback(p)->strip(2).enable->isHidden();
         }},
        {"input limiter I3",
         7,
         88 + 2,
         2,
         {},
         FuncWidget::TabInLimiter,
         limiterReadOnly(2),
         limiterHidden(2)},
        {"output limiter O8",
         13,
         272 + 7,
         7,
         {},
         FuncWidget::TabOutLimiter,
         limiterReadOnly(7),
         limiterHidden(7)},
        {"input delay I1",
         8,
         92,
         0,
         {},
         FuncWidget::TabInDelay,
         [=](QWidget *p) {
             const auto &r = delay(p)->row(0);
             return !r.background->isEnabled() && !r.slider->isHidden() && !r.spin->isHidden();
         },
         [=](QWidget *p) {
             return delayHidden(delay(p)->row(0)) && !delay(p)->row(1).slider->isHidden();
         }},
        {"output delay O6",
         14,
         280 + 5,
         5,
         {},
         FuncWidget::TabOutDelay,
         [=](QWidget *p) {
             const auto &r = delay(p)->row(5);
             return !r.background->isEnabled() && !r.feet->isHidden() &&
                    delay(p)->row(4).background->isEnabled();
         },
         [=](QWidget *p) { return delayHidden(delay(p)->row(5)); }},
        // The whole-matrix buttons change every output: unusable while any output is locked,
        // and hidden with the strips while a hidden output is selected.
        {"mixer O3",
         9,
         96 + 2,
         2,
         {},
         FuncWidget::TabMatrix,
         [=](QWidget *p) {
             QMixer *m = mixer(p);
             m->selectChannel(0);
             const bool otherFree = m->stripArea()->isEnabled() && !m->allMixButton()->isEnabled();
             m->selectChannel(2);
             const bool shown = !m->row(2)->isHidden() && !m->strip(0).background->isHidden() &&
                                !m->allMixButton()->isHidden();
             return otherFree && shown && !m->row(2)->isEnabled() && !m->stripArea()->isEnabled() &&
                    !m->resetButton()->isEnabled();
         },
         [=](QWidget *p) {
             QMixer *m = mixer(p);
             m->selectChannel(2);
             const bool selectedHidden =
                 m->row(2)->isHidden() && m->strip(3).background->isHidden() &&
                 m->stripCaption()->isHidden() && m->allMixButton()->isHidden() &&
                 m->resetButton()->isHidden();
             m->selectChannel(0);
             return selectedHidden && !m->strip(3).background->isHidden() &&
                    !m->allMixButton()->isHidden() && !m->allMixButton()->isEnabled() &&
                    !m->row(1)->isHidden();
         }},
        // Only the output buttons follow the lock; the generator's settings stay usable.
        {"signal generator O5",
         10,
         104 + 4,
         4,
         {},
         FuncWidget::TabSignal,
         [=](QWidget *p) {
             QSigGenerator *g = generator(p);
             return !g->outputButton(4)->isEnabled() && !g->outputButton(4)->isHidden() &&
                    g->outputButton(3)->isEnabled() && g->muteButton()->isEnabled();
         },
         [=](QWidget *p) {
             QSigGenerator *g = generator(p);
             return g->outputButton(4)->isHidden() && !g->outputButton(5)->isHidden() &&
                    !g->muteButton()->isHidden();
         }},
    };
}

} // namespace

class TestSecuritySim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<FuncWidget> m_container;
    std::unique_ptr<QTcpSocket> m_socket;
    FrameRouter m_router;
    bool m_loggedIn = false;

    QSecurity *security() const
    {
        return qobject_cast<QSecurity *>(m_container->page(FuncWidget::TabSecurity));
    }
    // Runs the shared clock and the event loop until done() holds (at most ten seconds).
    static bool runUntil(const std::function<bool()> &done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > 10000)
                return false;
            ModuleClock::instance().tick();
            QTest::qWait(10);
        }
        return true;
    }
    void showTab(FuncWidget::Tab tab) { m_container->tabButton(tab)->click(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{"--address", kAddress, "--lock-password", "42"});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_container = std::make_unique<FuncWidget>();
        m_container->registerRoutes(m_router);
        m_router.setHandler(ClassSystem, 1, [this](const Frame &f) {
            if (f.paramCode == 1 && f.direction == DirReport && f.length() == 1 &&
                f.payload[0] != 0 && !m_loggedIn) {
                m_loggedIn = true;
                m_container->requestDeviceInfo();
            }
        });
        m_socket = std::make_unique<QTcpSocket>();
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { Transport::instance().receive(m_router); });
        Transport::instance().setCurrentSocket(m_socket.get());
        m_socket->connectToHost(QHostAddress(kAddress), 2699);
        QVERIFY(m_socket->waitForConnected(5000));
        QTRY_VERIFY_WITH_TIMEOUT(m_loggedIn, 5000);
        m_container->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
    }
    void cleanupTestCase()
    {
        Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_container.reset();
        m_sim.reset();
    }

    void lockPasswordOpensThePage()
    {
        showTab(FuncWidget::TabSecurity);
        QSecurity *page = security();
        QVERIFY(page->isVisible());
        page->passwordEdit()->setText("41");
        page->pwdEditingFinished();
        QVERIFY(runUntil([&] { return !page->messageLabel()->text().isEmpty(); }));
        QCOMPARE(page->messageLabel()->text(), QString("Wrong password!"));
        QVERIFY(!page->hasAccess());

        page->passwordEdit()->setText("42");
        page->pwdEditingFinished();
        QVERIFY(runUntil([&] { return page->hasAccess(); }));
        QVERIFY(page->messageLabel()->text().isEmpty());
        QVERIFY(page->quitButton()->isVisible());
        QVERIFY(!page->passwordEdit()->isEnabled());
    }

    // Each click steps the lock Free -> Read-only -> Hidden -> Free on the processor; the page
    // and the module page follow the reports, and a second client reads the same states.
    void locksReachThePages()
    {
        QSecurity *page = security();
        QVERIFY(page->hasAccess());
        FrameClient other;
        QVERIFY(other.connectTo(QHostAddress(kAddress)));
        for (const LockCase &c : lockCases()) {
            QWidget *module = m_container->page(c.tab);
            auto stepTo = [&](uchar state) {
                QTest::mouseClick(page->lockIcon(c.offset), Qt::LeftButton);
                return runUntil([&] { return page->lockAt(c.offset) == state; });
            };
            auto seenByOther = [&]() -> int {
                const auto r = other.request(ClassSystem, 5, c.item, c.request);
                return r && r->payload.size() > c.reportIndex ? quint8(r->payload[c.reportIndex])
                                                              : -1;
            };
            QVERIFY2(stepTo(1), c.name);
            QCOMPARE(page->lockIcon(c.offset)->state(), 1);
            QVERIFY2(c.readOnly(module), c.name);
            QCOMPARE(seenByOther(), 1);
            QVERIFY2(stepTo(2), c.name);
            QVERIFY2(c.hidden(module), c.name);
            QCOMPARE(seenByOther(), 2);
            QVERIFY2(stepTo(0), c.name);
            QVERIFY2(!c.hidden(module) && !c.readOnly(module), c.name);
            QCOMPARE(seenByOther(), 0);
        }
    }

    // A hidden row stays hidden on its tab while that tab polls its own locks.
    void hiddenRowShownOnItsTab()
    {
        QSecurity *page = security();
        QTest::mouseClick(page->lockIcon(1), Qt::LeftButton);
        QVERIFY(runUntil([&] { return page->lockAt(1) == 1; }));
        QTest::mouseClick(page->lockIcon(1), Qt::LeftButton);
        QVERIFY(runUntil([&] { return page->lockAt(1) == 2; }));
        showTab(FuncWidget::TabInLevel);
        auto *inLevel = qobject_cast<QInLevel *>(m_container->page(FuncWidget::TabInLevel));
        for (int i = 0; i < 30; ++i)
            ModuleClock::instance().tick();
        QTest::qWait(50);
        QVERIFY(!inLevel->strip(1).fader->isVisible());
        QVERIFY(inLevel->strip(0).fader->isVisible());
        showTab(FuncWidget::TabSecurity);
        QTest::mouseClick(page->lockIcon(1), Qt::LeftButton);
        QVERIFY(runUntil([&] { return page->lockAt(1) == 0; }));
    }

    // With neither the security page nor their own tab shown, the generator still asks for
    // its locks and follows a change made by another client; the feedback page asks for
    // nothing and keeps its last known state until it is shown.
    void generatorFollowsItsLocksWhileHidden()
    {
        QSecurity *page = security();
        auto *generator = qobject_cast<QSigGenerator *>(m_container->page(FuncWidget::TabSignal));
        auto *feedback = qobject_cast<QFeedback *>(m_container->page(FuncWidget::TabFeedback));
        FrameClient other;
        QVERIFY(other.connectTo(QHostAddress(kAddress)));
        other.send(ClassSystem, 5, 1, DirSet, "42");
        auto setLocks = [&](char state) {
            other.send(ClassSystem, 5, 10, DirSet, QByteArray::fromHex("01") + state);
            other.send(ClassSystem, 5, 5, DirSet, QByteArray::fromHex("00") + state);
            const auto r = other.request(ClassSystem, 5, 5);
            return r && r->payload.size() == 4 && r->payload[0] == state;
        };
        QVERIFY(setLocks(2));

        showTab(FuncWidget::TabGate);
        QVERIFY(runUntil([&] { return generator->outputButton(1)->isHidden(); }));
        QVERIFY(!feedback->strip(0).enable->isHidden());
        QCOMPARE(page->lockAt(8), uchar(0));

        showTab(FuncWidget::TabFeedback);
        QVERIFY(runUntil([&] { return feedback->strip(0).enable->isHidden(); }));

        QVERIFY(setLocks(0));
        showTab(FuncWidget::TabSecurity);
        QVERIFY(runUntil([&] { return page->lockAt(104 + 1) == 0 && page->lockAt(8) == 0; }));
        QVERIFY(!generator->outputButton(1)->isHidden());
        QVERIFY(!feedback->strip(0).enable->isHidden());
    }

    void quitClosesThePage()
    {
        showTab(FuncWidget::TabSecurity);
        QSecurity *page = security();
        page->quitButton()->click();
        QVERIFY(runUntil([&] { return !page->hasAccess(); }));
        QVERIFY(!page->quitButton()->isVisible());
        QVERIFY(page->passwordEdit()->isEnabled());
        // Without access the processor keeps the locks as they are.
        QTest::mouseClick(page->lockIcon(4), Qt::LeftButton);
        for (int i = 0; i < 20; ++i) {
            ModuleClock::instance().tick();
            QTest::qWait(10);
        }
        QCOMPARE(page->lockAt(4), uchar(0));
    }

    // A dropped connection ends access on the PC side too.
    void droppedConnectionEndsAccess()
    {
        QSecurity *page = security();
        page->passwordEdit()->setText("42");
        page->pwdEditingFinished();
        QVERIFY(runUntil([&] { return page->hasAccess(); }));
        m_socket->abort();
        QVERIFY(!page->hasAccess());
        QVERIFY(page->passwordEdit()->isEnabled());
    }
};

QTEST_MAIN(TestSecuritySim)
#include "tst_securitysim.moc"
