// The limiter panels against the simulator over loopback: edits made in the panels, read
// back by the panel's own polls and through a second connection.
#include "modules/limiterpanel.h"
#include "pages/channelselect.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/knob.h"
#include "widgets/qmeterwidget.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

const QHostAddress kSim(QStringLiteral("127.0.0.57"));

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

// The block of one channel as the panel would send it.
QByteArray block(quint8 channel, const LimiterParams &r)
{
    QByteArray b(limiter::kBlockLength, 0);
    limiter::encodeBlock(channel, r, reinterpret_cast<uchar *>(b.data()));
    return b;
}

} // namespace

class TestLimiterSim : public QObject {
    Q_OBJECT
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QTcpSocket> m_socket;
    proto::FrameRouter m_router;

    void connectPanel(QLimiterPanel &panel)
    {
        m_router.setHandler(proto::ClassModule, panel.moduleId(), [&panel](const proto::Frame &f) {
            panel.receive(f.paramCode, f.direction, f.length(),
                          reinterpret_cast<const uchar *>(f.payload.constData()));
        });
    }

    // One refresh tick, then the replies it asked for.
    static void tick(QLimiterPanel &panel)
    {
        panel.timeOut20ms();
        QTest::qWait(2);
    }

    // The simulator's block of one channel, asked on a second connection.
    static QByteArray simBlock(FrameClient &c, quint8 module, quint8 channel)
    {
        const auto r = c.request(proto::ClassModule, module, 1, QByteArray(1, char(channel)));
        return r ? r->payload : QByteArray();
    }

private Q_SLOTS:
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

    void editedBlockComesBackUnchanged()
    {
        QOutLimiter panel;
        connectPanel(panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.selectChannel(6);
        const QLimiterPanel::Widgets &w = panel.widgets();
        type(w.thresh.edit, QStringLiteral("-17.34"));
        type(w.attack.edit, QStringLiteral("150"));
        type(w.decay.edit, QStringLiteral("400"));
        w.enable->click();
        emit w.ratio.knob->valueChanged(6.0f);
        for (int i = 0; i < QLimiterPanel::kSendTicks; ++i)
            tick(panel);
        const LimiterParams edited = panel.channelState(6);
        QCOMPARE(edited.ratio, quint8(6));

        // The next polls bring the processor's block back: nothing moves.
        for (int i = 0; i < 40; ++i)
            tick(panel);
        FrameClient c;
        QVERIFY(c.connectTo(kSim));
        QCOMPARE(simBlock(c, 11, 6), block(6, edited));
        QCOMPARE(block(6, panel.channelState(6)), block(6, edited));
        QCOMPARE(w.thresh.edit->text(), QStringLiteral("-17.3"));
        QCOMPARE(w.ratio.edit->text(), QStringLiteral("6"));
        QCOMPARE(w.decay.edit->text(), QStringLiteral("400"));
        QVERIFY(w.enable->isChecked());
    }

    void copyFromInputToOutputReadsBack()
    {
        QInLimiter in;
        QOutLimiter out;
        connectPanel(in);
        connect(&in, &QInLimiter::sigOutCopy, &out, &QOutLimiter::channelCopy);
        type(in.widgets().thresh.edit, QStringLiteral("-22.5"));
        type(in.widgets().ratio.edit, QStringLiteral("12"));
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<QChannelSelect *>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->outputButton(2)->click();
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        in.CopyToClicked();
        QCOMPARE(out.channelState(2).ratio, quint8(12));

        FrameClient c;
        QVERIFY(c.connectTo(kSim));
        const QByteArray want = block(2, in.channelState(0));
        QByteArray got;
        for (int i = 0; i < 50 && got != want; ++i) { // the set travels on another connection
            got = simBlock(c, 11, 2);
            if (got != want)
                QTest::qWait(20);
        }
        QCOMPARE(got, want);
        QCOMPARE(simBlock(c, 11, 3), block(3, LimiterParams{})); // O4 untouched
    }

    void gainReductionMovesAboveThreshold()
    {
        // Input 2 carries about -10 dBu; a -40 dBu threshold at 1:10 takes off over 20 dB.
        QInLimiter panel;
        connectPanel(panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.selectChannel(1);
        QSignalSpy spy(&panel, &QLimiterPanel::sigMeter);
        // One meter request and its report; the G-R meter afterwards (-1: no report).
        auto reduction = [&] {
            const qsizetype before = spy.size();
            for (int i = 0; i < 5; ++i)
                tick(panel);
            if (!QTest::qWaitFor([&] { return spy.size() > before; }, 3000))
                return -1;
            return panel.widgets().reduction.meter->value();
        };
        QCOMPARE(reduction(), 0);

        type(panel.widgets().thresh.edit, QStringLiteral("-40"));
        type(panel.widgets().ratio.edit, QStringLiteral("10"));
        panel.widgets().enable->click();
        QTRY_VERIFY_WITH_TIMEOUT(reduction() > 15, 5000);
        QVERIFY(panel.widgets().input.meter->value() > -25);
        QVERIFY(panel.widgets().output.meter->value() < -30);
    }
};

QTEST_MAIN(TestLimiterSim)
#include "tst_limitersim.moc"
