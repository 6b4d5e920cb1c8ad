#include "devicetext.h"

#include <QTextCodec>

namespace proto {

QTextCodec *deviceCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GB2312");
    return codec;
}

QString runTimeText(quint32 seconds)
{
    return QString::asprintf("%uday %02u:%02u:%02u", seconds / 86400, seconds % 86400 / 3600,
                             seconds % 3600 / 60, seconds % 60);
}

} // namespace proto
