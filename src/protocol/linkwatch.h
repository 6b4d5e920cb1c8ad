#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QTimer>

namespace proto {

// Whether the link to the current processor carries live data. A connected processor answers
// the panels' polls several times a second, so a link that stays quiet for kSilenceMs, or whose
// socket leaves the connected state, is lost: what the program shows from it is no longer
// current. The link is back with the first bytes heard again.
class LinkWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSilenceMs = 1500;

    explicit LinkWatch(QObject *parent = nullptr);

    bool isLive() const { return m_live; }
    bool isWatching() const { return m_silence.isActive(); }

    // Bytes arrived from the current processor.
    void heard();
    // The current socket's state; anything but connected loses the link.
    void setSocketState(QAbstractSocket::SocketState state);

Q_SIGNALS:
    void linkLost();
    void linkBack();

public Q_SLOTS:
    // Nothing heard for kSilenceMs.
    void silenceTimeout();

private:
    void lose();

    QTimer m_silence;
    bool m_live = false;
};

} // namespace proto
