// The announcement record, the command datagram and the texts shown for them.
#include "announce.h"
#include "devices/broadcastmsg.h"

#include <QtTest>

using namespace devices;

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}
} // namespace

class TestDevRecord : public QObject {
    Q_OBJECT
private slots:
    void decodesEveryFieldAtItsOffset()
    {
        Announce a;
        a.machineid = 0x01020304;
        a.ipaddress = 0xC0A80164; // 192.168.1.100
        a.runTime = 90061;
        a.totalTime = 7;
        a.model = "ABCDEFGHIJKLMNOPQRST"; // a full field has no NUL
        a.fault = 3;
        QByteArray bytes = a.bytes();
        QCOMPARE(bytes.mid(4, 4), hex("64 01 A8 C0"));
        bytes[16] = char(0x55);
        bytes[138] = char(0x66);

        const std::optional<broadcastMsg> m = broadcastMsg::decode(bytes);
        QVERIFY(m);
        QCOMPARE(m->machineid, 0x01020304u);
        QCOMPARE(ipText(m->ipaddress), QStringLiteral("192.168.1.100"));
        QCOMPARE(m->runTime, 90061u);
        QCOMPARE(m->totalTime, 7u);
        QCOMPARE(fieldBytes(m->sn), QByteArray("SN-1"));
        QCOMPARE(fieldBytes(m->model), QByteArray("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(fieldBytes(m->ARMFirmware), QByteArray("1.0.0"));
        QCOMPARE(fieldBytes(m->DSPFirmware), QByteArray("2.0.0"));
        QCOMPARE(fieldBytes(m->location), QByteArray("Hall"));
        QCOMPARE(fieldBytes(m->description), QByteArray("Left rack"));
        QCOMPARE(fieldBytes(m->preset), QByteArray("Show"));
        QCOMPARE(m->fault, quint8(3));
        // Encoding gives back exactly the bytes received, reserved ones included.
        QCOMPARE(m->encode(), bytes);
    }

    void sizes()
    {
        QVERIFY(!broadcastMsg::decode(Announce().bytes(139)));
        const std::optional<broadcastMsg> m = broadcastMsg::decode(Announce().bytes(200));
        QVERIFY(m);
        QCOMPARE(m->encode(), Announce().bytes(140));
    }

    void commandTwoDatagram()
    {
        const QByteArray payload = hex("32 01 A8 C0 00 FF FF FF 01 01 A8 C0");
        QCOMPARE(udpCommand(5, 2, payload),
                 hex("05 00 00 00 02 00 00 00 0C 00 00 00 32 01 A8 C0 00 FF FF FF 01 01 A8 C0"));
    }

    // The broadcast reaches processors on the network; a simulator on this host's loopback
    // hears commands on its own address only. A destination chosen on purpose stays.
    void commandDestinations_data()
    {
        QTest::addColumn<QHostAddress>("configured");
        QTest::addColumn<quint32>("processor");
        QTest::addColumn<QHostAddress>("destination");
        const QHostAddress broadcast(QHostAddress::Broadcast);
        const QHostAddress chosen(QStringLiteral("127.0.0.1"));
        QTest::newRow("network") << broadcast << 0xC0A80132u << broadcast;
        QTest::newRow("loopback") << broadcast << 0x7F000203u
                                  << QHostAddress(QStringLiteral("127.0.2.3"));
        QTest::newRow("chosen, loopback") << chosen << 0x7F000203u << chosen;
        QTest::newRow("chosen, network") << chosen << 0xC0A80132u << chosen;
    }
    void commandDestinations()
    {
        QFETCH(QHostAddress, configured);
        QFETCH(quint32, processor);
        QFETCH(QHostAddress, destination);
        QCOMPARE(commandDestination(configured, processor), destination);
    }

    void texts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii cut")
            << QByteArray("ABCDEFGHIJKLMNOPQRST") << 16 << QStringLiteral("ABCDEFGHIJKLMNOP");
        // "机房" in GB2312 is BB FA B7 BF; a cut never leaves half a character.
        QTest::newRow("gb whole") << hex("41 BB FA B7 BF") << 20 << QStringLiteral("A机房");
        QTest::newRow("gb cut between") << hex("41 BB FA B7 BF") << 3 << QStringLiteral("A机");
        QTest::newRow("gb cut inside") << hex("41 BB FA B7 BF") << 4 << QStringLiteral("A机");
    }
    void texts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, maxBytes);
        QFETCH(QString, shown);
        char field[20] = {};
        setField(field, bytes);
        QCOMPARE(fieldText(field, maxBytes), shown);
    }

    void timesAndAddresses()
    {
        QCOMPARE(timeText(0), QStringLiteral("0day 00:00:00"));
        QCOMPARE(timeText(90061), QStringLiteral("1day 01:01:01"));
        QCOMPARE(timeText(4294967295u), QStringLiteral("49710day 06:28:15"));
        QCOMPARE(ipText(0xFFFFFF00), QStringLiteral("255.255.255.0"));
    }
};

QTEST_GUILESS_MAIN(TestDevRecord)
#include "tst_devrecord.moc"
