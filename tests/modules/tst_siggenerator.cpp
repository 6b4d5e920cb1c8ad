// The signal generator and feedback suppressor panels, driven through their widgets, tick and
#include "panelharness.h"
// receive entry points.
#include "modules/feedback.h"
#include "modules/siggenerator.h"
#include "protocol/transport.h"
#include "widgets/qfader.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
using panelharness::hex;

void report(QModulePanel &p, quint8 code, const char *payloadHex, quint8 direction = 0x80)
{
    const QByteArray bytes = hex(payloadHex);
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.constData()));
}

using panelharness::ticks;
} // namespace

class TestSigGenerator : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    QList<QByteArray> sets() const { return panelharness::setsOf(m_sent); }

private slots:
    void init() { panelharness::captureSent(m_sent); }
    void cleanup() { panelharness::stopCapture(); }

    void sineStartsAtOneKilohertz()
    {
        QSigGenerator p;
        report(p, 3, "00");          // pink noise
        report(p, 2, "00 00 DC 43"); // 440 Hz
        QCOMPARE(p.frequencyEdit()->text(), QString("440"));
        QCOMPARE(p.sourceBox()->currentIndex(), 0);
        QVERIFY(m_sent.isEmpty());

        p.sourceBox()->setCurrentIndex(1);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 08 02 01 04 00 00 00 7A 44 7D 82"),
                                            hex("82 7D 01 00 03 08 03 01 01 00 01 7D 82")}));
        QCOMPARE(p.frequencyEdit()->text(), QString("1000"));

        m_sent.clear();
        p.sourceBox()->setCurrentIndex(2);
        p.sourceBox()->setCurrentIndex(1); // already at 1000 Hz
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 08 03 01 01 00 02 7D 82"),
                                            hex("82 7D 01 00 03 08 03 01 01 00 01 7D 82")}));
    }

    void typedValues_data()
    {
        QTest::addColumn<bool>("frequency");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("gain fraction") << false << "-30.5"
                                       << "-30" << hex("04 01 04 00 00 00 F0 C1");
        QTest::newRow("gain above") << false << "20"
                                    << "12" << hex("04 01 04 00 00 00 40 41");
        QTest::newRow("gain nan") << false << "nan"
                                  << "-30" << QByteArray();
        QTest::newRow("gain text") << false << "x"
                                   << "-30" << QByteArray();
        // Goes out as typed; the field shows whole hertz.
        QTest::newRow("freq fraction") << true << "440.7"
                                       << "440" << hex("02 01 04 00 9A 59 DC 43");
        QTest::newRow("freq below band") << true << "5"
                                         << "20" << hex("02 01 04 00 00 00 A0 41");
        // Beyond 16 bits: held at the band's top, not wrapped.
        QTest::newRow("freq above band") << true << "70000"
                                         << "20000" << hex("02 01 04 00 00 40 9C 46");
        QTest::newRow("freq inf") << true << "inf"
                                  << "1000" << QByteArray();
    }
    void typedValues()
    {
        QFETCH(bool, frequency);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, sent);
        QSigGenerator p;
        QLineEdit *edit = frequency ? p.frequencyEdit() : p.gainEdit();
        edit->setText(typed);
        emit edit->editingFinished();
        QCOMPARE(edit->text(), shown);
        if (frequency)
            QCOMPARE(int(p.state().frequency), shown.toInt());
        else
            QCOMPARE(p.fader()->value(), shown.toFloat());
        if (sent.isEmpty())
            QVERIFY(sets().isEmpty());
        else
            QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 08") + sent + hex("7D 82")});
    }

    void dragSendsOnceAndHoldsGainReports()
    {
        QSigGenerator p;
        for (int k = 0; k < 20; ++k) {
            emit p.fader()->valueChanged(-40.0f + float(k) * 0.3f);
            p.timeOut20ms();
        }
        emit p.fader()->valueChanged(-10.6f);
        QCOMPARE(p.fader()->value(), -10.0f); // snaps to whole dB
        QCOMPARE(p.gainEdit()->text(), QString("-10"));
        ticks(p, 4);
        QVERIFY(sets().isEmpty());
        p.timeOut20ms();
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 08 04 01 04 00 00 00 20 C1 7D 82")});
        report(p, 4, "00 00 F0 C1"); // -30 under way: held back
        report(p, 5, "01");          // other reports still apply
        QCOMPARE(p.state().gain, -10.0f);
        QVERIFY(p.muteButton()->isChecked());
        ticks(p, 5);
        report(p, 4, "00 00 F0 C1");
        QCOMPARE(p.gainEdit()->text(), QString("-30"));
        ticks(p, 20);
        QCOMPARE(sets().size(), 1);
    }

    void reports()
    {
        QSigGenerator p;
        report(p, 1, "06 01");
        report(p, 3, "02");
        report(p, 4, "00 00 40 C1"); // -12
        QVERIFY(p.outputButton(6)->isChecked());
        QCOMPARE(p.sourceBox()->currentIndex(), 2);
        QCOMPARE(p.gainEdit()->text(), QString("-12"));

        // Not finite, unknown source, no such output, wrong length or direction: ignored.
        report(p, 4, "00 00 C0 7F");
        report(p, 2, "00 00 80 7F");
        report(p, 3, "03");
        report(p, 1, "08 01");
        report(p, 1, "05 01 00");
        report(p, 5, "01", 0x01);
        QCOMPARE(p.state().gain, -12.0f);
        QCOMPARE(int(p.state().frequency), 1000);
        QCOMPARE(int(p.state().source), 2);
        QVERIFY(!p.outputButton(5)->isChecked());
        QVERIFY(!p.muteButton()->isChecked());
        ticks(p, 20);
        QVERIFY(sets().isEmpty());
    }

    // Values beyond what the controls show stay as reported: clicks on other fields send
    // only their own, and the fields show whole units within their ranges.
    void reportedValuesKept()
    {
        QSigGenerator p;
        report(p, 2, "00 50 C3 46"); // 25000 Hz
        report(p, 4, "00 00 A0 41"); // +20 dBu
        QCOMPARE(p.state().frequency, 25000.0f);
        QCOMPARE(p.state().gain, 20.0f);
        QCOMPARE(p.frequencyEdit()->text(), QString("20000"));
        QCOMPARE(p.gainEdit()->text(), QString("12"));
        QCOMPARE(p.fader()->value(), 12.0f);
        p.muteButton()->click();
        p.outputButton(2)->click();
        ticks(p, 20);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 08 05 01 01 00 01 7D 82"),
                                            hex("82 7D 01 00 03 08 01 01 02 00 02 01 7D 82")}));
        QCOMPARE(p.state().frequency, 25000.0f);
        QCOMPARE(p.state().gain, 20.0f);

        // A sine starts at 1 kHz: 1000.5 Hz is not 1 kHz although the field shows 1000.
        m_sent.clear();
        report(p, 3, "00");
        report(p, 2, "00 20 7A 44");
        QCOMPARE(p.frequencyEdit()->text(), QString("1000"));
        p.sourceBox()->setCurrentIndex(1);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 08 02 01 04 00 00 00 7A 44 7D 82"),
                                            hex("82 7D 01 00 03 08 03 01 01 00 01 7D 82")}));
    }

    void buttonsSendAtOnce()
    {
        QSigGenerator p;
        p.outputButton(0)->click();
        p.muteButton()->click();
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 08 01 01 02 00 00 01 7D 82"),
                                            hex("82 7D 01 00 03 08 05 01 01 00 01 7D 82")}));
        QCOMPARE(p.state().outputs[0], quint8(1));
    }

    void pollingHiddenSendsOnlySecurityRequest()
    {
        QSigGenerator p;
        ticks(p, 20);
        const QByteArray security = hex("82 7D 01 00 02 05 0A 00 00 00 7D 82");
        QCOMPARE(m_sent, (QList<QByteArray>{security, security}));
        m_sent.clear();
        p.show();
        ticks(p, 10);
        QCOMPARE(m_sent.size(), 1 + 8 + 4);
        QCOMPARE(m_sent[0], security);
        QCOMPARE(m_sent[1], hex("82 7D 01 00 03 08 01 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[8], hex("82 7D 01 00 03 08 01 00 01 00 07 7D 82"));
        QCOMPARE(m_sent[9], hex("82 7D 01 00 03 08 02 00 00 00 7D 82"));
        QCOMPARE(m_sent[10], hex("82 7D 01 00 03 08 03 00 00 00 7D 82"));
        QCOMPARE(m_sent[11], hex("82 7D 01 00 03 08 05 00 00 00 7D 82"));
        QCOMPARE(m_sent[12], hex("82 7D 01 00 03 08 04 00 00 00 7D 82"));
    }

    void outputLocks()
    {
        QSigGenerator p;
        p.show();
        p.setSecurityState(2, 1);
        QVERIFY(p.outputButton(2)->isVisible());
        QVERIFY(!p.outputButton(2)->isEnabled());
        p.setSecurityState(3, 2);
        QVERIFY(!p.outputButton(3)->isVisible());
        QVERIFY(p.fader()->isEnabled());
        p.setSecurityState(3, 0);
        QVERIFY(p.outputButton(3)->isVisible());
        QVERIFY(p.outputButton(3)->isEnabled());
    }

    void feedbackSwitch()
    {
        QFeedback p;
        p.strip(2).enable->click();
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 03 01 01 02 00 02 01 7D 82")});
        QVERIFY(p.enabled(2));

        report(p, 1, "01 01 00"); // one byte too long
        report(p, 1, "04 01");    // no such input
        QVERIFY(!p.enabled(1));
        report(p, 1, "01 07");
        QVERIFY(p.strip(1).enable->isChecked());
        report(p, 1, "02 00");
        QVERIFY(!p.strip(2).enable->isChecked());
        QCOMPARE(sets().size(), 1);
    }

    void feedbackPollsOnlyWhileShown()
    {
        QFeedback p;
        ticks(p, 20);
        QVERIFY(m_sent.isEmpty());
        p.show();
        ticks(p, 10);
        QCOMPARE(m_sent.size(), 5);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 02 05 05 00 00 00 7D 82"));
        QCOMPARE(m_sent[4], hex("82 7D 01 00 03 03 01 00 01 00 03 7D 82"));

        p.setSecurityState(0, 2);
        QVERIFY(!p.strip(0).enable->isVisible());
        QVERIFY(!p.strip(0).title->isVisible());
        p.setSecurityState(0, 1);
        QVERIFY(p.strip(0).enable->isVisible());
        QVERIFY(!p.strip(0).background->isEnabled());
    }
};

QTEST_MAIN(TestSigGenerator)
#include "tst_siggenerator.moc"
