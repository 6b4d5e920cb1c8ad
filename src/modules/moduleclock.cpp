#include "moduleclock.h"

#include <algorithm>

ModuleClock &ModuleClock::instance()
{
    static ModuleClock clock;
    return clock;
}

ModuleClock::ModuleClock()
{
    m_timer.setInterval(kPeriodMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ModuleClock::tick);
}

void ModuleClock::add(QObject *owner, std::function<void()> tick)
{
    m_clients.push_back({owner, std::move(tick)});
    connect(owner, &QObject::destroyed, this, [this, owner] { remove(owner); });
}

void ModuleClock::remove(QObject *owner)
{
    std::erase_if(m_clients, [owner](const Client &c) { return c.owner == owner || !c.owner; });
}

void ModuleClock::start() { m_timer.start(); }

void ModuleClock::stop() { m_timer.stop(); }

void ModuleClock::tick()
{
    // Index loop: a tick may register or drop clients.
    for (size_t i = 0; i < m_clients.size(); ++i) {
        if (m_clients[i].owner)
            m_clients[i].tick();
    }
}
