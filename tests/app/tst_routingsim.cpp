// The mixer, generator and feedback pages in the container against the simulator: what the
// pages set reads back from the processor, what the processor holds reaches the pages, and
// the generator is heard on the output meters of the level page and the overview.
#include "app/overview.h"
#include "modules/feedback.h"
#include "modules/levelpanel.h"
#include "modules/mixbutton.h"
#include "modules/mixer.h"
#include "modules/moduleclock.h"
#include "modules/siggenerator.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/qmeterwidget.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace proto;
using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const QHostAddress kSim(QStringLiteral("127.0.0.64"));

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}
} // namespace

class TestRoutingSim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<FuncWidget> m_container;
    std::unique_ptr<QOverView> m_overview;
    std::unique_ptr<QTcpSocket> m_socket;
    FrameRouter m_router;

    // One tick of the shared clock, then the replies it asked for.
    static void tick()
    {
        ModuleClock::instance().tick();
        QTest::qWait(2);
    }
    QByteArray reported(quint8 module, quint8 code, const QByteArray &arg = {})
    {
        FrameClient client;
        if (!client.connectTo(kSim))
            return {};
        const auto r = client.request(ClassModule, module, code, arg);
        return r ? r->payload : QByteArray();
    }
    template <class P> P *show(FuncWidget::Tab tab)
    {
        m_container->stack()->setCurrentIndex(tab);
        return qobject_cast<P *>(m_container->page(tab));
    }
    int overviewOutMeter(int output) const
    {
        const auto strips = m_overview->findChildren<QWidget *>(QStringLiteral("outBgWidget"));
        const auto meters = strips.value(output)->findChildren<QMeterWidget *>();
        return meters.isEmpty() ? 1000 : meters.first()->value();
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(QStringList{"--address", kSim.toString()});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_container = std::make_unique<FuncWidget>();
        m_overview = std::make_unique<QOverView>();
        connectOverview(m_container.get(), m_overview.get());
        m_container->registerRoutes(m_router);
        m_socket = std::make_unique<QTcpSocket>();
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { Transport::instance().receive(m_router); });
        Transport::instance().setCurrentSocket(m_socket.get());
        m_socket->connectToHost(kSim, 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        m_container->show();
    }

    void cleanupTestCase()
    {
        Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_container.reset();
        m_overview.reset();
    }

    void mixerEditsReadBack()
    {
        auto *mixer = show<QMixer>(FuncWidget::TabMatrix);
        QVERIFY(mixer && QTest::qWaitForWindowExposed(m_container.get()));
        QTest::mouseDClick(mixer->button(2, 1), Qt::LeftButton);
        QCOMPARE(mixer->selectedOutput(), 2);
        mixer->strip(1).gainEdit->setText(QStringLiteral("-12.5"));
        emit mixer->strip(1).gainEdit->editingFinished();
        QTRY_COMPARE(reported(7, 1, QByteArray(1, 2)), hex("02 00 01 00 00"));
        QTRY_COMPARE(reported(7, 2, QByteArray(1, 2)), hex("02 00 F4 00 00"));

        // Set by another client: the shown page reads it within its poll.
        FrameClient other;
        QVERIFY(other.connectTo(kSim));
        other.send(ClassModule, 7, 1, DirSet, hex("06 00 03 01"));
        other.send(ClassModule, 7, 2, DirSet, hex("06 03 FB"));
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     tick();
                                     return mixer->crosspointGain(6, 3) == -5;
                                 }()),
                                 5000);
        QVERIFY(mixer->crosspointOn(6, 0) && mixer->crosspointOn(6, 3));
        QVERIFY(!mixer->crosspointOn(6, 1));
        QCOMPARE(mixer->button(6, 3)->text(), QString("-5dBu"));
        QVERIFY(mixer->crosspointOn(2, 1)); // the panel's own edit stays
    }

    void feedbackSwitchReadsBack()
    {
        auto *feedback = show<QFeedback>(FuncWidget::TabFeedback);
        QVERIFY(feedback);
        feedback->strip(3).enable->click();
        QTRY_COMPARE(reported(3, 1, QByteArray(1, 3)), hex("03 01"));
        FrameClient other;
        QVERIFY(other.connectTo(kSim));
        other.send(ClassModule, 3, 1, DirSet, hex("00 01"));
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     tick();
                                     return feedback->strip(0).enable->isChecked();
                                 }()),
                                 5000);
    }

    void generatorIsHeardOnOutputOne()
    {
        auto *outLevel = qobject_cast<QOutLevel *>(m_container->page(FuncWidget::TabOutLevel));
        auto *generator = show<QSigGenerator>(FuncWidget::TabSignal);
        QVERIFY(outLevel && generator);
        // Nothing feeds output 1 yet.
        for (int i = 0; i < 20; ++i)
            tick();
        QTRY_COMPARE_WITH_TIMEOUT(([&] {
                                      tick();
                                      return overviewOutMeter(0);
                                  }()),
                                  -60, 3000);

        generator->gainEdit()->setText(QStringLiteral("-10"));
        emit generator->gainEdit()->editingFinished();
        generator->outputButton(0)->click();
        QTRY_COMPARE(reported(8, 4), hex("00 00 20 C1"));
        QTRY_COMPARE(reported(8, 1, QByteArray(1, 0)), hex("00 01"));

        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     tick();
                                     return overviewOutMeter(0) > -60;
                                 }()),
                                 5000);
        QVERIFY2(qAbs(overviewOutMeter(0) + 10) <= 1,
                 qPrintable(QString::number(overviewOutMeter(0))));
        QVERIFY(qAbs(outLevel->channelState(0).meter + 10) <= 1);
        QCOMPARE(overviewOutMeter(1), -60);

        // Muted, the output falls silent again.
        generator->muteButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(([&] {
                                      tick();
                                      return int(outLevel->channelState(0).meter);
                                  }()),
                                  -60, 5000);
    }
};

QTEST_MAIN(TestRoutingSim)
#include "tst_routingsim.moc"
