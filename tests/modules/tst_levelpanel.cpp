// The input and output level panels, driven through their tick and receive entry points.
#include "modules/levelpanel.h"
#include "panelharness.h"
#include "protocol/transport.h"
#include "widgets/qfader.h"
#include "widgets/qmeterwidget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QValidator>
#include <QtTest>

#include <memory>

namespace {
using panelharness::hex;

void deliver(QLevelPanel &p, quint8 code, const char *payloadHex, quint8 direction = 0x80)
{
    const QByteArray bytes = hex(payloadHex);
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.constData()));
}

using panelharness::ticks;

// Counts the events of one type that reach the object it is installed on.
class EventCounter : public QObject {
public:
    explicit EventCounter(QEvent::Type type) : m_type(type) {}
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};
} // namespace

class TestLevelPanel : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    // Frames with the set direction (byte 7).
    QList<QByteArray> sets() const { return panelharness::setsOf(m_sent); }

private slots:
    void init() { panelharness::captureSent(m_sent); }
    void cleanup() { panelharness::stopCapture(); }

    void dragSendsOnceAfterItStops()
    {
        QInLevel p;
        for (int i = 0; i < 40; ++i) {
            emit p.strip(1).fader->valueChanged(-20.0f + float(i) * 0.1f);
            p.timeOut20ms();
        }
        QVERIFY(sets().isEmpty());
        emit p.strip(1).fader->valueChanged(-6.5f);
        ticks(p, 4);
        QVERIFY(sets().isEmpty());
        p.timeOut20ms();
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82")});
        QCOMPARE(p.strip(1).gainEdit->text(), QString("-6.5"));
        QCOMPARE(p.channelState(1).gain, -6.5f);
    }

    void groupFollowsOneFaderAndSendsOnce()
    {
        QInLevel p;
        p.strip(0).group->setCurrentIndex(1); // user picks group 1 on both channels
        p.strip(1).group->setCurrentIndex(1);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 01 05 01 02 00 00 01 7D 82"),
                                            hex("82 7D 01 00 03 01 05 01 02 00 01 01 7D 82")}));
        m_sent.clear();
        emit p.strip(0).fader->valueChanged(-10.0f);
        for (int ch : {0, 1}) {
            QCOMPARE(p.strip(ch).fader->value(), -10.0f);
            QCOMPARE(p.strip(ch).gainEdit->text(), QString("-10.0"));
        }
        QCOMPARE(p.channelState(2).gain, 0.0f);
        ticks(p, 5);
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 01 03 01 05 00 00 00 00 20 C1 7D 82")});
        ticks(p, 20);
        QCOMPARE(sets().size(), 1);

        // Mute acts on the group too; a channel outside it keeps its own state.
        m_sent.clear();
        QSignalSpy mutes(&p, &QLevelPanel::sigMute);
        p.strip(1).mute->click();
        QVERIFY(p.strip(0).mute->isChecked());
        QVERIFY(!p.strip(2).mute->isChecked());
        QCOMPARE(mutes.size(), 2);
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 01 02 01 02 00 01 01 7D 82")});
        m_sent.clear();
        p.strip(2).mute->click();
        QVERIFY(!p.strip(3).mute->isChecked());
        QVERIFY(p.strip(2).mute->isChecked());
    }

    // Linking reaches the edge channels of each side: the first and the last.
    void groupLinksFirstAndLastChannel_data()
    {
        QTest::addColumn<bool>("input");
        QTest::newRow("inputs 1 and 4") << true;
        QTest::newRow("outputs 1 and 8") << false;
    }
    void groupLinksFirstAndLastChannel()
    {
        QFETCH(bool, input);
        std::unique_ptr<QLevelPanel> panel;
        if (input)
            panel = std::make_unique<QInLevel>();
        else
            panel = std::make_unique<QOutLevel>();
        QLevelPanel &p = *panel;
        const int last = p.channelCount() - 1;
        p.strip(0).group->setCurrentIndex(2);
        p.strip(last).group->setCurrentIndex(2);

        emit p.strip(last).fader->valueChanged(-12.0f);
        QCOMPARE(p.strip(0).fader->value(), -12.0f);
        QCOMPARE(p.channelState(0).gain, -12.0f);
        QCOMPARE(p.channelState(last - 1).gain, 0.0f);
        emit p.strip(0).fader->valueChanged(-3.0f);
        QCOMPARE(p.strip(last).fader->value(), -3.0f);
        QCOMPARE(p.strip(last).gainEdit->text(), QString("-3.0"));

        p.strip(0).mute->click();
        QVERIFY(p.strip(last).mute->isChecked());
        QVERIFY(!p.strip(1).mute->isChecked());
        p.strip(last).invert->click();
        QVERIFY(p.strip(0).invert->isChecked());
        QVERIFY(!p.strip(last - 1).invert->isChecked());
    }

    void reportsMoveWidgetsWithoutEcho()
    {
        QOutLevel p;
        QSignalSpy mutes(&p, &QLevelPanel::sigMute);
        deliver(p, 3, "07 00 00 20 C1"); // output 8 at -10 dB
        deliver(p, 2, "07 05");          // any nonzero byte is muted
        deliver(p, 4, "07 01");
        deliver(p, 5, "07 04");
        QCOMPARE(p.strip(7).fader->value(), -10.0f);
        QCOMPARE(p.strip(7).gainEdit->text(), QString("-10.0"));
        QVERIFY(p.strip(7).mute->isChecked());
        QVERIFY(p.strip(7).invert->isChecked());
        QCOMPARE(p.strip(7).group->currentIndex(), 4);
        QCOMPARE(mutes.size(), 1);
        deliver(p, 2, "07 01"); // equal to the mirror: nothing
        QCOMPARE(mutes.size(), 1);
        ticks(p, 30);
        QVERIFY(sets().isEmpty());
    }

    void malformedReportsIgnored_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("direction");
        QTest::newRow("gain one byte long") << 3 << hex("01 00 00 20 C1 00") << 0x80;
        QTest::newRow("gain as a set") << 3 << hex("01 00 00 20 C1") << 0x01;
        QTest::newRow("gain channel 4") << 3 << hex("04 00 00 20 C1") << 0x80;
        QTest::newRow("mute one byte long") << 2 << hex("01 01 00") << 0x80;
        QTest::newRow("group beyond the list") << 5 << hex("01 03") << 0x80;
        QTest::newRow("meter one byte long") << 1 << hex("00 00 00 00 00") << 0x80;
    }
    void malformedReportsIgnored()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(int, direction);
        QInLevel p;
        QSignalSpy meters(&p, &QLevelPanel::sigMeter);
        p.receive(quint8(code), quint8(direction), quint16(payload.size()),
                  reinterpret_cast<const uchar *>(payload.constData()));
        for (int ch = 0; ch < 4; ++ch) {
            const LevelChannel &c = p.channelState(ch);
            QCOMPARE(c.gain, 0.0f);
            QCOMPARE(c.mute, quint8(0));
            QCOMPARE(c.group, quint8(0));
        }
        QCOMPARE(meters.size(), 0);
    }

    void meterBelowFloor()
    {
        QInLevel p;
        p.show();
        QSignalSpy meters(&p, &QLevelPanel::sigMeter);
        deliver(p, 1, "BA 00 F6 18"); // -70, 0, -10, +24
        QCOMPARE(p.strip(0).level->text(), QString("-60dBu"));
        QCOMPARE(p.strip(0).meter->value(), -60);
        QCOMPARE(p.strip(3).level->text(), QString("24dBu"));
        QCOMPARE(meters.size(), 4);
        QCOMPARE(meters[0], (QVariantList{QVariant::fromValue(uchar(0)), -70}));
        QCOMPARE(meters[2], (QVariantList{QVariant::fromValue(uchar(2)), -10}));
    }

    // Another page is in front: the readings still reach the overview, and the panel shows
    // the last of them when it comes to the front.
    void hiddenPanelShowsTheLastMeterWhenShown()
    {
        QOutLevel p;
        QSignalSpy meters(&p, &QLevelPanel::sigMeter);
        deliver(p, 1, "F6 E2 CE BA 00 9C 18 F6");
        deliver(p, 1, "00 E2 CE BA 00 9C 18 EC");
        QCOMPARE(meters.last(), (QVariantList{QVariant::fromValue(uchar(7)), -20}));
        p.show();
        QCOMPARE(p.strip(0).level->text(), QString("0dBu"));
        QCOMPARE(p.strip(0).meter->value(), 0);
        QCOMPARE(p.strip(5).level->text(), QString("-60dBu"));
        QCOMPARE(p.strip(6).level->text(), QString("24dBu"));
        QCOMPARE(p.strip(7).level->text(), QString("-20dBu"));
        QCOMPARE(p.strip(7).meter->value(), -20);
        p.hide();
        deliver(p, 1, "E2 E2 CE BA 00 9C 18 EC");
        p.show();
        QCOMPARE(p.strip(0).level->text(), QString("-30dBu"));
    }

    // Readings change ten times a second; a new one must not lay out the whole window again.
    void meterReadingsDoNotRelayoutTheWindow()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *p = new QInLevel(&window);
        layout->addWidget(p);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();

        EventCounter layoutRequests(QEvent::LayoutRequest);
        window.installEventFilter(&layoutRequests);
        for (const char *readings : {"F6 E2 CE BA", "00 9C 18 F6", "E2 CE BA 00"}) {
            deliver(*p, 1, readings);
            QCoreApplication::processEvents();
        }
        QCOMPARE(layoutRequests.count, 0);
        QCOMPARE(p->strip(1).level->text(), QString("-50dBu"));
        const QLabel *reading = p->strip(1).level;
        QVERIFY(reading->width() >= reading->fontMetrics().horizontalAdvance(reading->text()));
    }

    void editHoldDiffersBySide()
    {
        // Inputs hold everything but meters during a drag; outputs only gains.
        QInLevel in;
        QOutLevel out;
        QSignalSpy inCail(&in, &QLevelPanel::sigCail);
        QSignalSpy outCail(&out, &QLevelPanel::sigCail);
        for (QLevelPanel *p : {static_cast<QLevelPanel *>(&in), static_cast<QLevelPanel *>(&out)}) {
            emit p->strip(0).fader->valueChanged(-3.0f);
            ticks(*p, 9);
            deliver(*p, 2, "02 01");
            deliver(*p, 3, "00 00 00 20 C1");
            deliver(*p, 32, "01 00 00 D0 C0");
            deliver(*p, 1, p == &in ? "F6 F6 F6 F6" : "F6 F6 F6 F6 F6 F6 F6 F6");
            QCOMPARE(p->channelState(1).meter, qint8(-10));
            QCOMPARE(p->channelState(0).gain, -3.0f);
        }
        QCOMPARE(in.channelState(2).mute, quint8(0));
        QCOMPARE(inCail.size(), 0);
        QCOMPARE(out.channelState(2).mute, quint8(1));
        QCOMPARE(outCail.size(), 1);
        QCOMPARE(outCail[0][1].toFloat(), -6.5f);

        // The tenth tick after the movement ends the hold.
        for (QLevelPanel *p : {static_cast<QLevelPanel *>(&in), static_cast<QLevelPanel *>(&out)}) {
            p->timeOut20ms();
            deliver(*p, 2, "02 01");
            deliver(*p, 3, "00 00 00 20 C1");
            QCOMPARE(p->channelState(2).mute, quint8(1));
            QCOMPARE(p->strip(0).fader->value(), -10.0f);
        }
    }

    void typedGainIsClampedAndSentAtOnce_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("-3") << "-3"
                            << "-3.0" << hex("00 00 40 C0");
        QTest::newRow("above range") << "15"
                                     << "12.0" << hex("00 00 40 41");
        QTest::newRow("not a number") << "x"
                                      << "0.0" << hex("00 00 00 00");
    }
    void typedGainIsClampedAndSentAtOnce()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, value);
        QOutLevel p;
        deliver(p, 3, "02 00 00 80 BF"); // start from -1.0
        p.strip(2).gainEdit->setText(typed);
        emit p.strip(2).gainEdit->editingFinished();
        QCOMPARE(p.strip(2).gainEdit->text(), shown);
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 09 03 01 05 00 02") + value + hex("7D 82")});
    }

    void gainValidator()
    {
        QInLevel p;
        const QValidator *v = p.strip(0).gainEdit->validator();
        for (QString ok : {"-70", "-0.5", "12", "0.0", "-69.9", "11.9"}) {
            int pos = 0;
            QCOMPARE(v->validate(ok, pos), QValidator::Acceptable);
        }
        for (QString bad : {"12.5", "-75", "13", "-70.5", "1.25"}) {
            int pos = 0;
            QCOMPARE(v->validate(bad, pos), QValidator::Invalid);
        }
    }

    void lockStateHidesOneStrip()
    {
        QOutLevel p;
        p.show();
        p.setSecurityState(3, 2);
        for (int ch = 0; ch < 8; ++ch) {
            const QLevelPanel::Strip &s = p.strip(ch);
            QVERIFY(s.background->isVisible());
            for (QWidget *w : {static_cast<QWidget *>(s.fader), static_cast<QWidget *>(s.meter),
                               static_cast<QWidget *>(s.mute), static_cast<QWidget *>(s.title),
                               static_cast<QWidget *>(s.gainEdit)})
                QCOMPARE(w->isVisible(), ch != 3);
        }
        p.setSecurityState(3, 1);
        QVERIFY(p.strip(3).fader->isVisible());
        QVERIFY(!p.strip(3).background->isEnabled());
        p.setSecurityState(3, 0);
        QVERIFY(p.strip(3).background->isEnabled());
        p.setSecurityState(8, 2); // no such output
    }

    void pollingDependsOnVisibility()
    {
        QInLevel p;
        ticks(p, 20);
        // Hidden: every 5th tick a meter request and four mute requests, nothing else.
        QCOMPARE(m_sent.size(), 4 * 5);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 03 01 01 00 00 00 7D 82"));
        QCOMPARE(m_sent[1], hex("82 7D 01 00 03 01 02 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[4], hex("82 7D 01 00 03 01 02 00 01 00 03 7D 82"));
        m_sent.clear();
        p.show();
        ticks(p, 10);
        // Shown: at the 10th tick also the security request (item 3), then gain, invert and
        // group of every channel.
        QCOMPARE(m_sent.size(), 5 + 5 + 1 + 12);
        QCOMPARE(m_sent[10], hex("82 7D 01 00 02 05 03 00 00 00 7D 82"));
        QCOMPARE(m_sent[11], hex("82 7D 01 00 03 01 03 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[12], hex("82 7D 01 00 03 01 04 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[13], hex("82 7D 01 00 03 01 05 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[22], hex("82 7D 01 00 03 01 05 00 01 00 03 7D 82"));
    }

    void quietTicksForTheSharedClock()
    {
        QInLevel p;
        ticks(p, 5); // just polled: the next four ticks only count
        QCOMPARE(p.quietTicks(), 4);
        p.timeOut20ms();
        QCOMPARE(p.quietTicks(), 3);
        emit p.strip(0).fader->valueChanged(-1.0f);
        QCOMPARE(p.quietTicks(), 0);
        ticks(p, 10); // send and hold over
        QCOMPARE(p.quietTicks(), 4 - int(p.tickCount() % 5));
    }

    // The widget-signal slots find their strip by the sender; any other sender does nothing.
    void widgetSlotsFindTheSendersStrip()
    {
        QOutLevel p;
        p.strip(5).mute->disconnect(&p);
        p.strip(6).fader->disconnect(&p);
        connect(p.strip(5).mute, &QPushButton::clicked, &p,
                qOverload<bool>(&QLevelPanel::muteClicked));
        connect(p.strip(6).fader, &QFader::valueChanged, &p,
                qOverload<float>(&QLevelPanel::gainFaderChanged));
        emit p.strip(5).mute->clicked(true);
        emit p.strip(6).fader->valueChanged(-3.0f);
        QCOMPARE(p.channelState(5).mute, quint8(1));
        QCOMPARE(p.channelState(6).gain, -3.0f);
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 09 02 01 02 00 05 01 7D 82")});
        p.muteClicked(true); // no sender
        QCOMPARE(sets().size(), 1);
    }

    void overviewMuteIsDisplayOnly()
    {
        QOutLevel p;
        QSignalSpy mutes(&p, &QLevelPanel::sigMute);
        p.setMute(5, true);
        QVERIFY(p.strip(5).mute->isChecked());
        QCOMPARE(mutes.size(), 1);
        p.setMute(9, true);
        ticks(p, 10);
        QVERIFY(sets().isEmpty());
    }
};

QTEST_MAIN(TestLevelPanel)
#include "tst_levelpanel.moc"
