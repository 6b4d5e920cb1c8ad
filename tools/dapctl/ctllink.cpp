#include "ctllink.h"

#include "linkcore/loginexchange.h"
#include "linkcore/reportmatch.h"

#include <QDeadlineTimer>

namespace ctl {

namespace {
constexpr int kConnectTimeoutMs = 5000;
constexpr int kLoginTimeoutMs = 3000;
constexpr qsizetype kMaxQueued = 256;
} // namespace

CtlLink::CtlLink(int answerTimeoutMs) : m_timeoutMs(answerTimeoutMs) {}

bool CtlLink::connectTo(const QHostAddress &address, quint16 port)
{
    m_socket.connectToHost(address, port);
    if (!m_socket.waitForConnected(kConnectTimeoutMs)) {
        m_error = QStringLiteral("cannot connect to %1:%2 (%3)")
                      .arg(address.toString())
                      .arg(port)
                      .arg(m_socket.errorString());
        m_socket.abort();
        return false;
    }
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void CtlLink::close()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(1000);
}

bool CtlLink::readMore(int timeoutMs)
{
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(timeoutMs))
        return false;
    m_assembler.append(m_socket.readAll());
    proto::Frame f;
    while (m_assembler.next(f))
        m_received.append(f);
    return true;
}

std::optional<proto::Frame> CtlLink::waitFor(const std::function<bool(const proto::Frame &)> &match,
                                             int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        for (qsizetype i = 0; i < m_received.size(); ++i) {
            if (match(m_received.at(i)))
                return m_received.takeAt(i);
        }
        // Reports of requests sent ahead wait here; a flood nobody asked for does not.
        if (m_received.size() > kMaxQueued)
            m_received.remove(0, m_received.size() - kMaxQueued);
        if (deadline.hasExpired() || !isConnected()) {
            m_error = isConnected() ? QStringLiteral("no answer from the processor")
                                    : QStringLiteral("the processor closed the connection");
            return std::nullopt;
        }
        if (!readMore(int(qMax<qint64>(1, deadline.remainingTime()))) && !isConnected()) {
            m_error = QStringLiteral("the processor closed the connection");
            return std::nullopt;
        }
    }
}

CtlLink::Login CtlLink::login(const std::function<QByteArray()> &password)
{
    linkcore::LoginExchange exchange;
    for (;;) {
        const std::optional<proto::Frame> report =
            waitFor(linkcore::isLoginReport, kLoginTimeoutMs);
        const std::optional<bool> loggedIn =
            report ? std::optional<bool>(report->payload.at(0) != 0) : std::nullopt;
        switch (exchange.next(loggedIn)) {
        case linkcore::LoginExchange::Step::SendPassword:
            send(proto::ClassSystem, 1, 1, proto::DirSet, password());
            break;
        case linkcore::LoginExchange::Step::Accepted:
            return Login::Accepted;
        case linkcore::LoginExchange::Step::Refused:
            m_error = QStringLiteral("login refused (wrong password)");
            return Login::Refused;
        case linkcore::LoginExchange::Step::NoAnswer:
            return Login::NoAnswer;
        }
    }
}

void CtlLink::send(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
                   const QByteArray &payload)
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = frameClass;
    f.frameType = frameType;
    f.paramCode = paramCode;
    f.direction = direction;
    f.payload = payload;
    const QByteArray bytes = proto::encodeFrame(f);
    if (bytes.isEmpty() || !isConnected())
        return;
    m_socket.write(bytes);
    m_socket.flush();
}

std::optional<proto::Frame> CtlLink::request(quint8 frameClass, quint8 frameType, quint8 paramCode,
                                             const QByteArray &payload, const QByteArray &prefix)
{
    send(frameClass, frameType, paramCode, proto::DirRequest, payload);
    return waitFor(
        [&](const proto::Frame &f) {
            return linkcore::answers(f, frameClass, frameType, paramCode, prefix);
        },
        m_timeoutMs);
}

QList<std::optional<proto::Frame>> CtlLink::requestAll(const QList<Request> &requests)
{
    for (const Request &r : requests)
        send(r.frameClass, r.frameType, r.paramCode, proto::DirRequest, r.payload);
    QList<std::optional<proto::Frame>> reports;
    const QDeadlineTimer deadline(m_timeoutMs);
    for (const Request &r : requests) {
        reports.append(waitFor(
            [&r](const proto::Frame &f) {
                return linkcore::answers(f, r.frameClass, r.frameType, r.paramCode, r.payload);
            },
            int(qMax<qint64>(1, deadline.remainingTime()))));
    }
    return reports;
}

proto::TransferError CtlLink::run(proto::TransferJob &job,
                                  const std::function<void(int, int)> &progress)
{
    int range = 0;
    proto::TransferStep step = job.start();
    for (;;) {
        if (step.kind == proto::TransferStep::Fail) {
            m_error = step.error == proto::TransferError::WrongBlock
                          ? QStringLiteral("the processor acknowledged block %1, expected %2")
                                .arg(step.acknowledged)
                                .arg(step.expected)
                          : transferErrorText(step.error);
            return step.error;
        }
        for (const proto::TransferMessage &m : step.send)
            send(m.frameClass, m.frameType, m.code, m.direction, m.payload);
        if (step.range >= 0)
            range = step.range;
        if (progress && (step.range >= 0 || step.progress >= 0))
            progress(qMax(0, step.progress), range);
        if (step.kind == proto::TransferStep::Done)
            return proto::TransferError::None;
        // Answers the job ignores do not restart the time-out.
        const QDeadlineTimer deadline(m_timeoutMs);
        step = {};
        while (step.kind == proto::TransferStep::Ignore) {
            const std::optional<proto::Frame> answer =
                waitFor([&job](const proto::Frame &f) { return job.matches(f); },
                        int(qMax<qint64>(1, deadline.remainingTime())));
            if (!answer) {
                if (isConnected()) {
                    m_error = transferErrorText(proto::TransferError::TimedOut);
                    return proto::TransferError::TimedOut;
                }
                m_error = QStringLiteral("%1 (%2)").arg(
                    transferErrorText(proto::TransferError::LinkLost), m_socket.errorString());
                return proto::TransferError::LinkLost;
            }
            step = job.answer(*answer);
        }
    }
}

QString transferErrorText(proto::TransferError error)
{
    switch (error) {
    case proto::TransferError::None:
        return QStringLiteral("done");
    case proto::TransferError::SizeMismatch:
        return QStringLiteral("the processor expects another size than the file has");
    case proto::TransferError::BadSize:
        return QStringLiteral("the processor announced an impossible size");
    case proto::TransferError::EmptyData:
        return QStringLiteral("the processor sent an empty data block");
    case proto::TransferError::TooMuchData:
        return QStringLiteral("the processor sent more than was asked for");
    case proto::TransferError::ShortData:
        return QStringLiteral("the data ended before the announced size");
    case proto::TransferError::TimedOut:
        return QStringLiteral("the processor stopped answering");
    case proto::TransferError::Cancelled:
        return QStringLiteral("cancelled");
    case proto::TransferError::WrongBlock:
        return QStringLiteral("the processor acknowledged another block than the one sent");
    case proto::TransferError::LinkLost:
        return QStringLiteral("the connection to the processor was lost");
    }
    return {};
}

} // namespace ctl
