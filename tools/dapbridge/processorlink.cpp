#include "processorlink.h"

#include "logging.h"
#include "protocol/ipv4.h"

#include <QRandomGenerator>

namespace bridge {

namespace {

proto::Frame requestFrame(quint8 frameClass, quint8 frameType, quint8 paramCode,
                          QByteArray payload = {})
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = frameClass;
    f.frameType = frameType;
    f.paramCode = paramCode;
    f.direction = proto::DirRequest;
    f.payload = std::move(payload);
    return f;
}

} // namespace

QString stateName(ProcessorLink::State state)
{
    switch (state) {
    case ProcessorLink::State::Waiting:
        return QStringLiteral("down");
    case ProcessorLink::State::Connecting:
        return QStringLiteral("connecting");
    case ProcessorLink::State::LoggingIn:
        return QStringLiteral("logging in");
    case ProcessorLink::State::Up:
        return QStringLiteral("up");
    case ProcessorLink::State::Released:
        return QStringLiteral("released");
    }
    return {};
}

ProcessorLink::ProcessorLink(QString id, quint32 address, quint32 machineId,
                             std::optional<QByteArray> password, quint16 port, Clock clock,
                             QObject *parent)
    : QObject(parent), m_id(std::move(id)), m_address(address),
      m_addressText(address ? proto::ipv4::format(address) : QString()), m_machineId(machineId),
      m_password(std::move(password)), m_port(port), m_clock(std::move(clock))
{
    m_reason = address ? QStringLiteral("not connected yet")
                       : QStringLiteral("not heard on the network yet");
}

ProcessorLink::~ProcessorLink()
{
    // Nobody may be left waiting for an answer that will not come.
    failPending();
}

void ProcessorLink::setAddress(quint32 address)
{
    if (address == m_address || address == 0)
        return;
    const bool wasKnown = m_address != 0;
    m_address = address;
    m_addressText = proto::ipv4::format(address);
    if (wasKnown)
        say(QStringLiteral("announces a new address"));
    if (m_state == State::Released)
        return;
    if (m_state != State::Waiting)
        drop(QStringLiteral("moved to a new address"), false);
    m_retries = 0;
    m_retryAt = m_clock();
}

void ProcessorLink::say(const QString &text, const QString &topic)
{
    // A processor that keeps failing the same way is said once, not at every retry.
    const QString key = topic.isEmpty() ? text : topic;
    if (key == m_lastSaid)
        return;
    m_lastSaid = key;
    qCInfo(lcBridge).noquote() << QStringLiteral("%1 (%2): %3")
                                      .arg(m_id,
                                           m_addressText.isEmpty() ? QStringLiteral("?")
                                                                   : m_addressText,
                                           text);
}

void ProcessorLink::tick(bool poll, bool info)
{
    const qint64 now = m_clock();
    if (!m_pending.isEmpty()) {
        // Answers that did not come in time: nothing, in the order they were asked.
        QList<Pending> due;
        for (qsizetype i = 0; i < m_pending.size();) {
            if (m_pending.at(i).deadline <= now)
                due.append(m_pending.takeAt(i));
            else
                ++i;
        }
        for (const Pending &p : std::as_const(due))
            p.reply(std::nullopt);
    }
    switch (m_state) {
    case State::Released:
        if (now >= m_releasedUntil) {
            say(QStringLiteral("release over"));
            m_state = State::Waiting;
            m_retries = 0;
            m_retryAt = now;
        }
        break;
    case State::Waiting:
        if (m_address != 0 && now >= m_retryAt)
            connectNow();
        break;
    case State::Connecting:
        if (now >= m_deadline)
            drop(QStringLiteral("no answer to the connection within %1 s")
                     .arg(kConnectTimeoutMs / 1000),
                 true);
        break;
    case State::LoggingIn:
        if (now >= m_deadline)
            loginStep(std::nullopt);
        break;
    case State::Up:
        if (now - m_lastReplyMs >= m_silenceMs) {
            drop(QStringLiteral("silent for %1 s").arg(double(now - m_lastReplyMs) / 1000.0),
                 false);
            break;
        }
        if (info)
            pollInfo();
        if (poll)
            pollMeters();
        break;
    }
}

void ProcessorLink::connectNow()
{
    if (!m_socket) {
        m_socket = new QTcpSocket(this);
        connect(m_socket, &QTcpSocket::connected, this, &ProcessorLink::onConnected);
        connect(m_socket, &QTcpSocket::disconnected, this, &ProcessorLink::onDisconnected);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &ProcessorLink::onError);
        connect(m_socket, &QTcpSocket::readyRead, this, &ProcessorLink::onReadyRead);
    }
    m_socket->abort();
    m_assembler.clear();
    m_login = {};
    ++m_attempts;
    m_attemptCounted = false;
    m_state = State::Connecting;
    m_deadline = m_clock() + kConnectTimeoutMs;
    m_socket->connectToHost(QHostAddress(m_address), m_port);
}

void ProcessorLink::onConnected()
{
    if (m_state != State::Connecting)
        return;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_state = State::LoggingIn;
    m_deadline = m_clock() + kLoginTimeoutMs;
}

void ProcessorLink::onDisconnected()
{
    if (m_state == State::Up)
        drop(QStringLiteral("the processor closed the connection"), false);
    else if (m_state == State::Connecting || m_state == State::LoggingIn)
        drop(QStringLiteral("the processor closed the connection before the login"), true);
}

void ProcessorLink::onError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    if (m_state == State::Connecting || m_state == State::LoggingIn)
        drop(m_socket->errorString().toLower(), true);
    else if (m_state == State::Up)
        drop(m_socket->errorString().toLower(), false);
}

void ProcessorLink::onReadyRead()
{
    m_assembler.append(m_socket->readAll());
    if (m_state != State::LoggingIn && m_state != State::Up) {
        m_assembler.clear();
        return;
    }
    m_lastHeardMs = m_lastReplyMs = m_clock();
    proto::Frame f;
    while (m_assembler.next(f)) {
        if (m_state == State::LoggingIn) {
            handleLogin(f);
            continue;
        }
        if (m_state != State::Up)
            break;
        m_readings.apply(f);
        for (qsizetype i = 0; i < m_pending.size(); ++i) {
            if (m_pending.at(i).match(f)) {
                const Pending p = m_pending.takeAt(i);
                p.reply(f);
                break;
            }
        }
        emit frameReceived(f);
    }
}

void ProcessorLink::handleLogin(const proto::Frame &f)
{
    if (linkcore::isLoginReport(f))
        loginStep(f.payload.at(0) != 0);
}

void ProcessorLink::loginStep(std::optional<bool> loggedIn)
{
    switch (m_login.next(loggedIn)) {
    case linkcore::LoginExchange::Step::SendPassword:
        if (loggedIn && !m_password) {
            drop(QStringLiteral("the processor asks for a password and none is configured"), true);
            return;
        }
        write(linkcore::loginFrame(m_password.value_or(QByteArray())));
        m_deadline = m_clock() + kLoginTimeoutMs;
        break;
    case linkcore::LoginExchange::Step::Accepted:
        becomeUp();
        break;
    case linkcore::LoginExchange::Step::Refused:
        drop(QStringLiteral("login refused (wrong password)"), true);
        break;
    case linkcore::LoginExchange::Step::NoAnswer:
        drop(QStringLiteral("no login answer from the processor"), true);
        break;
    }
}

void ProcessorLink::becomeUp()
{
    m_state = State::Up;
    m_reason.clear();
    m_retries = 0;
    m_lastHeardMs = m_lastReplyMs = m_clock();
    say(QStringLiteral("logged in"));
    pollInfo();
    pollMeters();
    emit upChanged(true);
}

void ProcessorLink::drop(const QString &why, bool failed)
{
    const bool wasUp = m_state == State::Up;
    if (failed && !m_attemptCounted) {
        ++m_failures;
        m_attemptCounted = true;
    }
    m_state = State::Waiting;
    m_reason = why;
    m_readings.forgetMeters();
    if (m_socket) {
        // Signals of the closing socket must not come back into this drop.
        QSignalBlocker quiet(m_socket);
        m_socket->abort();
    }
    m_assembler.clear();
    // The first retry after a working connection is quick; failures wait longer each time.
    const int base = std::min(kMaxRetryMs, kFirstRetryMs << std::min(m_retries, 5));
    const int delay = base - int(QRandomGenerator::global()->bounded(base / 5 + 1));
    m_retries = failed ? m_retries + 1 : 0;
    m_retryAt = m_clock() + delay;
    say(QStringLiteral("%1; retrying in %2 s, then less often (at least every %3 s)")
            .arg(why)
            .arg(double(delay) / 1000.0, 0, 'f', 1)
            .arg(kMaxRetryMs / 1000),
        why);
    failPending();
    if (wasUp)
        emit upChanged(false);
}

void ProcessorLink::failPending()
{
    const QList<Pending> pending = std::exchange(m_pending, {});
    for (const Pending &p : pending)
        p.reply(std::nullopt);
}

void ProcessorLink::write(const proto::Frame &frame)
{
    const QByteArray bytes = proto::encodeFrame(frame);
    if (m_socket && !bytes.isEmpty())
        m_socket->write(bytes);
}

bool ProcessorLink::send(const proto::Frame &frame)
{
    if (m_state != State::Up)
        return false;
    write(frame);
    return true;
}

bool ProcessorLink::request(const proto::Frame &frame, Match match, int timeoutMs, Reply reply)
{
    if (m_state != State::Up || m_pending.size() >= kMaxPending)
        return false;
    write(frame);
    m_pending.append({std::move(match), std::move(reply), m_clock() + timeoutMs});
    return true;
}

static QByteArray pollBatch(std::initializer_list<std::pair<quint8, quint8>> modules,
                            std::initializer_list<quint8> systemCodes)
{
    QByteArray batch;
    for (const auto &[module, code] : modules)
        batch += proto::encodeFrame(requestFrame(proto::ClassModule, module, code));
    for (const quint8 code : systemCodes)
        batch += proto::encodeFrame(requestFrame(proto::ClassSystem, 2, code));
    return batch;
}

void ProcessorLink::pollMeters()
{
    // Levels, limiter meters, gate states, DSP load and faults: the same bytes every time,
    // built once and written in one go.
    static const QByteArray batch = pollBatch({{1, 1}, {9, 1}, {5, 4}, {11, 4}, {2, 1}}, {16, 13});
    m_socket->write(batch);
    // Out now, in this wakeup, rather than after a round through the write notifier.
    m_socket->flush();
}

void ProcessorLink::pollInfo()
{
    static const QByteArray batch = pollBatch({}, {1, 2, 3});
    m_socket->write(batch);
}

void ProcessorLink::release(int seconds)
{
    const bool wasUp = m_state == State::Up;
    if (m_socket) {
        QSignalBlocker quiet(m_socket);
        m_socket->disconnectFromHost();
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->abort();
    }
    m_assembler.clear();
    m_state = State::Released;
    m_releasedUntil = m_clock() + qint64(seconds) * 1000;
    m_reason = QStringLiteral("released for %1 s").arg(seconds);
    m_readings.forgetMeters();
    say(m_reason);
    failPending();
    if (wasUp)
        emit upChanged(false);
}

void ProcessorLink::resume()
{
    if (m_state != State::Released && m_state != State::Waiting)
        return;
    if (m_state == State::Released)
        say(QStringLiteral("resumed"));
    m_state = State::Waiting;
    m_retries = 0;
    m_retryAt = m_clock();
    if (m_reason.startsWith(QStringLiteral("released")))
        m_reason = QStringLiteral("resuming");
}

} // namespace bridge
