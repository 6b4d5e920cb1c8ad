#pragma once

#include <QString>

#include <functional>
#include <memory>

class mainWindow;

// The common start of the offscreen tools (screenshot, idle wakeups): the main window on
// processors announcing to a loopback port, the first one selected and logged in to, and
// one tab shown. Commands go to loopback only.
namespace demo {

// Runs the event loop until done() holds or timeoutMs pass; false on time-out.
bool waitFor(const std::function<bool()> &done, int timeoutMs);

struct SessionOptions {
    quint16 announcePort = 0;
    QString password; // empty: no login expected
    int tab = 0;
    bool chinese = false;
};

// Returns the shown window, or null with *error set.
std::unique_ptr<mainWindow> openSession(const SessionOptions &options, QString *error);

} // namespace demo
