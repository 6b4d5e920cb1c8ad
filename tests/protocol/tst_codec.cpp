// Frame encoding, payload helpers and the stream assembler, without sockets.
#include "protocol/assembler.h"
#include "protocol/frame.h"
#include "protocol/payload.h"
#include "protocol/router.h"
#include "protocol/transport.h"

#include <QtTest>

using namespace proto;

namespace {
QByteArray hex(const char *spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

QList<Frame> drainAll(FrameAssembler &a)
{
    QList<Frame> out;
    Frame f;
    while (a.next(f))
        out.append(f);
    return out;
}
} // namespace

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        Transport::instance().setSink(nullptr);
        Transport::instance().setFrameCode(1);
    }

    void sentBytes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty payload is 12 bytes") << 0 << hex("82 7D 01 00 03 01 03 00 00 00 7D 82");
        QTest::newRow("all-mute set") << 1 << hex("82 7D 01 00 02 02 0F 01 01 00 01 7D 82");
        // Input 2's gain of -6.5 dB: module 1, code 3, channel 1, float LE.
        QTest::newRow("road of one request")
            << 2 << hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82");
    }
    void sentBytes()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, expected);
        QList<QByteArray> sent;
        Transport::instance().setSink([&](const QByteArray &b) { sent.append(b); });
        if (kind == 0) {
            sendFrame(3, 1, 3, 0, nullptr, 0);
        } else if (kind == 1) {
            const uchar on = 1;
            sendFrame(2, 2, 15, 1, &on, 1);
        } else {
            const float gain = -6.5f;
            sendSetMessage(1, 3, 1, &gain, sizeof gain);
        }
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first(), expected);
    }

    void frameCodeIsWritten()
    {
        QList<QByteArray> sent;
        Transport::instance().setSink([&](const QByteArray &b) { sent.append(b); });
        Transport::instance().setFrameCode(4464);
        sendFrame(2, 1, 1, 1, "ab", 2);
        QCOMPARE(sent.value(0), hex("82 7D 70 11 02 01 01 01 02 00 61 62 7D 82"));
    }

    void oversizedPayloadRefused()
    {
        QList<QByteArray> sent;
        Transport::instance().setSink([&](const QByteArray &b) { sent.append(b); });
        QByteArray big(kMaxPayload + 1, 'x');
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("refused"));
        sendFrame(3, 32, 15, 1, big.constData(), quint16(big.size()));
        QVERIFY(sent.isEmpty());
        sendFrame(3, 32, 15, 1, big.constData(), kMaxPayload);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().size(), 2048);
        // A set message adds the channel byte, so its value may carry one byte less.
        sent.clear();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("refused"));
        sendSetMessage(3, 1, 0, big.constData(), kMaxPayload);
        QVERIFY(sent.isEmpty());
        char out[64];
        QCOMPARE(encodeFrame(out, sizeof out, 1, 3, 1, 1, 1, big.constData(), 53), -1);
    }

    void decodeRoundTrip()
    {
        const QByteArray bytes = hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82");
        const auto f = decodeFrame(bytes);
        QVERIFY(f.has_value());
        QCOMPARE(f->frameClass, quint8(3));
        QCOMPARE(f->frameType, quint8(1));
        QCOMPARE(f->paramCode, quint8(3));
        QCOMPARE(f->direction, quint8(1));
        QCOMPARE(encodeFrame(*f), bytes);
        QVERIFY(!decodeFrame(bytes.left(16)).has_value());
        QByteArray badEnd = bytes;
        badEnd[15] = 0;
        QVERIFY(!decodeFrame(badEnd).has_value());
    }

    void payloadReaderWriter()
    {
        PayloadWriter w;
        w.u8(0xFE).i8(-3).u16(0x1234).u32(0xA1B2C3D4).f32(-6.5f).text("Stage L", 10).text(
            "0123456789abcdefXYZ", 16);
        QCOMPARE(w.data().left(12), hex("FE FD 34 12 D4 C3 B2 A1 00 00 D0 C0"));
        QCOMPARE(w.size(), 12 + 10 + 16);
        PayloadReader r(w.data());
        QCOMPARE(r.u8(), quint8(0xFE));
        QCOMPARE(r.i8(), qint8(-3));
        QCOMPARE(r.u16(), quint16(0x1234));
        QCOMPARE(r.u32(), 0xA1B2C3D4u);
        QCOMPARE(r.f32(), -6.5f);
        QCOMPARE(r.text(10), QByteArray("Stage L"));
        QCOMPARE(r.text(16), QByteArray("0123456789abcdef")); // full field, no terminator
        QVERIFY(r.ok() && r.atEnd());
        QCOMPARE(r.u32(), 0u);
        QVERIFY(!r.ok());
    }

    void assemblerCases_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<int>>("routedCodes"); // parameter codes routed, in order
        QTest::addColumn<int>("errors");
        const QByteArray a = hex("82 7D 01 00 03 01 03 80 02 00 00 11 7D 82");
        const QByteArray b = hex("82 7D 01 00 03 01 04 80 01 00 01 7D 82");
        QTest::newRow("two in one read") << QList<QByteArray>{a + b} << QList<int>{3, 4} << 0;
        QTest::newRow("split in three")
            << QList<QByteArray>{a.left(3), a.mid(3, 8), a.mid(11)} << QList<int>{3} << 0;
        QTest::newRow("one and a half, then the rest")
            << QList<QByteArray>{a + b.left(5), b.mid(5)} << QList<int>{3, 4} << 0;
        QTest::newRow("stray byte before a frame")
            << QList<QByteArray>{QByteArray("\x00", 1) + a} << QList<int>{3} << 1;
        QTest::newRow("garbage between frames")
            << QList<QByteArray>{a + hex("01 82 02 7D 82 55") + b} << QList<int>{3, 4} << 1;
        QTest::newRow("bad end marker, next frame kept")
            << QList<QByteArray>{hex("82 7D 01 00 03 01 05 80 01 00 01 00 00") + b}
            << QList<int>{4} << 1;
        QTest::newRow("impossible length resyncs")
            << QList<QByteArray>{hex("82 7D 01 00 03 01 05 80 FF FF") + a} << QList<int>{3} << 1;
        QTest::newRow("header no Frame has: class 9, direction 0x55, 300 bytes")
            << QList<QByteArray>{hex("82 7D 01 00 09 02 01 55 2C 01") +
                                 hex("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13") +
                                 a}
            << QList<int>{3} << 1;
        QTest::newRow("header no Frame has: module 13, then module 12")
            << QList<QByteArray>{hex("82 7D 01 00 03 0D 01 80 40 00") + b} << QList<int>{4} << 1;
        QTest::newRow("header no Frame has: direction 2")
            << QList<QByteArray>{hex("82 7D 01 00 02 03 01 02 40 00") + a} << QList<int>{3} << 1;
        QTest::newRow("marker split across reads")
            << QList<QByteArray>{hex("33 82"), hex("7D") + a.mid(2)} << QList<int>{3} << 1;
    }
    void assemblerCases()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<int>, routedCodes);
        QFETCH(int, errors);
        FrameAssembler asm_;
        QList<int> codes;
        for (const QByteArray &p : pieces) {
            asm_.append(p);
            for (const Frame &f : drainAll(asm_))
                codes.append(f.paramCode);
        }
        QCOMPARE(codes, routedCodes);
        QCOMPARE(asm_.errorCount(), errors);
        QCOMPARE(asm_.buffered(), 0);
    }

    // A plausible header in garbage holds what follows only for a while; a real Frame that
    // is merely slow is still completed however long it takes.
    void falseStartReleasedAfterAWhile()
    {
        qint64 now = 1000;
        FrameAssembler asm_;
        asm_.setTimeSource([&now] { return now; });
        const QByteArray report = hex("82 7D 01 00 03 09 02 80 02 00 02 01 7D 82");
        asm_.append(hex("82 7D 01 00 03 01 05 80 2C 01 11 22 33") + report);
        QVERIFY(drainAll(asm_).isEmpty());
        QCOMPARE(asm_.msUntilStale(), qint64(FrameAssembler::kStaleMs));
        now += FrameAssembler::kStaleMs - 1;
        QVERIFY(drainAll(asm_).isEmpty());
        now += 1;
        const QList<Frame> frames = drainAll(asm_);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0].payload, hex("02 01"));
        QCOMPARE(asm_.buffered(), 0);
        QCOMPARE(asm_.msUntilStale(), qint64(-1));

        // Slow, but nothing complete behind it: kept.
        asm_.append(report.left(8));
        QVERIFY(drainAll(asm_).isEmpty());
        now += 10 * FrameAssembler::kStaleMs;
        QVERIFY(drainAll(asm_).isEmpty());
        QCOMPARE(asm_.msUntilStale(), qint64(-1));
        asm_.append(report.mid(8));
        QCOMPARE(drainAll(asm_).size(), 1);
    }

    void assemblerStaysBounded()
    {
        FrameAssembler asm_;
        QByteArray noise(100000, '\x55');
        asm_.append(noise);
        QVERIFY(drainAll(asm_).isEmpty());
        QVERIFY(asm_.buffered() <= 1);
        // A plausible header that never completes holds at most one Frame's worth.
        asm_.append(hex("82 7D 01 00 03 01 05 80 F4 07"));
        asm_.append(QByteArray(3000, '\0'));
        QVERIFY(drainAll(asm_).isEmpty());
        QVERIFY(asm_.buffered() < kSendBufferSize);
    }

    void routerTable()
    {
        FrameRouter router;
        QList<QPair<int, int>> hits;
        for (int cls = 0; cls <= 4; ++cls)
            for (int type = 0; type < 256; ++type)
                router.setHandler(quint8(cls), quint8(type),
                                  [&hits, cls, type](const Frame &) { hits.append({cls, type}); });
        int routed = 0;
        for (int cls = 0; cls <= 4; ++cls)
            for (int type = 0; type < 256; ++type) {
                Frame f;
                f.frameClass = quint8(cls);
                f.frameType = quint8(type);
                routed += router.route(f) ? 1 : 0;
            }
        // 2 upgrade targets, 5 system groups, 12 modules and the presets.
        QCOMPARE(routed, 2 + 5 + 13);
        QVERIFY(hits.contains(qMakePair(3, 32)));
        QVERIFY(!hits.contains(qMakePair(3, 13)));
        QVERIFY(!hits.contains(qMakePair(3, 31)));
        QVERIFY(!hits.contains(qMakePair(3, 0)));
        QVERIFY(!hits.contains(qMakePair(2, 6)));
        QVERIFY(!hits.contains(qMakePair(1, 3)));
        router.clearHandler(3, 32);
        Frame preset;
        preset.frameClass = 3;
        preset.frameType = 32;
        QVERIFY(!router.route(preset));
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
