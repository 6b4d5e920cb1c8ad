// The filter panels against the simulator: real sockets on 127.0.0.50, edits made in the
// panels, read back through a second connection.
#include "modules/filterpanel.h"
#include "pages/channelselect.h"
#include "protocol/payload.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/knob.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QHostAddress kSimAddress(QStringLiteral("127.0.0.50"));

// Asks the simulator for one band until it reports want (the panel's set travels on
// another connection) or the time is up; returns the last report.
QByteArray bandUntil(testsupport::FrameClient &c, quint8 module, quint8 ch, quint8 band,
                     const QByteArray &want)
{
    QByteArray last;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 3000) {
        const auto r = c.request(3, module, 3, QByteArray().append(char(ch)).append(char(band)));
        if (r)
            last = r->payload;
        if (last.mid(2) == want)
            break;
        QTest::qWait(20);
    }
    return last;
}

} // namespace

class TestFilterSim : public QObject {
    Q_OBJECT
    testsupport::SimProcess *m_sim = nullptr;
    QTcpSocket *m_socket = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = new testsupport::SimProcess({"--address", kSimAddress.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_socket = new QTcpSocket;
        m_socket->connectToHost(kSimAddress, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        proto::Transport::instance().setCurrentSocket(m_socket);
    }
    void cleanupTestCase()
    {
        proto::Transport::instance().setCurrentSocket(nullptr);
        delete m_socket;
        delete m_sim;
    }

    void editedBandIsReportedBackUnchanged();
    void copyToMakesChannelsEqual();
};

void TestFilterSim::editedBandIsReportedBackUnchanged()
{
    QOutFilter p;
    p.selectChannel(3);
    p.bandButton(4)->click();
    p.bandWidgets().type->setCurrentIndex(2); // HighShelf, sent at once
    emit p.bandWidgets().gainKnob->valueChanged(-73.4f);
    emit p.bandWidgets().freqKnob->valueChanged(1234.9f);
    for (int i = 0; i < 5; ++i)
        p.timeOut20ms();
    QVERIFY(m_socket->waitForBytesWritten(1000) || m_socket->bytesToWrite() == 0);

    testsupport::FrameClient c;
    QVERIFY(c.connectTo(kSimAddress));
    // enable, type, frequency, gain, Q index: what the panel holds
    const QByteArray want =
        proto::PayloadWriter().u8(1).u8(2).f32(1234.0f).f32(-7.34f).u8(43).data();
    const QByteArray got = bandUntil(c, 10, 3, 4, want);
    QCOMPARE(got, QByteArray("\x03\x04", 2) + want);
    QCOMPARE(float(p.channelState(3).bandGain[4]), -7.34f);
}

void TestFilterSim::copyToMakesChannelsEqual()
{
    QInFilter in;
    QOutFilter out;
    connect(&in, &QInFilter::sigOutCopy, &out, &QOutFilter::channelCopy);
    in.bandButton(9)->click();
    in.bandWidgets().freqEdit->setText(QStringLiteral("2500"));
    in.PEQFreqEditingFinished();
    in.bandWidgets().gainEdit->setText(QStringLiteral("4.5"));
    in.PEQGainEditingFinished();
    QTimer::singleShot(0, [&in] {
        QChannelSelect *d = in.channelSelect();
        d->inputButton(2)->click();
        d->outputButton(6)->click();
        d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    in.copyToClicked();
    QCOMPARE(quint16(out.channelState(6).bandFreq[9]), quint16(2500));

    testsupport::FrameClient c;
    QVERIFY(c.connectTo(kSimAddress));
    const QByteArray want =
        proto::PayloadWriter().u8(1).u8(0).f32(2500.0f).f32(4.5f).u8(43).data();
    QCOMPARE(bandUntil(c, 4, 0, 9, want).mid(2), want);
    QCOMPARE(bandUntil(c, 4, 2, 9, want).mid(2), want);
    QCOMPARE(bandUntil(c, 10, 6, 9, want).mid(2), want);
    const auto untouched = c.request(3, 4, 3, QByteArray("\x01\x09", 2));
    QVERIFY(untouched);
    QCOMPARE(untouched->payload.mid(4, 4), QByteArray("\x00\x00\x2f\x44", 4)); // 700 Hz
}

QTEST_MAIN(TestFilterSim)
#include "tst_filtersim.moc"
