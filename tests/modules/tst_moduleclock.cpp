// The shared clock's sleeping through quiet ticks. The timer is never waited for: the test
// calls timerFired() as the timer would.
#include "modules/moduleclock.h"

#include <QPushButton>
#include <QtTest>

namespace {
struct Client : QObject {
    int ticks = 0;
    int quiet = 0;
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
