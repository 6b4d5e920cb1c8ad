// The gate panel, driven through its tick and receive entry points.
#include "modules/gatepanel.h"
#include "panelharness.h"
#include "protocol/transport.h"
#include "widgets/knob.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {
using panelharness::hex;

void deliver(QGate &p, quint8 code, const QByteArray &bytes, quint8 direction = 0x80)
{
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.constData()));
}

using panelharness::ticks;
} // namespace

class TestGatePanel : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    QList<QByteArray> withDirection(quint8 direction) const
    {
        QList<QByteArray> out;
        for (const QByteArray &f : m_sent) {
            if (quint8(f[7]) == direction)
                out.append(f);
        }
        return out;
    }
    QList<QByteArray> sets() const { return withDirection(1); }

private slots:
    void init() { panelharness::captureSent(m_sent); }
    void cleanup() { panelharness::stopCapture(); }

    void knobSendsItsChannelOnceAfterItStops()
    {
        QGate p;
        Knob *thresh = p.strip(2).params[QGate::Thresh].knob;
        for (int i = 0; i < 20; ++i) {
            emit thresh->valueChanged(-60.0f + float(i));
            p.timeOut20ms();
        }
        emit thresh->valueChanged(-40.7f); // truncated toward zero
        QCOMPARE(p.strip(2).params[QGate::Thresh].edit->text(), QString("-40"));
        ticks(p, 4);
        QVERIFY(sets().isEmpty());
        p.timeOut20ms();
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 02 02 01 0E 00 02 00"
                                               " 00 00 20 C2 00 00 A0 41 00 00 A0 41 7D 82")});

        // Two channels turned in the same pause: each channel goes out once, as its own.
        m_sent.clear();
        emit p.strip(0).params[QGate::Attack].knob->valueChanged(100.0f);
        emit p.strip(3).params[QGate::Decay].knob->valueChanged(1000.0f);
        ticks(p, 30);
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 02 02 01 0E 00 00 00"
                                                " 00 00 82 C2 00 00 C8 42 00 00 A0 41 7D 82"),
                                            hex("82 7D 01 00 03 02 02 01 0E 00 03 00"
                                                " 00 00 82 C2 00 00 A0 41 00 00 7A 44 7D 82")}));
    }

    void typedEntries_data()
    {
        QTest::addColumn<int>("param");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent"); // empty: nothing goes out

        QTest::newRow("-130 saturates") << int(QGate::Thresh) << "-130"
                                        << "-120"
                                        << hex("82 7D 01 00 03 02 02 01 0E 00 01 00 00 00 F0 C2"
                                               " 00 00 A0 41 00 00 A0 41 7D 82");
        QTest::newRow("-7") << int(QGate::Thresh) << "-7"
                            << "-7"
                            << hex("82 7D 01 00 03 02 02 01 0E 00 01 00 00 00 E0 C0"
                                   " 00 00 A0 41 00 00 A0 41 7D 82");
        QTest::newRow("attack 5 ms rises to 20")
            << int(QGate::Attack) << "5"
            << "20"
            << hex("82 7D 01 00 03 02 02 01 0E 00 01 00 00 00 82 C2 00 00 A0 41 00 00 A0 41 7D 82");
        QTest::newRow("lone minus restores") << int(QGate::Thresh) << "-"
                                             << "-65" << QByteArray();
        QTest::newRow("empty attack restores") << int(QGate::Attack) << ""
                                               << "20" << QByteArray();
        QTest::newRow("nan refused") << int(QGate::Decay) << "nan"
                                     << "20" << QByteArray();
        QTest::newRow("inf refused") << int(QGate::Thresh) << "-inf"
                                     << "-65" << QByteArray();
        QTest::newRow("text refused") << int(QGate::Decay) << "abc"
                                      << "20" << QByteArray();
    }
    void typedEntries()
    {
        QFETCH(int, param);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, sent);
        QGate p;
        const QGate::ParamWidgets &w = p.strip(1).params[size_t(param)];
        w.edit->setText(typed);
        emit w.edit->editingFinished();
        QCOMPARE(w.edit->text(), shown);
        QCOMPARE(QGate::value(p.channelState(1), QGate::Param(param)), shown.toInt());
        QCOMPARE(w.knob->value(), shown.toFloat());
        QCOMPARE(sets(), sent.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{sent});
    }

    void enableGoesOutAtOnce()
    {
        QGate p;
        p.strip(3).enable->click();
        QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 02 02 01 0E 00 03 01"
                                               " 00 00 82 C2 00 00 A0 41 00 00 A0 41 7D 82")});
        QCOMPARE(p.channelState(3).enable, quint8(1));
    }

    void reportsHeldWhileKnobMovesButLampsFollow()
    {
        QGate p;
        QSignalSpy open(&p, &QGate::sigOpenState);
        const QByteArray report =
            hex("00 01 00 00 F0 C1 00 00 C8 42 00 00 7A 43"); // on, -30 dBu, 100 ms, 250 ms
        emit p.strip(0).params[QGate::Thresh].knob->valueChanged(-50.0f);
        deliver(p, 2, report);
        deliver(p, 1, hex("01 00 00 07"));
        QCOMPARE(p.channelState(0).threshold, -50.0f);
        QVERIFY(p.isOpen(0) && !p.isOpen(1) && p.isOpen(3));
        QVERIFY(p.strip(0).lamp->styleSheet().contains("#00FF00"));
        QVERIFY(p.strip(1).lamp->styleSheet().contains("#707070"));
        QCOMPARE(open.size(), 2);
        deliver(p, 1, hex("01 00 00 07")); // the same states again: nothing
        QCOMPARE(open.size(), 2);

        ticks(p, 10); // the knob's own send has gone, the hold is over
        m_sent.clear();
        deliver(p, 2, report);
        const QGate::Strip &s = p.strip(0);
        QVERIFY(s.enable->isChecked());
        QCOMPARE(s.params[QGate::Thresh].edit->text(), QString("-30"));
        QCOMPARE(s.params[QGate::Attack].knob->value(), 100.0f);
        QCOMPARE(s.params[QGate::Decay].edit->text(), QString("250"));
        ticks(p, 20);
        QVERIFY(sets().isEmpty()); // a report never goes back
    }

    void reportValuesCheckedWhereTheyEnter_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("direction");
        QTest::addColumn<float>("held"); // what channel 1 keeps afterwards
        QTest::addColumn<int>("shown");  // what its threshold controls show

        // The block keeps what the processor said; the controls show what they can.
        QTest::newRow("-200 kept, shown at the end")
            << hex("01 00 00 00 48 C3 00 00 A0 41 00 00 A0 41") << 0x80 << -200.0f << -120;
        QTest::newRow("-7.9 kept, shown truncated")
            << hex("01 00 CD CC FC C0 00 00 A0 41 00 00 A0 41") << 0x80 << -7.9f << -7;
        QTest::newRow("nan threshold dropped")
            << hex("01 00 00 00 C0 7F 00 00 A0 41 00 00 A0 41") << 0x80 << -65.0f << -65;
        QTest::newRow("inf attack dropped")
            << hex("01 00 00 00 F0 C1 00 00 80 7F 00 00 A0 41") << 0x80 << -65.0f << -65;
        QTest::newRow("one byte long")
            << hex("01 00 00 00 F0 C1 00 00 A0 41 00 00 A0 41 00") << 0x80 << -65.0f << -65;
        QTest::newRow("a set") << hex("01 00 00 00 F0 C1 00 00 A0 41 00 00 A0 41") << 0x01 << -65.0f
                               << -65;
        QTest::newRow("channel 4")
            << hex("04 00 00 00 F0 C1 00 00 A0 41 00 00 A0 41") << 0x80 << -65.0f << -65;
    }
    void reportValuesCheckedWhereTheyEnter()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, direction);
        QFETCH(float, held);
        QFETCH(int, shown);
        QGate p;
        deliver(p, 2, payload, quint8(direction));
        QCOMPARE(p.channelState(1).threshold, held);
        QCOMPARE(p.strip(1).params[QGate::Thresh].edit->text(), QString::number(shown));
        QCOMPARE(p.strip(1).params[QGate::Thresh].knob->value(), float(shown));
        QCOMPARE(p.channelState(1).attack, 20.0f);
    }

    // A value the controls cannot show survives a click on another field of the channel:
    // the set carries exactly what was reported. Only the edited field changes.
    void reportedValuesGoBackUnchanged()
    {
        QGate p;
        deliver(p, 2, hex("02 00 00 00 20 41 00 00 A4 41 00 00 A0 40")); // 10 dBu, 20.5, 5 ms
        const QGate::Strip &s = p.strip(2);
        QCOMPARE(s.params[QGate::Thresh].edit->text(), QString("0"));
        QCOMPARE(s.params[QGate::Decay].knob->value(), 20.0f);
        ticks(p, 20);
        QVERIFY(sets().isEmpty());

        s.enable->click();
        emit s.params[QGate::Attack].knob->valueChanged(100.0f);
        ticks(p, 5);
        s.params[QGate::Thresh].edit->setText("0"); // typed: goes out as typed
        emit s.params[QGate::Thresh].edit->editingFinished();
        QCOMPARE(sets(), (QList<QByteArray>{hex("82 7D 01 00 03 02 02 01 0E 00 02 01"
                                                " 00 00 20 41 00 00 A4 41 00 00 A0 40 7D 82"),
                                            hex("82 7D 01 00 03 02 02 01 0E 00 02 01"
                                                " 00 00 20 41 00 00 C8 42 00 00 A0 40 7D 82"),
                                            hex("82 7D 01 00 03 02 02 01 0E 00 02 01"
                                                " 00 00 00 00 00 00 C8 42 00 00 A0 40 7D 82")}));
    }

    void openStateOfWrongLengthIgnored()
    {
        QGate p;
        QSignalSpy open(&p, &QGate::sigOpenState);
        deliver(p, 1, hex("01 01 01 01 01"));
        deliver(p, 1, hex("01 01 01"));
        deliver(p, 1, hex("01 01 01 01"), 0x01);
        QVERIFY(open.isEmpty());
    }

    void pollsOpenStatesAlwaysParametersOnlyWhenShown()
    {
        QGate p;
        ticks(p, 10);
        QCOMPARE(m_sent, (QList<QByteArray>{hex("82 7D 01 00 03 02 01 00 00 00 7D 82"),
                                            hex("82 7D 01 00 03 02 01 00 00 00 7D 82")}));
        QCOMPARE(p.quietTicks(), 4); // the shared clock may sleep until the next open request
        m_sent.clear();
        p.show();
        ticks(p, 10);
        QCOMPARE(m_sent.size(), 2 + 1 + 4);
        // Tick 20: open states, security item 4, then the parameters of inputs 1-4.
        QCOMPARE(m_sent[2], hex("82 7D 01 00 02 05 04 00 00 00 7D 82"));
        QCOMPARE(m_sent[3], hex("82 7D 01 00 03 02 02 00 01 00 00 7D 82"));
        QCOMPARE(m_sent[6], hex("82 7D 01 00 03 02 02 00 01 00 03 7D 82"));
    }

    void lockStatesActOnOneStrip()
    {
        QGate p;
        p.show();
        p.setSecurityState(1, 2);
        const QGate::Strip &hidden = p.strip(1);
        for (QWidget *w :
             {static_cast<QWidget *>(hidden.title), static_cast<QWidget *>(hidden.enable),
              static_cast<QWidget *>(hidden.lamp),
              static_cast<QWidget *>(hidden.params[QGate::Decay].caption),
              static_cast<QWidget *>(hidden.params[QGate::Thresh].edit),
              static_cast<QWidget *>(hidden.params[QGate::Attack].knob)})
            QVERIFY(w->isHidden());
        QVERIFY(!hidden.background->isHidden());
        QVERIFY(!p.strip(0).enable->isHidden() && !p.strip(2).title->isHidden());

        p.setSecurityState(2, 1);
        QVERIFY(!p.strip(2).background->isEnabled());
        QVERIFY(!p.strip(2).params[QGate::Thresh].knob->isHidden());
        p.setSecurityState(1, 0);
        p.setSecurityState(2, 0);
        QVERIFY(!hidden.params[QGate::Attack].knob->isHidden());
        QVERIFY(p.strip(2).background->isEnabled());
    }
};

QTEST_MAIN(TestGatePanel)
#include "tst_gatepanel.moc"
