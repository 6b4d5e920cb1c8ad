// dapctl's rules seen from outside: its arguments, exit codes and what the simulated
// processors receive (their --verbose log of every Frame).
#include "../support/reduceddelays.h"
#include "dapctlrun.h"
#include "protocol/payload.h"
#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

using ctltest::freeUdpPort;
using ctltest::Run;

// Lines of the simulator's Frame log that contain part.
int logged(SimProcess &sim, const QString &part)
{
    QTest::qWait(100); // the log arrives through the event loop
    return int(sim.errorText().count(part));
}

// An ARM image of size bytes: the header, then a pattern that seed makes its own.
QByteArray armImage(int size, int seed)
{
    QByteArray image("\x7F\x8C\x20", 3);
    for (int i = 0; image.size() < size; ++i)
        image.append(char(i * seed + seed));
    return image;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Logs in to a simulator as a second client, to set and read values behind dapctl's back.
bool logIn(FrameClient &c, const QString &address)
{
    if (!c.connectTo(QHostAddress(address)))
        return false;
    c.send(2, 1, 1, 1, "1234");
    return c.waitForReport(2, 1, 1).has_value();
}

} // namespace

class TestDapctlRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    quint16 m_announcePort = 0;

    Run dapctl(const QStringList &args)
    {
        return ctltest::runDapctl(args, m_dir.path(), m_announcePort, QStringLiteral("1234"));
    }

    QJsonObject getJson(const QString &address, const QString &block, int channel)
    {
        const Run g = dapctl({"get", address, block, QString::number(channel), "--json"});
        return QJsonDocument::fromJson(g.out.toUtf8()).object();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(QStringLiteral(DAP_BIN_DIR "/dapctl")));
    }

    void init() { m_announcePort = freeUdpPort(); }

    // A second-generation processor: each output takes its group's limit and refuses the
    // next hundredth, leaving the processor as it was.
    void reducedDelayLimitPerOutput_data() { testsupport::addReducedDelayRows(); }
    void reducedDelayLimitPerOutput()
    {
        QFETCH(int, output);
        QFETCH(double, limit);
        const QString address = QStringLiteral("127.0.0.%1").arg(160 + output);
        SimProcess sim(
            {"--address", address, "--generation", "2", "--password", "1234", "--verbose"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QString ch = QString::number(output);

        const Run ok =
            dapctl({"set", address, "out-delay", ch, "delay", QString::number(limit), "--json"});
        QVERIFY2(ok.exitCode == 0, qPrintable(ok.err));
        QCOMPARE(QJsonDocument::fromJson(ok.out.toUtf8()).object().value("delay").toDouble(),
                 limit);

        const QString setLine = QStringLiteral("recv class 3 type 12 code 1 dir 01");
        const int setsBefore = logged(sim, setLine);
        QCOMPARE(setsBefore, 1);
        const Run over =
            dapctl({"set", address, "out-delay", ch, "delay", QString::number(limit + 0.01)});
        QCOMPARE(over.exitCode, 2);
        QVERIFY2(over.err.contains(QStringLiteral("from 0 to %1 ms").arg(limit)),
                 qPrintable(over.err));
        QCOMPARE(logged(sim, setLine), setsBefore);
        QCOMPARE(getJson(address, "out-delay", output).value("delay").toDouble(), limit);
    }

    // A set of the threshold sends back the other fields exactly as the processor reported
    // them, fractions a panel would cut or round included.
    void limiterSetKeepsTheReportedFields_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("channel"); // from 1
        for (int ch = 1; ch <= 4; ++ch)
            QTest::addRow("in-limiter %d", ch) << "in-limiter" << 5 << ch;
        for (int ch = 1; ch <= 8; ++ch)
            QTest::addRow("out-limiter %d", ch) << "out-limiter" << 11 << ch;
    }
    void limiterSetKeepsTheReportedFields()
    {
        QFETCH(QString, block);
        QFETCH(int, module);
        QFETCH(int, channel);
        const QString address = QStringLiteral("127.0.0.170");
        SimProcess sim({"--address", address, "--password", "1234", "--verbose"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));

        // On, -12.34 dBu, 1:2.5, 33.7 ms, 999.9 ms, each a little apart per channel.
        const quint8 wire = quint8(channel - 1);
        const float shift = float(channel) / 8.0f;
        QByteArray odd = QByteArray(1, char(wire)) + '\x01';
        odd += proto::PayloadWriter()
                   .f32(-12.34f - shift)
                   .f32(2.5f + shift)
                   .f32(33.7f + shift)
                   .f32(999.9f - shift)
                   .data();
        FrameClient c;
        QVERIFY(logIn(c, address));
        c.send(3, quint8(module), 1, 1, odd);
        const auto reported = c.request(3, quint8(module), 1, QByteArray(1, char(wire)));
        QVERIFY(reported);
        QCOMPARE(reported->payload, odd); // the processor holds the values as sent

        const Run r = dapctl({"set", address, block, QString::number(channel), "threshold", "-6"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QByteArray expected = reported->payload;
        expected.replace(2, 4, QByteArray::fromHex("0000c0c0")); // -6.0
        const QString line = QStringLiteral("recv class 3 type %1 code 1 dir 01 len 18: %2")
                                 .arg(module)
                                 .arg(QString::fromLatin1(expected.toHex(' ')));
        QVERIFY2(logged(sim, line) == 1, qPrintable(line + "\n" + sim.errorText()));
    }

    // The log is kept per image: another image upgrades everyone again, a rerun with it
    // skips them all.
    void firmwareLogFollowsTheImage()
    {
        const QByteArray first = armImage(3200, 7);
        const QByteArray second = armImage(4300, 11);
        const QString firstPath = m_dir.filePath("first.sbin");
        const QString secondPath = m_dir.filePath("second.sbin");
        QVERIFY(writeFile(firstPath, first) && writeFile(secondPath, second));
        const QString log = m_dir.filePath("firmware.log");
        const auto run = [&](const QString &image) {
            return dapctl({"firmware", "--arm", image, "--all", "--wait", "2.5", "--log", log});
        };
        SimProcess sim({"--address", "127.0.0.175", "--count", "3", "--password", "1234",
                        "--announce", QStringLiteral("127.0.0.1:%1").arg(m_announcePort)});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const auto received = [&](const QByteArray &image) {
            QTest::qWait(100);
            int n = 0;
            for (int i = 0; i < 3; ++i) {
                const QString line = QStringLiteral("dapsim: 127.0.0.%1 ARM image received, %2 "
                                                    "bytes; sha256 %3")
                                         .arg(175 + i)
                                         .arg(image.size())
                                         .arg(sha256(image));
                for (const QString &l : sim.lines())
                    n += l.contains(line) ? 1 : 0;
            }
            return n;
        };

        const Run a = run(firstPath);
        QVERIFY2(a.exitCode == 0, qPrintable(a.out + a.err));
        QVERIFY2(a.out.contains("3 done, 0 skipped, 0 failed"), qPrintable(a.out));
        QCOMPARE(received(first), 3);

        const Run b = run(secondPath);
        QVERIFY2(b.exitCode == 0, qPrintable(b.out + b.err));
        QVERIFY2(b.out.contains("3 done, 0 skipped, 0 failed"), qPrintable(b.out));
        QCOMPARE(received(second), 3);

        const Run again = run(secondPath);
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QVERIFY2(again.out.contains("0 done, 3 skipped, 0 failed"), qPrintable(again.out));
        QCOMPARE(received(second), 3);
        QCOMPARE(received(first), 3);
    }
};

QTEST_GUILESS_MAIN(TestDapctlRules)
#include "tst_dapctlrules.moc"
