#pragma once

#include <QtGlobal>

// Pacing of dragged controls, shared by the module panels and the calibration dialog.

// A value that goes out kTicks ticks after its last change: a drag that never pauses sends
// nothing, and the pause sends the last value once.
struct DeferredSend {
    static constexpr quint8 kTicks = 5;

    quint8 pending = 0;
    quint8 age = 0;
    quint8 delay = kTicks; // ticks from the last change to the send

    void restart()
    {
        pending = 1;
        age = 0;
    }
    // Ages a pending send by one tick; true on the tick it is due (it is cleared then).
    bool tick()
    {
        if (!pending || ++age < delay)
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

    void set()
    {
        flag = 1;
        count = 0;
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
        if (flag && ++count >= kTicks) {
            flag = 0;
            count = 0;
        }
    }
};
