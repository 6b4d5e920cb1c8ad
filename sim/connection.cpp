#include "connection.h"

#include "simlog.h"

#include <QRandomGenerator>

namespace sim {

namespace {
constexpr int kSplitPauseMs = 1;
// A firmware image whose size is a multiple of the block size ends when blocks stop.
constexpr int kUpgradeIdleMs = 2000;
} // namespace

Connection::Connection(QTcpSocket *socket, Device *device, const FaultConfig &faults,
                       QRandomGenerator *random, QObject *parent)
    : QObject(parent), m_socket(socket), m_device(device), m_faults(faults), m_random(random)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_splitTimer.setSingleShot(true);
    m_splitTimer.setInterval(kSplitPauseMs);
    m_splitTimer.setTimerType(Qt::PreciseTimer);
    m_upgradeIdle.setSingleShot(true);
    m_upgradeIdle.setInterval(kUpgradeIdleMs);
    connect(&m_splitTimer, &QTimer::timeout, this, &Connection::writeNext);
    connect(&m_upgradeIdle, &QTimer::timeout, this,
            [this] { m_device->finishUpgrades(m_session); });
    connect(socket, &QTcpSocket::readyRead, this, &Connection::readyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] { emit closed(this); });
    if (m_faults.disconnectAfter >= 0) {
        QTimer::singleShot(m_faults.disconnectAfter * 1000, this, [this] {
            if (m_socket)
                m_socket->disconnectFromHost();
        });
    }
}

void Connection::start()
{
    Replies hello;
    m_device->connected(m_session, hello);
    send(hello);
}

void Connection::readyRead()
{
    if (!m_socket)
        return;
    m_assembler.append(m_socket->readAll());
    if (m_silent) {
        m_assembler.clear();
        return;
    }
    // The answers to everything that arrived together leave together, in order.
    Replies replies;
    proto::Frame frame;
    while (m_assembler.next(frame)) {
        if (m_faults.verbose)
            qCInfo(lcSim).noquote() << "recv" << describe(frame);
        if (frame.frameClass == proto::ClassUpgrade)
            m_upgradeIdle.start();
        m_device->handle(frame, m_session, replies);
        if (m_session.closeRequested)
            break;
    }
    if (m_faults.replyDelayMs > 0 && !replies.isEmpty()) {
        // Equal delays keep the replies in order.
        QTimer::singleShot(m_faults.replyDelayMs, Qt::PreciseTimer, this,
                           [this, replies] { send(replies); });
    } else {
        send(replies);
    }
    if (m_session.closeRequested) {
        m_assembler.clear();
        m_socket->disconnectFromHost();
    }
}

void Connection::send(const Replies &frames)
{
    if (!m_socket || m_silent)
        return;
    for (const proto::Frame &f : frames) {
        if (m_faults.dropRate > 0.0 && m_random->generateDouble() < m_faults.dropRate) {
            if (m_faults.verbose)
                qCInfo(lcSim).noquote() << "drop" << describe(f);
            continue;
        }
        const QByteArray bytes = proto::encodeFrame(f);
        if (bytes.isEmpty())
            continue;
        if (m_faults.verbose)
            qCInfo(lcSim).noquote() << "send" << describe(f);
        QByteArray garbage;
        if (m_faults.garbageRate > 0.0 && m_random->generateDouble() < m_faults.garbageRate) {
            // Stray bytes that never form a start marker.
            QByteArray junk(1 + int(m_random->bounded(7)), '\0');
            for (char &c : junk)
                c = char(m_random->bounded(0x80));
            if (!m_faults.split)
                m_pending.append(junk);
            else
                garbage = junk;
        }
        if (m_faults.split) {
            const qsizetype half = bytes.size() / 2;
            m_pending.append(garbage + bytes.left(half));
            m_pending.append(bytes.mid(half));
        } else {
            m_pending.append(bytes);
        }
    }
    if (!m_splitTimer.isActive())
        writeNext();
}

void Connection::writeNext()
{
    if (!m_socket) {
        m_pending.clear();
        return;
    }
    if (!m_faults.split) {
        // Each Frame stays whole; write everything queued at once.
        for (const QByteArray &chunk : std::as_const(m_pending))
            m_socket->write(chunk);
        m_pending.clear();
        m_socket->flush();
        return;
    }
    // Split mode: the second half of one Frame and the first half of the next share a
    // write, so every Frame spans two writes with a pause between them.
    if (m_pending.isEmpty())
        return;
    QByteArray out = m_pending.takeFirst();
    if (m_secondHalfNext && !m_pending.isEmpty())
        out += m_pending.takeFirst();
    else
        m_secondHalfNext = true;
    m_socket->write(out);
    m_socket->flush();
    if (m_pending.isEmpty())
        m_secondHalfNext = false;
    else
        m_splitTimer.start();
}

QString Connection::describe(const proto::Frame &f) const
{
    return QStringLiteral("class %1 type %2 code %3 dir %4 len %5: %6")
        .arg(f.frameClass)
        .arg(f.frameType)
        .arg(f.paramCode)
        .arg(f.direction, 2, 16, QLatin1Char('0'))
        .arg(f.payload.size())
        .arg(QString::fromLatin1(f.payload.left(32).toHex(' ')));
}

} // namespace sim
