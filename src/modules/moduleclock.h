#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

// One 20 ms clock for every panel that refreshes itself: each registered tick runs once
// per period in registration order, so the program wakes 50 times a second however many
// panels there are. The main window starts it; tests leave it stopped and call tick().
class ModuleClock : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 20;

    static ModuleClock &instance();

    // Registers tick for owner; it is dropped when owner is destroyed.
    void add(QObject *owner, std::function<void()> tick);
    void remove(QObject *owner);

    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    int clientCount() const { return int(m_clients.size()); }

public Q_SLOTS:
    void tick();

private:
    ModuleClock();

    struct Client {
        QPointer<QObject> owner;
        std::function<void()> tick;
    };
    std::vector<Client> m_clients;
    QTimer m_timer;
};
