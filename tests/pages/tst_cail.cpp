// The calibration dialog: deferred code-32 sends, the edit hold, polling, "Mix" and reset.
#include "modules/moduleclock.h"
#include "pages/cail.h"
#include "protocol/transport.h"
#include "widgets/qfader.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QValidator>
#include <QtTest>

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

void ticks(QCail &d, int n)
{
    for (int i = 0; i < n; ++i)
        d.timeOut20ms();
}
} // namespace

class TestCail : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

private slots:
    void init()
    {
        m_sent.clear();
        proto::Transport::instance().setFrameCode(1);
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent.append(f); });
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void faderSentFiveTicksAfterItStops()
    {
        QCail d;
        for (float v : {-2.0f, -4.0f, -6.0f, -6.5f}) {
            emit d.inputFader(1)->valueChanged(v);
            d.timeOut20ms();
        }
        QCOMPARE(d.inputEdit(1)->text(), QString("-6.5"));
        ticks(d, 3);
        QVERIFY(m_sent.isEmpty());
        d.timeOut20ms();
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 03 01 20 01 05 00 01 00 00 D0 C0 7D 82")});
    }

    // With the shared clock sleeping between polls, a drag still sends once, about 100 ms
    // after the last movement.
    void dragOnRunningClockSendsOnceAfterItStops()
    {
        ModuleClock &clock = ModuleClock::instance();
        qint64 now = 0;
        clock.setTimeSource([&now] { return now; });
        QCail d;
        QList<qint64> setTimes;
        proto::Transport::instance().setSink([&](const QByteArray &f) {
            if (f.size() > 7 && f[7] == 1) // a set
                setTimes.append(now);
        });
        auto runUntil = [&](qint64 t) {
            while (now < t) {
                ++now;
                if (clock.dueTime() >= 0 && now >= clock.dueTime())
                    clock.timerFired();
            }
        };
        clock.start();
        runUntil(1000);
        QVERIFY(clock.plannedQuietTicks() > 0);
        clock.wake(); // the press
        runUntil(1040);
        for (int i = 0; i < 40; ++i) {
            runUntil(1040 + i * 9);
            emit d.inputFader(2)->valueChanged(-0.1f * float(i));
        }
        const qint64 last = now;
        runUntil(last + 400);
        clock.stop();
        clock.setTimeSource({});
        QCOMPARE(setTimes.size(), 1);
        QVERIFY(setTimes[0] >= last + 80 && setTimes[0] <= last + 120);
    }

    // The last channel of each side is paced and addressed like the first.
    void lastChannelOfEachSide()
    {
        QCail d;
        emit d.outputFader(7)->valueChanged(-6.5f);
        emit d.inputFader(3)->valueChanged(-6.5f);
        ticks(d, 5);
        QCOMPARE(m_sent,
                 (QList<QByteArray>{hex("82 7D 01 00 03 01 20 01 05 00 03 00 00 D0 C0 7D 82"),
                                    hex("82 7D 01 00 03 09 20 01 05 00 07 00 00 D0 C0 7D 82")}));
        d.setOutCail(7, -12.0f);
        d.setInCail(3, -12.0f);
        QCOMPARE(d.outputGain(7), -6.5f); // still held after the drag
        ticks(d, 5);
        d.setOutCail(7, -12.0f);
        d.setInCail(3, -12.0f);
        QCOMPARE(d.outputGain(7), -12.0f);
        QCOMPARE(d.inputGain(3), -12.0f);
    }

    void typedGainAndValidator()
    {
        QCail d;
        d.outputEdit(2)->setText("-3");
        emit d.outputEdit(2)->editingFinished();
        QCOMPARE(d.outputEdit(2)->text(), QString("-3.0"));
        QCOMPARE(d.outputFader(2)->value(), -3.0f);
        ticks(d, 5);
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 03 09 20 01 05 00 02 00 00 40 C0 7D 82")});
        for (QString bad : {"15", "-70.5"}) {
            int pos = 0;
            QCOMPARE(d.outputEdit(2)->validator()->validate(bad, pos), QValidator::Invalid);
        }
    }

    void reportsHeldForTenTicks()
    {
        QCail d;
        emit d.outputFader(0)->valueChanged(1.0f);
        ticks(d, 9);
        d.setOutCail(4, -12.0f);
        d.setInCail(0, 5.0f);
        QCOMPARE(d.outputGain(4), 0.0f);
        QCOMPARE(d.inputGain(0), 0.0f);
        d.timeOut20ms();
        d.setOutCail(4, -12.0f);
        d.setInCail(9, 5.0f); // no such input
        QCOMPARE(d.outputGain(4), -12.0f);
        QCOMPARE(d.outputEdit(4)->text(), QString("-12.0"));
        QCOMPARE(d.outputFader(4)->value(), -12.0f);
    }

    // The shared clock ticks the dialog only while it is open; the slot itself is one tick.
    void pollsOnlyWhileOpen()
    {
        QCail d;
        for (int i = 0; i < 20; ++i)
            ModuleClock::instance().tick();
        QVERIFY(m_sent.isEmpty());
        d.show();
        for (int i = 0; i < 10; ++i)
            ModuleClock::instance().tick();
        QCOMPARE(m_sent.size(), 12);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 03 01 20 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[4], hex("82 7D 01 00 03 09 20 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[11], hex("82 7D 01 00 03 09 20 00 01 00 07 7D 82"));
        // A value moved just before closing still goes out.
        emit d.inputFader(3)->valueChanged(2.0f);
        d.hide();
        m_sent.clear();
        for (int i = 0; i < 10; ++i)
            ModuleClock::instance().tick();
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 03 01 20 01 05 00 03 00 00 00 40 7D 82")});
        // Called directly, the slot polls on every tenth tick whether or not it is open.
        m_sent.clear();
        ticks(d, 10);
        QCOMPARE(m_sent.size(), 12);
    }

    void mixSwitchesEveryOutput()
    {
        QCail d;
        d.mixButton()->click();
        QVERIFY(d.mixButton()->isChecked());
        QCOMPARE(m_sent.size(), 8);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 03 07 01 01 06 00 00 00 01 02 03 01 7D 82"));
        QCOMPARE(m_sent[7], hex("82 7D 01 00 03 07 01 01 06 00 07 00 01 02 03 01 7D 82"));
        m_sent.clear();
        d.mixButton()->click();
        QCOMPARE(m_sent.size(), 8);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 03 07 01 01 06 00 00 00 01 02 03 00 7D 82"));
    }

    void systemResetAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("OK") << "OK"
                            << hex("82 7D 01 00 02 01 01 01 08 00 43 46 47 5F 43 4C 52 2A 7D 82");
        QTest::newRow("Cancle") << "Cancle" << QByteArray();
    }
    void systemResetAsksFirst()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, sent);
        QCail d;
        QTimer::singleShot(0, [answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->text(), QString("Reset system all config?"));
            QCOMPARE(box->buttons().size(), 2);
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == answer)
                    b->click();
            }
        });
        d.resetButton()->click();
        QCOMPARE(m_sent, sent.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{sent});
    }
};

QTEST_MAIN(TestCail)
#include "tst_cail.moc"
