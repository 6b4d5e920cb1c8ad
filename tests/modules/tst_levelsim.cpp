// The level panels against the simulator over loopback: real sockets, real replies.
#include "modules/levelpanel.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/qfader.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const QHostAddress kSim(QStringLiteral("127.0.0.40"));

QByteArray floatBytes(float v)
{
    QByteArray b(4, 0);
    proto::putU32(reinterpret_cast<uchar *>(b.data()), proto::floatBits(v));
    return b;
}
} // namespace

class TestLevelSim : public QObject {
    Q_OBJECT
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QTcpSocket> m_socket;
    proto::FrameRouter m_router;

    void connectPanel(QLevelPanel &panel)
    {
        m_router.setHandler(proto::ClassModule, panel.moduleId(), [&panel](const proto::Frame &f) {
            panel.receive(f.paramCode, f.direction, f.length(),
                          reinterpret_cast<const uchar *>(f.payload.constData()));
        });
    }

    // One refresh tick, then the replies it asked for.
    void tick(QLevelPanel &panel)
    {
        panel.timeOut20ms();
        QTest::qWait(2);
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(QStringList{"--address", kSim.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
    }

    void init()
    {
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(kSim, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        proto::Transport::instance().setCurrentSocket(m_socket.get());
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { proto::Transport::instance().receive(m_router); });
    }

    void cleanup()
    {
        proto::Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_router = proto::FrameRouter();
    }

    void muteInPanelMutesSimulator()
    {
        QInLevel panel;
        connectPanel(panel);
        for (int i = 0; i < 100 && panel.channelState(0).meter <= -50; ++i)
            tick(panel);
        QVERIFY2(panel.channelState(0).meter > -50, "input 1 shows a signal");

        panel.strip(0).mute->click();
        QTRY_COMPARE_WITH_TIMEOUT(([&] {
                                      tick(panel);
                                      return int(panel.channelState(0).meter);
                                  }()),
                                  -60, 3000);
        QVERIFY(panel.strip(0).mute->isChecked());

        FrameClient client;
        QVERIFY(client.connectTo(kSim));
        const auto mute = client.request(proto::ClassModule, 1, 2, QByteArray(1, 0));
        QVERIFY(mute);
        QCOMPARE(mute->payload, QByteArray::fromHex("0001"));

        panel.strip(0).mute->click(); // leave the simulator as found
        tick(panel);
    }

    void gainChangedOnSimulatorReachesFader()
    {
        QOutLevel panel;
        connectPanel(panel);
        panel.show();

        FrameClient client;
        QVERIFY(client.connectTo(kSim));
        client.send(proto::ClassModule, 9, 3, proto::DirSet, QByteArray(1, 2) + floatBytes(-12.5f));
        const auto gain = client.request(proto::ClassModule, 9, 3, QByteArray(1, 2));
        QVERIFY(gain);
        QCOMPARE(gain->payload, QByteArray(1, 2) + floatBytes(-12.5f));

        // Within 10 ticks (200 ms) the panel has asked and moved the fader.
        for (int i = 0; i < 10; ++i)
            panel.timeOut20ms();
        QTRY_COMPARE_WITH_TIMEOUT(panel.strip(2).fader->value(), -12.5f, 2000);
        QCOMPARE(panel.strip(2).gainEdit->text(), QString("-12.5"));

        client.send(proto::ClassModule, 9, 3, proto::DirSet, QByteArray(1, 2) + floatBytes(0.0f));
    }
};

QTEST_MAIN(TestLevelSim)
#include "tst_levelsim.moc"
