// The input and output delay panels, driven through their tick and receive entry points.
#include "../support/reduceddelays.h"
#include "modules/delaypanel.h"
#include "modules/moduleclock.h"
#include "panelharness.h"
#include "protocol/transport.h"
#include "widgets/qhslider.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {
using panelharness::hex;

void deliver(QDelayPanel &p, const QByteArray &bytes, quint8 direction = 0x80, quint8 code = 1)
{
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.constData()));
}

using panelharness::ticks;
} // namespace

class TestDelayPanel : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    QList<QByteArray> sets() const { return panelharness::setsOf(m_sent); }

private slots:
    void init() { panelharness::captureSent(m_sent); }
    void cleanup() { panelharness::stopCapture(); }

    void distances_data()
    {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("metres");
        QTest::addColumn<QString>("feet");
        QTest::newRow("10 ms") << 10.0 << "3.400"
                               << "11.155";
        QTest::newRow("0 ms") << 0.0 << "0.000"
                              << "0.000";
        QTest::newRow("1000 ms") << 1000.0 << "340.000"
                                 << "1115.472";
    }
    void distances()
    {
        QFETCH(double, ms);
        QFETCH(QString, metres);
        QFETCH(QString, feet);
        QInDelay p;
        deliver(p, hex("03 00 00 00 00") + QByteArray(1, 0)); // wrong length: nothing
        emit p.row(3).spin->valueChanged(ms);
        QCOMPARE(p.row(3).metres->text(), metres);
        QCOMPARE(p.row(3).feet->text(), feet);
        QCOMPARE(p.row(3).slider->value(), float(ms));
    }

    void sliderSendsOnceAfterItStopsAndHoldsReports()
    {
        QOutDelay p;
        for (int i = 0; i < 30; ++i) {
            emit p.row(7).slider->valueChanged(100.0f + float(i));
            p.timeOut20ms();
        }
        emit p.row(7).slider->valueChanged(150.0f);
        deliver(p, hex("07 00 00 20 41")); // 10 ms, under way before the drag: ignored
        QCOMPARE(p.row(7).spin->value(), 150.0);
        ticks(p, 4);
        QVERIFY(sets().isEmpty());
        p.timeOut20ms();
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 0C 01 01 05 00 07 00 00 16 43 7D 82")});
        ticks(p, 5);
        deliver(p, hex("07 00 00 20 41"));
        QCOMPARE(p.delay(7), 10.0f);
        QCOMPARE(p.row(7).slider->value(), 10.0f);
        QCOMPARE(p.row(7).metres->text(), QString("3.400"));
        ticks(p, 20);
        QCOMPARE(sets().size(), 1); // the report did not go back
    }

    void typingSendsTheFinishedNumberOnly()
    {
        QInDelay p;
        p.show();
        QDoubleSpinBox *spin = p.row(1).spin;
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, "150");
        ticks(p, 10);
        QVERIFY(sets().isEmpty());
        QTest::keyClick(spin, Qt::Key_Return);
        ticks(p, 5);
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 06 01 01 05 00 01 00 00 16 43 7D 82")});
    }

    void reducedRange()
    {
        QOutDelay p;
        emit p.row(5).spin->valueChanged(500.0);
        emit p.row(1).spin->valueChanged(500.0);
        ticks(p, 5);
        m_sent.clear();

        p.setReducedDelayRange(true);
        QVERIFY(sets().isEmpty()); // the range change itself sends nothing
        QCOMPARE(p.maximumDelay(5), 148.0f);
        QCOMPARE(p.row(5).spin->maximum(), 148.0);
        QCOMPARE(p.row(5).slider->maximum(), 148.0f);
        QCOMPARE(p.row(5).spin->value(), 148.0);
        QCOMPARE(p.delay(5), 148.0f);
        QCOMPARE(p.row(1).spin->maximum(), 218.0);
        QCOMPARE(p.row(1).slider->value(), 218.0f);

        // A slider position worth 1.23 ms is kept and sent as 1.24 ms.
        emit p.row(0).slider->valueChanged(1.23f);
        QCOMPARE(p.delay(0), 1.24f);
        QCOMPARE(p.row(0).spin->value(), 1.24);
        ticks(p, 5);
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 0C 01 01 05 00 00 52 B8 9E 3F 7D 82")});

        // Output 6 stops at 148 ms, output 2 reaches 218 ms; a spin step is 0.02 ms.
        emit p.row(5).spin->valueChanged(1000.0);
        emit p.row(1).spin->valueChanged(218.0);
        QCOMPARE(p.delay(5), 148.0f);
        QCOMPARE(p.delay(1), 218.0f);
        p.row(3).spin->stepUp();
        QCOMPARE(p.delay(3), 0.02f);
        // The slider's wheel steps 0.02 ms too, so a step down is never rounded back up.
        QCOMPARE(p.row(3).slider->step(), 2.0f);

        p.setReducedDelayRange(false);
        QCOMPARE(p.row(5).spin->maximum(), 2000.0);
        QCOMPARE(p.row(5).spin->singleStep(), 0.01);
        emit p.row(5).slider->valueChanged(1.23f);
        QCOMPARE(p.delay(5), 1.23f);
    }

    // Every output of a second-generation processor against its own group's limit.
    void reducedLimitPerOutput_data() { testsupport::addReducedDelayRows(); }
    void reducedLimitPerOutput()
    {
        QFETCH(int, output);
        QFETCH(double, limit);
        QFETCH(QByteArray, limitFloat);
        const int ch = output - 1;
        QOutDelay p;
        p.setReducedDelayRange(true);
        QCOMPARE(p.row(ch).spin->maximum(), limit);
        QCOMPARE(p.row(ch).slider->maximum(), float(limit));

        // The limit itself is taken and sent; anything beyond stays at it.
        emit p.row(ch).spin->valueChanged(limit);
        emit p.row(ch).slider->valueChanged(float(limit) + 0.5f);
        emit p.row(ch).spin->valueChanged(2000.0);
        QCOMPARE(p.delay(ch), float(limit));
        ticks(p, 5);
        const QByteArray payload = QByteArray(1, char(ch)) + limitFloat;
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 0C 01 01 05 00") + payload + hex("7D 82")});

        // A report of the larger group's limit shows this output's own.
        emit p.row(ch).spin->valueChanged(1.0);
        ticks(p, 15); // sent, and the edit hold is over
        QCOMPARE(p.delay(ch), 1.0f);
        deliver(p, QByteArray(1, char(ch)) + hex("00 00 5A 43"));
        QCOMPARE(p.delay(ch), float(limit));
        QCOMPARE(p.row(ch).spin->value(), limit);
    }

    void reportsCheckedWhereTheyEnter_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("direction");
        QTest::addColumn<float>("held"); // what input 3 holds afterwards

        QTest::newRow("12.5 ms") << hex("02 00 00 48 41") << 0x80 << 12.5f;
        QTest::newRow("above the range") << hex("02 00 00 7A 45") << 0x80 << 1000.0f;
        QTest::newRow("nan") << hex("02 00 00 C0 7F") << 0x80 << 0.0f;
        QTest::newRow("inf") << hex("02 00 00 80 7F") << 0x80 << 0.0f;
        QTest::newRow("a set") << hex("02 00 00 48 41") << 0x01 << 0.0f;
        QTest::newRow("one byte long") << hex("02 00 00 48 41 00") << 0x80 << 0.0f;
    }
    void reportsCheckedWhereTheyEnter()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, direction);
        QFETCH(float, held);
        QInDelay p;
        deliver(p, payload, quint8(direction));
        deliver(p, hex("04 00 00 48 41")); // there is no input 5
        QCOMPARE(p.delay(2), held);
        QCOMPARE(p.row(2).spin->value(), double(held));
        QVERIFY(sets().isEmpty());
    }

    void pollsOnlyWhenShown()
    {
        QOutDelay p;
        ticks(p, 20);
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(p.quietTicks(), ModuleClock::kMaxQuietTicks); // hidden: the clock may sleep
        p.show();
        ticks(p, 10);
        QCOMPARE(m_sent.size(), 1 + 8);
        QCOMPARE(m_sent[0], hex("82 7D 01 00 02 05 0E 00 00 00 7D 82")); // security item 14
        QCOMPARE(m_sent[8], hex("82 7D 01 00 03 0C 01 00 01 00 07 7D 82"));
        QCOMPARE(p.quietTicks(), 9);
    }

    void lockStatesAndNames()
    {
        QInDelay p;
        p.show();
        p.setSecurityState(2, 2);
        const QDelayPanel::Row &r = p.row(2);
        for (QWidget *w : {static_cast<QWidget *>(r.title), static_cast<QWidget *>(r.slider),
                           static_cast<QWidget *>(r.spin), static_cast<QWidget *>(r.metres),
                           static_cast<QWidget *>(r.feet)})
            QVERIFY(w->isHidden());
        QVERIFY(!r.background->isHidden());
        QVERIFY(!p.row(1).slider->isHidden());
        p.setSecurityState(2, 1);
        QVERIFY(!r.spin->isHidden());
        QVERIFY(!r.background->isEnabled());
        p.setSecurityState(2, 0);
        QVERIFY(r.background->isEnabled());

        p.setChannelName(0, "Pulpit");
        QCOMPARE(p.row(0).title->text(), QString("Pulpit"));
        p.setChannelName(0, QString());
        QCOMPARE(p.row(0).title->text(), QString("I1"));
    }
};

QTEST_MAIN(TestDelayPanel)
#include "tst_delaypanel.moc"
