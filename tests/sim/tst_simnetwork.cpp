// The simulator on the network: login per connection, announcements, the UDP command
// port, several processors, the reduced generation and injected faults.
#include "support/frameclient.h"
#include "support/simprocess.h"

#include "protocol/payload.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// Receives announcements on a port of its own.
struct AnnouncementListener {
    QUdpSocket socket;
    AnnouncementListener() { socket.bind(QHostAddress::LocalHost, 0); }
    QString target() const { return QStringLiteral("127.0.0.1:%1").arg(socket.localPort()); }
    // The next announcement of machine id (any when 0).
    QByteArray next(quint32 machineId = 0, int timeoutMs = 10000)
    {
        QByteArray found;
        (void)QTest::qWaitFor(
            [&] {
                while (socket.hasPendingDatagrams()) {
                    const QByteArray d = socket.receiveDatagram().data();
                    if (d.size() >= 4 &&
                        (!machineId || proto::getU32(reinterpret_cast<const uchar *>(
                                           d.constData())) == machineId)) {
                        found = d;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    void drain()
    {
        while (socket.hasPendingDatagrams())
            socket.receiveDatagram();
    }
};

QByteArray login(const QByteArray &password)
{
    return password;
}

// The payload of a Frame that arrived, or "none".
QByteArray payloadOf(const std::optional<proto::Frame> &f)
{
    return f ? f->payload : QByteArrayLiteral("none");
}

} // namespace

class TestSimNetwork : public QObject {
    Q_OBJECT

private slots:
    void loginIsPerConnection()
    {
        SimProcess sim({"--address", "127.0.0.11", "--password", "secret"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QHostAddress address(QStringLiteral("127.0.0.11"));
        FrameClient a;
        FrameClient b;
        QVERIFY(a.connectTo(address));
        QVERIFY(b.connectTo(address));
        // A password is set: every connection is told 0 and nothing else is answered.
        QCOMPARE(payloadOf(a.waitForReport(2, 1, 1)), hex("00"));
        QCOMPARE(payloadOf(b.waitForReport(2, 1, 1)), hex("00"));
        a.send(2, 2, 1, proto::DirRequest);
        QVERIFY(a.expectNothing(2, 2, 1));

        a.send(2, 1, 1, proto::DirSet, login("wrong"));
        QCOMPARE(payloadOf(a.waitForReport(2, 1, 1)), hex("00"));
        a.send(2, 1, 1, proto::DirSet, login("secret"));
        QCOMPARE(payloadOf(a.waitForReport(2, 1, 1)), hex("01"));
        QVERIFY(a.request(2, 2, 1));
        b.send(2, 2, 1, proto::DirRequest);
        QVERIFY(b.expectNothing(2, 2, 1));

        // The reset code in a login Frame acts only for a logged-in connection.
        a.send(2, 2, 10, proto::DirSet, "Hall");
        b.send(2, 1, 1, proto::DirSet, "CFG_CLR*");
        QCOMPARE(payloadOf(b.waitForReport(2, 1, 1)), hex("00"));
        QCOMPARE(payloadOf(a.request(2, 2, 10)), QByteArray("Hall", 5));
        a.send(2, 1, 1, proto::DirSet, "CFG_CLR*");
        QCOMPARE(payloadOf(a.waitForReport(2, 1, 1)), hex("01"));
        QCOMPARE(payloadOf(a.request(2, 2, 10)), QByteArray("Rack 1", 7));

        // A new login password holds for the next logins.
        a.send(2, 2, 14, proto::DirSet, "newpw");
        QVERIFY(a.request(2, 2, 1)); // the change is applied before this answer
        FrameClient c;
        QVERIFY(c.connectTo(address));
        QCOMPARE(payloadOf(c.waitForReport(2, 1, 1)), hex("00"));
        c.send(2, 1, 1, proto::DirSet, "secret");
        QCOMPARE(payloadOf(c.waitForReport(2, 1, 1)), hex("00"));
        c.send(2, 1, 1, proto::DirSet, "newpw");
        QCOMPARE(payloadOf(c.waitForReport(2, 1, 1)), hex("01"));
    }

    void lockPasswordChange()
    {
        SimProcess sim({"--address", "127.0.0.11", "--lock-password", "1234"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        FrameClient c;
        QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.11"))));
        QCOMPARE(payloadOf(c.waitForReport(2, 1, 1)), hex("01"));
        c.send(2, 5, 1, proto::DirSet, "0000");
        QCOMPARE(payloadOf(c.request(2, 5, 1)), hex("00"));
        // The new lock password needs the old one first, as the program sends them.
        c.send(2, 5, 2, proto::DirSet, "evil");
        c.send(2, 5, 1, proto::DirSet, "1234");
        c.send(2, 5, 2, proto::DirSet, "9999");
        QCOMPARE(payloadOf(c.request(2, 5, 1)), hex("01"));
        c.send(2, 5, 1, proto::DirSet, hex("90a7"));
        QCOMPARE(payloadOf(c.request(2, 5, 1)), hex("00"));
        for (const char *wrong : {"1234", "evil"}) {
            c.send(2, 5, 1, proto::DirSet, wrong);
            QCOMPARE(payloadOf(c.request(2, 5, 1)), hex("00"));
        }
        c.send(2, 5, 1, proto::DirSet, "9999");
        QCOMPARE(payloadOf(c.request(2, 5, 1)), hex("01"));
    }

    void announcementBytes()
    {
        AnnouncementListener listener;
        SimProcess sim({"--address", "127.0.0.12", "--announce", listener.target(), "--machine-id",
                        "77", "--model", "TESTMODEL", "--fault", "5"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        const QByteArray first = listener.next(77);
        QCOMPARE(first.size(), 140);
        QCOMPARE(first.left(8).toHex(), hex("4d000000"
                                            "0c00007f")
                                            .toHex());
        QCOMPARE(first.mid(17, 20), QByteArray("SIM00000077").leftJustified(20, '\0'));
        QCOMPARE(first.mid(37, 20), QByteArray("TESTMODEL").leftJustified(20, '\0'));
        QCOMPARE(first.mid(57, 10), QByteArray("V1.3.1").leftJustified(10, '\0'));
        QCOMPARE(first.mid(67, 10), QByteArray("V1.0.7").leftJustified(10, '\0'));
        QCOMPARE(first.mid(77, 20), QByteArray("Rack 1").leftJustified(20, '\0'));
        QCOMPARE(first.mid(117, 20), QByteArray(20, '\0')); // no preset loaded
        QCOMPARE(int(first.at(137)), 5);

        // Location and the loaded preset follow the processor's state; times count up.
        FrameClient c;
        QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.12"))));
        c.send(2, 2, 10, proto::DirSet, "A location that is far too long");
        c.send(3, 32, 5, proto::DirSet, hex("02") + "Show");
        c.send(3, 32, 2, proto::DirSet, hex("02"));
        QVERIFY(c.request(3, 32, 1));
        listener.drain();
        const QByteArray later = listener.next(77);
        QCOMPARE(later.size(), 140);
        QCOMPARE(later.mid(77, 20), QByteArray("A location that ").leftJustified(20, '\0'));
        QCOMPARE(later.mid(117, 20), QByteArray("Show").leftJustified(20, '\0'));
        const auto u32 = [](const QByteArray &d, int at) {
            return proto::getU32(reinterpret_cast<const uchar *>(d.constData()) + at);
        };
        QVERIFY(u32(later, 8) > u32(first, 8));
        QCOMPARE(u32(later, 12) - u32(first, 12), u32(later, 8) - u32(first, 8));
    }

    void commandPortMovesTheProcessor()
    {
        AnnouncementListener listener;
        const quint16 port = freeUdpPort();
        SimProcess sim({"--address", "127.0.0.13", "--machine-id", "88", "--announce",
                        listener.target(), "--command-port", QString::number(port)});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QUdpSocket sender;
        QHostAddress to(QStringLiteral("127.0.0.13"));
        const auto command = [&](quint32 machine, quint32 address) {
            proto::PayloadWriter w;
            w.u32(machine).u8(2).u8(0).u16(0).u32(12).u32(address).u32(0xFF000000).u32(0x7F000001);
            sender.writeDatagram(w.data(), to, port);
        };
        command(89, 0x7F00000E); // another machine: ignored
        command(88, 0x7F00000E); // 127.0.0.14
        QVERIFY(!sim.waitForLine(QStringLiteral("dapsim: 127.0.0.14 listening")).isEmpty());
        // Commands follow the processor to its new address (sent again until the socket
        // has moved, which happens once the command that moved it is done).
        const auto moveTo = [&](quint32 address, qsizetype lines) {
            return QTest::qWaitFor(
                [&] {
                    command(88, address);
                    return QTest::qWaitFor(
                        [&] {
                            return sim.lines().filter(QStringLiteral("listening")).size() == lines;
                        },
                        100);
                },
                5000);
        };
        to = QHostAddress(QStringLiteral("127.0.0.14"));
        QVERIFY(moveTo(0x7F00000D, 3)); // back to 127.0.0.13
        to = QHostAddress(QStringLiteral("127.0.0.13"));
        QVERIFY(moveTo(0x7F00000E, 4));
        to = QHostAddress(QStringLiteral("127.0.0.14"));
        FrameClient c;
        QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.14"))));
        QCOMPARE(payloadOf(c.request(2, 2, 12)).toHex(), hex("0e00007f"
                                                             "000000ff"
                                                             "0100007f")
                                                             .toHex());
        listener.drain();
        QCOMPARE(listener.next(88).mid(4, 4).toHex(), hex("0e00007f").toHex());

        // A LAN address is stored and announced but never bound.
        command(88, 0xC0A80132); // 192.168.1.50
        QVERIFY(!sim.waitForLine(QStringLiteral("192.168.1.50 stored, not bound")).isEmpty());
        listener.drain();
        QCOMPARE(listener.next(88).mid(4, 4).toHex(), hex("3201a8c0").toHex());
        QVERIFY(c.request(2, 2, 1)); // the open connection stays
    }

    // A command to another address of this host reaches a processor only when it was told to
    // listen on every address.
    void commandsAreHeardOnTheOwnAddressOnly_data()
    {
        QTest::addColumn<bool>("allAddresses");
        QTest::newRow("own address") << false;
        QTest::newRow("all addresses") << true;
    }
    void commandsAreHeardOnTheOwnAddressOnly()
    {
        QFETCH(bool, allAddresses);
        const quint16 port = freeUdpPort();
        QStringList arguments{"--address", "127.0.0.16",     "--machine-id",
                              "77",        "--command-port", QString::number(port)};
        if (allAddresses)
            arguments << "--command-all-addresses";
        SimProcess sim(arguments);
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        proto::PayloadWriter w;
        w.u32(77).u8(2).u8(0).u16(0).u32(12).u32(0x7F000011).u32(0xFF000000).u32(0x7F000001);
        QUdpSocket sender;
        sender.writeDatagram(w.data(), QHostAddress::LocalHost, port);
        const QString moved = sim.waitForLine(QStringLiteral("dapsim: 127.0.0.17 listening"),
                                              allAddresses ? 5000 : 500);
        QCOMPARE(!moved.isEmpty(), allAddresses);
    }

    void severalProcessors()
    {
        AnnouncementListener listener;
        SimProcess sim({"--address", "127.0.0.15", "--count", "3", "--machine-id", "500",
                        "--announce", listener.target()});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        for (quint32 n = 0; n < 3; ++n) {
            const QByteArray a = listener.next(500 + n);
            QCOMPARE(a.size(), 140);
            QCOMPARE(proto::getU32(reinterpret_cast<const uchar *>(a.constData()) + 4),
                     0x7F00000F + n);
        }
        // Each keeps its own state.
        FrameClient first;
        FrameClient last;
        QVERIFY(first.connectTo(QHostAddress(QStringLiteral("127.0.0.15"))));
        QVERIFY(last.connectTo(QHostAddress(QStringLiteral("127.0.0.17"))));
        first.send(3, 1, 3, proto::DirSet, hex("000000a0c1"));
        QCOMPARE(payloadOf(first.request(3, 1, 3, hex("00"))), hex("000000a0c1"));
        QCOMPARE(payloadOf(last.request(3, 1, 3, hex("00"))), hex("0000000000"));
    }

    void reducedGeneration()
    {
        SimProcess sim({"--address", "127.0.0.16", "--generation", "2"});
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        FrameClient c;
        QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.16"))));
        QCOMPARE(payloadOf(c.request(2, 2, 2)), hex("020301"));
        // No input delays; output delays limited to 218 ms (outputs 0-3) and 148 ms.
        QVERIFY(!c.request(3, 6, 1, hex("00"), 300));
        c.send(3, 12, 1, proto::DirSet, hex("0100004843")); // 200 on output 2
        c.send(3, 12, 1, proto::DirSet, hex("0500004843")); // 200 on output 6
        QCOMPARE(payloadOf(c.request(3, 12, 1, hex("01"))), hex("0100004843"));
        QCOMPARE(payloadOf(c.request(3, 12, 1, hex("05"))), hex("0500001443"));
        c.send(3, 32, 10, proto::DirSet, hex("00"));
        QCOMPARE(payloadOf(c.waitForReport(3, 32, 10)), hex("00000000")); // empty slot
        c.send(3, 32, 13, proto::DirSet, hex("00"));
        QCOMPARE(payloadOf(c.waitForReport(3, 32, 13)), hex("a60a0000")); // 2726
    }

    void faultsDropGarbageSilence()
    {
        {
            SimProcess sim({"--address", "127.0.0.18", "--drop-rate", "1"});
            QVERIFY2(sim.start(), qPrintable(sim.errorText()));
            FrameClient c;
            QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.18"))));
            QVERIFY(!c.request(2, 2, 1, {}, 300));
        }
        {
            SimProcess sim({"--address", "127.0.0.18", "--garbage-rate", "1", "--split"});
            QVERIFY2(sim.start(), qPrintable(sim.errorText()));
            FrameClient c;
            QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.18"))));
            for (int i = 0; i < 5; ++i)
                QCOMPARE(payloadOf(c.request(2, 2, 1)), QByteArray("DAP408", 7));
            QVERIFY(c.errorCount() > 0);
        }
        // Silence starts a fixed time after the start. A loaded machine may bring the first
        // request only after that; then the same steps run again with a longer window.
        for (int silentAfter = 1;; silentAfter *= 2) {
            AnnouncementListener listener;
            SimProcess sim({"--address", "127.0.0.18", "--silent-after",
                            QString::number(silentAfter), "--announce", listener.target(),
                            "--disconnect-after", QString::number(silentAfter + 2)});
            QVERIFY2(sim.start(), qPrintable(sim.errorText()));
            FrameClient c;
            QVERIFY(c.connectTo(QHostAddress(QStringLiteral("127.0.0.18"))));
            const bool answered = c.request(2, 2, 1).has_value();
            if (!answered && silentAfter < 8 &&
                !sim.lines().filter(QStringLiteral(" silent")).isEmpty())
                continue;
            QVERIFY(answered);
            QVERIFY(
                !sim.waitForLine(QStringLiteral(" silent"), silentAfter * 1000 + 10000).isEmpty());
            listener.drain();
            QVERIFY(!c.request(2, 2, 1, {}, 300));
            QVERIFY(listener.next(0, 1500).isEmpty());
            FrameClient late; // a silent processor does not even ask for a login
            QVERIFY(late.connectTo(QHostAddress(QStringLiteral("127.0.0.18"))));
            QVERIFY(late.expectNothing(2, 1, 1));
            QVERIFY(QTest::qWaitFor(
                [&] { return c.socket().state() == QAbstractSocket::UnconnectedState; }, 10000));
            break;
        }
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("lan address") << QStringList{"--address", "192.168.1.20"};
        QTest::newRow("lan announce") << QStringList{"--announce", "10.0.0.1:6696"};
        QTest::newRow("generation 3") << QStringList{"--generation", "3"};
        QTest::newRow("variant 44") << QStringList{"--variant", "44"};
        QTest::newRow("long password") << QStringList{"--password", "123456789"};
        QTest::newRow("drop rate 2") << QStringList{"--drop-rate", "2"};
        QTest::newRow("count past loopback")
            << QStringList{"--address", "127.255.255.250", "--count", "10"};
    }

    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QProcess p;
        p.start(SimProcess::executable(), arguments);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("dapsim:"));
    }

    void helpListsEveryOption()
    {
        QProcess p;
        p.start(SimProcess::executable(), {"--help"});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray help = p.readAllStandardOutput();
        for (const char *option :
             {"--address", "--machine-id", "--model", "--password", "--lock-password", "--announce",
              "--command-port", "--generation", "--variant", "--count", "--verbose", "--split",
              "--garbage-rate", "--drop-rate", "--silent-after", "--command-all-addresses"})
            QVERIFY2(help.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(TestSimNetwork)
#include "tst_simnetwork.moc"
