// dapctl against three simulated processors on loopback.
#include "dapctlrun.h"

#include "protocol/firmwarelock.h"
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
        // The firmware locks of this run, for the test and every dapctl it starts.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
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

    // The window listens on the announcement port too: list shares it. A port another
    // program holds alone is an error, not an empty list.
    void listBesideAnotherListener()
    {
        QUdpSocket window;
        QVERIFY(window.bind(QHostAddress::AnyIPv4, m_announcePort,
                            QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        // Announced as processors do, to every listener (the loopback broadcast here).
        SimProcess sim({"--address", "127.0.0.160", "--announce",
                        QStringLiteral("127.255.255.255:%1").arg(m_announcePort)});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run shared = dapctl({"list", "--json", "--wait", "1.5"});
        QVERIFY2(shared.exitCode == 0, qPrintable(shared.err));
        QStringList online; // the database may know processors of earlier cases
        for (const QJsonValue &row : QJsonDocument::fromJson(shared.out.toUtf8()).array())
            if (row.toObject().value("state").toString() == QLatin1String("online"))
                online << row.toObject().value("address").toString();
        QCOMPARE(online, QStringList{"127.0.0.160"});
        QVERIFY(window.hasPendingDatagrams());

        window.close();
        QVERIFY(window.bind(QHostAddress::AnyIPv4, m_announcePort, QUdpSocket::DontShareAddress));
        const Run alone = dapctl({"list", "--wait", "0.2"});
        QCOMPARE(alone.exitCode, 3);
        QVERIFY2(alone.err.contains(QStringLiteral("cannot listen for announcements on UDP port %1")
                                        .arg(m_announcePort)),
                 qPrintable(alone.err));
        QVERIFY2(!alone.out.contains("MODEL"), qPrintable(alone.out));
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

    // The machine id is a number in every result, and null when nothing gave it.
    void firmwareSaysTheMachineIdAsANumber()
    {
        const QString image = writeArmImage(m_dir.path());
        const QString log = m_dir.filePath(QStringLiteral("fw-ids.log"));
        // 127.0.0.161 announces itself to nobody dapctl hears, and no row has it.
        SimProcess heard({"--address", "127.0.0.160", "--password", "1234", "--announce",
                          QStringLiteral("127.0.0.1:%1").arg(m_announcePort)});
        SimProcess silent({"--address", "127.0.0.161", "--password", "1234"});
        QVERIFY2(heard.start() && silent.start(),
                 qPrintable(heard.errorText() + silent.errorText()));
        const Run r = dapctl({"firmware", "--arm", image, "127.0.0.160", "127.0.0.161", "--json",
                              "--wait", "2.5", "--log", log});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QJsonArray results =
            QJsonDocument::fromJson(r.out.toUtf8()).object().value("results").toArray();
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].toObject().value("machineId"), QJsonValue(1160));
        QCOMPARE(results[1].toObject().value("machineId"), QJsonValue(QJsonValue::Null));
        QVERIFY2(r.err.contains("127.0.0.161 (machine id unknown)"), qPrintable(r.err));
        QCOMPARE(countLines(QString::fromUtf8(readAll(log)), "\tunknown\t127.0.0.161\t"), 1);

        // A rerun skips both, the unknown one by its address.
        const Run again = dapctl({"firmware", "--arm", image, "127.0.0.160", "127.0.0.161",
                                  "--wait", "2.5", "--log", log});
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(countLines(again.out, "skipped, already done"), 2);
    }

    // A processor that is being upgraded elsewhere is left alone: the lock the window takes
    // too makes this run refuse it, and the next processor goes on.
    void firmwareOfAProcessorBeingUpgradedIsRefused()
    {
        const QString image = writeArmImage(m_dir.path());
        SimProcess sim(simArguments("127.0.0.162", m_announcePort, {"--verbose"}));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        proto::FirmwareLock held(1163, 0);
        QVERIFY(held.tryLock());
        const Run r = dapctl({"firmware", "--arm", image, "127.0.0.162", "127.0.0.163", "--wait",
                              "2.5", "--log", m_dir.filePath("fw-lock.log")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.contains("127.0.0.163 (1163) ARM firmware: FAILED: another firmware "
                                "upgrade of this processor is running"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("1 done, 0 skipped, 1 failed"));
        QVERIFY(!sim.waitForLine("127.0.0.162 ARM image received").isEmpty());
        QVERIFY(sim.lines().filter("127.0.0.163 ARM image").isEmpty());
    }

    // Checked whole before the processor is touched: it never sees a connection.
    void restoreRefusesABadBackupFirst_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<qint64>("presetSize");
        QTest::addColumn<QString>("message");
        const QByteArray ok("{\"location\": \"Hall\"}");
        QTest::newRow("5000-character location")
            << "{\"location\": \"" + QByteArray(5000, 'L') + "\"}" << qint64(2048)
            << "location \"LLLL";
        QTest::newRow("label not a text") << QByteArray("{\"outputLabels\": [\"Main\", 7]}")
                                          << qint64(2048) << "outputLabels 2 must be a text";
        QTest::newRow("panel lock not a flag")
            << QByteArray("{\"panelLock\": \"yes\"}") << qint64(2048) << "panelLock";
        QTest::newRow("preset file beyond any valid one")
            << ok << qint64(4 * 1024 * 1024 + 1) << "larger than 4194304 bytes";
    }
    void restoreRefusesABadBackupFirst()
    {
        QFETCH(QByteArray, settings);
        QFETCH(qint64, presetSize);
        QFETCH(QString, message);
        SimProcess sim({"--address", "127.0.0.165", "--password", "1234", "--verbose", "--announce",
                        QStringLiteral("127.0.0.1:%1").arg(m_announcePort)});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QString dir = m_dir.filePath(QStringLiteral("bad-%1").arg(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(dir + "/1165"));
        QFile presets(dir + "/1165/presets.pst");
        QVERIFY(presets.open(QIODevice::WriteOnly) && presets.resize(presetSize));
        presets.close();
        QFile json(dir + "/1165/settings.json");
        QVERIFY(json.open(QIODevice::WriteOnly) && json.write(settings) == settings.size());
        json.close();
        const Run r = dapctl({"restore", "127.0.0.165", dir, "--wait", "2.5"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY2(r.err.size() < 1000, qPrintable(r.err)); // the long text is not echoed whole
        QTest::qWait(100);
        QVERIFY2(!sim.errorText().contains("recv"), qPrintable(sim.errorText()));
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
                              "--json", "--command-to", "127.0.0.155:" + commandPort});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("machineId").toInteger(), 1155);
        QCOMPARE(o.value("confirmed").toBool(), true);
    }

    // The address of another known processor: refused with exit 2 and nothing sent, unless
    // --force.
    void setIpRefusesAnAddressInUse()
    {
        const QString commandPort = QString::number(freeUdpPort());
        SimProcess sim(simArguments("127.0.0.157", m_announcePort,
                                    {"--command-port", commandPort, "--verbose"}));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QStringList args{
            "set-ip", "127.0.0.157", "127.0.0.158",  "255.0.0.0",
            "--wait", "1.5",         "--command-to", "127.0.0.157:" + commandPort};
        const Run r = dapctl(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("127.0.0.158 is the address of another processor (machine id "
                                "1158, DAP408)"),
                 qPrintable(r.err));
        QTest::qWait(200);
        QVERIFY(sim.lines().filter("cannot listen").isEmpty()); // the command never came

        // Sent: the simulator cannot take the address its neighbour holds, and says so.
        const Run forced = dapctl(args + QStringList{"--force"});
        QVERIFY(!forced.err.contains("another processor"));
        QVERIFY(!sim.waitForLine("cannot listen on 127.0.0.158").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDapctl)
#include "tst_dapctl.moc"
