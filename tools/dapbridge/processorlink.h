#pragma once

#include "linkcore/loginexchange.h"
#include "protocol/assembler.h"
#include "protocol/frame.h"
#include "readings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <functional>
#include <optional>

namespace bridge {

// The bridge's one connection to one processor. It connects, logs in with the configured
// password as the window does, polls meters and load on the fleet's clock, and reconnects
// with a growing back-off when the processor refuses, drops or stops answering, saying why.
// Time comes from the fleet's clock (milliseconds) through tick(), so tests drive it by hand.
class ProcessorLink : public QObject {
    Q_OBJECT
public:
    enum class State { Waiting, Connecting, LoggingIn, Up, Released };
    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kLoginTimeoutMs = 3000;
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kMaxRetryMs = 30000;
    static constexpr int kMaxPending = 256;

    using Clock = std::function<qint64()>;
    using Reply = std::function<void(std::optional<proto::Frame>)>;
    using Match = std::function<bool(const proto::Frame &)>;

    ProcessorLink(QString id, quint32 address, quint32 machineId,
                  std::optional<QByteArray> password, quint16 port, Clock clock,
                  QObject *parent = nullptr);
    ~ProcessorLink() override;

    const QString &id() const { return m_id; }
    quint32 address() const { return m_address; }
    quint32 machineId() const { return m_machineId; }
    const QString &addressText() const { return m_addressText; }
    // From an announcement: a new address drops the connection and connects there.
    void setAddress(quint32 address);
    void setMachineId(quint32 id) { m_machineId = id; }
    void heard() { m_lastHeardMs = m_clock(); }

    State state() const { return m_state; }
    bool isUp() const { return m_state == State::Up; }
    // Why the link is not up (empty while it is).
    const QString &reason() const { return m_reason; }
    qint64 lastHeardMs() const { return m_lastHeardMs; }
    quint64 attempts() const { return m_attempts; }
    quint64 failures() const { return m_failures; }
    const Readings &readings() const { return m_readings; }
    qint64 releasedUntilMs() const { return m_releasedUntil; }
    qint64 silenceLimitMs() const { return m_silenceMs; }
    void setSilenceLimitMs(qint64 ms) { m_silenceMs = ms; }

    // One step of the clock: connection and login time-outs, retries, silence, answers that
    // did not come. poll asks for the meters and load, info for the model and versions.
    void tick(bool poll, bool info);

    // A request whose report match picks; reply gets it, or nothing when the link is down or
    // the answer does not come within timeoutMs. False (reply not called) when the link is not
    // up or too many requests wait.
    bool request(const proto::Frame &frame, Match match, int timeoutMs, Reply reply);
    // Sends without waiting; false when the link is not up.
    bool send(const proto::Frame &frame);

    // Frees the processor for seconds: the connection closes and stays closed.
    void release(int seconds);
    // Connects again at once (also after a release).
    void resume();

Q_SIGNALS:
    // Every Frame from the processor while logged in, after the readings took theirs.
    void frameReceived(const proto::Frame &frame);
    void upChanged(bool up);

private:
    struct Pending {
        Match match;
        Reply reply;
        qint64 deadline;
    };

    void connectNow();
    void onConnected();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onReadyRead();
    void handleLogin(const proto::Frame &f);
    void loginStep(std::optional<bool> loggedIn);
    void becomeUp();
    // Gives up on this connection: failed counts it as a failed attempt; the retry waits.
    void drop(const QString &why, bool failed);
    // Says text, unless the last thing said was about the same matter (same topic).
    void say(const QString &text, const QString &topic = {});
    void failPending();
    void write(const proto::Frame &frame);
    void pollMeters();
    void pollInfo();

    QString m_id;
    quint32 m_address;
    QString m_addressText;
    quint32 m_machineId;
    std::optional<QByteArray> m_password;
    quint16 m_port;
    Clock m_clock;

    QTcpSocket *m_socket = nullptr;
    proto::FrameAssembler m_assembler;
    linkcore::LoginExchange m_login;
    State m_state = State::Waiting;
    QString m_reason;
    QString m_lastSaid;
    qint64 m_deadline = 0; // connection or login step
    qint64 m_retryAt = 0;
    qint64 m_releasedUntil = 0;
    qint64 m_lastHeardMs = -1; // over TCP or by announcement
    qint64 m_lastReplyMs = 0;  // over TCP, for the silence
    qint64 m_silenceMs = 3000;
    int m_retries = 0;
    quint64 m_attempts = 0;
    quint64 m_failures = 0;
    bool m_attemptCounted = false;
    Readings m_readings;
    QList<Pending> m_pending;
};

QString stateName(ProcessorLink::State state);

} // namespace bridge
