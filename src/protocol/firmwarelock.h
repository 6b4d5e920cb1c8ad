#pragma once

#include <QLockFile>
#include <QString>

#include <optional>

namespace proto {

// One firmware upgrade of a processor at a time, across programs: the window and every
// dapctl run hold this lock while they send an image. It is a lock file in the user's
// runtime folder named by the processor's machine id (by its address when the machine id
// is not known); a program that ends without letting go leaves a lock the next one takes.
class FirmwareLock {
public:
    FirmwareLock(std::optional<quint32> machineId, quint32 address);

    // False when another program (or another upgrade of this one) holds it.
    bool tryLock();
    // Who holds it, for the user: "dapctl, process 1234".
    QString holder() const;
    QString path() const { return m_path; }

private:
    QString m_path;
    QLockFile m_file;
};

} // namespace proto
