// The simulator as the control program meets it: every request answered with the report
// layout and length of its message, sets applied, linked groups, meters, presets.
#include "support/frameclient.h"
#include "support/simprocess.h"

#include "protocol/payload.h"

#include <QTest>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const QHostAddress kAddress(QStringLiteral("127.0.0.10"));

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

float f32At(const QByteArray &p, int offset)
{
    return proto::bitsFloat(proto::getU32(reinterpret_cast<const uchar *>(p.constData()) + offset));
}
} // namespace

class TestSimProtocol : public QObject {
    Q_OBJECT

    SimProcess m_sim{{QStringLiteral("--address"), kAddress.toString()}};
    FrameClient m_client;

    std::optional<proto::Frame> ask(int cls, int type, int code, const QByteArray &payload = {})
    {
        return m_client.request(quint8(cls), quint8(type), quint8(code), payload);
    }
    void set(int cls, int type, int code, const QByteArray &payload)
    {
        m_client.send(quint8(cls), quint8(type), quint8(code), proto::DirSet, payload);
    }
    qint8 meter(int module, int ch)
    {
        const auto r = ask(3, module, 1);
        return r ? qint8(r->payload.at(ch)) : qint8(127);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorText()));
        QVERIFY(m_client.connectTo(kAddress));
        // Without a password the processor logs the connection in at once.
        const auto login = m_client.waitForReport(2, 1, 1);
        QVERIFY(login);
        QCOMPARE(login->payload, hex("01"));
    }

    void init()
    {
        // Factory reset, then a request to be sure it was applied.
        set(2, 2, 17, {});
        QVERIFY(ask(2, 2, 1));
        m_client.received().clear();
    }

    void everyRequestIsAnswered_data()
    {
        QTest::addColumn<int>("cls");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("length");
        const auto row = [](const char *name, int cls, int type, int code, QByteArray payload,
                            int length) {
            QTest::newRow(name) << cls << type << code << payload << length;
        };
        row("login state", 2, 1, 1, {}, 1);
        row("model", 2, 2, 1, {}, 7); // "DAP408" and its NUL
        row("arm version", 2, 2, 2, {}, 3);
        row("dsp version", 2, 2, 3, {}, 3);
        row("serial", 2, 2, 4, {}, 12);
        row("channel config", 2, 2, 5, {}, 2);
        row("run time", 2, 2, 6, {}, 4);
        row("total time", 2, 2, 7, {}, 4);
        row("boot count", 2, 2, 8, {}, 4);
        row("cpu temperature", 2, 2, 9, {}, 4);
        row("location", 2, 2, 10, {}, 7); // "Rack 1"
        row("description", 2, 2, 11, {}, 10); // "Simulated"
        row("network", 2, 2, 12, {}, 12);
        row("fault bits", 2, 2, 13, {}, 1);
        row("all mute", 2, 2, 15, {}, 1);
        row("dsp load", 2, 2, 16, {}, 8);
        row("panel lock", 2, 2, 20, {}, 1);
        row("input labels", 2, 3, 1, {}, 64);
        row("output labels", 2, 3, 2, {}, 128);
        row("device code", 2, 4, 1, {}, 6);
        row("security access", 2, 5, 1, {}, 1);
        for (int item : {3, 4, 5, 7, 8})
            row(qPrintable(QStringLiteral("security item %1").arg(item)), 2, 5, item, {}, 4);
        for (int item : {9, 10, 11, 13, 14})
            row(qPrintable(QStringLiteral("security item %1").arg(item)), 2, 5, item, {}, 8);
        row("security input filter", 2, 5, 6, hex("03"), 20);
        row("security output filter", 2, 5, 12, hex("07"), 20);
        for (int module : {1, 9}) {
            const QByteArray last = module == 1 ? hex("03") : hex("07");
            const QString m = QString::number(module);
            row(qPrintable(m + " meters"), 3, module, 1, {}, module == 1 ? 4 : 8);
            row(qPrintable(m + " mute"), 3, module, 2, last, 2);
            row(qPrintable(m + " gain"), 3, module, 3, last, 5);
            row(qPrintable(m + " invert"), 3, module, 4, last, 2);
            row(qPrintable(m + " group"), 3, module, 5, last, 2);
            row(qPrintable(m + " calibration"), 3, module, 32, last, 5);
        }
        row("gate open states", 3, 2, 1, {}, 4);
        row("gate channel", 3, 2, 2, hex("03"), 14);
        row("feedback", 3, 3, 1, hex("03"), 2);
        row("in filter high-pass", 3, 4, 1, hex("03"), 8);
        row("in filter low-pass", 3, 4, 2, hex("03"), 8);
        row("in filter band 16", 3, 4, 3, hex("030f"), 13);
        row("out filter high-pass", 3, 10, 1, hex("07"), 8);
        row("out filter low-pass", 3, 10, 2, hex("07"), 8);
        row("out filter band 16", 3, 10, 3, hex("070f"), 13);
        row("in limiter", 3, 5, 1, hex("03"), 18);
        row("in limiter meters", 3, 5, 4, {}, 8);
        row("out limiter", 3, 11, 1, hex("07"), 18);
        row("out limiter meters", 3, 11, 4, {}, 16);
        row("in delay", 3, 6, 1, hex("03"), 5);
        row("out delay", 3, 12, 1, hex("07"), 5);
        row("mixer enables", 3, 7, 1, hex("07"), 5);
        row("mixer gains", 3, 7, 2, hex("07"), 5);
        row("generator routing", 3, 8, 1, hex("07"), 2);
        row("generator frequency", 3, 8, 2, {}, 4);
        row("generator source", 3, 8, 3, {}, 1);
        row("generator gain", 3, 8, 4, {}, 4);
        row("generator mute", 3, 8, 5, {}, 1);
        row("preset slot list", 3, 32, 1, {}, 545);
    }

    void everyRequestIsAnswered()
    {
        QFETCH(int, cls);
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(int, length);
        const auto r = ask(cls, type, code, payload);
        QVERIFY(r);
        QCOMPARE(int(r->frameClass), cls);
        QCOMPARE(int(r->frameType), type);
        QCOMPARE(int(r->paramCode), code);
        QCOMPARE(int(r->direction), 0x80);
        QCOMPARE(r->payload.size(), length);
    }

    void malformedRequestsGetNoAnswer_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("input channel 4") << 1 << 3 << hex("04");
        QTest::newRow("output channel 8") << 9 << 2 << hex("08");
        QTest::newRow("gain request too long") << 1 << 3 << hex("0000");
        QTest::newRow("meter request with payload") << 1 << 1 << hex("00");
        QTest::newRow("band 16") << 4 << 3 << hex("0010");
        QTest::newRow("unknown module 13") << 13 << 1 << hex("00");
        QTest::newRow("unknown level code") << 1 << 7 << hex("00");
    }

    void malformedRequestsGetNoAnswer()
    {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        m_client.send(3, quint8(type), quint8(code), proto::DirRequest, payload);
        QVERIFY(m_client.expectNothing(3, quint8(type), quint8(code)));
    }

    void setThenRequest_data()
    {
        QTest::addColumn<int>("cls");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("set");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("report");
        const auto row = [](const char *name, int cls, int type, int code, const char *set,
                            const char *request, const char *report) {
            QTest::newRow(name) << cls << type << code << hex(set) << hex(request) << hex(report);
        };
        row("input gain -6.5", 3, 1, 3, "010000d0c0", "01", "010000d0c0");
        row("input gain clamped to 12", 3, 1, 3, "020000a041", "02", "0200004041");
        row("output mute", 3, 9, 2, "0701", "07", "0701");
        row("output invert", 3, 9, 4, "0501", "05", "0501");
        row("output group 4", 3, 9, 5, "0304", "03", "0304");
        row("input group 3 refused", 3, 1, 5, "0003", "00", "0000");
        row("output calibration -3", 3, 9, 32, "06000040c0", "06", "06000040c0");
        row("gate", 3, 2, 2, "0201000020c20000c84200009643", "02",
            "0201000020c20000c84200009643");
        row("gate threshold clamped to 0", 3, 2, 2, "0101" "0000a041" "0000c842" "00009643",
            "01", "0101" "00000000" "0000c842" "00009643");
        row("feedback", 3, 3, 1, "0301", "03", "0301");
        row("in high-pass", 3, 4, 1, "010102030000f042", "01", "010102030000f042");
        row("out low-pass", 3, 10, 2, "060101010000fa44", "06",
            "060101010000fa44");
        row("out band 6", 3, 10, 3, "0305000100007a43000060c014", "0305",
            "0305000100007a43000060c014");
        row("in limiter", 3, 5, 1, "00010000" "20c1" "00008040" "00004842" "00004843", "00",
            "00010000" "20c1" "00008040" "00004842" "00004843");
        row("in delay", 3, 6, 1, "0200004841", "02", "0200004841");
        row("out delay 1500", 3, 12, 1, "070080bb44", "07", "070080bb44");
        row("mixer two inputs on", 3, 7, 1, "03000201", "03", "0301000100");
        row("mixer gain -10", 3, 7, 2, "0301f6", "03", "0300f60000");
        row("mixer gain clamped", 3, 7, 2, "040050", "04", "040c000000");
        row("generator routing", 3, 8, 1, "0401", "04", "0401");
        row("generator frequency", 3, 8, 2, "0000dc43", "", "0000dc43");
        row("generator source", 3, 8, 3, "02", "", "02");
        row("generator gain", 3, 8, 4, "000040c1", "", "000040c1");
        row("generator mute", 3, 8, 5, "01", "", "01");
        row("location", 2, 2, 10, "5374616765", "", "537461676500");
        row("panel lock", 2, 2, 20, "01", "", "01");
        row("all mute", 2, 2, 15, "01", "", "01");
    }

    void setThenRequest()
    {
        QFETCH(int, cls);
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(QByteArray, set);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, report);
        this->set(cls, type, code, set);
        const auto r = ask(cls, type, code, request);
        QVERIFY(r);
        QCOMPARE(r->payload.toHex(), report.toHex());
    }

    void channelLabels()
    {
        // "Stage L" for input channel 2.
        set(2, 3, 1, hex("02") + QByteArrayLiteral("Stage L"));
        const auto r = ask(2, 3, 1);
        QVERIFY(r);
        QCOMPARE(r->payload.mid(32, 16), QByteArray("Stage L").leftJustified(16, '\0'));
        QCOMPARE(r->payload.left(16), QByteArray(16, '\0'));
    }

    void groupedChannelsFollowEachOther()
    {
        // Inputs 0 and 2 in group 1: a gain, mute or invert on one applies to both.
        set(3, 1, 5, hex("0001"));
        set(3, 1, 5, hex("0201"));
        set(3, 1, 3, hex("00000020c1")); // -10 dB on input 0
        set(3, 1, 2, hex("0201"));       // mute input 2
        for (int ch : {0, 2}) {
            const auto gain = ask(3, 1, 3, QByteArray(1, char(ch)));
            QVERIFY(gain);
            QCOMPARE(f32At(gain->payload, 1), -10.0f);
            const auto mute = ask(3, 1, 2, QByteArray(1, char(ch)));
            QVERIFY(mute);
            QCOMPARE(mute->payload.at(1), char(1));
        }
        const auto other = ask(3, 1, 3, hex("01"));
        QVERIFY(other);
        QCOMPARE(f32At(other->payload, 1), 0.0f);
        // Changing a group does not touch the other channels of the group.
        set(3, 1, 5, hex("0000"));
        set(3, 1, 3, hex("0000004040")); // +3 dB on input 0 only now
        const auto second = ask(3, 1, 3, hex("02"));
        QVERIFY(second);
        QCOMPARE(f32At(second->payload, 1), -10.0f);
    }

    void filterAndLimiterCopyAndReset()
    {
        // Band 3 of input 1 changed, then copied to input 0 and outputs 1 and 7.
        const QByteArray band = hex("01020001") + hex("00007a43") + hex("000060c0") + hex("14");
        set(3, 4, 3, band);
        set(3, 4, 4, hex("010182"));
        for (auto [module, ch] : {std::pair{4, 0}, {10, 1}, {10, 7}}) {
            const auto r = ask(3, module, 3, QByteArray(1, char(ch)) + hex("02"));
            QVERIFY(r);
            QCOMPARE(r->payload.mid(2).toHex(), band.mid(2).toHex());
        }
        set(3, 10, 5, hex("07"));
        const auto reset = ask(3, 10, 3, hex("0702"));
        QVERIFY(reset);
        // Factory band 3: enabled PEQ at 80 Hz, 0 dB, Q index 43.
        QCOMPARE(reset->payload.toHex(), hex("070201000000a042000000002b").toHex());

        set(3, 11, 1, hex("02010000a0c10000a0410000c8420000c842"));
        set(3, 11, 2, hex("020180")); // to input 0 and output 7
        const auto in0 = ask(3, 5, 1, hex("00"));
        const auto out7 = ask(3, 11, 1, hex("07"));
        QVERIFY(in0 && out7);
        QCOMPARE(in0->payload.mid(1).toHex(), hex("010000a0c10000a0410000c8420000c842").toHex());
        QCOMPARE(out7->payload.mid(1), in0->payload.mid(1));
        set(3, 5, 3, hex("00"));
        const auto cleared = ask(3, 5, 1, hex("00"));
        QVERIFY(cleared);
        QCOMPARE(cleared->payload.toHex(),
                 hex("0000" "00000000" "00000040" "0000a041" "0000a041").toHex());
    }

    void metersFollowGainMuteAndRouting()
    {
        // Input meters: muting drops the channel to silence, gain moves it.
        set(3, 1, 3, hex("0000008cc2")); // input 0 at -70 dB
        QVERIFY(meter(1, 0) < -60);
        set(3, 1, 3, hex("0000004041")); // +12 dB
        QVERIFY(meter(1, 0) > -40);
        set(3, 1, 2, hex("0001"));
        QVERIFY(meter(1, 0) < -60);
        set(3, 1, 2, hex("0000"));

        // Output 2 is silent until input 0 is routed to it, and again when muted.
        QVERIFY(meter(9, 2) < -60);
        set(3, 7, 1, hex("020001"));
        const qint8 routed = meter(9, 2);
        QVERIFY2(routed > -40, qPrintable(QString::number(routed)));
        set(3, 9, 2, hex("0201"));
        QVERIFY(meter(9, 2) < -60);
        set(3, 9, 2, hex("0200"));
        set(2, 2, 15, hex("01")); // all mute
        QVERIFY(meter(9, 2) < -60);
        set(2, 2, 15, hex("00"));

        // The output limiter of output 2 reduces gain above its threshold.
        set(3, 11, 1, hex("0201") + hex("00008cc2") + hex("0000a041") + hex("0000a041") +
                          hex("0000a041"));
        const auto lim = ask(3, 11, 4);
        QVERIFY(lim);
        const qint8 in = qint8(lim->payload.at(4));
        const qint8 out = qint8(lim->payload.at(5));
        QVERIFY2(in - out > 20, qPrintable(QStringLiteral("%1 %2").arg(in).arg(out)));

        // The gate closes when its threshold lies above the input.
        set(3, 2, 2, hex("0101") + hex("00000000") + hex("0000a041") + hex("0000a041"));
        const auto gate = ask(3, 2, 1);
        QVERIFY(gate);
        QCOMPARE(gate->payload.toHex(), hex("01000101").toHex());
    }
};

QTEST_GUILESS_MAIN(TestSimProtocol)
#include "tst_simprotocol.moc"
