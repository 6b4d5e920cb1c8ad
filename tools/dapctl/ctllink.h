#pragma once

#include "protocol/assembler.h"
#include "protocol/frame.h"
#include "protocol/transfer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QTcpSocket>

#include <functional>
#include <optional>

namespace ctl {

// One TCP connection to a processor for the command line. It blocks the calling thread while
// it waits, so each worker thread of a run over many processors owns one link.
class CtlLink {
public:
    explicit CtlLink(int answerTimeoutMs = proto::Transfer::kTimeoutMs);

    bool connectTo(const QHostAddress &address, quint16 port = 2699);
    enum class Login { Accepted, Refused, NoAnswer };
    // Waits for the processor's word on login and sends the password (asked for only then)
    // when it wants one.
    Login login(const std::function<QByteArray()> &password);

    void send(quint8 frameClass, quint8 frameType, quint8 paramCode, quint8 direction,
              const QByteArray &payload = {});
    // A request (direction 0) and the report that answers it: same class, type and code, and
    // a payload that begins with prefix (the channel, where there is one).
    std::optional<proto::Frame> request(quint8 frameClass, quint8 frameType, quint8 paramCode,
                                        const QByteArray &payload = {},
                                        const QByteArray &prefix = {});
    // Several requests sent back to back, then their reports in the same order; an entry
    // stays empty when its report does not come.
    struct Request {
        quint8 frameClass = 0;
        quint8 frameType = 0;
        quint8 paramCode = 0;
        QByteArray payload;
    };
    QList<std::optional<proto::Frame>> requestAll(const QList<Request> &requests);
    // Runs a transfer job to its end the way the program's one transfer does: only matching
    // answers reach it, and it times out after the answer time-out without one. progress gets
    // (value, range) whenever they change.
    proto::TransferError run(proto::TransferJob &job,
                             const std::function<void(int, int)> &progress = {});

    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    // Why the last step failed, for the user.
    QString errorText() const { return m_error; }
    void close();

private:
    std::optional<proto::Frame> waitFor(const std::function<bool(const proto::Frame &)> &match,
                                        int timeoutMs);
    bool readMore(int timeoutMs);

    QTcpSocket m_socket;
    proto::FrameAssembler m_assembler;
    QList<proto::Frame> m_received;
    int m_timeoutMs;
    QString m_error;
};

// A short text for a transfer's end.
QString transferErrorText(proto::TransferError error);

} // namespace ctl
