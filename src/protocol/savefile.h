#pragma once

#include <QSaveFile>

namespace proto {

// Puts a QSaveFile in place only when every byte reached the disk. Qt 6.4's commit() renames
// the file even when writing out its last buffered bytes fails (a full disk, a file size
// limit), so the buffer is flushed and checked first; a file left uncommitted is discarded
// when it goes out of scope, and the one it would have replaced stays as it was.
inline bool commitWhole(QSaveFile &file)
{
    return file.flush() && file.commit();
}

} // namespace proto
