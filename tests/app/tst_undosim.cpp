// Undo against the simulator: an edit undone reads back as before, and a "Copy to" into
// channels no panel ever polled reads them first, so its undo restores them.
#include "modules/changerecorder.h"
#include "modules/limiterpanel.h"
#include "pages/channelselect.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transfer.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

const QHostAddress kSim(QStringLiteral("127.0.0.83"));
constexpr quint8 kInLimiter = 5;
constexpr quint8 kOutLimiter = 11;

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

QByteArray simBlock(FrameClient &c, quint8 module, quint8 channel)
{
    const auto r = c.request(proto::ClassModule, module, QLimiterPanel::CodeBlock,
                             QByteArray(1, char(channel)));
    return r ? r->payload : QByteArray();
}

} // namespace

class TestUndoSim : public QObject {
    Q_OBJECT
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QTcpSocket> m_socket;
    proto::FrameRouter m_router;
    ChangeRecorder &recorder = ChangeRecorder::instance();

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(QStringList{"--address", kSim.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
    }

    void init()
    {
        recorder.clear();
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(kSim, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        proto::Transport::instance().setCurrentSocket(m_socket.get());
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { proto::Transport::instance().receive(m_router); });
        recorder.setProcessor(0x5151, QStringLiteral("DAP408"), kSim.toIPv4Address());
    }

    void cleanup()
    {
        recorder.clearProcessor();
        proto::Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_router = proto::FrameRouter();
    }

    void limiterThresholdUndoneReadsBack()
    {
        FuncWidget container;
        container.registerRoutes(m_router);
        container.show();
        container.tabButton(FuncWidget::TabInLimiter)->click();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
        auto *in = qobject_cast<QInLimiter *>(container.page(FuncWidget::TabInLimiter));
        in->selectChannel(1);
        const setfields::Key key{kInLimiter, QLimiterPanel::CodeBlock, 1, {1, 0}};
        // The panel's own polls tell the history what the processor holds.
        for (int i = 0; i < 500 && recorder.known(key).isEmpty(); ++i) {
            in->timeOut20ms();
            QTest::qWait(2);
        }
        QVERIFY(!recorder.known(key).isEmpty());
        FrameClient c;
        QVERIFY(c.connectTo(kSim));
        const QByteArray before = simBlock(c, kInLimiter, 1);
        QCOMPARE(before.size(), 18);

        in->widgets().thresh.edit->setText(QStringLiteral("-31.5"));
        emit in->widgets().thresh.edit->editingFinished();
        QTRY_COMPARE(simBlock(c, kInLimiter, 1).mid(2, 4), hex("00 00 FC C1"));
        QCOMPARE(recorder.undoText(), QStringLiteral("I2 limiter off, -31.5 dB, 1:2, attack 20 ms, "
                                                     "release 20 ms"));

        QVERIFY(recorder.undo());
        QTRY_COMPARE(simBlock(c, kInLimiter, 1), before);
        QCOMPARE(in->widgets().thresh.edit->text(), QStringLiteral("0.0"));
    }

    void copyReadsUnpolledChannelsFirst()
    {
        FrameClient c;
        QVERIFY(c.connectTo(kSim));
        // The outputs hold values of their own that no panel has seen.
        QList<QByteArray> outputs;
        for (int o = 0; o < 8; ++o) {
            QByteArray block = hex("00 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 C8 42");
            block[0] = char(o);
            block[5] = char(0xC1 + (o % 2)); // -10 dB or a much lower threshold
            c.send(proto::ClassModule, kOutLimiter, QLimiterPanel::CodeBlock, proto::DirSet, block);
            outputs.append(block);
        }
        QTRY_COMPARE(simBlock(c, kOutLimiter, 7), outputs[7]);

        FuncWidget container;
        container.registerRoutes(m_router);
        auto *in = qobject_cast<QInLimiter *>(container.page(FuncWidget::TabInLimiter));
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<QChannelSelect *>(QApplication::activeModalWidget());
            QVERIFY(d);
            for (int o = 0; o < 8; ++o)
                d->outputButton(o)->click();
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        in->CopyToClicked();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.undoCount(), 1, 10000);
        const QByteArray source = simBlock(c, kInLimiter, 0);
        QTRY_COMPARE(simBlock(c, kOutLimiter, 3).mid(1), source.mid(1));

        QVERIFY(recorder.undo());
        for (int o = 0; o < 8; ++o)
            QTRY_COMPARE(simBlock(c, kOutLimiter, quint8(o)), outputs[o]);
    }
};

QTEST_MAIN(TestUndoSim)
#include "tst_undosim.moc"
