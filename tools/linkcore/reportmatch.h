#pragma once

#include "protocol/frame.h"

#include <QByteArray>

namespace linkcore {

// The report that answers a request: same class, type and code, and a payload that begins
// with prefix (the channel, where there is one).
inline bool answers(const proto::Frame &f, quint8 frameClass, quint8 frameType, quint8 paramCode,
                    const QByteArray &prefix = {})
{
    return f.frameClass == frameClass && f.frameType == frameType && f.paramCode == paramCode &&
           f.direction == proto::DirReport && f.payload.startsWith(prefix);
}

} // namespace linkcore
