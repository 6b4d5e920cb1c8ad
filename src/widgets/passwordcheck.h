#pragma once

#include <QByteArray>
#include <QString>

// Passwords travel to the processor as 8-bit Latin-1 bytes. A character outside Latin-1
// would go out as '?', so two different passwords could match; such entries are refused
// wherever a password is typed.
namespace passwordcheck {

// True when every character of text has a Latin-1 byte.
bool fitsProcessor(const QString &text);

// The bytes sent for a password (only meaningful when fitsProcessor() holds).
QByteArray bytes(const QString &text);

// What the user is told when an entry is refused.
QString refusalMessage();

} // namespace passwordcheck
