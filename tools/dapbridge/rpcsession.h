#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace bridge {

// One client of the bridge, over TCP lines or a WebSocket: what it may do and how to reach
// it. The transport owns it; answers that arrive after the client left find it gone.
class RpcSession : public QObject {
    Q_OBJECT
public:
    enum class Role { None, Monitor, Control };
    static constexpr int kMaxFailedAuths = 5;

    using Sender = std::function<void(const QByteArray &)>;
    RpcSession(Role role, QString peer, Sender send, std::function<void()> close,
               QObject *parent = nullptr)
        : QObject(parent), m_role(role), m_peer(std::move(peer)), m_send(std::move(send)),
          m_close(std::move(close))
    {
    }

    Role role() const { return m_role; }
    void setRole(Role role) { m_role = role; }
    const QString &peer() const { return m_peer; }
    // Wrong tokens so far; the client is closed at kMaxFailedAuths.
    int failedAuths() const { return m_failedAuths; }
    void authFailed() { ++m_failedAuths; }

    void send(const QByteArray &message) { m_send(message); }
    void close() { m_close(); }

private:
    Role m_role;
    QString m_peer;
    Sender m_send;
    std::function<void()> m_close;
    int m_failedAuths = 0;
};

} // namespace bridge
