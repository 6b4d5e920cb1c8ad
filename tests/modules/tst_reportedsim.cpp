// What the processor reports is what the panels keep: against the simulator over loopback,
// values another client set show on the gate, mixer and generator panels, and a click on an
// unrelated field of the same block leaves them exactly as that client left them.
#include "modules/gatepanel.h"
#include "modules/mixer.h"
#include "modules/siggenerator.h"
#include "panelharness.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/qfader.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const QHostAddress kSim(QStringLiteral("127.0.0.171"));
using panelharness::hex;
} // namespace

class TestReportedSim : public QObject {
    Q_OBJECT
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QTcpSocket> m_socket;
    proto::FrameRouter m_router;
    // The other client: it sets values and reads back what the processor holds.
    FrameClient m_other;

    // The panel on the program's own connection, shown so that it polls.
    void attach(QModulePanel &panel)
    {
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(kSim, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        proto::Transport::instance().setCurrentSocket(m_socket.get());
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { proto::Transport::instance().receive(m_router); });
        m_router.setHandler(proto::ClassModule, panel.moduleId(), [&panel](const proto::Frame &f) {
            panel.takeReport(f.paramCode, f.direction, f.length(),
                             reinterpret_cast<const uchar *>(f.payload.constData()));
        });
        panel.show();
    }
    // Ticks until the panel's sends have gone and its hold is over, with two polls answered.
    static void settle(QModulePanel &panel)
    {
        for (int i = 0; i < 40; ++i) {
            panel.timeOut20ms();
            QTest::qWait(5);
        }
    }
    QByteArray held(quint8 module, quint8 code, const QByteArray &request = {})
    {
        const auto report = m_other.request(proto::ClassModule, module, code, request);
        return report ? report->payload : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(QStringList{"--address", kSim.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        QVERIFY(m_other.connectTo(kSim));
    }

    void cleanup()
    {
        proto::Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_router = proto::FrameRouter();
    }

    void gate()
    {
        // I3: off, -40.5 dBu, 20.5 ms, 999.9 ms; the strip shows whole units.
        m_other.send(proto::ClassModule, 2, 2, proto::DirSet,
                     hex("02 00 00 00 22 C2 00 00 A4 41 9A F9 79 44"));
        QGate panel;
        attach(panel);
        settle(panel);
        const QGate::Strip &s = panel.strip(2);
        QCOMPARE(s.params[QGate::Thresh].edit->text(), QString("-40"));
        QCOMPARE(s.params[QGate::Decay].edit->text(), QString("999"));
        QCOMPARE(panel.channelState(2).threshold, -40.5f);

        s.enable->click();
        settle(panel);
        QCOMPARE(held(2, 2, QByteArray(1, 2)), hex("02 01 00 00 22 C2 00 00 A4 41 9A F9 79 44"));

        m_other.send(proto::ClassModule, 2, 2, proto::DirSet,
                     hex("02 00 00 00 82 C2 00 00 A0 41 00 00 A0 41")); // as found
    }

    void mixer()
    {
        // O6: I1 -10 dB, I2 +12 dB.
        m_other.send(proto::ClassModule, 7, 2, proto::DirSet, hex("05 00 F6"));
        m_other.send(proto::ClassModule, 7, 2, proto::DirSet, hex("05 01 0C"));
        QMixer panel;
        attach(panel);
        settle(panel); // shown, the matrix's first button takes the focus and selects O1
        panel.selectChannel(5);
        settle(panel);
        QCOMPARE(panel.strip(0).gainEdit->text(), QString("-10"));
        QCOMPARE(panel.strip(1).fader->value(), 12.0f);

        panel.strip(2).enable->click();
        emit panel.strip(3).fader->valueChanged(-6.0f);
        settle(panel);
        QCOMPARE(held(7, 2, QByteArray(1, 5)), hex("05 F6 0C 00 FA"));
        QCOMPARE(held(7, 1, QByteArray(1, 5)), hex("05 00 00 01 00"));

        m_other.send(proto::ClassModule, 7, 1, proto::DirSet, hex("05 00 01 02 03 00"));
        m_other.send(proto::ClassModule, 7, 2, proto::DirSet, hex("05 00 01 02 03 00"));
    }

    void generator()
    {
        // 440.7 Hz at -30.5 dBu: the fields show 440 and -30.
        m_other.send(proto::ClassModule, 8, 2, proto::DirSet, hex("9A 59 DC 43"));
        m_other.send(proto::ClassModule, 8, 4, proto::DirSet, hex("00 00 F4 C1"));
        QSigGenerator panel;
        attach(panel);
        settle(panel);
        QCOMPARE(panel.frequencyEdit()->text(), QString("440"));
        QCOMPARE(panel.gainEdit()->text(), QString("-30"));
        QCOMPARE(panel.state().frequency, 440.7f);

        panel.muteButton()->click();
        panel.outputButton(3)->click();
        panel.sourceBox()->setCurrentIndex(0);
        settle(panel);
        QCOMPARE(held(8, 2), hex("9A 59 DC 43"));
        QCOMPARE(held(8, 4), hex("00 00 F4 C1"));
        QCOMPARE(held(8, 5), hex("01"));
        QCOMPARE(held(8, 3), hex("00"));
        QCOMPARE(held(8, 1, QByteArray(1, 3)), hex("03 01"));

        // A frequency typed in the field goes out as typed.
        panel.frequencyEdit()->setText("1234.5");
        emit panel.frequencyEdit()->editingFinished();
        settle(panel);
        QCOMPARE(held(8, 2), hex("00 50 9A 44"));
        QCOMPARE(panel.frequencyEdit()->text(), QString("1234"));

        for (const auto &[code, value] :
             {std::pair{2, "00 00 7A 44"}, {4, "00 00 F0 C1"}, {5, "00"}, {3, "01"}})
            m_other.send(proto::ClassModule, 8, quint8(code), proto::DirSet, hex(value));
        m_other.send(proto::ClassModule, 8, 1, proto::DirSet, hex("03 00"));
    }
};

QTEST_MAIN(TestReportedSim)
#include "tst_reportedsim.moc"
