// The settings page: reports applied to the page, user edits sent as sets, polling.
#include "modules/moduleclock.h"
#include "pages/setup.h"
#include "protocol/frame.h"
#include "protocol/transport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace proto;

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// (frame type, parameter code) of a request or set.
using Key = QPair<int, int>;
} // namespace

class TestSetup : public QObject {
    Q_OBJECT

    std::unique_ptr<QSetup> m_page;
    QList<QByteArray> m_sent;

    void report(quint8 type, quint8 code, const QByteArray &payload, quint8 dir = DirReport)
    {
        m_page->receive(type, code, dir, quint16(payload.size()),
                        reinterpret_cast<const uchar *>(payload.constData()));
    }
    QList<Frame> sentFrames() const
    {
        QList<Frame> frames;
        for (const QByteArray &bytes : m_sent)
            frames.append(decodeFrame(bytes).value());
        return frames;
    }
    QList<Key> sentKeys() const
    {
        QList<Key> keys;
        for (const Frame &f : sentFrames())
            keys.append({f.frameType, f.paramCode});
        return keys;
    }
    QLabel *faultLabel(int i) const { return m_page->m_faultValues[i]; }
    // Shows the page as the active window so that focus and key input work offscreen.
    void showActive()
    {
        m_page->show();
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    }
    void typeAndReturn(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        // One key event carrying the whole text, as an input method delivers it.
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void init()
    {
        m_sent.clear();
        Transport::instance().setSink([this](const QByteArray &b) { m_sent.append(b); });
        m_page = std::make_unique<QSetup>();
    }
    void cleanup()
    {
        m_page.reset();
        Transport::instance().setSink({});
    }

    void reportShownAs_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("shown");
        QTest::newRow("device code") << 4 << 1 << hex("01 00 02 00 03 00") << "00001-3-00002";
        QTest::newRow("channel cfg") << 2 << 5 << hex("04 08") << "0408";
        QTest::newRow("run time") << 2 << 6 << hex("CD 5F 01 00") << "1day 01:01:01";
        QTest::newRow("total time") << 2 << 7 << hex("40 0D 03 00") << "2day 07:33:20";
        QTest::newRow("boot count") << 2 << 8 << hex("2A 00 00 00") << "42";
        QTest::newRow("cpu temp") << 2 << 9 << hex("00 00 12 42") << "36.5";
        QTest::newRow("arm ver") << 2 << 2 << hex("02 01 05") << "V2.1.5";
        QTest::newRow("dsp ver") << 2 << 3 << hex("01 0A 03 FF") << "V1.10.3";
        QTest::newRow("model cut to 19")
            << 2 << 1 << QByteArray("DAP-408 with a long name\0xx", 27) << "DAP-408 with a long";
        QTest::newRow("serial up to NUL") << 2 << 4 << QByteArray("SN0001\0junk", 11) << "SN0001";
    }
    void reportShownAs()
    {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QString, shown);
        auto labelTexts = [this] {
            QStringList texts;
            for (QLabel *l : m_page->findChildren<QLabel *>())
                texts.append(l->text());
            return texts;
        };
        // Another direction and a payload one byte short are ignored.
        report(type, code, payload, DirSet);
        report(type, code, payload.left(type == 2 && (code == 1 || code == 4) ? 0 : 1));
        QVERIFY(!labelTexts().contains(shown));
        report(type, code, payload);
        QVERIFY2(labelTexts().contains(shown), qPrintable(labelTexts().join('|')));
        QVERIFY(m_sent.isEmpty());
    }

    void textsBeforeLanguageChange()
    {
        QStringList texts;
        for (QLabel *l : m_page->findChildren<QLabel *>())
            texts.append(l->text());
        for (const char *t :
             {"Input label", "Input 4 :", "Output 8 :", "About", "Temperature :", "Model :",
              "Panel Lock :", "Description :", "Network", "Subnet mask :", "Fault", "Flash :"})
            QVERIFY2(texts.contains(QLatin1String(t)), t);
    }

    void faultBits()
    {
        report(2, 13, hex("0A"));
        const char *expected[] = {"Normal", "ERROR", "ERROR", "Normal"}; // DSP DAC Flash Temp
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(faultLabel(i)->text(), QString::fromLatin1(expected[i]));
            QCOMPARE(faultLabel(i)->styleSheet().isEmpty(), i == 0 || i == 3);
        }
        QCOMPARE(faultLabel(1)->styleSheet(), QStringLiteral("color: rgb(204, 0, 0);"));
        report(2, 13, hex("05"));
        QCOMPARE(faultLabel(0)->text(), QStringLiteral("ERROR"));
        QCOMPARE(faultLabel(1)->text(), QStringLiteral("Normal"));
        QCOMPARE(faultLabel(3)->text(), QStringLiteral("ERROR"));
    }

    void signalsOnReports()
    {
        QSignalSpy model(m_page.get(), &QSetup::sigModel);
        QSignalSpy dspVer(m_page.get(), &QSetup::sigDspVer);
        QSignalSpy allMute(m_page.get(), &QSetup::sigAllMute);
        QSignalSpy dspRes(m_page.get(), &QSetup::sigDspRes);
        QList<firmware> arm;
        connect(m_page.get(), &QSetup::sigArmVer, this, [&arm](firmware *v) { arm.append(*v); });

        // The model repeats every time; versions only when they change.
        report(2, 1, QByteArray("DAP408\0", 7));
        report(2, 1, QByteArray("DAP408\0", 7));
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.at(1).at(0).toString(), QStringLiteral("DAP408"));
        report(2, 2, hex("02 01 05"));
        report(2, 2, hex("02 01 05"));
        QCOMPARE(arm.size(), 1);
        QCOMPARE(arm[0].major, quint8(2));
        QCOMPARE(arm[0].patch, quint8(5));
        report(2, 2, hex("01 01 05"));
        QCOMPARE(arm.size(), 2);
        QCOMPARE(arm[1].major, quint8(1));
        report(2, 3, hex("03 00 07"));
        report(2, 3, hex("03 00 07"));
        QCOMPARE(dspVer.size(), 1);
        QCOMPARE(dspVer.at(0).at(0).toString(), QStringLiteral("V3.0.7"));

        // All-mute and DSP load every time.
        report(2, 15, hex("01"));
        report(2, 15, hex("00"));
        QCOMPARE(allMute.size(), 2);
        QCOMPARE(allMute.at(0).at(0).toBool(), true);
        QCOMPARE(allMute.at(1).at(0).toBool(), false);
        report(2, 16, hex("00 00 48 41 00 00 F0 41")); // 12.5, 30
        report(2, 16, hex("00 00 48 41 00 00 F0 41"));
        report(2, 16, hex("00 00 48 41 00 00 F0")); // short
        QCOMPARE(dspRes.size(), 2);
        QCOMPARE(dspRes.at(0).at(0).toFloat(), 12.5f);
        QCOMPARE(dspRes.at(0).at(1).toFloat(), 30.0f);
        QVERIFY(m_sent.isEmpty());
    }

    void labelReports()
    {
        QSignalSpy in(m_page.get(), &QSetup::sigInLabelChanged);
        QSignalSpy out(m_page.get(), &QSetup::sigOutLabelChanged);
        QByteArray inputs(64, '\0');
        inputs.replace(0, 3, "Mic");
        inputs.replace(16, 16, "ABCDEFGHIJKLMNOP"); // full field, no terminator
        inputs.replace(48, 4, "\xC9\xF9\xC0\xD6");  // two GB2312 characters
        report(3, 1, inputs);
        QCOMPARE(in.size(), 4); // first report applies every label
        QCOMPARE(m_page->inLabel(1), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(m_page->inLabel(3), QString::fromUtf8("声乐"));
        QCOMPARE(m_page->m_inEdits[0]->text(), QStringLiteral("Mic"));
        in.clear();
        inputs.replace(32, 4, QByteArray("Vox\0", 4));
        report(3, 1, inputs);
        QCOMPARE(in.size(), 1);
        QCOMPARE(in.at(0).at(0).value<uchar>(), uchar(2));
        QCOMPARE(in.at(0).at(1).toString(), QStringLiteral("Vox"));

        // Only the exact field sizes count; an output report of the input size is ignored.
        report(3, 2, QByteArray(64, 'x'));
        report(3, 1, inputs + '\0');
        QCOMPARE(out.size(), 0);
        QCOMPARE(in.size(), 1);
        QByteArray outputs(128, '\0');
        outputs.replace(7 * 16, 4, QByteArray("Sub\0", 4));
        report(3, 2, outputs);
        QCOMPARE(out.size(), 8);
        QCOMPARE(m_page->outLabel(7), QStringLiteral("Sub"));
        QVERIFY(m_sent.isEmpty());
    }

    void panelLock()
    {
        report(2, 20, hex("01"));
        QCOMPARE(m_page->m_panelLockBox->currentIndex(), 1);
        QVERIFY(m_sent.isEmpty());
        m_page->m_panelLockBox->setCurrentIndex(0); // as the user's choice would
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 02 14 01 01 00 00 7D 82")});
        QVERIFY(!m_page->panelLock());
    }

    void inputLabelTyped()
    {
        showActive();
        QSignalSpy in(m_page.get(), &QSetup::sigInLabelChanged);
        typeAndReturn(m_page->m_inEdits[2], QStringLiteral("Stage L"));
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 02 03 01 01 08 00 02 53 74 61 67 65 20 4C "
                                       "7D 82")});
        QCOMPARE(in.size(), 1);
        QCOMPARE(in.at(0).at(0).value<uchar>(), uchar(2));
        QCOMPARE(in.at(0).at(1).toString(), QStringLiteral("Stage L"));
        // The edit lost its focus without finishing a second time.
        QVERIFY(!m_page->m_inEdits[2]->hasFocus());
        m_page->m_outEdits[0]->setFocus();
        QCOMPARE(m_sent.size(), 1);
    }

    void textsCutToWholeCharacters()
    {
        showActive();
        QSignalSpy location(m_page.get(), &QSetup::sigLocation);
        // Nine two-byte characters are 18 bytes: the last one does not fit in 16.
        typeAndReturn(m_page->m_locationEdit, QString::fromUtf8("一二三四五六七八九"));
        const QList<Frame> frames = sentFrames();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0].frameType, quint8(2));
        QCOMPARE(frames[0].paramCode, quint8(10));
        QCOMPARE(frames[0].direction, quint8(DirSet));
        QCOMPARE(frames[0].payload.size(), 16);
        QCOMPARE(location.size(), 1);
        QCOMPARE(location.at(0).at(0).toString(), QString::fromUtf8("一二三四五六七八"));
        QCOMPARE(m_page->m_locationEdit->text(), QString::fromUtf8("一二三四五六七八"));
        // The processor's echo of the same text changes nothing.
        report(2, 10, frames[0].payload + '\0');
        QCOMPARE(location.size(), 1);
        // Typing the same long text again shows the cut text, though nothing changed.
        typeAndReturn(m_page->m_locationEdit, QString::fromUtf8("一二三四五六七八九"));
        QCOMPARE(m_page->m_locationEdit->text(), QString::fromUtf8("一二三四五六七八"));
        QCOMPARE(location.size(), 1);
    }

    void networkEdits()
    {
        showActive();
        QSignalSpy ip(m_page.get(), &QSetup::sigIpaddr);
        // Nothing known yet: a mask alone would send 0.0.0.0 as the address. Once address
        // and mask are known, a gateway never reported goes out as 0.0.0.0.
        typeAndReturn(m_page->m_maskEdit, QStringLiteral("255.255.0.0"));
        QVERIFY(m_sent.isEmpty());
        typeAndReturn(m_page->m_ipEdit, QStringLiteral("10.1.2.3"));
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 02 0C 01 0C 00 03 02 01 0A "
                                               "00 00 FF FF 00 00 00 00 7D 82")});
        m_sent.clear();

        report(2, 12, hex("64 01 A8 C0 00 FF FF FF 01 01 A8 C0"));
        report(2, 12, hex("64 01 A8 C0 00 FF FF FF 01 01 A8 C0"));
        QCOMPARE(ip.size(), 2);
        QCOMPARE(ip.at(1).at(0).toUInt(), 0xC0A80164u);
        QCOMPARE(m_page->m_ipEdit->text(), QStringLiteral("192.168.1.100"));
        QCOMPARE(m_page->m_maskEdit->text(), QStringLiteral("255.255.255.0"));
        QCOMPARE(m_page->m_gatewayEdit->text(), QStringLiteral("192.168.1.1"));

        typeAndReturn(m_page->m_gatewayEdit, QStringLiteral("192.168.1.254"));
        // Another subnet: the gateway goes first (empty is none), then the address.
        typeAndReturn(m_page->m_gatewayEdit, QString());
        typeAndReturn(m_page->m_ipEdit, QStringLiteral("10.0.0.7"));
        QCOMPARE(m_sent, (QList<QByteArray>{
                             hex("82 7D 01 00 02 02 0C 01 0C 00 64 01 A8 C0 00 FF FF FF FE 01 "
                                 "A8 C0 7D 82"),
                             hex("82 7D 01 00 02 02 0C 01 0C 00 64 01 A8 C0 00 FF FF FF 00 00 "
                                 "00 00 7D 82"),
                             hex("82 7D 01 00 02 02 0C 01 0C 00 07 00 00 0A 00 FF FF FF 00 00 "
                                 "00 00 7D 82")}));
        QCOMPARE(ip.size(), 3);
        QCOMPARE(m_page->m_gatewayEdit->text(), QStringLiteral("0.0.0.0"));

        // An address the validator refuses never finishes the edit.
        m_sent.clear();
        typeAndReturn(m_page->m_ipEdit, QStringLiteral("10.0.0."));
        typeAndReturn(m_page->m_maskEdit, QStringLiteral("255.255"));
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(m_page->ipaddress(), 0x0A000007u);
    }

    // Values that would cut the processor off are refused with a reason; the field shows
    // the last valid value and nothing is sent.
    void networkValuesThatCutOff_data()
    {
        QTest::addColumn<int>("field"); // 0 address, 1 mask, 2 gateway
        QTest::addColumn<QString>("text");
        QTest::newRow("mask 0.0.0.0") << 1 << "0.0.0.0";
        QTest::newRow("mask with a hole") << 1 << "255.0.255.0";
        QTest::newRow("address 0.0.0.0") << 0 << "0.0.0.0";
        QTest::newRow("address 0.x.x.x") << 0 << "0.1.2.3";
        QTest::newRow("subnet's own address") << 0 << "192.168.1.0";
        QTest::newRow("subnet's broadcast") << 0 << "192.168.1.255";
        QTest::newRow("address leaving the gateway's subnet") << 0 << "10.0.0.7";
        QTest::newRow("gateway outside the subnet") << 2 << "10.0.0.1";
        QTest::newRow("gateway the subnet's broadcast") << 2 << "192.168.1.255";
        // 192.168.1.103 is the broadcast address of its /30.
        QTest::newRow("mask making the address a broadcast") << 1 << "255.255.255.252";
    }
    void networkValuesThatCutOff()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        showActive();
        report(2, 12, hex("67 01 A8 C0 00 FF FF FF 01 01 A8 C0")); // 192.168.1.103
        QLineEdit *edits[] = {m_page->m_ipEdit, m_page->m_maskEdit, m_page->m_gatewayEdit};
        const QString before = edits[field]->text();
        auto *problem = m_page->findChild<QLabel *>("networkProblemLabel");
        QVERIFY(problem && problem->text().isEmpty());
        m_sent.clear();
        typeAndReturn(edits[field], text);
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(edits[field]->text(), before);
        QVERIFY(!problem->text().isEmpty());
        QCOMPARE(m_page->ipaddress(), 0xC0A80167u);
        QCOMPARE(m_page->netmask(), 0xFFFFFF00u);
        QCOMPARE(m_page->gateway(), 0xC0A80101u);
        // A valid value afterwards goes out and clears the reason.
        typeAndReturn(m_page->m_gatewayEdit, QStringLiteral("192.168.1.2"));
        QCOMPARE(m_sent.size(), 1);
        QVERIFY(problem->text().isEmpty());
    }

    void requestDeviceInfo()
    {
        m_page->requestDeviceInfo();
        // Labels, then the whole summary, so a new processor's facts need not wait a poll.
        QCOMPARE(m_sent, (QList<QByteArray>{hex("82 7D 01 00 02 03 01 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 03 02 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 01 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 02 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 03 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 0A 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 0B 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 10 00 00 00 7D 82"),
                                            hex("82 7D 01 00 02 02 0C 00 00 00 7D 82")}));
    }

    void pollingHidden()
    {
        for (int i = 0; i < 9; ++i)
            m_page->timeOut100ms();
        QCOMPARE(sentKeys(), QList<Key>(9, Key(2, 15)));
        m_sent.clear();
        m_page->timeOut100ms();
        const QList<Key> expected = {{2, 15}, {2, 1},  {2, 2},  {2, 3},
                                     {2, 10}, {2, 11}, {2, 16}, {2, 12}};
        QCOMPARE(sentKeys(), expected);
        for (const Frame &f : sentFrames()) {
            QCOMPARE(f.direction, quint8(DirRequest));
            QCOMPARE(f.length(), quint16(0));
        }
    }

    void pollingVisible()
    {
        showActive();
        for (int i = 0; i < 9; ++i)
            m_page->timeOut100ms();
        m_sent.clear();
        m_page->timeOut100ms();
        const QList<Key> expected = {{2, 15}, {2, 1}, {2, 2},  {2, 3}, {2, 10}, {2, 11}, {2, 16},
                                     {2, 12}, {2, 4}, {2, 6},  {2, 7}, {2, 8},  {2, 9},  {2, 5},
                                     {2, 13}, {4, 1}, {2, 20}, {3, 1}, {3, 2}};
        QCOMPARE(sentKeys(), expected);
    }

    void sharedClockDrivesPolling()
    {
        for (int i = 0; i < 4; ++i)
            ModuleClock::instance().tick();
        QVERIFY(m_sent.isEmpty());
        ModuleClock::instance().tick();
        QCOMPARE(sentKeys(), QList<Key>{Key(2, 15)});
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
