// The gate and delay panels against the simulator over loopback: an edit made in a panel
// reaches the processor and comes back unchanged; the second generation's limits.
#include "modules/delaypanel.h"
#include "modules/gatepanel.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/knob.h"
#include "widgets/qhslider.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const QHostAddress kSim(QStringLiteral("127.0.0.117"));
const QHostAddress kSimGen2(QStringLiteral("127.0.0.118"));

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}
} // namespace

class TestGateDelaySim : public QObject {
    Q_OBJECT
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QTcpSocket> m_socket;
    proto::FrameRouter m_router;

    void connectTo(const QHostAddress &address)
    {
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(address, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        proto::Transport::instance().setCurrentSocket(m_socket.get());
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { proto::Transport::instance().receive(m_router); });
    }
    void route(QModulePanel &panel)
    {
        m_router.setHandler(proto::ClassModule, panel.moduleId(), [&panel](const proto::Frame &f) {
            panel.receive(f.paramCode, f.direction, f.length(),
                          reinterpret_cast<const uchar *>(f.payload.constData()));
        });
    }
    // Ticks until the panel's sends have gone and its edit hold is over, then two polls
    // (400 ms) with time for the replies.
    static void settle(QModulePanel &panel)
    {
        for (int i = 0; i < 40; ++i) {
            panel.timeOut20ms();
            QTest::qWait(5);
        }
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(QStringList{"--address", kSim.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
    }

    void cleanup()
    {
        proto::Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_router = proto::FrameRouter();
    }

    void gateEditComesBackUnchanged()
    {
        connectTo(kSim);
        QGate panel;
        route(panel);
        panel.show();
        const QGate::Strip &s = panel.strip(1);
        emit s.params[QGate::Thresh].knob->valueChanged(-40.0f);
        emit s.params[QGate::Decay].knob->valueChanged(300.0f);
        s.params[QGate::Attack].edit->setText("100");
        emit s.params[QGate::Attack].edit->editingFinished();
        s.enable->click();
        settle(panel);

        FrameClient client;
        QVERIFY(client.connectTo(kSim));
        const auto report = client.request(proto::ClassModule, 2, 2, QByteArray(1, 1));
        QVERIFY(report);
        QCOMPARE(report->payload, hex("01 01 00 00 20 C2 00 00 C8 42 00 00 96 43"));
        // The panel polled the same record back and kept what was edited.
        const GateChannel &g = panel.channelState(1);
        QCOMPARE(int(g.enable), 1);
        QCOMPARE(int(g.threshold), -40);
        QCOMPARE(int(g.attack), 100);
        QCOMPARE(int(g.decay), 300);
        QCOMPARE(s.params[QGate::Decay].edit->text(), QString("300"));
        // The simulated inputs carry signal, so the gates report open.
        QVERIFY(panel.isOpen(0));

        client.send(proto::ClassModule, 2, 2, proto::DirSet,
                    hex("01 00 00 00 82 C2 00 00 A0 41 00 00 A0 41")); // leave it as found
    }

    void delayEditsComeBackUnchanged()
    {
        connectTo(kSim);
        QOutDelay out;
        QInDelay in;
        route(out);
        route(in);
        out.show();
        in.show();
        emit out.row(4).slider->valueChanged(123.45f);
        emit in.row(2).spin->valueChanged(999.99);
        settle(out);
        settle(in);

        FrameClient client;
        QVERIFY(client.connectTo(kSim));
        const auto o5 = client.request(proto::ClassModule, 12, 1, QByteArray(1, 4));
        const auto i3 = client.request(proto::ClassModule, 6, 1, QByteArray(1, 2));
        QVERIFY(o5 && i3);
        QCOMPARE(o5->payload, hex("04 66 E6 F6 42"));
        QCOMPARE(i3->payload, hex("02 5C FF 79 44"));
        QCOMPARE(out.delay(4), 123.45f);
        QCOMPARE(out.row(4).spin->value(), 123.45);
        QCOMPARE(in.delay(2), 999.99f);

        client.send(proto::ClassModule, 12, 1, proto::DirSet, hex("04 00 00 00 00"));
        client.send(proto::ClassModule, 6, 1, proto::DirSet, hex("02 00 00 00 00"));
    }

    void secondGenerationHidesInputDelayAndLimitsOutputs()
    {
        SimProcess sim({"--address", kSimGen2.toString(), "--generation", "2"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        FuncWidget container;
        container.registerRoutes(m_router);
        connectTo(kSimGen2);
        container.requestDeviceInfo();
        QTRY_VERIFY_WITH_TIMEOUT(container.tabButton(FuncWidget::TabInDelay)->isHidden(), 5000);

        auto *out = qobject_cast<QOutDelay *>(container.page(FuncWidget::TabOutDelay));
        QVERIFY(out && out->reducedRange());
        container.show();
        container.tabButton(FuncWidget::TabOutDelay)->click();
        QVERIFY(out->isVisible());
        emit out->row(5).spin->valueChanged(1000.0);
        emit out->row(1).spin->valueChanged(1000.0);
        emit out->row(2).slider->valueChanged(1.23f);
        settle(*out);

        FrameClient client;
        QVERIFY(client.connectTo(kSimGen2));
        const auto o6 = client.request(proto::ClassModule, 12, 1, QByteArray(1, 5));
        const auto o2 = client.request(proto::ClassModule, 12, 1, QByteArray(1, 1));
        const auto o3 = client.request(proto::ClassModule, 12, 1, QByteArray(1, 2));
        QVERIFY(o6 && o2 && o3);
        QCOMPARE(o6->payload, hex("05 00 00 14 43"));    // 148 ms
        QCOMPARE(o2->payload, hex("01 00 00 5A 43"));    // 218 ms
        QCOMPARE(o3->payload, hex("02 52 B8 9E 3F"));    // 1.24 ms
        QCOMPARE(out->delay(5), 148.0f);
        QCOMPARE(out->delay(2), 1.24f);
    }
};

QTEST_MAIN(TestGateDelaySim)
#include "tst_gatedelaysim.moc"
