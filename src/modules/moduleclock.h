#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <limits>
#include <vector>

// One 20 ms clock for every panel that refreshes itself: each registered tick runs once
// per period in registration order. The main window starts it; tests leave it stopped and
// call tick().
//
// Sleeping through quiet ticks: a client may say how many of its coming ticks it will spend
// only counting (quietTicks). While every client is quiet, the clock sleeps until the first
// tick with work and then runs the ticks it slept through in order, so each client still sees
// one call per 20 ms slot and behaves as before; the program just wakes less often. Whatever
// may give a client work sooner (user input, a drag, a page shown) calls wake() first: the
// ticks slept through so far run at once and the clock returns to every 20 ms. Clients
// without quietTicks keep the clock at every 20 ms. A client with nothing to do until
// something wakes the clock returns kIdle; while every client is idle the clock does not
// wake at all, and the ticks of that time are not run later.
//
// A tick run late, for a slot that has passed, carries that slot's time (slotTime()): a
// deferred send restarted by input after that slot is not aged by it.
class ModuleClock : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 20;
    // Longest sleep: one second.
    static constexpr int kMaxQuietTicks = 49;
    // quietTicks(): nothing to do until the clock is woken.
    static constexpr int kIdle = std::numeric_limits<int>::max();

    // Milliseconds of a monotonic clock.
    using TimeSource = std::function<qint64()>;

    static ModuleClock &instance();

    // Registers tick for owner; it is dropped when owner is destroyed. quietTicks: the
    // number of coming ticks in which the client certainly does nothing but count.
    void add(QObject *owner, std::function<void()> tick, std::function<int()> quietTicks = {});
    void remove(QObject *owner);

    void start();
    void stop();
    bool isActive() const { return m_running; }
    // Running, but no timer set: every client is idle.
    bool isIdle() const { return m_running && !m_timer.isActive(); }
    int clientCount() const { return int(m_clients.size()); }
    // Ticks the running clock will sleep through before its next wakeup.
    int plannedQuietTicks() const { return m_quiet; }
    // When the timer fires next (in now()'s time), -1 while it is not set.
    qint64 dueTime() const { return m_timer.isActive() ? m_due : -1; }

    // Test seam: the time the clock reads; an empty function restores the real clock.
    void setTimeSource(TimeSource source);
    qint64 now() const { return m_now(); }
    // False only while a tick runs late for a slot that ended at or before time: something
    // that input started at time must not count that slot.
    bool slotAfter(qint64 time) const { return m_slotTime < 0 || m_slotTime > time; }

    // Catches up on the ticks slept through and returns to every 20 ms until the clients
    // are quiet again. Cheap when the clock is not sleeping.
    void wake();
    // Returns to every 20 ms from the next slot without running a tick now: for a client
    // that has just been given work in the middle of its own code.
    void hurry();

public Q_SLOTS:
    void tick();
    // What the timer does when it fires: the ticks slept through and the one with work,
    // then the plan of the next sleep. Public for tests.
    void timerFired();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ModuleClock();

    void plan();
    void resumeFromIdle();
    void runSlot(qint64 slot);
    void arm(qint64 delayMs);

    struct Client {
        QPointer<QObject> owner;
        std::function<void()> tick;
        std::function<int()> quietTicks;
    };
    std::vector<Client> m_clients;
    QTimer m_timer;
    TimeSource m_now;
    qint64 m_sleepStart = 0;
    qint64 m_slotTime = -1;
    qint64 m_due = 0;
    int m_quiet = 0;
    bool m_running = false;
    bool m_inTick = false;
};
