#include "moduleclock.h"

#include "protocol/transport.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>

namespace {
qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

ModuleClock &ModuleClock::instance()
{
    static ModuleClock clock;
    return clock;
}

ModuleClock::ModuleClock() : m_now(steadyMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ModuleClock::timerFired);
    // A processor connected or gone gives the clients work, or takes it away.
    connect(&proto::Transport::instance(), &proto::Transport::linkChanged, this,
            &ModuleClock::wake);
}

void ModuleClock::setTimeSource(TimeSource source)
{
    m_now = source ? std::move(source) : TimeSource(steadyMs);
    m_sleepStart = now();
}

void ModuleClock::add(QObject *owner, std::function<void()> tick, std::function<int()> quietTicks)
{
    // Catch up first: the new client may still be under construction and must not tick yet.
    wake();
    m_clients.push_back({owner, std::move(tick), std::move(quietTicks)});
    connect(owner, &QObject::destroyed, this, [this, owner] { remove(owner); });
}

void ModuleClock::remove(QObject *owner)
{
    std::erase_if(m_clients, [owner](const Client &c) { return c.owner == owner || !c.owner; });
}

void ModuleClock::start()
{
    if (m_running)
        return;
    m_running = true;
    // User input is what gives a quiet client work; it wakes the clock before it is handled.
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    m_quiet = 0;
    m_sleepStart = now();
    arm(kPeriodMs);
}

void ModuleClock::stop()
{
    m_running = false;
    m_timer.stop();
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void ModuleClock::tick()
{
    m_inTick = true;
    // Index loop: a tick may register or drop clients.
    for (size_t i = 0; i < m_clients.size(); ++i) {
        if (m_clients[i].owner)
            m_clients[i].tick();
    }
    m_inTick = false;
}

void ModuleClock::runSlot(qint64 slot)
{
    m_slotTime = slot;
    tick();
    m_slotTime = -1;
}

void ModuleClock::timerFired()
{
    // The slept-through ticks, each at its own slot's time, then the one with work.
    for (int i = 0; i < m_quiet; ++i)
        runSlot(m_sleepStart + qint64(i + 1) * kPeriodMs);
    tick();
    plan();
}

void ModuleClock::plan()
{
    int quiet = kIdle;
    for (const Client &c : m_clients) {
        if (!c.owner)
            continue;
        quiet = std::min(quiet, c.quietTicks ? std::max(0, c.quietTicks()) : 0);
        if (quiet == 0)
            break;
    }
    m_sleepStart = now();
    if (quiet == kIdle && m_running) {
        // Nothing to do until input, a client or the link wakes the clock.
        m_quiet = 0;
        m_timer.stop();
        return;
    }
    m_quiet = std::min(quiet, kMaxQuietTicks);
    arm((m_quiet + 1) * kPeriodMs);
}

void ModuleClock::arm(qint64 delayMs)
{
    m_due = now() + delayMs;
    m_timer.start(int(delayMs));
}

void ModuleClock::resumeFromIdle()
{
    m_sleepStart = now();
    arm(kPeriodMs);
}

void ModuleClock::wake()
{
    if (!m_running || m_inTick)
        return;
    if (!m_timer.isActive()) {
        resumeFromIdle();
        return;
    }
    if (m_quiet == 0)
        return;
    // Run the slots that have passed (all of them quiet), then go on at every 20 ms from
    // the current slot.
    const qint64 elapsed = std::max<qint64>(0, now() - m_sleepStart);
    const int passed = int(std::min<qint64>(elapsed / kPeriodMs, m_quiet));
    for (int i = 0; i < passed; ++i)
        runSlot(m_sleepStart + qint64(i + 1) * kPeriodMs);
    m_quiet = 0;
    const int intoSlot = int(elapsed - qint64(passed) * kPeriodMs);
    arm(std::max(0, kPeriodMs - intoSlot));
    m_sleepStart = now();
}

void ModuleClock::hurry()
{
    if (!m_running)
        return;
    if (!m_timer.isActive()) {
        resumeFromIdle();
        return;
    }
    if (m_quiet == 0)
        return;
    // Fire at the end of the current slot; the slots passed by then run first, as usual.
    const qint64 elapsed = std::max<qint64>(0, now() - m_sleepStart);
    const int passed = int(std::min<qint64>(elapsed / kPeriodMs, m_quiet));
    m_quiet = passed;
    arm(std::max<qint64>(0, qint64(passed + 1) * kPeriodMs - elapsed));
}

bool ModuleClock::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::Shortcut:
        wake();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
