#include "protocol/linkwatch.h"

namespace proto {

LinkWatch::LinkWatch(QObject *parent) : QObject(parent)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(kSilenceMs);
    connect(&m_silence, &QTimer::timeout, this, &LinkWatch::silenceTimeout);
}

void LinkWatch::heard()
{
    m_silence.start();
    if (m_live)
        return;
    m_live = true;
    emit linkBack();
}

void LinkWatch::setSocketState(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::ConnectedState)
        lose();
}

void LinkWatch::silenceTimeout()
{
    lose();
}

void LinkWatch::lose()
{
    m_silence.stop();
    if (!m_live)
        return;
    m_live = false;
    emit linkLost();
}

} // namespace proto
