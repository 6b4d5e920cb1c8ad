// One processor link on a hand-driven clock against a simulated processor: login, back-off,
// silence and release; and the readings it keeps from the polled reports.
#include "metricstext.h"
#include "processorlink.h"
#include "readings.h"
#include "support/simprocess.h"

#include <QTest>

#include <memory>

using namespace bridge;
using testsupport::SimProcess;

namespace {

proto::Frame report(quint8 frameClass, quint8 type, quint8 code, const QByteArray &payload)
{
    proto::Frame f;
    f.frameClass = frameClass;
    f.frameType = type;
    f.paramCode = code;
    f.direction = proto::DirReport;
    f.payload = payload;
    return f;
}

QByteArray floats(float a, float b)
{
    QByteArray p(8, '\0');
    std::memcpy(p.data(), &a, 4);
    std::memcpy(p.data() + 4, &b, 4);
    return p;
}

} // namespace

class TestBridgeLink : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    qint64 m_now = 0;

    std::unique_ptr<ProcessorLink> link(const char *address, std::optional<QByteArray> password)
    {
        return std::make_unique<ProcessorLink>(address, QHostAddress(address).toIPv4Address(), 0,
                                               std::move(password), 2699, [this] { return m_now; });
    }
    // Ticks at the current time until the link leaves its connecting and login steps.
    bool settle(ProcessorLink &l)
    {
        return QTest::qWaitFor(
            [&] {
                l.tick(false, false);
                return l.state() == ProcessorLink::State::Up ||
                       l.state() == ProcessorLink::State::Waiting;
            },
            5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{"--address", "127.0.0.2", "--password", "1234"});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
    }

    void logsInAndPolls()
    {
        auto l = link("127.0.0.2", "1234");
        l->tick(false, false);
        QCOMPARE(l->state(), ProcessorLink::State::Connecting);
        QVERIFY(settle(*l));
        QCOMPARE(l->state(), ProcessorLink::State::Up);
        QCOMPARE(l->attempts(), 1u);
        QCOMPARE(l->failures(), 0u);
        // Up, it asks for the identity and the meters at once; the reports fill the readings.
        QTRY_VERIFY(l->readings().has(Readings::Model) && l->readings().has(Readings::InLevels) &&
                    l->readings().has(Readings::DspLoad) && l->readings().has(Readings::GateOpen));
        QCOMPARE(l->readings().model, QString("DAP408"));
        QCOMPARE(l->readings().generation(), 1);
    }

    // A refused login counts as a failed attempt; the retries wait longer each time.
    void wrongPasswordBacksOff()
    {
        auto l = link("127.0.0.2", "9999");
        QList<qint64> attemptsAt;
        for (int step = 0; step < 400 && attemptsAt.size() < 4; ++step) {
            const quint64 before = l->attempts();
            l->tick(false, false);
            if (l->attempts() != before)
                attemptsAt.append(m_now);
            QVERIFY(settle(*l));
            QCOMPARE(l->state(), ProcessorLink::State::Waiting);
            m_now += 100;
        }
        QCOMPARE(attemptsAt.size(), 4);
        QCOMPARE(l->failures(), 4u);
        QVERIFY2(l->reason().contains("wrong password"), qPrintable(l->reason()));
        // About 1, 2 and 4 s apart (less up to a fifth, so that many do not retry in step).
        const qint64 gaps[] = {attemptsAt[1] - attemptsAt[0], attemptsAt[2] - attemptsAt[1],
                               attemptsAt[3] - attemptsAt[2]};
        QVERIFY2(gaps[0] >= 800 && gaps[0] <= 1100, qPrintable(QString::number(gaps[0])));
        QVERIFY2(gaps[1] >= 1600 && gaps[1] <= 2100, qPrintable(QString::number(gaps[1])));
        QVERIFY2(gaps[2] >= 3200 && gaps[2] <= 4100, qPrintable(QString::number(gaps[2])));

        // No password configured while one is asked for: said, and nothing sent.
        auto none = link("127.0.0.2", std::nullopt);
        none->tick(false, false);
        QVERIFY(settle(*none));
        QVERIFY2(none->reason().contains("none is configured"), qPrintable(none->reason()));
    }

    // Up but silent for the limit: dropped, and the next try logs in again.
    void silenceDropsAndReconnects()
    {
        auto l = link("127.0.0.2", "1234");
        l->tick(false, false);
        QVERIFY(settle(*l));
        QCOMPARE(l->state(), ProcessorLink::State::Up);
        bool dropped = false;
        connect(l.get(), &ProcessorLink::upChanged, this, [&](bool up) { dropped = !up; });
        m_now += l->silenceLimitMs() - 1;
        l->tick(false, false);
        QCOMPARE(l->state(), ProcessorLink::State::Up);
        m_now += 1;
        l->tick(false, false);
        QVERIFY(dropped);
        QVERIFY2(l->reason().startsWith("silent"), qPrintable(l->reason()));
        QCOMPARE(l->failures(), 0u); // a drop after a login is no failed attempt
        m_now += ProcessorLink::kFirstRetryMs;
        l->tick(false, false);
        QVERIFY(settle(*l));
        QCOMPARE(l->state(), ProcessorLink::State::Up);
        QCOMPARE(l->attempts(), 2u);
    }

    void releaseHoldsOffUntilResumed()
    {
        auto l = link("127.0.0.2", "1234");
        l->tick(false, false);
        QVERIFY(settle(*l));
        l->release(60);
        QCOMPARE(l->state(), ProcessorLink::State::Released);
        m_now += 59000;
        l->tick(false, false);
        QCOMPARE(l->state(), ProcessorLink::State::Released);
        m_now += 1000;
        l->tick(false, false); // the time is over: it connects again
        l->tick(false, false);
        QVERIFY(settle(*l));
        QCOMPARE(l->state(), ProcessorLink::State::Up);
        l->release(600);
        l->resume();
        l->tick(false, false);
        QVERIFY(settle(*l));
        QCOMPARE(l->state(), ProcessorLink::State::Up);
    }

    // Only well-formed reports count; a wrong length or an impossible load leaves it unknown.
    void readingsTakeOnlyWellFormedReports()
    {
        Readings r;
        QVERIFY(!r.apply(report(3, 1, 1, QByteArray(5, 0))));  // inputs take 4 bytes
        QVERIFY(!r.apply(report(3, 11, 4, QByteArray(8, 0)))); // 8 outputs: 16 bytes
        QVERIFY(!r.apply(report(2, 2, 16, floats(std::nanf(""), 1))));
        QVERIFY(!r.apply(report(2, 2, 16, floats(150, 1))));
        QVERIFY(!r.apply(report(2, 2, 2, "\x02\x01")));
        proto::Frame set = report(3, 1, 1, QByteArray(4, 0));
        set.direction = proto::DirSet;
        QVERIFY(!r.apply(set));
        QCOMPARE(r.known, 0u);

        QVERIFY(r.apply(report(3, 5, 4, QByteArray("\xF6\xEC\x00\x00\x0A\x0A\x80\x7F", 8))));
        QCOMPARE(r.inReduction[0], 10);   // in -10, out -20
        QCOMPARE(r.inReduction[3], -255); // -128 - 127, not wrapped
        QVERIFY(r.apply(report(2, 2, 16, floats(12.5f, 30.0f))));
        QCOMPARE(r.dspUsage, 12.5f);
        QVERIFY(r.apply(report(2, 2, 2, "\x02\x01\x05")));
        QCOMPARE(r.arm, QString("V2.1.5"));
        QCOMPARE(r.generation(), 2);
        QVERIFY(r.apply(report(3, 2, 1, QByteArray("\x00\x01\x00\x07", 4))));
        QCOMPARE(r.gateOpen[1], true);
        QCOMPARE(r.gateOpen[3], true);
        r.forgetMeters();
        QVERIFY(!r.has(Readings::DspLoad) && !r.has(Readings::GateOpen));
        QVERIFY(r.has(Readings::ArmVersion));
    }

    void labelValuesAreEscaped()
    {
        QCOMPARE(escapeLabel("DAP\"408\\x\ny"), QByteArray("DAP\\\"408\\\\x\\ny"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeLink)
#include "tst_bridgelink.moc"
