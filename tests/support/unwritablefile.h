#pragma once

#include <QString>

namespace testsupport {

// Makes an existing file unwritable for as long as it lives: mode 0444 and, because tests
// may run as root, the file system's immutable flag where it has one. ok() is false when the
// file can still be opened for writing; a test then has nothing to show and skips.
class UnwritableFile {
public:
    explicit UnwritableFile(QString path);
    ~UnwritableFile();
    UnwritableFile(const UnwritableFile &) = delete;
    UnwritableFile &operator=(const UnwritableFile &) = delete;

    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};

} // namespace testsupport
