// dapctl against three simulated processors on loopback.
#include "dapctlrun.h"

#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

using ctltest::freeUdpPort;
using ctltest::Run;

QStringList simArguments(const QString &first, quint16 announcePort, QStringList extra = {})
{
    return QStringList{"--address",  first,
                       "--count",    "3",
                       "--password", "1234",
                       "--announce", QStringLiteral("127.0.0.1:%1").arg(announcePort)} +
           extra;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A valid ARM image: the header, then 3 KiB and a bit of anything.
QString writeArmImage(const QString &dir)
{
    QByteArray image("\x7F\x8C\x20", 3);
    for (int i = 0; image.size() < 3200; ++i)
        image.append(char(i * 7));
    const QString path = dir + QStringLiteral("/arm.sbin");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
        return {};
    return path;
}

int countLines(const QString &text, const QString &part)
{
    int n = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        n += line.contains(part) ? 1 : 0;
    return n;
}

} // namespace

class TestDapctl : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    quint16 m_announcePort = 0;

    // Runs dapctl in the temporary folder with the test's announcement port and database.
    Run dapctl(QStringList args, const QString &password = QStringLiteral("1234"))
    {
        return ctltest::runDapctl(std::move(args), m_dir.path(), m_announcePort, password);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(QStringLiteral(DAP_BIN_DIR "/dapctl")));
    }

    void init() { m_announcePort = freeUdpPort(); }

    void listFindsThree()
    {
        SimProcess sim(simArguments("127.0.0.120", m_announcePort));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run r = dapctl({"list", "--json", "--wait", "2.5"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(rows.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject o = rows.at(i).toObject();
            QCOMPARE(o.value("address").toString(), QStringLiteral("127.0.0.%1").arg(120 + i));
            QCOMPARE(o.value("machineId").toInteger(), 1120 + i);
            QCOMPARE(o.value("model").toString(), QStringLiteral("DAP408"));
            QCOMPARE(o.value("state").toString(), QStringLiteral("online"));
        }

        // Once the processors are gone the database still knows them.
        sim.stop();
        const Run stored = dapctl({"list", "--json", "--wait", "0.2"});
        QCOMPARE(stored.exitCode, 0);
        const QJsonArray rows2 = QJsonDocument::fromJson(stored.out.toUtf8()).array();
        QCOMPARE(rows2.size(), 3);
        QCOMPARE(rows2.at(1).toObject().value("state").toString(), QStringLiteral("stored"));
    }

    // What set sends is what get then reads: each block's own encoding, against the peer.
    void setThenGet_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("expected");
        QTest::newRow("input gain")
            << QStringList{"in-level", "2", "gain", "-6.5"} << "gain" << -6.5;
        QTest::newRow("output delay, in hundredths")
            << QStringList{"out-delay", "8", "delay", "1500.004"} << "delay" << 1500.0;
        QTest::newRow("limiter threshold, as typed")
            << QStringList{"out-limiter", "3", "threshold", "-12.34"} << "threshold" << -12.34;
    }
    void setThenGet()
    {
        QFETCH(QStringList, set);
        QFETCH(QString, key);
        QFETCH(double, expected);
        SimProcess sim(simArguments("127.0.0.125", m_announcePort));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run s = dapctl(QStringList{"set", "127.0.0.126"} + set);
        QVERIFY2(s.exitCode == 0, qPrintable(s.err));
        const Run g = dapctl({"get", "127.0.0.126", set.at(0), set.at(1), "--json"});
        QVERIFY2(g.exitCode == 0, qPrintable(g.err));
        const QJsonObject o = QJsonDocument::fromJson(g.out.toUtf8()).object();
        QCOMPARE(o.value(key).toDouble(), expected);
        // The neighbour channel and processor are untouched.
        const Run other = dapctl({"get", "127.0.0.125", set.at(0), set.at(1), "--json"});
        QVERIFY(QJsonDocument::fromJson(other.out.toUtf8()).object().value(key).toDouble() !=
                expected);
    }

    void mixerCrosspoint()
    {
        SimProcess sim(simArguments("127.0.0.125", m_announcePort));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QCOMPARE(dapctl({"set", "127.0.0.125", "mixer", "3", "gain2", "-10"}).exitCode, 0);
        QCOMPARE(dapctl({"set", "127.0.0.125", "mixer", "3", "on4", "on"}).exitCode, 0);
        const Run g = dapctl({"get", "127.0.0.125", "mixer", "3", "--json"});
        const QJsonArray inputs =
            QJsonDocument::fromJson(g.out.toUtf8()).object().value("inputs").toArray();
        QCOMPARE(inputs.size(), 4);
        QCOMPARE(inputs.at(1).toObject().value("gain").toInt(), -10);
        QCOMPARE(inputs.at(0).toObject().value("gain").toInt(), 0);
        QCOMPARE(inputs.at(3).toObject().value("on").toBool(), true);
    }

    void backupRestoreIsByteExact()
    {
        SimProcess sim(simArguments("127.0.0.130", m_announcePort));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QString first = m_dir.filePath("first");
        const Run b = dapctl({"backup", "--all", first, "--wait", "2.5"});
        QVERIFY2(b.exitCode == 0, qPrintable(b.err));
        for (int id : {1130, 1131, 1132}) {
            const QString folder = QStringLiteral("%1/%2").arg(first).arg(id);
            QVERIFY(readAll(folder + "/presets.pst").size() > 1024);
            const QJsonObject settings =
                QJsonDocument::fromJson(readAll(folder + "/settings.json")).object();
            QCOMPARE(settings.value("machineId").toInteger(), id);
            QCOMPARE(settings.value("model").toString(), QStringLiteral("DAP408"));
        }

        // The second processor's presets and location change after the backup.
        QCOMPARE(dapctl({"set", "127.0.0.131", "out-level", "1", "gain", "-20"}).exitCode, 0);
        FrameClient c;
        QVERIFY(c.connectTo(QHostAddress("127.0.0.131")));
        c.send(2, 1, 1, 1, "1234");
        QVERIFY(c.waitForReport(2, 1, 1));
        c.send(3, 32, 2, 1, QByteArray(1, 0)); // store the current values in slot 1
        c.send(2, 2, 10, 1, "Moved");
        QVERIFY(c.request(3, 32, 1)); // the slot list: both sets were taken
        c.disconnectFromHost();
        const QString changed = m_dir.filePath("changed");
        QCOMPARE(dapctl({"backup", "127.0.0.131", changed}).exitCode, 0);
        QVERIFY(readAll(changed + "/1131/presets.pst") != readAll(first + "/1131/presets.pst"));

        const Run r = dapctl({"restore", "--all", first, "--wait", "2.5"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString second = m_dir.filePath("second");
        QCOMPARE(dapctl({"backup", "--all", second, "--wait", "2.5"}).exitCode, 0);
        for (int id : {1130, 1131, 1132}) {
            const QString name = QStringLiteral("/%1/presets.pst").arg(id);
            QCOMPARE(readAll(second + name), readAll(first + name));
        }
        const QJsonObject back =
            QJsonDocument::fromJson(readAll(second + "/1131/settings.json")).object();
        QCOMPARE(back.value("location").toString(),
                 QJsonDocument::fromJson(readAll(first + "/1131/settings.json"))
                     .object()
                     .value("location")
                     .toString());
    }

    // The middle processor refuses or stalls: the others are done, the exit is 1, and a
    // rerun tries only the failed one.
    void firmwareOverThree_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << "refuse@1"
                                 << "closed the connection";
        QTest::newRow("stalled") << "stall@1"
                                 << "stopped answering";
    }
    void firmwareOverThree()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const QString image = writeArmImage(m_dir.path());
        QVERIFY(!image.isEmpty());
        const QString log = m_dir.filePath(QStringLiteral("fw-%1.log").arg(fault));
        const QStringList args{"firmware", "--arm",     image, "--all", "--wait",
                               "2.5",      "--timeout", "1",   "--log", log};
        {
            SimProcess sim(simArguments("127.0.0.135", m_announcePort, {"--firmware-fail", fault}));
            QVERIFY2(sim.start(), qPrintable(sim.errorText()));
            const Run r = dapctl(args);
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(countLines(r.out, " done ("), 2);
            QCOMPARE(countLines(r.out, "127.0.0.136 (1136) ARM firmware: FAILED"), 1);
            QVERIFY2(r.out.contains(reason), qPrintable(r.out));
            QVERIFY(r.out.contains("2 done, 0 skipped, 1 failed"));
        }
        QCOMPARE(countLines(QString::fromUtf8(readAll(log)), "\tdone\t"), 2);

        SimProcess healthy(simArguments("127.0.0.135", m_announcePort));
        QVERIFY2(healthy.start(), qPrintable(healthy.errorText()));
        const Run again = dapctl(args);
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QCOMPARE(countLines(again.out, "skipped, already done"), 2);
        QCOMPARE(countLines(again.out, "127.0.0.136 (1136) ARM firmware: done"), 1);
        QVERIFY(again.out.contains("1 done, 2 skipped, 0 failed"));
    }

    // Refused before anything reaches a processor: the simulator logs no Frame.
    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("channel out of range")
            << QStringList{"set", "127.0.0.140", "in-level", "5", "gain", "1"} << 2
            << "channel must be a number from 1 to 4";
        QTest::newRow("not a number")
            << QStringList{"set", "127.0.0.140", "in-level", "1", "gain", "nan"} << 2
            << "gain must be a number";
        QTest::newRow("out of range")
            << QStringList{"set", "127.0.0.140", "in-level", "1", "gain", "13"} << 2
            << "gain must be from -70 to 12";
        QTest::newRow("unknown block")
            << QStringList{"get", "127.0.0.140", "eq"} << 2 << "unknown block";
        QTest::newRow("not an address")
            << QStringList{"info", "127.0.0"} << 2 << "not a processor address";
        QTest::newRow("non-contiguous mask")
            << QStringList{"set-ip", "127.0.0.140", "127.0.0.150", "255.0.255.0"} << 2 << "mask";
        QTest::newRow("not a firmware image")
            << QStringList{"firmware", "--arm", DAP_SOURCE_DIR "/README.md", "127.0.0.140"} << 2
            << "Bad file format";
        QTest::newRow("unknown option") << QStringList{"list", "--fast"} << 2 << "unknown option";
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        SimProcess sim({"--address", "127.0.0.140", "--password", "1234", "--verbose"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run r = dapctl(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QTest::qWait(100);
        QVERIFY2(!sim.errorText().contains("recv"), qPrintable(sim.errorText()));
    }

    void unreachableOrRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown address") << "127.0.0.149"
                                         << "1234"
                                         << "cannot connect";
        QTest::newRow("wrong password") << "127.0.0.145"
                                        << "999"
                                        << "login refused";
    }
    void unreachableOrRefused()
    {
        QFETCH(QString, address);
        QFETCH(QString, password);
        QFETCH(QString, message);
        SimProcess sim({"--address", "127.0.0.145", "--password", "1234", "--verbose"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run r = dapctl({"set", address, "in-level", "1", "gain", "-3"}, password);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        // Only the login went out: no set reached the processor.
        QTest::qWait(100);
        QVERIFY2(!sim.errorText().contains("recv class 3"), qPrintable(sim.errorText()));
    }

    void setIpMovesTheProcessor()
    {
        const QString commandPort = QString::number(freeUdpPort());
        SimProcess sim({"--address", "127.0.0.155", "--password", "1234", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(m_announcePort), "--command-port",
                        commandPort});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run r = dapctl({"set-ip", "127.0.0.155", "127.0.0.156", "255.0.0.0", "127.0.0.1",
                              "--json", "--command-to", "127.0.0.1:" + commandPort});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("machineId").toInteger(), 1155);
        QCOMPARE(o.value("confirmed").toBool(), true);
    }
};

QTEST_GUILESS_MAIN(TestDapctl)
#include "tst_dapctl.moc"
