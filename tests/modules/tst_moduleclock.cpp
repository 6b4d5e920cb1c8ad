// The shared clock's sleeping through quiet ticks. The timer is never waited for: the test
// calls timerFired() as the timer would.
#include "modules/editpacing.h"
#include "modules/moduleclock.h"

#include <QPushButton>
#include <QtTest>

namespace {
struct Client : QObject {
    int ticks = 0;
    int quiet = 0;
};

// The event loop on a controlled time: every millisecond, the timer fires when it is due.
struct FakeLoop {
    qint64 now = 0;
    FakeLoop()
    {
        ModuleClock::instance().setTimeSource([this] { return now; });
    }
    ~FakeLoop() { ModuleClock::instance().setTimeSource({}); }
    void runUntil(qint64 t)
    {
        ModuleClock &clock = ModuleClock::instance();
        while (now < t) {
            ++now;
            if (clock.dueTime() >= 0 && now >= clock.dueTime())
                clock.timerFired();
        }
    }
};
} // namespace

class TestModuleClock : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ModuleClock::instance().stop(); }

    void sleepsThroughQuietTicksAndCatchesUp()
    {
        ModuleClock &clock = ModuleClock::instance();
        Client a, b;
        a.quiet = 4;
        b.quiet = 2;
        clock.add(
            &a, [&a] { ++a.ticks; }, [&a] { return a.quiet; });
        clock.add(
            &b, [&b] { ++b.ticks; }, [&b] { return b.quiet; });
        clock.start();
        clock.timerFired();
        QCOMPARE(a.ticks, 1);
        QCOMPARE(clock.plannedQuietTicks(), 2); // the least quiet client decides
        clock.timerFired();
        // Both slept-through ticks and the working one, every client once per slot.
        QCOMPARE(a.ticks, 4);
        QCOMPARE(b.ticks, 4);

        b.quiet = 0;
        clock.timerFired();
        QCOMPARE(a.ticks, 7);
        QCOMPARE(clock.plannedQuietTicks(), 0);
    }

    void clientWithoutQuietKeepsEveryTick()
    {
        ModuleClock &clock = ModuleClock::instance();
        Client a, plain;
        a.quiet = 10;
        clock.add(
            &a, [&a] { ++a.ticks; }, [&a] { return a.quiet; });
        clock.add(&plain, [&plain] { ++plain.ticks; });
        clock.start();
        clock.timerFired();
        QCOMPARE(clock.plannedQuietTicks(), 0);
    }

    // A dragged value goes out once, about 100 ms after the last movement, however long the
    // clock slept before the drag and however the movements are spaced.
    void dragSendsOnceAfterItStops_data()
    {
        QTest::addColumn<int>("firstMove"); // ms after the press
        QTest::addColumn<int>("gap");       // ms between movements
        QTest::addColumn<int>("moves");
        QTest::newRow("moves 5 ms apart") << 30 << 5 << 60;
        QTest::newRow("moves 14 ms apart") << 45 << 14 << 25;
        QTest::newRow("moves 23 ms apart, late start") << 300 << 23 << 15;
        QTest::newRow("one movement") << 500 << 1 << 1;
    }
    void dragSendsOnceAfterItStops()
    {
        QFETCH(int, firstMove);
        QFETCH(int, gap);
        QFETCH(int, moves);
        ModuleClock &clock = ModuleClock::instance();
        FakeLoop loop;
        // A panel that polls once a second, so the clock sleeps as long as it can.
        struct Panel : QObject {
            DeferredSend send;
            int ticks = 0;
            QList<qint64> sent;
        } panel;
        clock.add(
            &panel,
            [&] {
                ++panel.ticks;
                if (panel.send.tick())
                    panel.sent.append(loop.now);
            },
            [&] { return panel.send.pending ? 0 : 49 - panel.ticks % 50; });
        clock.start();
        loop.runUntil(1000);
        QVERIFY(clock.plannedQuietTicks() > 0);
        clock.wake(); // the mouse press
        loop.runUntil(1000 + firstMove);
        qint64 last = 0;
        for (int i = 0; i < moves; ++i) {
            loop.runUntil(1000 + firstMove + i * gap);
            panel.send.restart();
            last = loop.now;
        }
        loop.runUntil(last + 500);
        QCOMPARE(panel.sent.size(), 1);
        QVERIFY2(panel.sent[0] >= last + 80 && panel.sent[0] <= last + 120,
                 qPrintable(QString::number(panel.sent[0] - last)));
        // The poll schedule kept its pace: one tick per 20 ms slot.
        clock.wake();
        QVERIFY(qAbs(panel.ticks - int(loop.now / 20)) <= 1);
    }

    void idleClientsLetTheClockStop()
    {
        ModuleClock &clock = ModuleClock::instance();
        FakeLoop loop;
        Client a;
        a.quiet = ModuleClock::kIdle;
        clock.add(
            &a, [&a] { ++a.ticks; }, [&a] { return a.quiet; });
        clock.start();
        loop.runUntil(5000);
        QCOMPARE(a.ticks, 1);
        QVERIFY(clock.isIdle());
        a.quiet = 0;
        clock.wake();
        loop.runUntil(5100);
        QCOMPARE(a.ticks, 6);
    }

    void userInputWakes()
    {
        ModuleClock &clock = ModuleClock::instance();
        Client a;
        a.quiet = ModuleClock::kMaxQuietTicks + 20;
        clock.add(
            &a, [&a] { ++a.ticks; }, [&a] { return a.quiet; });
        clock.start();
        clock.timerFired();
        QCOMPARE(clock.plannedQuietTicks(), ModuleClock::kMaxQuietTicks);
        QPushButton button;
        button.show();
        const int before = a.ticks;
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clock.plannedQuietTicks(), 0);
        // Only slots that have already passed run at the wake, never more than planned.
        QVERIFY(a.ticks - before <= ModuleClock::kMaxQuietTicks);

        clock.timerFired();
        clock.wake(); // from a client: same
        QCOMPARE(clock.plannedQuietTicks(), 0);
    }
};

QTEST_MAIN(TestModuleClock)
#include "tst_moduleclock.moc"
