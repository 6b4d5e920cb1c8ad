// The connection to the selected processor: selection, reconnection with back-off and the
// login with the password remembered for the address it was typed for.
#include "mainwindow.h"

#include "app/login.h"
#include "app/overview.h"
#include "app/session.h"
#include "logging.h"
#include "modules/changerecorder.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "widgets/passwordcheck.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr quint16 kProcessorPort = 2699;
constexpr quint8 kLoginType = 1;
constexpr quint8 kLoginCode = 1;

void sendLogin(const QString &password)
{
    const QByteArray bytes = passwordcheck::bytes(password);
    proto::sendFrame(proto::ClassSystem, kLoginType, kLoginCode, proto::DirSet, bytes.constData(),
                     quint16(bytes.size()));
}

} // namespace

void mainWindow::netChanged(int index, QAbstractSocket::SocketState state)
{
    if (index < 0 || index >= m_devTable->deviceCount())
        return;
    QAbstractSocket *socket = m_devTable->existingSocket(index);
    if (!socket || socket != proto::Transport::instance().currentSocket())
        return;
    m_linkWatch.setSocketState(state);
    if (state == QAbstractSocket::ConnectedState) {
        m_reconnectTimer->stop();
        m_autoLoginSent = false;
        m_linkUpAt = m_devTable->now();
        m_linkLoggedIn = false;
    }
    if (state == QAbstractSocket::UnconnectedState && m_restarting)
        return;
    if (state == QAbstractSocket::UnconnectedState && m_devTable->deviceFound(index)) {
        // Still announcing: the link dropped, not the processor. Try again after a while;
        // the wait starts over only after a link that lasted and logged in, so a peer that
        // accepts and closes at once is not called every half second.
        session::setLoggedIn(false);
        if (m_linkLoggedIn && m_devTable->now() - m_linkUpAt >= kSteadyLinkMs)
            m_retryMs = kFirstRetryMs;
        m_linkLoggedIn = false;
        planReconnect();
        return;
    }
    if (state == QAbstractSocket::UnconnectedState)
        m_reconnectTimer->stop(); // lost; its next announcement selects it again
    if (m_reconnectTimer->isActive() && state != QAbstractSocket::ConnectedState)
        m_overView->setNetState(QOverView::kReconnecting);
    else
        m_overView->setNetState(state);
}

int mainWindow::currentIndex() const
{
    return m_hasCurrent ? m_devTable->deviceIndex(m_currentId) : -1;
}

int mainWindow::reconnectDelay() const
{
    return m_reconnectTimer->isActive() ? m_reconnectTimer->interval() : 0;
}

void mainWindow::planReconnect()
{
    m_reconnectTimer->start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, kLastRetryMs);
    m_overView->setNetState(QOverView::kReconnecting);
}

void mainWindow::reconnectNow()
{
    const int index = currentIndex();
    QTcpSocket *socket = index >= 0 ? m_devTable->existingSocket(index) : nullptr;
    if (!socket || socket != proto::Transport::instance().currentSocket())
        return;
    if (socket->state() == QAbstractSocket::ConnectedState ||
        socket->state() == QAbstractSocket::ConnectingState)
        return;
    connectCurrent(socket, index);
    // Shown until the link is up again; a failed attempt plans the next one.
    if (socket->state() != QAbstractSocket::ConnectedState)
        m_overView->setNetState(QOverView::kReconnecting);
}

void mainWindow::devRetry(int index)
{
    if (index != currentIndex())
        return;
    m_reconnectTimer->stop();
    m_retryMs = kFirstRetryMs;
    reconnectNow();
}

void mainWindow::connectCurrent(QTcpSocket *socket, int index)
{
    const QHostAddress address(m_devTable->deviceAddress(index));
    qCDebug(lcApp) << "connecting to" << address.toString();
    m_autoLoginSent = false;
    m_restarting = true; // the close below is part of this attempt, not a lost link
    socket->disconnectFromHost();
    socket->abort();
    m_restarting = false;
    socket->connectToHost(address, kProcessorPort, QIODevice::ReadWrite);
}

void mainWindow::devChanged(int index)
{
    proto::Transport &transport = proto::Transport::instance();
    m_linkWatch.setSocketState(QAbstractSocket::UnconnectedState); // the old one's values go
    if (QAbstractSocket *previous = transport.currentSocket())
        disconnect(previous, &QIODevice::readyRead, this, &mainWindow::tcpReadyRead);
    m_reconnectTimer->stop();
    m_retryMs = kFirstRetryMs;
    const quint32 id = m_devTable->deviceMachineId(index);
    if (!m_hasCurrent || id != m_currentId || index < 0) {
        // What the strip shows belongs to the processor that was selected before.
        m_overView->clearDeviceFacts();
    }
    if (index < 0 || index >= m_devTable->deviceCount()) {
        m_hasCurrent = false;
        ChangeRecorder::instance().clearProcessor();
        transport.setCurrentSocket(nullptr);
        m_overView->setNetState(QAbstractSocket::UnconnectedState);
        return;
    }
    m_hasCurrent = true;
    m_currentId = id;
    // A drag still pending goes to the processor it was made on, then edits go to this one.
    ChangeRecorder::instance().setProcessor(
        id, devices::fromDeviceText(devices::fieldBytes(m_devTable->deviceRecord(index).model)),
        m_devTable->deviceAddress(index));
    QTcpSocket *socket = m_devTable->deviceSocket(index);
    transport.setCurrentSocket(socket);
    if (!socket)
        return;
    connect(socket, &QIODevice::readyRead, this, &mainWindow::tcpReadyRead);
    if (socket->state() != QAbstractSocket::ConnectedState)
        connectCurrent(socket, index);
    else if (session::loggedIn())
        m_funcWidget->requestDeviceInfo(); // back to an open link: its facts at once
    m_overView->setNetState(socket->state());
}

void mainWindow::tcpReadyRead()
{
    m_linkWatch.heard();
    proto::Transport::instance().receive(m_router);
}

void mainWindow::sendPwdMsg()
{
    m_typedPassword = m_login->password();
    sendLogin(m_typedPassword);
}

quint32 mainWindow::currentPeerAddress() const
{
    const QAbstractSocket *socket = proto::Transport::instance().currentSocket();
    return socket && socket->state() == QAbstractSocket::ConnectedState
               ? socket->peerAddress().toIPv4Address()
               : 0;
}

void mainWindow::addressChanged(uint index, uint previous, bool commanded)
{
    // The password goes with the processor only where this program sent it.
    const quint32 id = m_devTable->deviceMachineId(int(index));
    const auto remembered = m_passwords.find(id);
    if (commanded && remembered != m_passwords.end() && remembered->address == previous)
        remembered->address = m_devTable->deviceAddress(int(index));
}

void mainWindow::loginReport(quint8 code, quint8 direction, const QByteArray &payload)
{
    if (code != kLoginCode || direction != proto::DirReport || payload.size() != 1)
        return;
    const quint32 peer = currentPeerAddress();
    if (payload.at(0) != 0) {
        session::setLoggedIn(true);
        m_linkLoggedIn = true;
        if (m_hasCurrent && !m_typedPassword.isNull() && peer != 0)
            m_passwords.insert(m_currentId, {peer, m_typedPassword});
        m_typedPassword = QString();
        m_login->accept();
        if (m_hasCurrent)
            m_devTable->confirmAddress(currentIndex()); // logged in where it is now
        m_funcWidget->requestDeviceInfo();
        return;
    }
    session::setLoggedIn(false);
    // After a dropped link the password typed earlier in this run logs in again, once, and
    // only at the address it was typed for: a processor that turned up elsewhere by an
    // announcement may be another machine using its id.
    const auto remembered = m_passwords.constFind(m_currentId);
    const bool sameAddress =
        m_hasCurrent && remembered != m_passwords.cend() && remembered->address == peer;
    if (sameAddress && !m_autoLoginSent) {
        m_autoLoginSent = true;
        m_typedPassword = remembered->password;
        sendLogin(m_typedPassword);
        return;
    }
    if (sameAddress)
        m_passwords.remove(m_currentId); // refused there: ask the user
    m_typedPassword = QString();
    m_login->show();
}
