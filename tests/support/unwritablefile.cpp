#include "unwritablefile.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace testsupport {

namespace {

bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

UnwritableFile::UnwritableFile(QString path) : m_path(std::move(path))
{
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile probe(m_path);
    if (probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        probe.close();
        m_immutable = setImmutable(m_path, true);
    }
    m_ok = !probe.open(QIODevice::WriteOnly | QIODevice::Append);
}

UnwritableFile::~UnwritableFile()
{
    if (m_immutable)
        setImmutable(m_path, false);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
}

} // namespace testsupport
