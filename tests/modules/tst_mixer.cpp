// The mixer matrix panel, driven through its widgets, tick and receive entry points.
#include "../widgets/paintcounter.h"
#include "modules/mixbutton.h"
#include "modules/mixer.h"
#include "panelharness.h"
#include "protocol/transport.h"
#include "widgets/qfader.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {
using panelharness::hex;

void report(QMixer &p, quint8 code, const char *payloadHex, quint8 direction = 0x80)
{
    const QByteArray bytes = hex(payloadHex);
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.constData()));
}

using panelharness::ticks;

// Answers the next message box with the button of that text.
void answerNextBox(const QString &answer)
{
    QTimer::singleShot(0, [answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == answer)
                b->click();
        }
    });
}
} // namespace

class TestMixer : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    QList<QByteArray> sets() const { return panelharness::setsOf(m_sent); }

private slots:
    void init() { panelharness::captureSent(m_sent); }
    void cleanup() { panelharness::stopCapture(); }

    void singleClickSelectsDoubleClickSwitches()
    {
        QMixer p;
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        QSignalSpy selected(&p, &QMixer::outputChanged);
        QTest::mouseClick(p.button(3, 2), Qt::LeftButton);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0][0].value<uchar>(), uchar(3));
        QCOMPARE(p.selectedOutput(), 3);
        QVERIFY(p.row(3)->isSelected());
        QVERIFY(!p.row(0)->isSelected());
        QVERIFY(!p.button(3, 2)->isOn());
        QVERIFY(p.button(3, 2)->isFocused());
        QCOMPARE(p.button(3, 2)->styleSheet(), QMixButton::styleFor(false, true));
        QVERIFY(QMixButton::styleFor(false, true).contains("border: 1px solid rgb(255, 0, 0)"));
        QVERIFY(sets().isEmpty());

        QTest::mouseDClick(p.button(3, 2), Qt::LeftButton);
        QVERIFY(p.button(3, 2)->isOn());
        QVERIFY(p.crosspointOn(3, 2));
        QVERIFY(p.strip(2).enable->isChecked());
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 01 01 03 00 03 02 01 7D 82")});

        // The row of the selected output: nothing changes, the selection is told again.
        p.outRectClicked(3);
        QCOMPARE(selected.size(), 2);
        QCOMPARE(p.selectedOutput(), 3);

        // The strip's enable button switches the same crosspoint off.
        m_sent.clear();
        p.strip(2).enable->click();
        QVERIFY(!p.button(3, 2)->isOn());
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 01 01 03 00 03 02 00 7D 82")});
    }

    void resetConfirmedClearsWholeMatrix()
    {
        QMixer p;
        report(p, 1, "02 01 00 01 01");
        report(p, 2, "02 F6 00 0C BA");
        QCOMPARE(p.button(2, 3)->text(), QString("-70dBu"));

        answerNextBox("Cancel");
        p.resetButtonClicked();
        QVERIFY(m_sent.isEmpty());
        QVERIFY(p.crosspointOn(2, 0));

        answerNextBox("OK");
        p.resetButtonClicked();
        QList<QByteArray> expected;
        for (int o = 0; o < 8; ++o) {
            const QByteArray out(1, char(o));
            expected << hex("82 7D 01 00 03 07 01 01 06 00") + out + hex("00 01 02 03 00 7D 82")
                     << hex("82 7D 01 00 03 07 02 01 06 00") + out + hex("00 01 02 03 00 7D 82");
        }
        QCOMPARE(sets(), expected);
        for (int o = 0; o < 8; ++o) {
            for (int i = 0; i < 4; ++i) {
                QVERIFY(!p.button(o, i)->isOn());
                QCOMPARE(p.button(o, i)->text(), QString("0dBu"));
            }
        }
        ticks(p, 20);
        QCOMPARE(sets().size(), 16);

        // "All Mix" switches every crosspoint on.
        m_sent.clear();
        answerNextBox("OK");
        p.allMixButtonClicked();
        QCOMPARE(sets().size(), 16);
        QCOMPARE(sets()[14], hex("82 7D 01 00 03 07 01 01 06 00 07 00 01 02 03 01 7D 82"));
        QVERIFY(p.button(7, 3)->isOn());
        QVERIFY(p.strip(1).enable->isChecked());
    }

    void typedGain_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("above range") << "20"
                                     << "12" << hex("0C");
        QTest::newRow("below range") << "-90"
                                     << "-70" << hex("BA");
        QTest::newRow("fraction truncated") << "-5.5"
                                            << "-5" << hex("FB");
        QTest::newRow("nan refused") << "nan"
                                     << "-3" << QByteArray();
        QTest::newRow("inf refused") << "-inf"
                                     << "-3" << QByteArray();
        QTest::newRow("text refused") << "loud"
                                      << "-3" << QByteArray();
    }
    void typedGain()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, sent);
        QMixer p;
        p.selectChannel(4);
        report(p, 2, "04 00 FD 00 00"); // input 2 on output 5 at -3 dB
        p.strip(1).gainEdit->setText(typed);
        emit p.strip(1).gainEdit->editingFinished();
        QCOMPARE(p.strip(1).gainEdit->text(), shown);
        QCOMPARE(p.button(4, 1)->text(), shown + "dBu");
        QCOMPARE(p.strip(1).fader->value(), shown.toFloat());
        if (sent.isEmpty())
            QVERIFY(sets().isEmpty());
        else
            QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 02 01 03 00 04 01") + sent +
                                               hex("7D 82")});
    }

    void reports()
    {
        QMixer p;
        report(p, 2, "00 0C 00 00 00");
        QCOMPARE(p.button(0, 0)->text(), QString("12dBu"));
        QCOMPARE(p.strip(0).fader->value(), 12.0f);
        QCOMPARE(p.strip(0).gainEdit->text(), QString("12"));
        report(p, 1, "05 00 00 07 00"); // any nonzero byte is on
        QVERIFY(p.button(5, 2)->isOn());
        QVERIFY(!p.strip(2).enable->isChecked()); // output 6 is not the selected one
        // Beyond the range: kept as reported, shown at the range's ends.
        report(p, 2, "06 80 7F 00 00");
        QCOMPARE(p.crosspointGain(6, 0), -128);
        QCOMPARE(p.crosspointGain(6, 1), 127);
        QCOMPARE(p.button(6, 0)->text(), QString("-70dBu"));
        QCOMPARE(p.button(6, 1)->text(), QString("12dBu"));
        p.selectChannel(6);
        QCOMPARE(p.strip(1).fader->value(), 12.0f);
        QCOMPARE(p.strip(1).gainEdit->text(), QString("12"));
        p.selectChannel(0);

        // Wrong length, direction or output: nothing.
        report(p, 2, "01 05 05 05 05 05");
        report(p, 2, "01 05 05 05 05", 0x01);
        report(p, 2, "08 05 05 05 05");
        report(p, 1, "01 01 01 01");
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(p.crosspointGain(1, i), 0);
            QVERIFY(!p.crosspointOn(1, i));
        }
        ticks(p, 20);
        QVERIFY(sets().isEmpty());
    }

    // A gain beyond what the fader shows survives clicks on its crosspoint and edits of the
    // row's other inputs; only an edit of that gain replaces it.
    void reportedGainSurvivesOtherEdits()
    {
        QMixer p;
        p.show();
        report(p, 2, "03 14 00 00 00"); // O4: I1 at +20 dB
        p.selectChannel(3);
        p.strip(0).enable->click();
        emit p.strip(2).fader->valueChanged(-6.0f);
        ticks(p, 20);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 07 01 01 03 00 03 00 01 7D 82"),
                                            hex("82 7D 01 00 03 07 02 01 03 00 03 02 FA 7D 82")}));
        QCOMPARE(p.crosspointGain(3, 0), 20);
        QCOMPARE(p.strip(0).gainEdit->text(), QString("12"));

        m_sent.clear();
        emit p.strip(0).fader->valueChanged(11.0f);
        ticks(p, 20);
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 02 01 03 00 03 00 0B 7D 82")});
        QCOMPARE(p.crosspointGain(3, 0), 11);
    }

    void dragSendsOnceAndHoldsReports()
    {
        QMixer p;
        p.selectChannel(2);
        for (int k = 0; k < 20; ++k) {
            emit p.strip(1).fader->valueChanged(-30.0f + float(k) * 0.5f);
            p.timeOut20ms();
        }
        emit p.strip(1).fader->valueChanged(-20.7f);
        QCOMPARE(p.strip(1).gainEdit->text(), QString("-20"));
        QCOMPARE(p.button(2, 1)->text(), QString("-20dBu"));
        ticks(p, 4);
        QVERIFY(sets().isEmpty());
        p.timeOut20ms();
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 02 01 03 00 02 01 EC 7D 82")});
        report(p, 2, "02 00 00 00 00"); // under way before the send: held back
        QCOMPARE(p.crosspointGain(2, 1), -20);
        ticks(p, 5);
        report(p, 2, "02 00 F6 00 00");
        QCOMPARE(p.crosspointGain(2, 1), -10);
    }

    void pendingGainBelongsToEditedOutput()
    {
        QMixer p;
        p.selectChannel(2);
        emit p.strip(1).fader->valueChanged(-20.0f);
        p.timeOut20ms();
        p.outRectClicked(5); // before the send is due
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 07 02 01 03 00 02 01 EC 7D 82")});
        QCOMPARE(p.strip(1).gainEdit->text(), QString("0"));
        ticks(p, 20);
        QCOMPARE(sets().size(), 1);
        QCOMPARE(p.crosspointGain(5, 1), 0);
    }

    void locks()
    {
        QMixer p;
        p.show();
        p.setSecurityState(0, 2); // the selected output hidden
        QVERIFY(!p.row(0)->isVisible());
        QVERIFY(!p.strip(0).background->isVisible());
        QVERIFY(!p.stripCaption()->isVisible());
        QVERIFY(!p.allMixButton()->isVisible());
        QVERIFY(!p.resetButton()->isVisible());

        // A free output shows strips and buttons again; the buttons stay unusable while an
        // output is locked, since they would change it.
        p.outRectClicked(3);
        QVERIFY(p.strip(0).background->isVisible());
        QVERIFY(p.stripArea()->isEnabled());
        QVERIFY(p.allMixButton()->isVisible());
        QVERIFY(!p.allMixButton()->isEnabled());
        QVERIFY(!p.resetButton()->isEnabled());
        answerNextBox("OK");
        p.allMixButtonClicked();
        QVERIFY(m_sent.isEmpty());
        QVERIFY(!p.crosspointOn(0, 0));

        p.setSecurityState(0, 0);
        QVERIFY(p.resetButton()->isEnabled());
        p.setSecurityState(6, 1); // read-only, not selected
        QVERIFY(p.row(6)->isVisible());
        QVERIFY(!p.row(6)->isEnabled());
        QVERIFY(!p.resetButton()->isEnabled());
        QVERIFY(p.stripArea()->isEnabled());
        p.outRectClicked(6);
        QVERIFY(!p.stripArea()->isEnabled());
        QVERIFY(p.strip(3).background->isVisible());
        p.setSecurityState(6, 0);
        QVERIFY(p.allMixButton()->isEnabled());
        p.setSecurityState(8, 2); // no such output
    }

    void names()
    {
        QMixer p;
        p.selectChannel(1);
        p.setOutChannelName(1, "Hall");
        p.setOutChannelName(2, "Foyer");
        p.setInChannelName(0, "Mic");
        QCOMPARE(p.stripCaption()->text(), QString("Hall"));
        p.outRectClicked(2);
        QCOMPARE(p.stripCaption()->text(), QString("Foyer"));
        p.setOutChannelName(2, QString());
        QCOMPARE(p.stripCaption()->text(), QString("O3"));
    }

    void pollingOnlyWhileShown()
    {
        QMixer p;
        ticks(p, 20);
        QVERIFY(m_sent.isEmpty());
        p.show();
        ticks(p, 10);
        QCOMPARE(m_sent.size(), 1 + 16);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 02 05 09 00 00 00 7D 82"));
        QCOMPARE(m_sent[1], hex("82 7D 01 00 03 07 01 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[2], hex("82 7D 01 00 03 07 02 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[16], hex("82 7D 01 00 03 07 02 00 01 00 07 7D 82"));
    }

    void buttonsRepaintOnlyOnChange()
    {
        QMixer p;
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        report(p, 1, "01 00 01 00 00");
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        PaintCounter counters[8][4];
        for (int o = 0; o < 8; ++o) {
            for (int i = 0; i < 4; ++i)
                p.button(o, i)->installEventFilter(&counters[o][i]);
        }
        for (int o = 0; o < 8; ++o) // the processor's answer to a poll: all as shown
            report(p, 1, o == 1 ? "01 00 01 00 00" : "00 00 00 00 00");
        ticks(p, 10);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        for (int o = 0; o < 8; ++o) {
            for (int i = 0; i < 4; ++i)
                QCOMPARE(counters[o][i].count, 0);
        }
        report(p, 2, "04 00 00 05 00");
        QTRY_VERIFY(counters[4][2].count > 0);
        QCOMPARE(counters[4][1].count + counters[3][2].count, 0);
    }
};

QTEST_MAIN(TestMixer)
#include "tst_mixer.moc"
