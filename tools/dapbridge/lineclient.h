#pragma once

#include "rpcsession.h"

#include <QObject>
#include <QTcpSocket>

namespace bridge {

class RpcService;

// A client on the TCP port: one JSON-RPC message per line, each way. A line longer than the
// message cap is answered with an error and skipped up to its end; the client stays.
class LineClient : public QObject {
    Q_OBJECT
public:
    // A client whose answers pile up unread beyond this is dropped.
    static constexpr qint64 kMaxUnsent = 4 * 1024 * 1024;

    LineClient(QTcpSocket *socket, RpcService &service, QObject *parent = nullptr);
    RpcSession &session() { return *m_session; }

Q_SIGNALS:
    void closed();

private:
    void readLines();
    void send(const QByteArray &message);

    QTcpSocket *m_socket;
    RpcService &m_service;
    RpcSession *m_session;
    QByteArray m_buffer;
    bool m_skipping = false; // inside a line that was too long
};

} // namespace bridge
