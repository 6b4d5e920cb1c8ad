#pragma once

// What the panel tests share: payloads written as spaced hex, ticks of the shared clock's slot,
// and the Frames the transport sends.
#include "modules/modulepanel.h"
#include "protocol/transport.h"

#include <QByteArray>
#include <QList>

namespace panelharness {

// Bytes from hex text with spaces ("00 01 02").
inline QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline void ticks(QModulePanel &p, int n)
{
    for (int i = 0; i < n; ++i)
        p.timeOut20ms();
}

// Appends every Frame sent from now on to sent (Frame code 1); stopCapture() ends it.
inline void captureSent(QList<QByteArray> &sent)
{
    sent.clear();
    proto::Transport::instance().setFrameCode(1);
    proto::Transport::instance().setSink([&sent](const QByteArray &f) { sent.append(f); });
}

inline void stopCapture()
{
    proto::Transport::instance().setSink({});
}

// The Frames with the set direction (byte 7).
inline QList<QByteArray> setsOf(const QList<QByteArray> &sent)
{
    QList<QByteArray> out;
    for (const QByteArray &f : sent) {
        if (f.size() > 7 && quint8(f[7]) == 1)
            out.append(f);
    }
    return out;
}

} // namespace panelharness
