#pragma once

#include <QString>

class QTextCodec;

// How the processors' own texts and facts read on screen.
namespace proto {

// The codec of every 8-bit text of the processors and of the program's files ("GB2312";
// GBK on Qt 6). Null only when the platform has no such codec.
QTextCodec *deviceCodec();

// A run time in seconds: "%dday %02d:%02d:%02d".
QString runTimeText(quint32 seconds);

} // namespace proto
