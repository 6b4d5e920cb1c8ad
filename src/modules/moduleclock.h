#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
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
// without quietTicks keep the clock at every 20 ms.
class ModuleClock : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 20;
    // Longest sleep: one second.
    static constexpr int kMaxQuietTicks = 49;

    static ModuleClock &instance();

    // Registers tick for owner; it is dropped when owner is destroyed. quietTicks: the
    // number of coming ticks in which the client certainly does nothing but count.
    void add(QObject *owner, std::function<void()> tick, std::function<int()> quietTicks = {});
    void remove(QObject *owner);

    void start();
    void stop();
    bool isActive() const { return m_running; }
    int clientCount() const { return int(m_clients.size()); }
    // Ticks the running clock will sleep through before its next wakeup.
    int plannedQuietTicks() const { return m_quiet; }

    // Catches up on the ticks slept through and returns to every 20 ms until the clients
    // are quiet again. Cheap when the clock is not sleeping.
    void wake();

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

    struct Client {
        QPointer<QObject> owner;
        std::function<void()> tick;
        std::function<int()> quietTicks;
    };
    std::vector<Client> m_clients;
    QTimer m_timer;
    QElapsedTimer m_sleepStart;
    int m_quiet = 0;
    bool m_running = false;
    bool m_inTick = false;
};
