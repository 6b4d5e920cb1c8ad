// The input and output filter panels: edits, deferred sends, reports, polling, copy, reset,
// lock states and texts. Expected Frames are written out byte by byte.
#include "modules/filtergraph.h"
#include "modules/filterpanel.h"
#include "pages/channelselect.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "widgets/knob.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
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

void report(QFilterPanel &p, quint8 code, const char *payload)
{
    const QByteArray bytes = hex(payload);
    p.receive(code, 0x80, quint16(bytes.size()), reinterpret_cast<const uchar *>(bytes.data()));
}

void ticks(QFilterPanel &p, int n)
{
    for (int i = 0; i < n; ++i)
        p.timeOut20ms();
}

void mouse(QWidget *w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

bool sameRecord(const FilterChannelState &a, const FilterChannelState &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestFilterPanel : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;

private Q_SLOTS:
    void init()
    {
        m_sent.clear();
        proto::Transport::instance().setFrameCode(1);
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent.append(f); });
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void recordLayout();
    void gainKnobDragSendsOnceAfterItStops();
    void switchingSendsPendingValuesFirst();
    void reports_data();
    void reports();
    void reportsWaitForTheEditHold();
    void shelfQShownButDrawnFixed();
    void draggingAnotherBandFirstSelectsIt();
    void typedValuesAreClampedAndSentAtOnce_data();
    void typedValuesAreClampedAndSentAtOnce();
    void pollsOneChannelEvery40ms();
    void copyToBothSides();
    void reset_data();
    void reset();
    void lockStates();
    void languageChangeRenamesAllPass();
    void containerWiring();
    void fitsBesideTheDeviceList();
};

void TestFilterPanel::recordLayout()
{
    // The record travels between the panels as bytes: fields in order, no gaps.
    FilterChannelState s = FilterChannelState::factory();
    const auto *bytes = reinterpret_cast<const uchar *>(&s);
    QCOMPARE(sizeof s, size_t(154));
    QCOMPARE(bytes[0], uchar(1));                // band 1 enabled
    QCOMPARE(bytes[32], uchar(43));              // band 1 Q index
    QCOMPARE(bytes[48] | bytes[49] << 8, 40);    // band 1 frequency
    QCOMPARE(bytes[78] | bytes[79] << 8, 4000);  // band 16 frequency
    QCOMPARE(bytes[146] | bytes[147] << 8, 20);  // high-pass frequency
    QCOMPARE(bytes[151] | bytes[152] << 8, 20000); // low-pass frequency
    QCOMPARE(bytes[153], uchar(0));              // low-pass enable
}

void TestFilterPanel::gainKnobDragSendsOnceAfterItStops()
{
    QInFilter p;
    p.bandButton(2)->click();
    Knob *knob = p.bandWidgets().gainKnob;
    for (float v : {40.0f, 95.5f, 123.4f}) {
        emit knob->valueChanged(v);
        p.timeOut20ms();
    }
    QCOMPARE(p.bandWidgets().gainEdit->text(), QStringLiteral("12.3"));
    QCOMPARE(p.graph()->bandGain(2), 12.34f);
    QCOMPARE(float(p.channelState(0).bandGain[2]), 12.34f);
    ticks(p, 3);
    QVERIFY(m_sent.isEmpty());
    p.timeOut20ms(); // the fifth tick after the knob stopped
    QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 04 03 01 0D 00 00 02 01 00 "
                                           "00 00 A0 42 A4 70 45 41 2B 7D 82")});
    ticks(p, 20);
    QCOMPARE(m_sent.size(), 1);
}

void TestFilterPanel::switchingSendsPendingValuesFirst()
{
    // A band or channel switch within 100 ms of a drag would otherwise send the newly
    // selected band's values in place of the dragged ones.
    QInFilter p;
    p.bandButton(2)->click();
    emit p.bandWidgets().gainKnob->valueChanged(55.0f);
    p.timeOut20ms();
    p.bandButton(3)->click();
    QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 04 03 01 0D 00 00 02 01 00 "
                                           "00 00 A0 42 00 00 B0 40 2B 7D 82")});
    emit p.highPassWidgets().freqKnob->valueChanged(1000.0f);
    p.channelButton(1)->click();
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent[1], hex("82 7D 01 00 03 04 01 01 08 00 00 00 00 00 00 00 7A 44 7D 82"));
    ticks(p, 10);
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(float(p.channelState(0).bandGain[2]), 5.5f);
    QCOMPARE(quint16(p.channelState(1).hpFreq), quint16(20));
}

void TestFilterPanel::reports_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("applied");
    // Band 7 of channel 0: enabled, PEQ, 555.7 Hz, -3.5 dB, Q index 20.
    QTest::newRow("band 7") << hex("00 06 01 00 CD EC 0A 44 00 00 60 C0 14") << true;
    QTest::newRow("one byte long") << hex("00 06 01 00 CD EC 0A 44 00 00 60 C0 14 00") << false;
    QTest::newRow("channel 4") << hex("04 06 01 00 CD EC 0A 44 00 00 60 C0 14") << false;
    QTest::newRow("band 16") << hex("00 10 01 00 CD EC 0A 44 00 00 60 C0 14") << false;
    QTest::newRow("type 4") << hex("00 06 01 04 CD EC 0A 44 00 00 60 C0 14") << false;
    QTest::newRow("Q index 65") << hex("00 06 01 00 CD EC 0A 44 00 00 60 C0 41") << false;
}

void TestFilterPanel::reports()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, applied);
    QInFilter p;
    p.bandButton(1)->click();
    p.receive(3, 0x80, quint16(payload.size()), reinterpret_cast<const uchar *>(payload.data()));
    const FilterChannelState &s = p.channelState(0);
    if (applied) {
        QCOMPARE(quint16(s.bandFreq[6]), quint16(555));
        QCOMPARE(float(s.bandGain[6]), -3.5f);
        QCOMPARE(s.bandQ[6], quint8(20));
        // The handle of band 7 moves; the controls keep showing band 2.
        QCOMPARE(p.graph()->bandFrequency(6), 555.0f);
        QCOMPARE(p.graph()->bandGain(6), -3.5f);
        QCOMPARE(p.bandWidgets().freqEdit->text(), QStringLiteral("60"));
        QCOMPARE(p.bandWidgets().gainEdit->text(), QStringLiteral("0.0"));
    } else {
        QVERIFY(sameRecord(s, FilterChannelState::factory()));
        QCOMPARE(p.graph()->bandFrequency(6), 400.0f);
    }
    QVERIFY(m_sent.isEmpty()); // reports are never echoed
}

void TestFilterPanel::reportsWaitForTheEditHold()
{
    QOutFilter p;
    emit p.highPassWidgets().freqKnob->valueChanged(150.8f);
    QCOMPARE(p.highPassWidgets().freqEdit->text(), QStringLiteral("150"));
    // A high-pass report of 99.9 Hz (Butterworth, -24 dB/oct, enabled) during the hold...
    report(p, 1, "00 01 01 03 CD CC C7 42");
    QCOMPARE(quint16(p.channelState(0).hpFreq), quint16(150));
    ticks(p, 10);
    QCOMPARE(m_sent.size(), 1); // the deferred high-pass send, 150 Hz
    QCOMPARE(m_sent[0], hex("82 7D 01 00 03 0A 01 01 08 00 00 00 00 00 00 00 16 43 7D 82"));
    // ...and after it, stored as 99 Hz and shown.
    report(p, 1, "00 01 01 03 CD CC C7 42");
    QCOMPARE(quint16(p.channelState(0).hpFreq), quint16(99));
    QCOMPARE(p.channelState(0).hpEnable, quint8(1));
    QCOMPARE(p.highPassWidgets().freqEdit->text(), QStringLiteral("99"));
    QCOMPARE(p.highPassWidgets().freqKnob->value(), 99.0f);
    QCOMPARE(p.highPassWidgets().slope->currentIndex(), 3);
    QCOMPARE(p.graph()->highPassFrequency(), 99.0f);
    QVERIFY(p.graph()->response()[0] < -60.0); // the filter now shapes the curve
    QCOMPARE(m_sent.size(), 1);
}

void TestFilterPanel::shelfQShownButDrawnFixed()
{
    QInFilter p;
    report(p, 3, "00 00 01 01 00 00 7A 44 00 00 A0 40 2B"); // band 1: LowShelf, Q index 43
    QCOMPARE(p.bandWidgets().qEdit->text(), QStringLiteral("6.00"));
    QCOMPARE(p.bandWidgets().type->currentIndex(), 1);
    QCOMPARE(p.graph()->bandQ(0), 0.67f);
    report(p, 3, "00 00 01 00 00 00 7A 44 00 00 A0 40 2B"); // the same band as PEQ
    QCOMPARE(p.graph()->bandQ(0), 6.0f);
}

void TestFilterPanel::draggingAnotherBandFirstSelectsIt()
{
    QInFilter p;
    p.resize(1400, 800);
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    FilterGraph *g = p.graph();
    g->grab();
    const QPointF handle = g->bandHandleRect(8).center(); // band 9: 600 Hz, 0 dB
    mouse(g, QEvent::MouseButtonPress, handle, Qt::LeftButton);
    mouse(g, QEvent::MouseMove, handle + QPointF(30, -40), Qt::LeftButton);
    QCOMPARE(p.selectedBand(), 8);
    QVERIFY(p.bandButton(8)->isChecked());
    QVERIFY(!p.bandButton(0)->isChecked());
    QCOMPARE(p.bandWidgets().freqEdit->text(), QStringLiteral("600"));
    QCOMPARE(quint16(p.channelState(0).bandFreq[8]), quint16(600));
    QCOMPARE(g->bandFrequency(8), 600.0f); // the handle went back
    QCOMPARE(g->bandGain(8), 0.0f);

    mouse(g, QEvent::MouseMove, handle + QPointF(30, -40), Qt::LeftButton);
    mouse(g, QEvent::MouseButtonRelease, handle + QPointF(30, -40), Qt::NoButton);
    const quint16 freq = p.channelState(0).bandFreq[8];
    const float gain = p.channelState(0).bandGain[8];
    QVERIFY(freq > 600 && freq < 1000);
    QVERIFY(gain > 2.0f && gain < 20.0f);
    QCOMPARE(p.bandWidgets().freqEdit->text(), QString::number(freq));
    QCOMPARE(p.bandWidgets().gainEdit->text(), QString::asprintf("%0.1f", double(gain)));
    QCOMPARE(g->bandFrequency(8), float(freq)); // whole hertz on the graph too

    m_sent.clear(); // polls of the shown panel are not the point here
    p.hide();
    ticks(p, 5);
    QCOMPARE(m_sent.size(), 2); // band frequency and band gain, each band 9's whole record
    const QByteArray body = m_sent[0].mid(10, 13);
    QCOMPARE(m_sent[1], m_sent[0]);
    QCOMPARE(body.left(4), hex("00 08 01 00"));
    float sentFreq, sentGain;
    std::memcpy(&sentFreq, body.constData() + 4, 4);
    std::memcpy(&sentGain, body.constData() + 8, 4);
    QCOMPARE(sentFreq, float(freq));
    QCOMPARE(sentGain, gain);
}

void TestFilterPanel::typedValuesAreClampedAndSentAtOnce_data()
{
    QTest::addColumn<int>("field"); // 0 high-pass freq, 1 low-pass freq, 2 band freq, 3 gain
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("high-pass 25000") << 0 << "25000" << "20000"
        << hex("82 7D 01 00 03 04 01 01 08 00 00 00 00 00 00 40 9C 46 7D 82");
    QTest::newRow("low-pass 5") << 1 << "5" << "20"
        << hex("82 7D 01 00 03 04 02 01 08 00 00 00 00 00 00 00 A0 41 7D 82");
    QTest::newRow("band 1000") << 2 << "1000" << "1000"
        << hex("82 7D 01 00 03 04 03 01 0D 00 00 00 01 00 00 00 7A 44 00 00 00 00 2B 7D 82");
    QTest::newRow("gain -25") << 3 << "-25" << "-20.0"
        << hex("82 7D 01 00 03 04 03 01 0D 00 00 00 01 00 00 00 20 42 00 00 A0 C1 2B 7D 82");
}

void TestFilterPanel::typedValuesAreClampedAndSentAtOnce()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QByteArray, frame);
    QInFilter p;
    QLineEdit *edits[] = {p.highPassWidgets().freqEdit, p.lowPassWidgets().freqEdit,
                          p.bandWidgets().freqEdit, p.bandWidgets().gainEdit};
    edits[field]->setText(typed);
    switch (field) {
    case 0: p.HPassFreqEditingFinished(); break;
    case 1: p.LPassFreqEditingFinished(); break;
    case 2: p.PEQFreqEditingFinished(); break;
    default: p.PEQGainEditingFinished(); break;
    }
    QCOMPARE(edits[field]->text(), shown);
    QCOMPARE(m_sent, QList<QByteArray>{frame});
}

void TestFilterPanel::pollsOneChannelEvery40ms()
{
    QInFilter p;
    ticks(p, 2);
    QVERIFY(m_sent.isEmpty()); // not shown: no polls
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    QList<int> channels;
    for (int i = 0; i < 8; ++i) {
        m_sent.clear();
        p.timeOut20ms();
        if (m_sent.isEmpty())
            continue;
        QCOMPARE(m_sent.size(), 19);
        channels.append(p.polledChannel());
        const QByteArray ch = QByteArray(1, char(p.polledChannel()));
        QCOMPARE(m_sent[0], hex("82 7D 01 00 02 05 06 00 01 00") + ch + hex("7D 82"));
        QCOMPARE(m_sent[1], hex("82 7D 01 00 03 04 01 00 01 00") + ch + hex("7D 82"));
        QCOMPARE(m_sent[2], hex("82 7D 01 00 03 04 02 00 01 00") + ch + hex("7D 82"));
        QCOMPARE(m_sent[18], hex("82 7D 01 00 03 04 03 00 02 00") + ch + hex("0F 7D 82"));
    }
    QCOMPARE(channels, (QList<int>{1, 2, 3, 0}));
}

void TestFilterPanel::copyToBothSides()
{
    QInFilter in;
    QOutFilter out;
    connect(&in, &QInFilter::sigOutCopy, &out, &QOutFilter::channelCopy);
    report(in, 3, "02 00 01 02 00 00 7A 44 00 00 A0 40 10"); // input 3, band 1
    report(in, 1, "02 01 01 03 CD CC C7 42");
    in.selectChannel(2);
    out.selectChannel(1);
    onModal([&in](QWidget *w) {
        auto *chooser = in.channelSelect();
        QCOMPARE(w, chooser);
        QVERIFY(!chooser->inputButton(2)->isEnabled());
        chooser->inputButton(0)->click();
        chooser->inputButton(1)->click();
        chooser->outputButton(1)->click();
        chooser->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    in.copyToClicked();
    const FilterChannelState &src = in.channelState(2);
    QCOMPARE(src.bandType[0], quint8(2));
    QVERIFY(sameRecord(in.channelState(0), src));
    QVERIFY(sameRecord(in.channelState(1), src));
    QVERIFY(sameRecord(in.channelState(3), FilterChannelState::factory()));
    QVERIFY(sameRecord(out.channelState(1), src));
    QVERIFY(sameRecord(out.channelState(0), FilterChannelState::factory()));
    QCOMPARE(out.highPassWidgets().freqEdit->text(), QStringLiteral("99")); // shown again
    QCOMPARE(out.graph()->bandGain(0), 5.0f);
    QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 04 04 01 03 00 02 03 02 7D 82")});

    // A cancelled chooser copies and sends nothing.
    m_sent.clear();
    onModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    out.copyToClicked();
    QVERIFY(m_sent.isEmpty());
}

void TestFilterPanel::reset_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("OK") << "OK";
    QTest::newRow("Cancle") << "Cancle";
}

void TestFilterPanel::reset()
{
    QFETCH(QString, answer);
    QOutFilter p;
    report(p, 3, "05 03 00 01 00 00 7A 44 00 00 A0 40 10");
    p.selectChannel(5);
    onModal([answer](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Clear all setting?"));
        for (QAbstractButton *b : box->buttons())
            if (b->text() == answer)
                b->click();
    });
    p.ResetClicked();
    if (answer == "OK") {
        QVERIFY(sameRecord(p.channelState(5), FilterChannelState::factory()));
        QCOMPARE(p.graph()->bandFrequency(3), 100.0f);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 0A 05 01 01 00 05 7D 82")});
    } else {
        QCOMPARE(quint16(p.channelState(5).bandFreq[3]), quint16(1000));
        QVERIFY(m_sent.isEmpty());
    }
}

void TestFilterPanel::lockStates()
{
    QInFilter p;
    p.resize(1400, 800);
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    uchar table[4][19] = {};
    p.setLockLookup([&table](uchar ch, int element) { return table[ch][element]; });
    FilterGraph *g = p.graph();

    table[1][QFilterPanel::LockGraph] = 1;
    p.setFilterGraphSecurityState(1); // not the shown channel: nothing happens
    QVERIFY(g->isEnabled());
    p.channelButton(1)->click();        // selecting applies the channel's locks
    QVERIFY(!g->isEnabled());
    QVERIFY(g->isVisible());
    table[1][QFilterPanel::LockGraph] = 2;
    p.setFilterGraphSecurityState(1);
    QVERIFY(!g->isVisible());

    table[1][QFilterPanel::LockHighPass] = 1;
    p.setHPFilterSecurityState(1);
    QVERIFY(!p.highPassWidgets().group->isEnabled());
    QVERIFY(p.highPassWidgets().enable->isVisible());
    QVERIFY(!g->highPassDraggable());
    QVERIFY(g->highPassVisible());
    table[1][QFilterPanel::LockLowPass] = 2;
    p.setLPFilterSecurityState(1);
    QVERIFY(!p.lowPassWidgets().enable->isVisible());
    QVERIFY(!g->lowPassVisible());

    // Band 5 hidden: its handle goes; the band group follows only while band 5 is selected.
    table[1][QFilterPanel::LockBand0 + 4] = 2;
    p.setFilterBandSecurityState(1, 4);
    QVERIFY(!g->bandVisible(4));
    QVERIFY(p.bandWidgets().gainKnob->isVisible());
    p.bandButton(4)->click();
    QVERIFY(!p.bandWidgets().gainKnob->isVisible());
    table[1][QFilterPanel::LockBand0 + 4] = 0;
    p.setFilterBandSecurityState(1, 4);
    QVERIFY(p.bandWidgets().gainKnob->isVisible());
    QVERIFY(g->bandVisible(4) && g->bandDraggable(4));
}

void TestFilterPanel::languageChangeRenamesAllPass()
{
    QInFilter p;
    QCOMPARE(p.bandWidgets().type->itemText(3), QStringLiteral("AllPass"));
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&p, &change);
    QCOMPARE(p.bandWidgets().type->itemText(3), QStringLiteral("Allpass"));
    QCOMPARE(p.highPassWidgets().type->itemText(2), QStringLiteral("Link-Riley"));
}

void TestFilterPanel::containerWiring()
{
    FuncWidget fw;
    auto *in = qobject_cast<QInFilter *>(fw.page(FuncWidget::TabInFilter));
    auto *out = qobject_cast<QOutFilter *>(fw.page(FuncWidget::TabOutFilter));
    QVERIFY(in && out);
    // Module 10 reports reach the output panel only.
    const QByteArray band = hex("07 0F 01 02 00 00 7A 44 00 00 A0 40 10");
    fw.receiveModule(10, 3, 0x80, quint16(band.size()),
                     reinterpret_cast<const uchar *>(band.constData()));
    QCOMPARE(quint16(out->channelState(7).bandFreq[15]), quint16(1000));
    QVERIFY(sameRecord(in->channelState(3), FilterChannelState::factory()));
    // The output panel's copy reaches the input panel.
    FilterChannelState record = out->channelState(7);
    emit out->sigInCopy(0x0A, reinterpret_cast<char *>(&record));
    QVERIFY(sameRecord(in->channelState(1), record));
    QVERIFY(sameRecord(in->channelState(3), record));
    QVERIFY(sameRecord(in->channelState(0), FilterChannelState::factory()));
    // Channel names and selections from the container.
    fw.setInLabel(2, QStringLiteral("Vocal"));
    QCOMPARE(in->channelButton(2)->text(), QStringLiteral("Vocal"));
    fw.setInLabel(2, QString());
    QCOMPARE(in->channelButton(2)->text(), QStringLiteral("I3"));
    fw.setOutLabel(5, QString());
    QCOMPARE(out->channelButton(5)->text(), QStringLiteral("O6"));
    fw.setOutSelect(7);
    QCOMPARE(out->shownChannel(), 7);
    QVERIFY(out->channelButton(7)->isChecked());
    QCOMPARE(out->graph()->bandFrequency(15), 1000.0f);
}

// The tab container beside the device list column leaves about 1125x400 for a page.
void TestFilterPanel::fitsBesideTheDeviceList()
{
    QInFilter in;
    QOutFilter out;
    for (QFilterPanel *p : {static_cast<QFilterPanel *>(&in), static_cast<QFilterPanel *>(&out)}) {
        const QSize need = p->minimumSizeHint();
        QVERIFY2(need.width() <= 1120 && need.height() <= 400,
                 qPrintable(QStringLiteral("%1x%2").arg(need.width()).arg(need.height())));
        p->resize(1120, 400);
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p));
        for (const auto *w : {&p->highPassWidgets(), &p->lowPassWidgets()}) {
            QVERIFY(!w->freqKnob->geometry().intersects(w->enable->geometry()));
            QVERIFY(!w->freqKnob->geometry().intersects(w->freqEdit->geometry()));
            QVERIFY(w->group->rect().contains(w->freqKnob->geometry()));
            QVERIFY(w->group->rect().contains(w->enable->geometry()));
        }
        QVERIFY(!p->highPassWidgets().group->geometry().intersects(
            p->lowPassWidgets().group->geometry()));
        p->hide();
    }
}

QTEST_MAIN(TestFilterPanel)
#include "tst_filterpanel.moc"
