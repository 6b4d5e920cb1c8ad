// The simulator's model in-process: preset image layout, signal model, preset bank,
// firmware end, split writes.
#include "connection.h"
#include "device.h"
#include "options.h"
#include "presetbank.h"
#include "presetimage.h"
#include "signalmodel.h"

#include "protocol/payload.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <cmath>

using namespace sim;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Parameters with a distinct value in every record the image layout checks.
Params markedParams()
{
    Params p = Params::factory();
    p.gate[3] = {1, -40.0f, 100.0f, 300.0f};
    p.inLevel[2].gain = -6.5f;
    p.inLevel[2].mute = 1;
    p.feedback[3] = 1;
    p.inFilter[1].highPass = {1, 2, 3, 120.0f};
    p.inFilter[2].bands[5] = {0, 1, 250.0f, -3.5f, 20};
    p.inLimiter[3] = {1, -10.0f, 4.0f, 50.0f, 200.0f};
    p.inDelay[2] = 12.5f;
    p.mixGain[7] = {-10, 0, 12, -70};
    p.mixEnable[7] = {1, 0, 1, 0};
    p.generator = {1, 440.0f, 2, -12.0f, {}};
    p.generator.outputs[7] = 1;
    p.outLevel[7].gain = -3.0f;
    p.outLevel[7].invert = 1;
    p.outFilter[7].lowPass = {1, 1, 1, 2000.0f};
    p.outFilter[7].bands[15] = {1, 2, 1000.0f, 10.0f, 64};
    p.outLimiter[7] = {1, -10.0f, 4.0f, 50.0f, 200.0f};
    p.outDelay[2] = 200.0f;
    p.outDelay[6] = 200.0f;
    return p;
}

} // namespace

class TestSimCore : public QObject {
    Q_OBJECT

private slots:
    void presetImageLayout_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("shift"); // 16 bytes of input delays in the 96 kHz image
        QTest::newRow("48 kHz") << 48 << 0;
        QTest::newRow("96 kHz") << 96 << 16;
    }

    void presetImageLayout()
    {
        QFETCH(int, variant);
        QFETCH(int, shift);
        const QByteArray image = encodePresetImage(markedParams(), variant);
        QCOMPARE(image.size(), variant == 48 ? 2726 : 2742);
        const auto at = [&](int offset, int size) { return image.mid(offset, size).toHex(); };
        QCOMPARE(at(39, 13), hex("01"
                                 "000020c2"
                                 "0000c842"
                                 "00009643")
                                 .toHex()); // gate 3
        QCOMPARE(at(64, 6), hex("0000d0c0"
                                "01"
                                "00")
                                .toHex());      // in level 2
        QCOMPARE(at(79, 1), hex("01").toHex()); // feedback 3
        QCOMPARE(at(94, 14), hex("010203"
                                 "0000f042"
                                 "000000"
                                 "00409c46")
                                 .toHex()); // in 1 HP/LP
        QCOMPARE(at(543, 11), hex("0001"
                                  "00007a43"
                                  "000060c0"
                                  "14")
                                  .toHex()); // in 2 band 6
        QCOMPARE(at(891, 17), hex("01"
                                  "000020c1"
                                  "00008040"
                                  "00004842"
                                  "00004843")
                                  .toHex());
        if (shift)
            QCOMPARE(at(916, 4), hex("00004841").toHex()); // input delay 2
        QCOMPARE(at(971 + shift, 9), hex("f6000cba"
                                         "01000100"
                                         "01")
                                         .toHex()); // mixer out 7
        QCOMPARE(at(980 + shift, 10), hex("01"
                                          "0000dc43"
                                          "000040c1"
                                          "02")
                                          .toHex());
        QCOMPARE(at(1032 + shift, 6), hex("000040c0"
                                          "00"
                                          "01")
                                          .toHex()); // out level 7
        QCOMPARE(at(1136 + shift, 14), hex("000000"
                                           "0000a041"
                                           "010101"
                                           "0000fa44")
                                           .toHex());
        QCOMPARE(at(2547 + shift, 11), hex("0102"
                                           "00007a44"
                                           "00002041"
                                           "40")
                                           .toHex());
        QCOMPARE(at(2677 + shift, 17), hex("01"
                                           "000020c1"
                                           "00008040"
                                           "00004842"
                                           "00004843")
                                           .toHex());
        // Output delays 2 and 6 are 200 ms; the 48 kHz image limits output 6 to 148 ms.
        QCOMPARE(at(2702 + shift, 4), hex("00004843").toHex());
        QCOMPARE(at(2718 + shift, 4),
                 variant == 48 ? hex("00001443").toHex() : hex("00004843").toHex());
    }

    void presetImageReadsBackAndForcesRanges()
    {
        for (int variant : {48, 96}) {
            const QByteArray image = encodePresetImage(markedParams(), variant);
            Params back = Params::factory();
            QVERIFY(decodePresetImage(image, variant, back));
            QCOMPARE(encodePresetImage(back, variant), image);
            QVERIFY(!decodePresetImage(image.left(image.size() - 1), variant, back));
        }
        // A 48 kHz image leaves the input delays alone; bad values come back in range.
        QByteArray image = encodePresetImage(Params::factory(), 48);
        proto::putU32(reinterpret_cast<uchar *>(image.data()) + 52,
                      proto::floatBits(std::nanf(""))); // input level 0 gain
        image[80 + 1] = char(9);                        // input 0 high-pass type
        image[908] = char(100);                         // mixer gain out 0 in 0
        Params p = Params::factory();
        p.inDelay[1] = 7.0f;
        QVERIFY(decodePresetImage(image, 48, p));
        QCOMPARE(p.inDelay[1], 7.0f);
        QCOMPARE(p.inLevel[0].gain, 0.0f);
        QCOMPARE(int(p.inFilter[0].highPass.type), 2);
        QCOMPARE(int(p.mixGain[0][0]), 12);
    }

    void presetBankFile()
    {
        PresetBank bank;
        bank.entries[0] = {true, "First", encodePresetImage(Params::factory(), 96)};
        bank.entries[31] = {true, "ABCDEFGHIJKLMNOP", encodePresetImage(markedParams(), 96)};
        bank.current = 31;
        const QByteArray list = bank.slotList();
        QCOMPARE(list.size(), 545);
        QCOMPARE(int(qint8(list.at(0))), 31);
        QCOMPARE(list.mid(1 + 31 * 17, 17), QByteArray("\x01"
                                                       "ABCDEFGHIJKLMNOP"));

        const QByteArray file = bank.exportAll(2742);
        QCOMPARE(file.size(), PresetBank::bankSize(2742));
        QCOMPARE(file.left(8).toHex(), hex("44505354"
                                           "0100"
                                           "b60a")
                                           .toHex());
        PresetBank other;
        QVERIFY(other.importAll(file, 2742));
        QCOMPARE(other.entries[31].name, QByteArray("ABCDEFGHIJKLMNOP"));
        QCOMPARE(other.entries[31].image, bank.entries[31].image);
        QVERIFY(!other.entries[5].inUse);
        // Another variant's file, or a damaged one, changes nothing.
        PresetBank untouched;
        QVERIFY(!untouched.importAll(file, 2726));
        QByteArray damaged = file;
        damaged[0] = 'X';
        QVERIFY(!untouched.importAll(damaged, 2742));
        QVERIFY(!untouched.importAll(file.left(file.size() - 1), 2742));
        QVERIFY(!untouched.entries[0].inUse);
    }

    void signalModel()
    {
        Params p = Params::factory();
        const double t = 2.0;
        Meters m = computeMeters(p, false, t);
        QCOMPARE(m.input[1], sourceLevel(1, t));
        for (float out : m.output)
            QCOMPARE(out, kSilence); // nothing routed yet

        p.inLevel[1].gain = -10.0f;
        p.mixEnable[3][1] = 1;
        p.mixGain[3][1] = -6;
        p.outLevel[3].gain = 2.0f;
        m = computeMeters(p, false, t);
        QCOMPARE(m.input[1], sourceLevel(1, t) - 10.0f);
        QCOMPARE(m.output[3], sourceLevel(1, t) - 14.0f);
        // Two equal feeds add 3 dB.
        p.inLevel[0].gain = sourceLevel(1, t) - sourceLevel(0, t) - 10.0f;
        p.mixEnable[3][0] = 1;
        p.mixGain[3][0] = -6;
        m = computeMeters(p, false, t);
        QVERIFY(std::abs(m.output[3] - (sourceLevel(1, t) - 14.0f + 3.0103f)) < 0.01f);
        QCOMPARE(computeMeters(p, true, t).output[3], kSilence);

        // Limiter: 2:1 above a threshold 10 dB under the signal halves the excess.
        p.outLimiter[3] = {1, m.output[3] - 10.0f, 2.0f, 20.0f, 20.0f};
        m = computeMeters(p, false, t);
        QVERIFY(std::abs(m.outLimiterIn[3] - m.outLimiterOut[3] - 5.0f) < 0.01f);

        // Gate above the signal closes and silences the input downstream.
        p.gate[1] = {1, 0.0f, 20.0f, 20.0f};
        m = computeMeters(p, false, t);
        QVERIFY(!m.gateOpen[1]);
        QVERIFY(m.gateOpen[0]);
        QCOMPARE(m.inLimiterIn[1], kSilence);

        // The generator alone reaches a routed output at its gain.
        Params g = Params::factory();
        g.generator.outputs[5] = 1;
        QCOMPARE(computeMeters(g, false, t).output[5], -30.0f);
        g.generator.mute = 1;
        QCOMPARE(computeMeters(g, false, t).output[5], kSilence);
        QCOMPARE(int(meterByte(kSilence)), -120);
        QCOMPARE(int(meterByte(200.0f)), 127);
    }

    void firmwareImageOfWholeBlocksEndsWhenBlocksStop()
    {
        Device device(DeviceConfig{});
        QSignalSpy received(&device, &Device::firmwareReceived);
        Session s;
        Replies out;
        device.connected(s, out);
        for (quint16 block = 0; block < 2; ++block) {
            proto::Frame f;
            f.frameClass = 1;
            f.frameType = 2;
            f.paramCode = 1;
            f.direction = proto::DirSet;
            f.payload = proto::PayloadWriter().u16(block).data() + QByteArray(1024, 'x');
            device.handle(f, s, out);
        }
        QCOMPARE(received.count(), 0);
        device.finishUpgrades(s); // what the connection does when blocks stop coming
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toInt(), 2);
        QCOMPARE(received.at(0).at(1).toLongLong(), 2048);
    }

    void announcementTimesAgreeAcrossARoundingStep()
    {
        // Each reading of the clock is a little later, crossing 1.5 s between readings.
        Device device(DeviceConfig{});
        double t = 1.4999;
        device.setClock([&t] {
            const double now = t;
            t += 0.0002;
            return now;
        });
        const auto times = [](const QByteArray &a) {
            const auto *p = reinterpret_cast<const uchar *>(a.constData());
            return std::pair{proto::getU32(p + 8), proto::getU32(p + 12)};
        };
        const auto [run1, total1] = times(device.announcement());
        const auto [run2, total2] = times(device.announcement());
        QCOMPARE(run2 - run1, 1u);
        QCOMPARE(total2 - total1, run2 - run1);
    }

    void splitModeWritesEveryFrameInTwoPieces()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.19")), 0));
        Device device(DeviceConfig{});
        QRandomGenerator random(1);
        QList<qint64> writes;
        Connection *connection = nullptr;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::bytesWritten, this, [&](qint64 n) { writes << n; });
            FaultConfig faults;
            faults.split = true;
            connection = new Connection(socket, &device, faults, &random, &server);
            connection->start();
        });
        QTcpSocket client;
        client.connectToHost(server.serverAddress(), server.serverPort());
        QVERIFY(client.waitForConnected(3000));
        // The login report (13 bytes) goes out as 6 + 7 bytes.
        QVERIFY(QTest::qWaitFor([&] { return client.bytesAvailable() >= 13; }, 3000));
        QCOMPARE(writes, (QList<qint64>{6, 7}));
        QCOMPARE(client.readAll().toHex(), hex("827d01000201018001000"
                                               "17d82")
                                               .toHex());
        QVERIFY(connection);
    }

    void optionsDefaults()
    {
        const ParseResult r = parseOptions({"dapsim"});
        QVERIFY(r.options);
        QCOMPARE(r.options->address.toString(), QStringLiteral("127.0.0.2"));
        QCOMPARE(r.options->announceHost.toString(), QStringLiteral("127.255.255.255"));
        QCOMPARE(r.options->announcePort, quint16(6696));
        QCOMPARE(r.options->commandPort, quint16(6001));
        QCOMPARE(r.options->effectiveVariant(), 96);
        QCOMPARE(r.options->machineIdOf(1), r.options->machineIdOf(0) + 1);
        const ParseResult g2 = parseOptions({"dapsim", "--generation", "2", "--count", "2"});
        QVERIFY(g2.options);
        QCOMPARE(g2.options->effectiveVariant(), 48);
        QCOMPARE(g2.options->addressOf(1).toString(), QStringLiteral("127.0.0.3"));
        QVERIFY(!parseOptions({"dapsim", "--address", "::1"}).options);
    }
};

QTEST_GUILESS_MAIN(TestSimCore)
#include "tst_simcore.moc"
