// dapctl reaches every block through the description: set then get, presets, lock states,
// the second generation's delays and the description itself, against dapsim on loopback.
#include "dapctlrun.h"

#include "support/frameclient.h"
#include "support/simprocess.h"

#include "protocol/payload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using ctltest::Run;
using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

const QString kLockPassword = QStringLiteral("5678");

// A value at a path of keys and list indexes: "inputs/2/gain".
QJsonValue at(QJsonValue v, const QString &path)
{
    for (const QString &part : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int i = part.toInt(&isIndex);
        v = isIndex ? v.toArray().at(i) : v.toObject().value(part);
    }
    return v;
}

QJsonValue json(const Run &r)
{
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

} // namespace

class TestDapctlModel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    quint16 m_announcePort = 0;

    Run dapctl(const QStringList &args)
    {
        return ctltest::runDapctl(args, m_dir.path(), m_announcePort, QStringLiteral("1234"));
    }
    QStringList simArguments(const QString &address, QStringList extra = {}) const
    {
        return QStringList{"--address",       address,       "--password", "1234",
                           "--lock-password", kLockPassword, "--verbose"} +
               extra;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { m_announcePort = ctltest::freeUdpPort(); }

    // One field of every block: what set sends, get then reads from the processor.
    void setThenGetEveryBlock_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *tag, QStringList set, const char *path, QVariant v) {
            QTest::newRow(tag) << set << QString::fromLatin1(path) << v;
        };
        row("in-level", {"in-level", "2", "invert", "on"}, "invert", true);
        row("gate", {"gate", "3", "threshold", "-40"}, "threshold", -40);
        row("feedback", {"feedback", "4", "enable", "on"}, "enable", true);
        row("in-filter", {"in-filter", "2", "band3.frequency", "250"}, "band3.frequency", 250);
        row("in-limiter", {"in-limiter", "1", "threshold", "-7.25"}, "threshold", -7.25);
        row("in-delay", {"in-delay", "3", "delay", "12.34"}, "delay", 12.34);
        row("mixer", {"mixer", "5", "gain3", "-12"}, "inputs/2/gain", -12);
        row("generator", {"generator", "-", "waveform", "white-noise"}, "waveform", "white-noise");
        row("generator frequency as typed", {"generator", "-", "frequency", "440.7"}, "frequency",
            440.7);
        row("out-level", {"out-level", "7", "group", "3"}, "group", 3);
        row("out-filter", {"out-filter", "8", "high-pass.slope", "-24dB/oct"}, "high-pass.slope",
            "-24dB/oct");
        row("out-limiter", {"out-limiter", "6", "ratio", "10"}, "ratio", 10);
        row("out-delay", {"out-delay", "1", "delay", "218.5"}, "delay", 218.5);
        row("settings", {"settings", "-", "description", "Rack 3"}, "description", "Rack 3");
        row("settings label", {"settings", "6", "out-label", "Sub L"}, "out-label", "Sub L");
        row("security", {"security", "4", "in-delay", "hidden"}, "in-delay", "hidden");
        row("security filter band", {"security", "2", "out-filter.band16", "read-only"},
            "out-filter.band16", "read-only");
        row("presets", {"presets", "7", "name", "Late"}, "name", "Late");
    }
    void setThenGetEveryBlock()
    {
        QFETCH(QStringList, set);
        QFETCH(QString, path);
        QFETCH(QVariant, expected);
        SimProcess sim(simArguments(QStringLiteral("127.0.0.160")));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QStringList lock{"--lock-password", kLockPassword};
        const Run s =
            dapctl(QStringList{"set", "127.0.0.160"} + set + lock + QStringList{"--json"});
        QVERIFY2(s.exitCode == 0, qPrintable(s.err));
        const Run g = dapctl({"get", "127.0.0.160", set.at(0), set.at(1), "--json"});
        QVERIFY2(g.exitCode == 0, qPrintable(g.err));
        QCOMPARE(at(json(g), path).toVariant(), expected);
        // set prints what it reads back.
        QCOMPARE(at(json(s), path).toVariant(), expected);
    }

    // A block set sends back what the processor holds: a ratio of 2.5 and an attack of 33.3
    // (values no control shows) survive a threshold change, and the threshold goes as typed.
    void blockSetKeepsTheReportedValues()
    {
        // No login password, so that the raw client may speak at once.
        SimProcess sim({"--address", "127.0.0.161"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        FrameClient raw;
        QVERIFY(raw.connectTo(QHostAddress(QStringLiteral("127.0.0.161"))));
        proto::PayloadWriter w;
        w.u8(1).u8(1).f32(-3.0f).f32(2.5f).f32(33.3f).f32(500.0f);
        raw.send(3, 5, 1, 1, w.data());
        QVERIFY(raw.request(3, 5, 1, QByteArray(1, 1)));
        const Run s = dapctl({"set", "127.0.0.161", "in-limiter", "2", "threshold", "-7.25"});
        QVERIFY2(s.exitCode == 0, qPrintable(s.err));
        const Run g = dapctl({"get", "127.0.0.161", "in-limiter", "2", "--json"});
        const QJsonObject o = json(g).toObject();
        QCOMPARE(o.value("threshold").toDouble(), -7.25);
        QCOMPARE(o.value("ratio").toDouble(), 2.5);
        QCOMPARE(o.value("attack").toDouble(), 33.3);
        QCOMPARE(o.value("decay").toDouble(), 500.0);
        QCOMPARE(o.value("enable").toBool(), true);
    }

    void presets()
    {
        SimProcess sim(simArguments(QStringLiteral("127.0.0.162")));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QCOMPARE(dapctl({"set", "127.0.0.162", "out-level", "1", "gain", "-20"}).exitCode, 0);
        const Run stored = dapctl({"preset", "127.0.0.162", "store", "3", "Show A", "--json"});
        QVERIFY2(stored.exitCode == 0, qPrintable(stored.err));
        QCOMPARE(json(stored).toObject().value("name").toString(), QStringLiteral("Show A"));
        QCOMPARE(dapctl({"set", "127.0.0.162", "out-level", "1", "gain", "0"}).exitCode, 0);

        const Run recalled = dapctl({"preset", "127.0.0.162", "recall", "3"});
        QVERIFY2(recalled.exitCode == 0, qPrintable(recalled.err));
        QVERIFY2(recalled.out.contains(" 3 * Show A"), qPrintable(recalled.out));
        const Run gain = dapctl({"get", "127.0.0.162", "out-level", "1", "--json"});
        QCOMPARE(json(gain).toObject().value("gain").toDouble(), -20.0);

        const Run list = dapctl({"preset", "127.0.0.162", "list", "--json"});
        QCOMPARE(list.exitCode, 0);
        const QJsonObject slotList = json(list).toObject();
        QCOMPARE(slotList.value("current").toInt(), 3);
        QCOMPARE(slotList.value("slots").toArray().size(), 32);
        QCOMPARE(at(slotList, "slots/2/used").toBool(), true);
        QCOMPARE(at(slotList, "slots/3/used").toBool(), false);

        const Run empty = dapctl({"preset", "127.0.0.162", "recall", "9"});
        QCOMPARE(empty.exitCode, 1);
        QVERIFY2(empty.err.contains("slot 9 is empty"), qPrintable(empty.err));
    }

    // Refused before anything but the login reaches the processor.
    void refusedSets_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a waveform")
            << QStringList{"generator", "-", "waveform", "square"} << 2 << "one of pink-noise";
        QTest::newRow("a crosspoint gain is whole")
            << QStringList{"mixer", "1", "gain1", "-10.5"} << 2 << "whole number";
        QTest::newRow("band 17") << QStringList{"in-filter", "1", "band17.gain", "1"} << 2
                                 << "has no field";
        QTest::newRow("a meter is only reported")
            << QStringList{"in-level", "1", "meter", "0"} << 2 << "only reported";
        QTest::newRow("label of 17 bytes")
            << QStringList{"settings", "1", "in-label", "ABCDEFGHIJKLMNOPQ"} << 2 << "at most 16";
        QTest::newRow("lock state without the lock password")
            << QStringList{"security", "1", "gate", "hidden"} << 2 << "lock password";
        QTest::newRow("wrong lock password")
            << QStringList{"security", "1", "gate", "hidden", "--lock-password", "1111"} << 3
            << "lock password refused";
    }
    void refusedSets()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        SimProcess sim(simArguments(QStringLiteral("127.0.0.163")));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run r = dapctl(QStringList{"set", "127.0.0.163"} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QTest::qWait(100);
        // No set reached the processor but the login and the page access.
        for (const QString &line : sim.errorText().split(QLatin1Char('\n'))) {
            const bool set = line.contains("recv") && line.contains("dir 01");
            QVERIFY2(!set || line.contains("class 2 type 1 ") ||
                         line.contains("class 2 type 5 code 1 "),
                     qPrintable(line));
        }
        const Run g = dapctl({"get", "127.0.0.163", "security", "1", "--json"});
        QCOMPARE(json(g).toObject().value("gate").toString(), QStringLiteral("free"));
    }

    // A second-generation processor: output delays to 218 / 148 ms in even hundredths, no
    // input delays.
    void secondGeneration()
    {
        SimProcess sim(simArguments(QStringLiteral("127.0.0.164"), {"--generation", "2"}));
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const Run over = dapctl({"set", "127.0.0.164", "out-delay", "6", "delay", "150"});
        QCOMPARE(over.exitCode, 2);
        QVERIFY2(over.err.contains("from 0 to 148 ms"), qPrintable(over.err));
        QCOMPARE(dapctl({"set", "127.0.0.164", "out-delay", "2", "delay", "218"}).exitCode, 0);
        const Run odd = dapctl({"set", "127.0.0.164", "out-delay", "5", "delay", "1.23", "--json"});
        QVERIFY2(odd.exitCode == 0, qPrintable(odd.err));
        QCOMPARE(json(odd).toObject().value("delay").toDouble(), 1.24);
        const Run g = dapctl({"get", "127.0.0.164", "out-delay", "2", "--json"});
        QCOMPARE(json(g).toObject().value("delay").toDouble(), 218.0);
        const Run in = dapctl({"get", "127.0.0.164", "in-delay"});
        QCOMPARE(in.exitCode, 2);
        QVERIFY2(in.err.contains("no in-delay block"), qPrintable(in.err));
        // The first generation takes the full range.
        SimProcess first(simArguments(QStringLiteral("127.0.0.165")));
        QVERIFY2(first.start(), qPrintable(first.errorText()));
        QCOMPARE(dapctl({"set", "127.0.0.165", "out-delay", "6", "delay", "150"}).exitCode, 0);
    }

    // The description needs no processor; help and validation come from the same tables.
    void describe()
    {
        const Run r = dapctl({"describe", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray blocks = json(r).toObject().value("blocks").toArray();
        QStringList names;
        for (const QJsonValue &b : blocks) {
            const QJsonObject o = b.toObject();
            names << o.value("name").toString();
            QVERIFY(o.contains("channels"));
            QVERIFY(o.contains("frame_class") && o.contains("frame_type"));
            QVERIFY(!o.value("fields").toArray().isEmpty());
            for (const QJsonValue &f : o.value("fields").toArray()) {
                const QJsonObject field = f.toObject();
                QVERIFY(field.contains("name") && field.contains("type") &&
                        field.contains("code") && field.contains("offset") &&
                        field.contains("encoding") && field.contains("report_length"));
                QVERIFY(field.contains("values") || field.contains("max") ||
                        field.contains("max_length"));
            }
        }
        QCOMPARE(names,
                 (QStringList{"in-level", "gate", "feedback", "in-filter", "in-limiter", "in-delay",
                              "mixer", "generator", "out-level", "out-filter", "out-limiter",
                              "out-delay", "settings", "security", "presets"}));
        const Run text = dapctl({"describe"});
        QCOMPARE(text.exitCode, 0);
        QVERIFY(text.out.contains("band3.frequency") || text.out.contains("bandN.frequency"));
        const Run help = dapctl({"--help"});
        QVERIFY(help.out.contains("out-filter.bandN"));
    }
};

QTEST_GUILESS_MAIN(TestDapctlModel)
#include "tst_dapctlmodel.moc"
