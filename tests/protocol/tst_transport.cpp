// The transport over a real loopback TCP connection.
#include "protocol/linkwatch.h"
#include "protocol/router.h"
#include "protocol/transport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace proto;

namespace {
QByteArray hex(const char *spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }
const QByteArray kGain = hex("82 7D 01 00 03 01 03 80 05 00 01 00 00 D0 C0 7D 82");
const QByteArray kMute = hex("82 7D 01 00 03 09 02 80 02 00 02 01 7D 82");
} // namespace

class TestTransport : public QObject {
    Q_OBJECT

    QTcpServer m_server;
    std::unique_ptr<QTcpSocket> m_client;
    QTcpSocket *m_peer = nullptr;
    FrameRouter m_router;
    QList<Frame> m_routed;

    // Sends bytes from the peer and runs the receive loop once they have arrived.
    void deliver(const QByteArray &bytes)
    {
        m_peer->write(bytes);
        m_peer->flush();
        QVERIFY(m_client->waitForReadyRead(3000));
        Transport::instance().receive(m_router);
    }

private slots:
    void init()
    {
        QVERIFY(m_server.listen(QHostAddress(QHostAddress::LocalHost), 0));
        m_client = std::make_unique<QTcpSocket>();
        m_client->connectToHost(QHostAddress(QHostAddress::LocalHost), m_server.serverPort());
        QVERIFY(m_client->waitForConnected(3000));
        QVERIFY(m_server.waitForNewConnection(3000));
        m_peer = m_server.nextPendingConnection();
        Transport::instance().setCurrentSocket(m_client.get());
        m_routed.clear();
        m_router.setHandler(3, 1, [this](const Frame &f) { m_routed.append(f); });
        m_router.setHandler(3, 9, [this](const Frame &f) { m_routed.append(f); });
    }
    void cleanup()
    {
        Transport::instance().setCurrentSocket(nullptr);
        m_client.reset();
        m_server.close();
    }

    void twoFramesInOneRead()
    {
        deliver(kGain + kMute);
        QCOMPARE(m_routed.size(), 2);
        QCOMPARE(m_routed[0].frameType, quint8(1));
        QCOMPARE(m_routed[0].payload, hex("01 00 00 D0 C0"));
        QCOMPARE(m_routed[1].frameType, quint8(9));
        QCOMPARE(m_routed[1].payload, hex("02 01"));
    }

    void frameInThreePieces()
    {
        deliver(kGain.left(4));
        deliver(kGain.mid(4, 9));
        QVERIFY(m_routed.isEmpty());
        deliver(kGain.mid(13));
        QCOMPARE(m_routed.size(), 1);
        QCOMPARE(m_routed[0].payload, hex("01 00 00 D0 C0"));
    }

    void garbageThenGoodFrame()
    {
        QTest::ignoreMessage(QtDebugMsg, "error data!");
        deliver(hex("00 13 37") + kMute);
        QCOMPARE(m_routed.size(), 1);
        QCOMPARE(m_routed[0].frameType, quint8(9));
    }

    void overDeclaredLengthCompletesLater()
    {
        // The header announces 5 bytes; only 2 arrive at first.
        deliver(kGain.left(12));
        QVERIFY(m_routed.isEmpty());
        deliver(kGain.mid(12) + kMute);
        QCOMPARE(m_routed.size(), 2);
    }

    // On a quiet link a Frame behind a false start is not held until more bytes come.
    void frameBehindFalseStartReleasedOnQuietLink()
    {
        qint64 now = 0;
        Transport::instance().setTimeSource([&now] { return now; });
        QTest::ignoreMessage(QtDebugMsg, "error data!");
        deliver(hex("82 7D 01 00 03 01 05 80 2C 01 55 55") + kMute);
        QVERIFY(m_routed.isEmpty());
        QVERIFY(Transport::instance().staleCheckPending());
        now += 300;
        Transport::instance().releaseStale(); // the timer's timeout
        Transport::instance().setTimeSource({});
        QCOMPARE(m_routed.size(), 1);
        QCOMPARE(m_routed[0].frameType, quint8(9));
        QVERIFY(!Transport::instance().staleCheckPending());
    }

    void bufferDroppedWithSocketChange()
    {
        deliver(kGain.left(12));
        QTcpSocket other;
        Transport::instance().setCurrentSocket(&other);
        Transport::instance().setCurrentSocket(m_client.get());
        QCOMPARE(Transport::instance().bufferedBytes(), 0);
        QTest::ignoreMessage(QtDebugMsg, "error data!");
        deliver(kGain.mid(12) + kMute);
        QCOMPARE(m_routed.size(), 1);
        QCOMPARE(m_routed[0].frameType, quint8(9));
    }

    void sendReachesPeer()
    {
        const float gain = -6.5f;
        const QByteArray frame = hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82");
        sendSetMessage(1, 3, 1, &gain, 4);
        sendSetMessage(1, 3, 1, &gain, 4);
        // Sends of one pass of the event loop leave together once the pass is done.
        QCOMPARE(m_client->bytesToWrite(), qint64(2 * frame.size()));
        QByteArray received;
        QTRY_COMPARE_WITH_TIMEOUT((received += m_peer->readAll()).size(), 2 * frame.size(),
                                  3000);
        QCOMPARE(received, frame + frame);

        // A switch to another socket does not strand what was queued for the old one.
        sendSetMessage(1, 3, 1, &gain, 4);
        QTcpSocket other;
        Transport::instance().setCurrentSocket(&other);
        QCOMPARE(m_client->bytesToWrite(), qint64(0));
        Transport::instance().setCurrentSocket(m_client.get());
        QVERIFY(m_peer->waitForReadyRead(3000));
        QCOMPARE(m_peer->readAll(), frame);
    }

    void sendWhileNotConnectedWritesNothing()
    {
        QTcpSocket connecting;
        Transport::instance().setCurrentSocket(&connecting);
        sendFrame(2, 2, 15, 1, "\x01", 1); // unconnected
        connecting.connectToHost(QHostAddress(QHostAddress::LocalHost), m_server.serverPort());
        QVERIFY(connecting.state() != QAbstractSocket::ConnectedState);
        sendFrame(2, 2, 15, 1, "\x01", 1); // connecting
        QVERIFY(connecting.waitForConnected(3000));
        QVERIFY(m_server.waitForNewConnection(3000));
        QTcpSocket *peer = m_server.nextPendingConnection();
        QVERIFY(!peer->waitForReadyRead(200));
        QCOMPARE(peer->bytesAvailable(), 0);
        QCOMPARE(connecting.bytesToWrite(), 0);
        Transport::instance().setCurrentSocket(nullptr);
        sendFrame(2, 2, 15, 1, "\x01", 1); // no socket at all
    }

    void linkWatchFollowsDataAndSocket()
    {
        LinkWatch watch;
        QSignalSpy lost(&watch, &LinkWatch::linkLost);
        QSignalSpy back(&watch, &LinkWatch::linkBack);
        // Nothing was live yet: a silence or a closed socket loses nothing.
        watch.silenceTimeout();
        watch.setSocketState(QAbstractSocket::UnconnectedState);
        QCOMPARE(lost.size(), 0);
        QVERIFY(!watch.isWatching());

        watch.heard();
        watch.heard();
        QCOMPARE(back.size(), 1);
        QVERIFY(watch.isLive() && watch.isWatching());
        watch.setSocketState(QAbstractSocket::ConnectedState);
        QCOMPARE(lost.size(), 0);
        watch.silenceTimeout();
        watch.silenceTimeout();
        QCOMPARE(lost.size(), 1);
        QVERIFY(!watch.isLive() && !watch.isWatching());

        watch.heard();
        QCOMPARE(back.size(), 2);
        watch.setSocketState(QAbstractSocket::ClosingState);
        QCOMPARE(lost.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
