// The input and output limiter panels: sends, typed values, reports, meters, polling, copy,
// reset, lock states and the container. Expected Frames are written out byte by byte.
#include "modules/limiterpanel.h"
#include "pages/channelselect.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "widgets/knob.h"
#include "widgets/qmeterwidget.h"
#include "widgets/qtlimitctrl.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>

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

void report(QLimiterPanel &p, quint8 code, const QByteArray &bytes, quint8 direction = 0x80)
{
    p.receive(code, direction, quint16(bytes.size()),
              reinterpret_cast<const uchar *>(bytes.data()));
}

void ticks(QLimiterPanel &p, int n)
{
    for (int i = 0; i < n; ++i)
        p.timeOut20ms();
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

// The dialog's channel buttons to tick (inputs then outputs), then OK or Cancel.
void chooseChannels(QList<int> inputs, QList<int> outputs, bool accept = true)
{
    onModal([=](QWidget *w) {
        auto *d = qobject_cast<QChannelSelect *>(w);
        QVERIFY(d);
        for (int i : inputs)
            d->inputButton(i)->click();
        for (int o : outputs)
            d->outputButton(o)->click();
        auto *box = d->findChild<QDialogButtonBox *>();
        box->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

const char *const kBlockMinus10 = "00 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 C8 42";

} // namespace

class TestLimiterPanel : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

    // The sets among the sent Frames (the meter polls go on meanwhile).
    QList<QByteArray> sets() const
    {
        QList<QByteArray> out;
        for (const QByteArray &f : m_sent) {
            if (f.size() > 7 && f[7] == 1)
                out.append(f);
        }
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_sent.clear();
        proto::Transport::instance().setFrameCode(1);
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent.append(f); });
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void typedEditsSendTheWholeBlock();
    void typedValues_data();
    void typedValues();
    void knobSendsTenTicksAfterItStops();
    void switchingChannelSendsPendingValueFirst();
    void reports_data();
    void reports();
    void reportsWaitForTheEditHoldButMetersDoNot();
    void meters_data();
    void meters();
    void polling();
    void copyTo();
    void reset();
    void lockStates();
    void container();
};

void TestLimiterPanel::typedEditsSendTheWholeBlock()
{
    QInLimiter p;
    const QLimiterPanel::Widgets &w = p.widgets();
    type(w.thresh.edit, QStringLiteral("-10"));
    type(w.ratio.edit, QStringLiteral("4"));
    type(w.decay.edit, QStringLiteral("100"));
    w.enable->click();
    QCOMPARE(m_sent.size(), 4);
    QCOMPARE(m_sent.last(),
             hex("82 7D 01 00 03 05 01 01 12 00") + hex(kBlockMinus10) + hex("7D 82"));
    QCOMPARE(w.thresh.edit->text(), QStringLiteral("-10.0"));
    QCOMPARE(w.thresh.knob->value(), -100.0f);
    QCOMPARE(w.ratio.knob->value(), 4.0f);
    QCOMPARE(w.curve->threshold(), -10.0);
    QCOMPARE(w.curve->ratio(), 4.0);
    QVERIFY(!w.curve->bypass());
}

void TestLimiterPanel::typedValues_data()
{
    QTest::addColumn<int>("field"); // 0 thresh, 1 ratio, 2 attack, 3 decay
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<float>("value"); // what goes out
    QTest::newRow("thresh below range") << 0 << "-130"
                                        << "-120.0" << true << -120.0f;
    QTest::newRow("thresh above range") << 0 << "30"
                                        << "24.0" << true << 24.0f;
    // Typed values go out as typed; the field shows them to 0.1 dB.
    QTest::newRow("thresh -12.34") << 0 << "-12.34"
                                   << "-12.3" << true << -12.34f;
    QTest::newRow("thresh -7.25") << 0 << "-7.25"
                                  << "-7.3" << true << -7.25f;
    QTest::newRow("thresh -0.04") << 0 << "-0.04"
                                  << "-0.0" << true << -0.04f;
    QTest::newRow("thresh nan") << 0 << "nan"
                                << "0.0" << false << 0.0f;
    QTest::newRow("thresh inf") << 0 << "-inf"
                                << "0.0" << false << 0.0f;
    QTest::newRow("thresh text") << 0 << "abc"
                                 << "0.0" << false << 0.0f;
    QTest::newRow("ratio 0") << 1 << "0"
                             << "1" << true << 1.0f;
    QTest::newRow("ratio empty") << 1 << ""
                                 << "2" << false << 0.0f;
    QTest::newRow("attack 5") << 2 << "5"
                              << "20" << true << 20.0f;
    QTest::newRow("decay 1000") << 3 << "1000"
                                << "1000" << true << 1000.0f;
}

void TestLimiterPanel::typedValues()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, sent);
    QFETCH(float, value);
    QOutLimiter p;
    p.selectChannel(5);
    const QLimiterPanel::Widgets &w = p.widgets();
    const QLimiterPanel::Param *params[] = {&w.thresh, &w.ratio, &w.attack, &w.decay};
    type(params[field]->edit, text);
    QCOMPARE(params[field]->edit->text(), shown);
    QCOMPARE(m_sent.size(), sent ? 1 : 0);
    if (!sent)
        return;
    // The field's float32 at 2 + 4 * field after the channel.
    const QByteArray &f = m_sent.first();
    QCOMPARE(quint8(f[10]), quint8(5));
    float out = 0;
    std::memcpy(&out, f.constData() + 10 + 2 + 4 * field, 4);
    QCOMPARE(out, value);
}

void TestLimiterPanel::knobSendsTenTicksAfterItStops()
{
    QInLimiter p;
    Knob *knob = p.widgets().ratio.knob;
    for (float v : {3.0f, 7.9f, 12.0f, 4.6f}) {
        emit knob->valueChanged(v);
        p.timeOut20ms();
    }
    QCOMPARE(p.channelState(0).ratio, quint8(4));
    QCOMPARE(p.widgets().ratio.edit->text(), QStringLiteral("4"));
    QCOMPARE(p.widgets().curve->ratio(), 4.0);
    ticks(p, 8);
    QVERIFY(sets().isEmpty());
    p.timeOut20ms(); // the tenth tick after the knob stopped
    QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 05 01 01 12 00 00 00 00 00 00 00 "
                                           "00 00 80 40 00 00 A0 41 00 00 A0 41 7D 82")});
    ticks(p, 20);
    QCOMPARE(sets().size(), 1);
}

void TestLimiterPanel::switchingChannelSendsPendingValueFirst()
{
    QInLimiter p;
    emit p.widgets().thresh.knob->valueChanged(-105.0f);
    ticks(p, 3);
    p.widgets().channels[2]->click();
    // Channel 0 with -10.5 dB, at once; nothing more later.
    QCOMPARE(sets(), QList<QByteArray>{hex("82 7D 01 00 03 05 01 01 12 00 00 00 00 00 28 C1 "
                                           "00 00 00 40 00 00 A0 41 00 00 A0 41 7D 82")});
    ticks(p, 20);
    QCOMPARE(sets().size(), 1);
    QCOMPARE(p.shownChannel(), 2);
    QCOMPARE(float(p.channelState(2).threshold), 0.0f);
    QCOMPARE(p.widgets().thresh.edit->text(), QStringLiteral("0.0"));
    QVERIFY(!p.widgets().channels[0]->isChecked());
}

void TestLimiterPanel::reports_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<quint8>("direction");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<float>("threshold");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("attack");
    // channel 1, enable, threshold, ratio, attack, decay 500
    QTest::newRow("plain") << hex("01 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 FA 43")
                           << quint8(0x80) << true << -10.0f << 4 << 20;
    QTest::newRow("cut toward zero") << hex("01 01 00 00 20 C1 33 33 93 40 66 66 A6 41 "
                                            "00 00 FA 43")
                                     << quint8(0x80) << true << -10.0f << 4 << 20;
    QTest::newRow("ratio 300 saturates") << hex("01 01 00 00 48 C3 00 00 96 43 00 28 6B 4E "
                                                "00 00 FA 43")
                                         << quint8(0x80) << true << -200.0f << 255 << 65535;
    QTest::newRow("nan threshold") << hex("01 01 00 00 C0 7F 00 00 80 40 00 00 A0 41 "
                                          "00 00 FA 43")
                                   << quint8(0x80) << false << 0.0f << 2 << 20;
    QTest::newRow("infinite ratio") << hex("01 01 00 00 20 C1 00 00 80 7F 00 00 A0 41 "
                                           "00 00 FA 43")
                                    << quint8(0x80) << false << 0.0f << 2 << 20;
    QTest::newRow("17 bytes") << hex("01 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 FA")
                              << quint8(0x80) << false << 0.0f << 2 << 20;
    QTest::newRow("set, not report") << hex("01 01 00 00 20 C1 00 00 80 40 00 00 A0 41 "
                                            "00 00 FA 43")
                                     << quint8(1) << false << 0.0f << 2 << 20;
}

void TestLimiterPanel::reports()
{
    QFETCH(QByteArray, payload);
    QFETCH(quint8, direction);
    QFETCH(bool, applied);
    QFETCH(float, threshold);
    QFETCH(int, ratio);
    QFETCH(int, attack);
    QInLimiter p;
    p.selectChannel(1);
    report(p, 1, payload, direction);
    const LimiterParams &r = p.channelState(1);
    QCOMPARE(r.enable, quint8(applied ? 1 : 0));
    QCOMPARE(float(r.threshold), threshold);
    QCOMPARE(int(r.ratio), ratio);
    QCOMPARE(int(r.attack), attack);
    QCOMPARE(int(r.decay), applied ? 500 : 20);
    const QLimiterPanel::Widgets &w = p.widgets();
    QCOMPARE(w.enable->isChecked(), applied);
    QCOMPARE(w.curve->bypass(), !applied);
    QCOMPARE(w.ratio.edit->text(), QString::number(ratio));
    QCOMPARE(w.ratio.knob->value(), float(qMin(ratio, 100)));
    QCOMPARE(w.thresh.knob->value(), qMax(threshold * 10.0f, -1200.0f));
    QVERIFY(m_sent.isEmpty()); // a report never goes back as a set
}

void TestLimiterPanel::reportsWaitForTheEditHoldButMetersDoNot()
{
    QInLimiter p;
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    const QByteArray block = hex("00 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 A0 41");
    emit p.widgets().attack.knob->valueChanged(300.0f);
    ticks(p, 10); // the send goes out on the tenth tick
    QCOMPARE(sets().size(), 1);
    report(p, 1, block); // asked for before the send: held
    report(p, 4, hex("F8 F6 00 00 00 00 00 00"));
    QCOMPARE(quint16(p.channelState(0).attack), quint16(300));
    QCOMPARE(p.widgets().reduction.value->text(), QStringLiteral("2dBu"));
    ticks(p, 5);
    report(p, 1, block);
    QCOMPARE(quint16(p.channelState(0).attack), quint16(20));
    QCOMPARE(p.widgets().attack.edit->text(), QStringLiteral("20"));
}

void TestLimiterPanel::meters_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("labels"); // input, output, G-R of channel 1
    QTest::addColumn<int>("reduction");      // sigMeter of channel 1, -1: no signal
    QTest::newRow("below the floor")
        << hex("00 00 BA B5 00 00 00 00") << QStringList{"-60dBu", "-60dBu", "5dBu"} << 5;
    QTest::newRow("G-R saturates low")
        << hex("00 00 80 7F 00 00 00 00") << QStringList{"-60dBu", "127dBu", "-60dBu"} << -255;
    QTest::newRow("G-R saturates high")
        << hex("00 00 7F 80 00 00 00 00") << QStringList{"127dBu", "-60dBu", "127dBu"} << 255;
    QTest::newRow("7 bytes") << hex("00 00 F6 EC 00 00 00")
                             << QStringList{"-60dBu", "-60dBu", "0dBu"} << -1;
}

void TestLimiterPanel::meters()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, labels);
    QFETCH(int, reduction);
    QInLimiter p;
    p.selectChannel(1);
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    QSignalSpy spy(&p, &QLimiterPanel::sigMeter);
    report(p, 4, payload);
    const QLimiterPanel::Widgets &w = p.widgets();
    QCOMPARE(
        (QStringList{w.input.value->text(), w.output.value->text(), w.reduction.value->text()}),
        labels);
    QCOMPARE(w.input.meter->value(), qMin(labels[0].chopped(3).toInt(), 24));
    if (reduction == -1) {
        QCOMPARE(spy.size(), 0);
        return;
    }
    QCOMPARE(spy.size(), 4);
    QCOMPARE(spy[1][0].value<uchar>(), uchar(1));
    QCOMPARE(spy[1][1].toInt(), reduction);
}

void TestLimiterPanel::polling()
{
    QOutLimiter p;
    ticks(p, 10);
    const QByteArray meterRequest = hex("82 7D 01 00 03 0B 04 00 00 00 7D 82");
    QCOMPARE(m_sent, (QList<QByteArray>{meterRequest, meterRequest}));
    QCOMPARE(p.quietTicks(), 4); // the clock may sleep until the next meter request

    m_sent.clear();
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    ticks(p, 10);
    QCOMPARE(m_sent.size(), 2 + 1 + 8);
    QCOMPARE(m_sent[2], hex("82 7D 01 00 02 05 0D 00 00 00 7D 82")); // security item 13
    QCOMPARE(m_sent[3], hex("82 7D 01 00 03 0B 01 00 01 00 00 7D 82"));
    QCOMPARE(m_sent[10], hex("82 7D 01 00 03 0B 01 00 01 00 07 7D 82"));
}

void TestLimiterPanel::copyTo()
{
    QInLimiter in;
    QOutLimiter out;
    connect(&in, &QInLimiter::sigOutCopy, &out, &QOutLimiter::channelCopy);
    connect(&out, &QOutLimiter::sigInCopy, &in, &QInLimiter::channelCopy);

    // Nothing ticked: the processor is still told, with both masks 0.
    chooseChannels({}, {});
    in.CopyToClicked();
    QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 05 02 01 03 00 00 00 00 7D 82")});

    m_sent.clear();
    in.selectChannel(1);
    type(in.widgets().thresh.edit, QStringLiteral("-30"));
    emit in.widgets().ratio.knob->valueChanged(8.0f); // pending: goes out before the copy
    out.selectChannel(2);
    chooseChannels({3}, {2, 5});
    in.CopyToClicked();
    QCOMPARE(m_sent.size(), 3);
    QCOMPARE(m_sent[2], hex("82 7D 01 00 03 05 02 01 03 00 01 08 24 7D 82"));
    for (const LimiterParams &r : {in.channelState(3), out.channelState(2), out.channelState(5)}) {
        QCOMPARE(float(r.threshold), -30.0f);
        QCOMPARE(r.ratio, quint8(8));
    }
    QCOMPARE(float(in.channelState(2).threshold), 0.0f);
    QCOMPARE(out.widgets().ratio.edit->text(), QStringLiteral("8")); // O3 is shown
    QCOMPARE(out.widgets().curve->threshold(), -30.0);

    // From the output side its own channel's box is the one disabled; cancel does nothing.
    m_sent.clear();
    onModal([](QWidget *w) {
        auto *d = qobject_cast<QChannelSelect *>(w);
        QVERIFY(!d->outputButton(2)->isEnabled());
        QVERIFY(d->inputButton(2)->isEnabled());
        d->reject();
    });
    out.CopyToClicked();
    QVERIFY(m_sent.isEmpty());
}

void TestLimiterPanel::reset()
{
    QOutLimiter p;
    p.selectChannel(2);
    type(p.widgets().thresh.edit, QStringLiteral("-20"));
    p.widgets().enable->click();
    m_sent.clear();
    for (const char *button : {"Cancle", "OK"}) {
        onModal([button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QCOMPARE(box->text(), QStringLiteral("Clear all setting?"));
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == QLatin1String(button))
                    b->click();
            }
        });
        p.ResetClicked();
    }
    QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 0B 03 01 01 00 02 7D 82")});
    QCOMPARE(float(p.channelState(2).threshold), 0.0f);
    QCOMPARE(p.channelState(2).enable, quint8(0));
    QCOMPARE(p.widgets().thresh.edit->text(), QStringLiteral("0.0"));
    QVERIFY(!p.widgets().enable->isChecked());
    QVERIFY(p.widgets().curve->bypass());
}

void TestLimiterPanel::lockStates()
{
    QInLimiter p;
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    const QLimiterPanel::Widgets &w = p.widgets();
    p.setSecurityState(1, 2); // not shown: nothing moves yet
    QVERIFY(w.thresh.knob->isVisible());
    p.selectChannel(1);
    for (QWidget *c : QList<QWidget *>{w.enable, w.curve, w.reduction.meter, w.input.caption,
                                       w.thresh.caption, w.decay.edit, w.ratio.knob})
        QVERIFY(!c->isVisible());
    QVERIFY(w.copy->isVisible());
    QVERIFY(w.channels[0]->isVisible());

    p.setSecurityState(0, 1);
    p.selectChannel(0);
    QVERIFY(w.thresh.knob->isVisible());
    QVERIFY(!w.chart->isEnabled());
    QVERIFY(!w.cfg->isEnabled());
    QVERIFY(w.copy->isEnabled());
    p.setSecurityState(0, 0);
    QVERIFY(w.chart->isEnabled());
    QVERIFY(w.cfg->isEnabled());
}

void TestLimiterPanel::container()
{
    FuncWidget f;
    auto *in = qobject_cast<QInLimiter *>(f.page(FuncWidget::TabInLimiter));
    auto *out = qobject_cast<QOutLimiter *>(f.page(FuncWidget::TabOutLimiter));
    QVERIFY(in && out);
    QCOMPARE(f.pageForModule(11), out);

    QSignalSpy meters(&f, &FuncWidget::sigOutLimiterMeter);
    const QByteArray levels = hex("F6 EC 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    f.receiveModule(11, 4, 0x80, quint16(levels.size()),
                    reinterpret_cast<const uchar *>(levels.data()));
    QCOMPARE(meters.size(), 8);
    QCOMPARE(meters[0][1].toInt(), 10);

    LimiterParams record;
    record.ratio = 9;
    emit in->sigOutCopy(0x81, reinterpret_cast<char *>(&record));
    QCOMPARE(out->channelState(7).ratio, quint8(9));
    QCOMPARE(out->channelState(1).ratio, quint8(2));

    f.setOutSelect(7);
    QCOMPARE(out->shownChannel(), 7);
    QCOMPARE(out->widgets().ratio.edit->text(), QStringLiteral("9"));
    f.setInLabel(3, QStringLiteral("Podium"));
    QCOMPARE(in->widgets().channels[3]->text(), QStringLiteral("Podium"));
    f.setInLabel(3, QString());
    QCOMPARE(in->widgets().channels[3]->text(), QStringLiteral("I4"));
}

QTEST_MAIN(TestLimiterPanel)
#include "tst_limiterpanel.moc"
