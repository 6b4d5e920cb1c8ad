// The security page against the simulator with a lock password: access, locks that the
// module pages follow, what a second client sees, and leaving the page.
#include "modules/filtergraph.h"
#include "modules/filterpanel.h"
#include "modules/levelpanel.h"
#include "modules/moduleclock.h"
#include "pages/funcwidget.h"
#include "pages/security.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/qfader.h"
#include "widgets/qlock.h"

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

    void quitClosesThePage()
    {
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
