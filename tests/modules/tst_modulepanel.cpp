// The shared panel conventions, through a minimal panel built on the base.
#include "modules/moduleclock.h"
#include "modules/modulepanel.h"
#include "pages/channelselect.h"
#include "protocol/transport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// Runs fn on the modal widget that the next exec() opens.
void onModal(std::function<void(QWidget *)> fn)
{
    QTimer::singleShot(0, [fn] { fn(QApplication::activeModalWidget()); });
}

struct Record {
    float gain = 0.0f;
    quint8 flag = 0;
};

// One gain per channel, dragged or reported; copy code 4, reset code 5.
class TestPanel : public QModulePanel {
public:
    TestPanel(quint8 id, int channels, quint8 delay = kDeferredTicks)
        : QModulePanel(id, channels), mirror(channels, Record{})
    {
        for (int ch = 0; ch < channels; ++ch)
            gainSend.push_back(addDeferredSend(
                [this, ch] { sendSetFloat(3, quint8(ch), mirror[ch].gain); }, delay));
    }

    void drag(int ch, float gain)
    {
        mirror[ch].gain = gain;
        restartDeferredSend(gainSend[size_t(ch)]);
        holdEdits();
    }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override
    {
        if (code != 3 || editHeld())
            return;
        const int ch = channelReport(direction, length, payload, 5);
        if (ch >= 0)
            mirror[ch].gain = reportFloat(payload + 1);
    }

    bool held() const { return editHeld(); }
    void fire(int ch) { fireDeferredSend(gainSend[size_t(ch)]); }
    bool copy(QChannelSelect &chooser, uchar ch)
    {
        return runCopyTo(
            chooser, ch, 4,
            [this, ch](quint8 mask) {
                mirror.copyToMask(mask, mirror[ch], [this](int c) { copied.append(c); });
            },
            [this](quint8 mask) { siblingMask = mask; });
    }
    bool reset(uchar ch)
    {
        return runReset(ch, 5, [this, ch] { mirror.reset(ch); });
    }

    ChannelMirror<Record> mirror;
    std::vector<int> gainSend;
    QList<int> copied;
    int siblingMask = -1;
    int polls = 0;

protected:
    void poll(quint32 tick) override
    {
        ++polls;
        if (tick % 10 == 0 && isShown())
            sendSecurityRequest();
    }
};
} // namespace

class TestModulePanel : public QObject {
    Q_OBJECT
    static constexpr int kHoldAfterSend = 5;
    QList<QByteArray> m_sent;

    void ticks(QModulePanel &p, int n)
    {
        for (int i = 0; i < n; ++i)
            p.timeOut20ms();
    }

private slots:
    void init()
    {
        m_sent.clear();
        proto::Transport::instance().setFrameCode(1);
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent.append(f); });
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void dragSendsLastValueFiveTicksAfterItStops()
    {
        TestPanel p(1, 4);
        for (int i = 0; i < 30; ++i) {
            p.drag(1, -1.0f - float(i));
            p.timeOut20ms();
        }
        QVERIFY(m_sent.isEmpty());
        p.drag(1, -6.5f);
        ticks(p, 4);
        QVERIFY(m_sent.isEmpty());
        p.timeOut20ms();
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82")});
        ticks(p, 20);
        QCOMPARE(m_sent.size(), 1);
    }

    // With no processor connected the shared clock does not wake at all; a processor
    // coming (here: the link appearing) or a drag brings it back.
    void clockIdleWhileNothingConnected()
    {
        ModuleClock &clock = ModuleClock::instance();
        proto::Transport::instance().setSink({});
        TestPanel p(1, 4);
        clock.start();
        clock.timerFired();
        QVERIFY(clock.isIdle());
        p.drag(2, -3.0f);
        QVERIFY(!clock.isIdle());
        clock.timerFired();
        QCOMPARE(clock.plannedQuietTicks(), 0); // the drag's send is pending
        ticks(p, EditHold::kTicks);
        clock.timerFired();
        QVERIFY(clock.isIdle());
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent.append(f); });
        QVERIFY(!clock.isIdle());
        clock.timerFired();
        QVERIFY(!clock.isIdle());
        clock.stop();
    }

    void deferredSendsFireInChannelOrder()
    {
        TestPanel p(9, 8);
        p.drag(5, 1.0f);
        p.drag(2, 2.0f);
        ticks(p, 5);
        QCOMPARE(m_sent.size(), 2);
        QCOMPARE(quint8(m_sent[0][10]), 2);
        QCOMPARE(quint8(m_sent[1][10]), 5);
    }

    void editHoldIgnoresReportsForTenTicks()
    {
        TestPanel p(1, 4);
        const QByteArray report = hex("02 00 00 20 41"); // channel 2, 10.0
        const auto *bytes = reinterpret_cast<const uchar *>(report.constData());
        p.drag(0, -3.0f);
        ticks(p, 9);
        p.receive(3, 0x80, 5, bytes);
        QCOMPARE(p.mirror[2].gain, 0.0f);
        p.timeOut20ms();
        QVERIFY(!p.held());
        p.receive(3, 0x80, 5, bytes);
        QCOMPARE(p.mirror[2].gain, 10.0f);
    }

    void editHoldOutlastsASlowSend()
    {
        // With a 10-tick send the hold would end on the tick of the send; a report asked for
        // before it (the old value) must still not throw the value back.
        TestPanel p(5, 4, 10);
        const QByteArray old = hex("00 00 00 00 00"); // channel 0, 0.0
        const auto *bytes = reinterpret_cast<const uchar *>(old.constData());
        p.drag(0, -3.0f);
        ticks(p, 9);
        QVERIFY(m_sent.isEmpty());
        p.timeOut20ms();
        QCOMPARE(m_sent.size(), 1);
        for (int i = 0; i < kHoldAfterSend; ++i) {
            p.receive(3, 0x80, 5, bytes);
            QCOMPARE(p.mirror[0].gain, -3.0f);
            p.timeOut20ms();
        }
        p.receive(3, 0x80, 5, bytes);
        QCOMPARE(p.mirror[0].gain, 0.0f);

        // A send fired early (selection change) is covered the same way.
        TestPanel q(5, 4, 10);
        q.drag(1, -4.0f);
        ticks(q, 9);
        q.fire(1);
        QCOMPARE(m_sent.size(), 2);
        ticks(q, kHoldAfterSend - 1);
        QVERIFY(q.held());
        q.timeOut20ms();
        QVERIFY(!q.held());
    }

    void reportChecks_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("applied");
        QTest::newRow("report") << 0x80 << hex("03 00 00 20 41") << true;
        QTest::newRow("set direction") << 0x01 << hex("03 00 00 20 41") << false;
        QTest::newRow("one byte long") << 0x80 << hex("03 00 00 20 41 00") << false;
        QTest::newRow("one byte short") << 0x80 << hex("03 00 00 20") << false;
        QTest::newRow("channel 4 of 4") << 0x80 << hex("04 00 00 20 41") << false;
        QTest::newRow("channel 255") << 0x80 << hex("FF 00 00 20 41") << false;
    }
    void reportChecks()
    {
        QFETCH(int, direction);
        QFETCH(QByteArray, payload);
        QFETCH(bool, applied);
        TestPanel p(1, 4);
        p.receive(3, quint8(direction), quint16(payload.size()),
                  reinterpret_cast<const uchar *>(payload.constData()));
        bool any = false;
        for (int ch = 0; ch < 4; ++ch)
            any = any || p.mirror[ch].gain != 0.0f;
        QCOMPARE(any, applied);
    }

    void securityRequestOnlyWhileShown()
    {
        TestPanel p(9, 8);
        ticks(p, 20);
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(p.polls, 20);
        p.show();
        ticks(p, 10);
        // Output level: security item 11, class 2, type 5, no payload.
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 05 0B 00 00 00 7D 82")});
    }

    void lockStates()
    {
        QWidget bg;
        auto *a = new QLabel(&bg);
        auto *b = new QPushButton(&bg);
        bg.show();
        const QList<QWidget *> controls{a, b};
        struct Case {
            uchar state;
            bool enabled, visible;
        };
        for (const Case &c : {Case{1, false, true}, Case{2, false, false}, Case{0, true, true},
                              Case{7, true, false}, Case{0, true, true}}) {
            QModulePanel::applyLockState(&bg, controls, c.state);
            QCOMPARE(bg.isEnabled(), c.enabled);
            QCOMPARE(a->isVisible(), c.visible);
            QCOMPARE(b->isVisible(), c.visible);
            QVERIFY(bg.isVisible());
        }
    }

    void copyToAppliesMasksAndSendsOneMessage()
    {
        TestPanel p(4, 4);
        QChannelSelect chooser;
        p.mirror[2].gain = 7.0f;
        onModal([&chooser](QWidget *w) {
            QCOMPARE(w, &chooser);
            QVERIFY(!chooser.inputButton(2)->isEnabled());
            chooser.inputButton(0)->click();
            chooser.inputButton(1)->click();
            chooser.outputButton(1)->click();
            chooser.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        QVERIFY(p.copy(chooser, 2));
        QCOMPARE(p.copied, (QList<int>{0, 1}));
        QCOMPARE(p.mirror[0].gain, 7.0f);
        QCOMPARE(p.mirror[1].gain, 7.0f);
        QCOMPARE(p.mirror[3].gain, 0.0f);
        QCOMPARE(p.siblingMask, 0x02);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 04 04 01 03 00 02 03 02 7D 82")});
    }

    void copyToFromOutputSide()
    {
        // Output panel: source index is channel + 4; the input mask goes to the sibling,
        // and an empty choice still sends the copy message.
        TestPanel p(11, 8);
        QChannelSelect chooser;
        onModal([&chooser](QWidget *) {
            QVERIFY(!chooser.outputButton(3)->isEnabled());
            QVERIFY(chooser.inputButton(3)->isEnabled());
            chooser.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        QVERIFY(p.copy(chooser, 3));
        QVERIFY(p.copied.isEmpty());
        QCOMPARE(p.siblingMask, -1);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 0B 04 01 03 00 03 00 00 7D 82")});
    }

    void copyToCancelledDoesNothing()
    {
        TestPanel p(4, 4);
        QChannelSelect chooser;
        onModal([&chooser](QWidget *) {
            chooser.inputButton(0)->click();
            chooser.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        });
        QVERIFY(!p.copy(chooser, 2));
        QVERIFY(p.copied.isEmpty());
        QVERIFY(m_sent.isEmpty());
    }

    void resetAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("OK") << "OK";
        QTest::newRow("Cancle") << "Cancle";
    }
    void resetAsksFirst()
    {
        QFETCH(QString, answer);
        TestPanel p(5, 4);
        p.mirror[1].gain = 3.0f;
        onModal([answer](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QString("warning"));
            QCOMPARE(box->text(), QString("Clear all setting?"));
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == answer)
                    b->click();
            }
        });
        const bool ok = answer == "OK";
        QCOMPARE(p.reset(1), ok);
        QCOMPARE(p.mirror[1].gain, ok ? 0.0f : 3.0f);
        QCOMPARE(m_sent, ok ? QList<QByteArray>{hex("82 7D 01 00 03 05 05 01 01 00 01 7D 82")}
                            : QList<QByteArray>{});
    }
};

QTEST_MAIN(TestModulePanel)
#include "tst_modulepanel.moc"
