#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

namespace sim {

// One line on stdout, flushed at once: scripts and tests wait for these lines.
void printLine(const QString &line);

} // namespace sim
