#include "firmwarelock.h"

#include "ipv4.h"

#include <QDir>
#include <QStandardPaths>

namespace proto {

namespace {

QString lockPath(std::optional<quint32> machineId, quint32 address)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir))
        dir = QDir::tempPath();
    const QString key = machineId ? QString::number(*machineId)
                                  : QStringLiteral("address-") + ipv4::format(address);
    return QDir(dir).filePath(QStringLiteral("dapcontrol-firmware-%1.lock").arg(key));
}

} // namespace

FirmwareLock::FirmwareLock(std::optional<quint32> machineId, quint32 address)
    : m_path(lockPath(machineId, address)), m_file(m_path)
{
    // An upgrade may take long; only a holder that is gone frees the lock.
    m_file.setStaleLockTime(0);
}

bool FirmwareLock::tryLock()
{
    return m_file.tryLock(0);
}

QString FirmwareLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_file.getLockInfo(&pid, &host, &program))
        return {};
    return QStringLiteral("%1, process %2").arg(program.isEmpty() ? host : program).arg(pid);
}

} // namespace proto
