#pragma once

#include "moduleclock.h"

#include <QtGlobal>

// Pacing of dragged controls, shared by the module panels and the calibration dialog.
// Both note when input last restarted them: a tick the shared clock runs late, for a slot
// that had ended by then, does not count.

// A value that goes out kTicks ticks after its last change: a drag that never pauses sends
// nothing, and the pause sends the last value once.
struct DeferredSend {
    static constexpr quint8 kTicks = 5;

    quint8 pending = 0;
    quint8 age = 0;
    quint8 delay = kTicks; // ticks from the last change to the send
    qint64 since = 0;

    void restart()
    {
        ModuleClock &clock = ModuleClock::instance();
        pending = 1;
        age = 0;
        since = clock.now();
        // A sleeping clock would send this late; back to every 20 ms.
        clock.hurry();
    }
    // Ages a pending send by one tick; true on the tick it is due (it is cleared then).
    bool tick()
    {
        if (!pending || !ModuleClock::instance().slotAfter(since) || ++age < delay)
            return false;
        pending = 0;
        age = 0;
        return true;
    }
};

// Set on every drag movement; cleared kTicks ticks after the last one. While it is set,
// reports of what the user is moving are ignored, so a report already under way cannot
// throw the control back.
struct EditHold {
    static constexpr int kTicks = 10;

    quint8 flag = 0;
    int count = 0;
    qint64 since = 0;

    void set()
    {
        flag = 1;
        count = 0;
        since = ModuleClock::instance().now();
    }
    bool isSet() const { return flag != 0; }
    // Keeps the hold set for at least the next ticks calls of tick().
    void holdFor(int ticks)
    {
        if (!flag || kTicks - count < ticks) {
            flag = 1;
            count = kTicks - ticks;
        }
    }
    void tick()
    {
        if (flag && ModuleClock::instance().slotAfter(since) && ++count >= kTicks) {
            flag = 0;
            count = 0;
        }
    }
};
