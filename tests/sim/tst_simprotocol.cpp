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

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

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
    // The report's payload, or "none" when nothing came.
    QByteArray reply(int cls, int type, int code, const QByteArray &payload = {})
    {
        const auto r = ask(cls, type, code, payload);
        return r ? r->payload : QByteArrayLiteral("none");
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
        row("location", 2, 2, 10, {}, 7);     // "Rack 1"
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
        row("gate", 3, 2, 2, "0201000020c20000c84200009643", "02", "0201000020c20000c84200009643");
        row("gate threshold clamped to 0", 3, 2, 2,
            "0101"
            "0000a041"
            "0000c842"
            "00009643",
            "01",
            "0101"
            "00000000"
            "0000c842"
            "00009643");
        row("feedback", 3, 3, 1, "0301", "03", "0301");
        row("in high-pass", 3, 4, 1, "010102030000f042", "01", "010102030000f042");
        row("out low-pass", 3, 10, 2, "060101010000fa44", "06", "060101010000fa44");
        row("out band 6", 3, 10, 3, "0305000100007a43000060c014", "0305",
            "0305000100007a43000060c014");
        row("in limiter", 3, 5, 1,
            "00010000"
            "20c1"
            "00008040"
            "00004842"
            "00004843",
            "00",
            "00010000"
            "20c1"
            "00008040"
            "00004842"
            "00004843");
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
        QCOMPARE(cleared->payload.toHex(), hex("0000"
                                               "00000000"
                                               "00000040"
                                               "0000a041"
                                               "0000a041")
                                               .toHex());
    }

    void presetSlotsSaveRecallRenameErase()
    {
        set(3, 32, 2, hex("03")); // save the factory settings into slot 4
        auto list = ask(3, 32, 1);
        QVERIFY(list);
        QCOMPARE(list->payload.at(0), char(3));
        QCOMPARE(list->payload.mid(1 + 3 * 17, 17),
                 QByteArray("\x01Preset 4").leftJustified(17, '\0'));

        set(3, 32, 5, hex("03") + QByteArrayLiteral("ABCDEFGHIJKLMNOP"));
        set(3, 1, 3, hex("01000020c1")); // input 1 gain -10 after the save
        set(3, 32, 9, hex("03"));
        QList<int> progress;
        while (auto r = m_client.waitForReport(3, 32, 9, 10000)) {
            progress << int(quint8(r->payload.at(0)));
            if (progress.last() == 100)
                break;
        }
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.first(), 0);
        QCOMPARE(progress.last(), 100);
        const auto gain = ask(3, 1, 3, hex("01"));
        QVERIFY(gain);
        QCOMPARE(f32At(gain->payload, 1), 0.0f);
        list = ask(3, 32, 1);
        QVERIFY(list);
        QCOMPARE(list->payload.mid(1 + 3 * 17, 17), QByteArray("\x01"
                                                               "ABCDEFGHIJKLMNOP"));
        // The loaded preset's name is announced too; erasing it leaves no current slot.
        set(3, 32, 4, hex("03"));
        list = ask(3, 32, 1);
        QVERIFY(list);
        QCOMPARE(list->payload.at(0), char(-1));
        QCOMPARE(list->payload.mid(1 + 3 * 17, 17), QByteArray(17, '\0'));
        // Recalling an empty slot does nothing.
        set(3, 32, 9, hex("03"));
        QVERIFY(m_client.expectNothing(3, 32, 9));
    }

    void singlePresetExportImportRoundTrip()
    {
        set(3, 1, 3, hex("010000d0c0"));  // input 1 gain -6.5
        set(3, 12, 1, hex("070080bb44")); // output 8 delay 1500
        set(3, 8, 4, hex("000040c1"));    // generator gain -12
        set(3, 32, 2, hex("00"));
        set(3, 32, 10, hex("00"));
        const auto size = m_client.waitForReport(3, 32, 10);
        QVERIFY(size);
        QCOMPARE(size->payload.toHex(), hex("b60a0000").toHex()); // 2742
        QByteArray image;
        QList<int> chunks;
        while (image.size() < 2742) {
            const qsizetype remain = 2742 - image.size();
            const quint32 count = quint32(qMin<qsizetype>(remain, 1024));
            set(3, 32, 12, proto::PayloadWriter().u32(count).data());
            const auto data = m_client.waitForReport(3, 32, 12);
            QVERIFY(data);
            chunks << int(data->payload.size());
            image += data->payload;
        }
        QCOMPARE(chunks, (QList<int>{1024, 1024, 694}));
        // Offsets of the 96 kHz image: input level 1 at 58, generator at 996, output
        // delay 8 at 2738.
        QCOMPARE(image.mid(58, 6).toHex(), hex("0000d0c00000").toHex());
        QCOMPARE(image.mid(996, 10).toHex(), hex("00"
                                                 "00007a44"
                                                 "000040c1"
                                                 "01")
                                                 .toHex());
        QCOMPARE(image.mid(2738, 4).toHex(), hex("0080bb44").toHex());

        set(2, 2, 17, {}); // erases the presets and the settings
        set(3, 32, 13, hex("05"));
        const auto expected = m_client.waitForReport(3, 32, 13);
        QVERIFY(expected);
        QCOMPARE(expected->payload.toHex(), hex("b60a0000").toHex());
        for (qsizetype pos = 0; pos < image.size(); pos += 1024) {
            const QByteArray chunk = image.mid(pos, 1024);
            set(3, 32, 15, chunk);
            const auto ack = m_client.waitForReport(3, 32, 15);
            QVERIFY(ack);
            QCOMPARE(ack->payload, proto::PayloadWriter().u32(quint32(chunk.size())).data());
        }
        set(3, 32, 15, {}); // end mark: no answer, or the program would loop
        QVERIFY(m_client.expectNothing(3, 32, 15));
        set(3, 32, 9, hex("05"));
        QVERIFY(m_client.waitFor([](const proto::Frame &f) {
            return f.frameType == 32 && f.paramCode == 9 && f.payload == hex("64");
        }));
        const auto gain = ask(3, 1, 3, hex("01"));
        const auto delay = ask(3, 12, 1, hex("07"));
        QVERIFY(gain && delay);
        QCOMPARE(gain->payload.toHex(), hex("010000d0c0").toHex());
        QCOMPARE(delay->payload.toHex(), hex("070080bb44").toHex());

        // An image of the wrong size is refused when it ends.
        set(3, 32, 13, hex("06"));
        QVERIFY(m_client.waitForReport(3, 32, 13));
        set(3, 32, 15, QByteArray(100, '\0'));
        QVERIFY(m_client.waitForReport(3, 32, 15));
        set(3, 32, 15, {});
        const auto list = ask(3, 32, 1);
        QVERIFY(list);
        QCOMPARE(list->payload.at(1 + 6 * 17), char(0));
        QCOMPARE(list->payload.at(1 + 5 * 17), char(1));
    }

    void allPresetsExportImportRoundTrip()
    {
        set(3, 32, 2, hex("00"));
        set(3, 32, 5, hex("1f") + QByteArrayLiteral("Last"));
        set(3, 9, 3, hex("04000020c1")); // output 5 gain -10
        set(3, 32, 2, hex("1f"));
        set(3, 32, 11, {});
        const auto size = m_client.waitForReport(3, 32, 11);
        QVERIFY(size && size->payload.size() == 4);
        const quint32 total =
            proto::getU32(reinterpret_cast<const uchar *>(size->payload.constData()));
        QCOMPARE(total, quint32(8 + 32 * (17 + 2742)));
        QByteArray file;
        for (quint16 block = 0;; ++block) {
            set(3, 32, 6, proto::PayloadWriter().u16(block).data());
            const auto r = m_client.waitForReport(3, 32, 6);
            QVERIFY(r && r->payload.size() >= 2);
            QCOMPARE(proto::getU16(reinterpret_cast<const uchar *>(r->payload.constData())), block);
            file += r->payload.mid(2);
            if (r->payload.size() - 2 < 1024)
                break;
        }
        QCOMPARE(quint32(file.size()), total);

        set(2, 2, 17, {});
        set(3, 32, 14, {});
        const auto expected = m_client.waitForReport(3, 32, 14);
        QVERIFY(expected);
        QCOMPARE(expected->payload, size->payload);
        for (quint16 block = 0; qsizetype(block) * 1024 < file.size(); ++block) {
            m_client.send(3, 32, 7, proto::DirRequest,
                          proto::PayloadWriter().u16(block).data() + file.mid(block * 1024, 1024));
            const auto ack = m_client.waitForReport(3, 32, 7);
            QVERIFY(ack);
            QCOMPARE(ack->payload, proto::PayloadWriter().u16(block).data());
        }
        const auto list = ask(3, 32, 1);
        QVERIFY(list);
        QCOMPARE(list->payload.mid(1, 17), QByteArray("\x01Preset 1").leftJustified(17, '\0'));
        QCOMPARE(list->payload.mid(1 + 31 * 17, 17),
                 QByteArray("\x01Last").leftJustified(17, '\0'));
        set(3, 32, 9, hex("1f"));
        QVERIFY(m_client.waitFor([](const proto::Frame &f) {
            return f.frameType == 32 && f.paramCode == 9 && f.payload == hex("64");
        }));
        const auto gain = ask(3, 9, 3, hex("04"));
        QVERIFY(gain);
        QCOMPARE(f32At(gain->payload, 1), -10.0f);
    }

    void firmwareBlocksAreAcknowledged()
    {
        // A 2500-byte ARM image: blocks 0, 1, 2 with 1024, 1024 and 452 bytes.
        QByteArray image(2500, '\x5a');
        image[0] = '\x7f';
        image[1] = '\x8c';
        image[2] = '\x20';
        for (quint16 block = 0; block < 3; ++block) {
            set(1, 1, 1, proto::PayloadWriter().u16(block).data() + image.mid(block * 1024, 1024));
            const auto ack = m_client.waitForReport(1, 1, 1);
            QVERIFY(ack);
            QCOMPARE(ack->payload, proto::PayloadWriter().u16(block).data());
        }
        QVERIFY(!m_sim.waitForLine(QStringLiteral("ARM image received, 2500 bytes")).isEmpty());

        // Every block is acknowledged with its index, also of an ARM image with a wrong
        // header (7F 8C 30) or a block out of order; the log says the image is not used.
        image[2] = '\x30';
        for (auto [type, block] : {std::pair{1, 0}, {1, 1}, {2, 0}, {2, 5}}) {
            set(1, type, 1, proto::PayloadWriter().u16(quint16(block)).data() + image.left(1024));
            const auto ack = m_client.waitForReport(1, quint8(type), 1);
            QVERIFY(ack);
            QCOMPARE(ack->payload, proto::PayloadWriter().u16(quint16(block)).data());
        }
        set(1, 1, 1, hex("0200") + image.left(10));
        set(1, 2, 1, hex("0600") + image.left(10));
        const auto logged = [this](const char *text) {
            return !m_sim.waitForLine(QString::fromLatin1(text)).isEmpty();
        };
        QVERIFY(logged("ARM image received, 2058 bytes; not used: bad header"));
        QVERIFY(logged("DSP image received, 2058 bytes; not used: blocks missing"));
    }

    void securityLocksNeedPageAccess()
    {
        QCOMPARE(reply(2, 5, 1), hex("00"));
        set(2, 5, 4, hex("0102")); // gate lock of input 2: refused without access
        QCOMPARE(reply(2, 5, 4), hex("00000000"));
        set(2, 5, 1, QByteArrayLiteral("pw")); // no lock password: any entry opens
        QCOMPARE(reply(2, 5, 1), hex("01"));
        set(2, 5, 4, hex("0102"));
        set(2, 5, 4, hex("0103")); // not a lock state
        QCOMPARE(reply(2, 5, 4), hex("00020000"));
        QByteArray row(19, '\0');
        row[18] = 1; // band 16 read-only
        set(2, 5, 12, hex("07") + row);
        QCOMPARE(reply(2, 5, 12, hex("07")), hex("07") + row);
        QCOMPARE(reply(2, 5, 12, hex("06")), hex("06") + QByteArray(19, '\0'));
        set(2, 5, 1, hex("90a7")); // quit code
        QCOMPARE(reply(2, 5, 1), hex("00"));
        set(2, 5, 4, hex("0000"));
        QCOMPARE(reply(2, 5, 4), hex("00020000"));
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
        set(3, 11, 1,
            hex("0201") + hex("00008cc2") + hex("0000a041") + hex("0000a041") + hex("0000a041"));
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
