#include "simlog.h"

#include <cstdio>

Q_LOGGING_CATEGORY(lcSim, "dap.sim")

namespace sim {

void printLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace sim
