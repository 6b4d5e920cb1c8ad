// The history of edits on the panels: gestures as entries, undo and redo through the panels,
// "Copy to" and "Reset" as one entry each, refusals, one history per processor.
#include "modules/changerecorder.h"
#include "modules/delaypanel.h"
#include "modules/feedback.h"
#include "modules/filterpanel.h"
#include "modules/gatepanel.h"
#include "modules/levelpanel.h"
#include "modules/limiterpanel.h"
#include "modules/mixer.h"
#include "modules/siggenerator.h"
#include "pages/channelselect.h"
#include "panelharness.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace panelharness;

namespace {

constexpr quint32 kProcessorA = 0x1001;
constexpr quint32 kProcessorB = 0x2002;

void report(QModulePanel &p, quint8 code, const QByteArray &bytes)
{
    p.takeReport(code, 0x80, quint16(bytes.size()),
                 reinterpret_cast<const uchar *>(bytes.constData()));
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

void onModal(std::function<void(QWidget *)> fn)
{
    QTimer::singleShot(0, [fn] { fn(QApplication::activeModalWidget()); });
}

// The payloads ([channel][value]) of the sets sent, sorted.
QList<QByteArray> setPayloads(const QList<QByteArray> &sent)
{
    QList<QByteArray> out;
    for (const QByteArray &f : setsOf(sent))
        out.append(f.mid(10, f.size() - 12));
    std::sort(out.begin(), out.end());
    return out;
}

QList<QByteArray> sorted(QList<QByteArray> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

// A panel of each kind and how to read the field the table below edits.
struct PanelCase {
    std::function<QModulePanel *()> make;
    std::function<double(QModulePanel *)> read;
};

PanelCase panelCase(const QString &name)
{
    if (name == "out level")
        return {[] { return new QOutLevel; },
                [](QModulePanel *p) {
                    return double(static_cast<QOutLevel *>(p)->channelState(3).mute);
                }};
    if (name == "gate")
        return {[] { return new QGate; },
                [](QModulePanel *p) {
                    return double(static_cast<QGate *>(p)->channelState(1).threshold);
                }};
    if (name == "feedback")
        return {[] { return new QFeedback; },
                [](QModulePanel *p) { return double(static_cast<QFeedback *>(p)->enabled(2)); }};
    if (name == "out filter")
        return {[] { return new QOutFilter; },
                [](QModulePanel *p) {
                    return double(static_cast<QOutFilter *>(p)->channelState(5).bandGain[4]);
                }};
    if (name == "in delay")
        return {[] { return new QInDelay; },
                [](QModulePanel *p) { return double(static_cast<QInDelay *>(p)->delay(0)); }};
    if (name == "mixer")
        return {
            [] { return new QMixer; },
            [](QModulePanel *p) { return double(static_cast<QMixer *>(p)->crosspointGain(4, 1)); }};
    if (name == "generator")
        return {[] { return new QSigGenerator; },
                [](QModulePanel *p) {
                    return double(static_cast<QSigGenerator *>(p)->state().frequency);
                }};
    return {[] { return new QOutLimiter; },
            [](QModulePanel *p) {
                return double(static_cast<QOutLimiter *>(p)->channelState(6).threshold);
            }};
}

// Level gain sets of channel 1 (I2): -6.0 dB and 3.0 dB.
const char *const kGainMinus6 = "82 7D 01 00 03 01 03 01 05 00 01 00 00 C0 C0 7D 82";
const char *const kGainPlus3 = "82 7D 01 00 03 01 03 01 05 00 01 00 00 40 40 7D 82";

} // namespace

class TestChangeRecorder : public QObject {
    Q_OBJECT
    QList<QByteArray> m_sent;
    ChangeRecorder &recorder = ChangeRecorder::instance();

private Q_SLOTS:
    void init()
    {
        recorder.clear();
        recorder.setProcessor(kProcessorA, QStringLiteral("DAP408"), 0x7f000002);
        captureSent(m_sent);
    }
    void cleanup()
    {
        stopCapture();
        recorder.clearProcessor();
    }

    // Every kind of panel shows what undo sends as it shows a report, without code of its
    // own (the mixer's reports carry whole rows, so it maps one crosspoint itself).
    void everyPanelShowsWhatUndoSends_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("report"); // what the processor held
        QTest::addColumn<QByteArray>("edit");   // the set of the edit
        QTest::addColumn<double>("before");
        QTest::addColumn<double>("after");
        QTest::newRow("out level mute")
            << "out level" << 9 << 2 << hex("03 01") << hex("03 00") << 1.0 << 0.0;
        QTest::newRow("gate") << "gate" << 2 << 2
                              << hex("01 01 00 00 20 C2 00 00 48 42 00 00 C8 42")
                              << hex("01 01 00 00 A0 C1 00 00 48 42 00 00 C8 42") << -40.0 << -20.0;
        QTest::newRow("feedback") << "feedback" << 3 << 1 << hex("02 01") << hex("02 00") << 1.0
                                  << 0.0;
        QTest::newRow("out filter band")
            << "out filter" << 10 << 3 << hex("05 04 01 01 00 00 7A 44 00 00 80 BF 02")
            << hex("05 04 01 01 00 00 7A 44 00 00 40 40 02") << -1.0 << 3.0;
        QTest::newRow("in delay") << "in delay" << 6 << 1 << hex("00 00 00 20 41")
                                  << hex("00 00 00 A0 41") << 10.0 << 20.0;
        QTest::newRow("mixer gain")
            << "mixer" << 7 << 2 << hex("04 00 F6 00 00") << hex("04 01 FB") << -10.0 << -5.0;
        QTest::newRow("generator frequency") << "generator" << 8 << 2 << hex("00 00 7A 44")
                                             << hex("00 00 FA 44") << 1000.0 << 2000.0;
        QTest::newRow("out limiter")
            << "out limiter" << 11 << 1
            << hex("06 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 C8 42")
            << hex("06 01 00 00 A0 C1 00 00 80 40 00 00 A0 41 00 00 C8 42") << -10.0 << -20.0;
    }
    void everyPanelShowsWhatUndoSends()
    {
        QFETCH(QString, panel);
        QFETCH(int, module);
        QFETCH(int, code);
        QFETCH(QByteArray, report);
        QFETCH(QByteArray, edit);
        QFETCH(double, before);
        QFETCH(double, after);
        const PanelCase pc = panelCase(panel);
        std::unique_ptr<QModulePanel> p(pc.make());
        ::report(*p, quint8(code), report);
        QCOMPARE(pc.read(p.get()), before);
        // The edit as the panel makes it: its mirror moves, then the set goes out.
        p->showRecorded(quint8(code), edit);
        QModulePanel::sendSetPayload(quint8(module), quint8(code), edit,
                                     setfields::isBlockWide(quint8(module), quint8(code)),
                                     ChangeRecorder::Origin::Discrete);
        QCOMPARE(pc.read(p.get()), after);
        QCOMPARE(recorder.undoCount(), 1);
        QVERIFY(recorder.undo());
        QCOMPARE(pc.read(p.get()), before);
        QVERIFY(recorder.redo());
        QCOMPARE(pc.read(p.get()), after);
    }

    // A drag of 40 moves, even with a pause that lets a value out in between, is one entry;
    // undo sends the value from before the drag once and moves the controls back; redo sends
    // the final value. The next drag after the hold has ended is an entry of its own.
    void dragIsOneEntry()
    {
        QInLevel p;
        report(p, QLevelPanel::CodeGain, hex("01 00 00 C0 C0"));
        for (int i = 0; i < 20; ++i)
            p.gainFaderChanged(1, -5.0f + float(i) * 0.2f);
        ticks(p, QModulePanel::kDeferredTicks); // a pause: this value goes out
        for (int i = 0; i < 19; ++i)
            p.gainFaderChanged(1, float(i) * 0.1f);
        p.gainFaderChanged(1, 3.0f);
        ticks(p, QModulePanel::kDeferredTicks);
        QCOMPARE(setsOf(m_sent).size(), 2);
        QCOMPARE(setsOf(m_sent).last(), hex(kGainPlus3));
        QCOMPARE(recorder.undoCount(), 1);
        QCOMPARE(recorder.undoText(), QStringLiteral("I2 gain 3.0 dB"));

        m_sent.clear();
        QVERIFY(recorder.undo());
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex(kGainMinus6)});
        QCOMPARE(p.channelState(1).gain, -6.0f);
        QCOMPARE(p.strip(1).gainEdit->text(), QStringLiteral("-6.0"));
        QVERIFY(!recorder.canUndo());

        m_sent.clear();
        QVERIFY(recorder.redo());
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex(kGainPlus3)});
        QCOMPARE(p.channelState(1).gain, 3.0f);

        ticks(p, QModulePanel::kEditHoldTicks + 1);
        p.gainFaderChanged(1, 1.0f);
        ticks(p, QModulePanel::kDeferredTicks);
        QCOMPARE(recorder.undoCount(), 2);
        QCOMPARE(recorder.redoCount(), 0);
    }

    // "Copy to" from I1 to I2-I4 is one entry; its undo restores each channel's own block.
    void copyToUndone()
    {
        QInLimiter in;
        const QList<QByteArray> blocks = {
            hex("00 01 00 00 20 C1 00 00 80 40 00 00 A0 41 00 00 C8 42"),
            hex("01 01 00 00 A0 C1 00 00 80 40 00 00 A0 41 00 00 C8 42"),
            hex("02 00 00 00 F0 C1 00 00 80 40 00 00 A0 41 00 00 C8 42"),
            hex("03 01 00 00 20 C2 00 00 80 40 00 00 A0 41 00 00 C8 42")};
        for (const QByteArray &b : blocks)
            report(in, QLimiterPanel::CodeBlock, b);
        in.selectChannel(0);
        onModal([](QWidget *w) {
            auto *d = qobject_cast<QChannelSelect *>(w);
            QVERIFY(d);
            for (int i : {1, 2, 3})
                d->inputButton(i)->click();
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        in.CopyToClicked();
        QCOMPARE(setsOf(m_sent),
                 QList<QByteArray>{hex("82 7D 01 00 03 05 02 01 03 00 00 0E 00 7D 82")});
        QCOMPARE(float(in.channelState(2).threshold), -10.0f);
        QCOMPARE(recorder.undoCount(), 1);
        QCOMPARE(recorder.undoText(), QStringLiteral("In Limiter I1 copied to I2 I3 I4"));

        m_sent.clear();
        QVERIFY(recorder.undo());
        QCOMPARE(setPayloads(m_sent), sorted(blocks.mid(1)));
        QCOMPARE(float(in.channelState(2).threshold), -30.0f);
        QCOMPARE(in.channelState(2).enable, quint8(0));

        // Redo makes the processor copy again.
        m_sent.clear();
        QVERIFY(recorder.redo());
        QCOMPARE(setsOf(m_sent).first(), hex("82 7D 01 00 03 05 02 01 03 00 00 0E 00 7D 82"));
    }

    // "Reset" of a filter channel undone restores the whole block: both passes and 16 bands.
    void resetUndone()
    {
        QInFilter p;
        QList<QByteArray> fixture = {hex("00 01 00 01 00 00 C8 42"),  // high-pass 100 Hz
                                     hex("00 01 01 02 00 40 1C 46")}; // low-pass 10 kHz
        for (int b = 0; b < 16; ++b) {
            QByteArray band = hex("00 00 01 01 00 00 7A 44 00 00 80 BF 02"); // 1 kHz, -1 dB
            band[1] = char(b);
            band[12] = char(b % 3);
            fixture.append(band);
        }
        report(p, QFilterPanel::CodeHighPass, fixture[0]);
        report(p, QFilterPanel::CodeLowPass, fixture[1]);
        for (int b = 0; b < 16; ++b)
            report(p, QFilterPanel::CodeBand, fixture[2 + b]);
        onModal([](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == QLatin1String("OK"))
                    b->click();
            }
        });
        p.ResetClicked();
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex("82 7D 01 00 03 04 05 01 01 00 00 7D 82")});
        QCOMPARE(recorder.undoText(), QStringLiteral("In Filter I1 reset"));
        QCOMPARE(p.channelState(0).hpFreq, p.channelState(1).hpFreq); // factory values

        m_sent.clear();
        QVERIFY(recorder.undo());
        QCOMPARE(setPayloads(m_sent), sorted(fixture));
        QCOMPARE(p.channelState(0).hpFreq, quint16(100));
        QCOMPARE(p.channelState(0).lpSlope, quint8(2));
        QCOMPARE(p.channelState(0).bandQ[13], quint8(1));
    }

    // Another client changed the value since: undo says so, sends nothing and keeps the
    // entry; once the processor reports the edited value again, undo goes ahead.
    void changedElsewhereIsRefused()
    {
        QInLevel p;
        report(p, QLevelPanel::CodeGain, hex("01 00 00 C0 C0"));
        type(p.strip(1).gainEdit, QStringLiteral("3"));
        report(p, QLevelPanel::CodeGain, hex("01 00 00 20 C1")); // -10 dB from elsewhere
        QSignalSpy refused(&recorder, &ChangeRecorder::refused);
        m_sent.clear();
        QVERIFY(!recorder.undo());
        QCOMPARE(refused.size(), 1);
        QVERIFY(refused.first().first().toString().contains(QLatin1String("changed elsewhere")));
        QVERIFY(setsOf(m_sent).isEmpty());
        QCOMPARE(recorder.undoCount(), 1);

        report(p, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        QVERIFY(recorder.undo());
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex(kGainMinus6)});
    }

    // Each processor keeps its own history; switching back finds it where it was.
    void historiesArePerProcessor()
    {
        QInLevel p;
        report(p, QLevelPanel::CodeGain, hex("01 00 00 C0 C0"));
        type(p.strip(1).gainEdit, QStringLiteral("3"));
        recorder.closeTurn();

        recorder.setProcessor(kProcessorB, QStringLiteral("DAP408"), 0x7f000003);
        QVERIFY(!recorder.canUndo());
        report(p, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        type(p.strip(1).gainEdit, QStringLiteral("-6"));
        QCOMPARE(recorder.undoText(), QStringLiteral("I2 gain -6.0 dB"));
        m_sent.clear();
        QVERIFY(recorder.undo());
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex(kGainPlus3)});

        recorder.setProcessor(kProcessorA, QStringLiteral("DAP408"), 0x7f000002);
        QCOMPARE(recorder.undoCount(), 1);
        QCOMPARE(recorder.redoCount(), 0);
        QCOMPARE(recorder.undoText(), QStringLiteral("I2 gain 3.0 dB"));
        m_sent.clear();
        QVERIFY(recorder.undo());
        QCOMPARE(setsOf(m_sent), QList<QByteArray>{hex(kGainMinus6)});
    }

    // New network settings from the device list end the history of the processor they went
    // to, connected or not, and leave the others alone.
    void networkSettingsEndThatProcessorsHistory()
    {
        QInLevel p;
        report(p, QLevelPanel::CodeGain, hex("01 00 00 C0 C0"));
        type(p.strip(1).gainEdit, QStringLiteral("3"));
        recorder.closeTurn();
        recorder.setProcessor(kProcessorB, QStringLiteral("DAP408"), 0x7f000003);
        report(p, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        type(p.strip(1).gainEdit, QStringLiteral("-6"));
        recorder.closeTurn();

        recorder.notUndoable(kProcessorA, QStringLiteral("DAP408"), 0x7f000002,
                             QStringLiteral("the network settings of DAP408"));
        QCOMPARE(recorder.undoCount(), 1); // B, the current one, keeps its history
        recorder.setProcessor(kProcessorA, QStringLiteral("DAP408"), 0x7f000002);
        QVERIFY(!recorder.canUndo());
        QCOMPARE(recorder.notUndoableText(), QStringLiteral("the network settings of DAP408"));

        recorder.setProcessor(kProcessorB, QStringLiteral("DAP408"), 0x7f000003);
        recorder.notUndoable(kProcessorB, QStringLiteral("DAP408"), 0x7f000003,
                             QStringLiteral("the network settings of DAP408"));
        QVERIFY(!recorder.canUndo());
        QCOMPARE(recorder.notUndoableText(), QStringLiteral("the network settings of DAP408"));
    }

    // An action that cannot be undone ends the history and is named; the next edit starts
    // a new one. Clicks of one turn (a mute of several channels) are one entry.
    void notUndoableAndTurns()
    {
        QInLevel p;
        report(p, QLevelPanel::CodeGain, hex("01 00 00 C0 C0"));
        type(p.strip(1).gainEdit, QStringLiteral("3"));
        recorder.notUndoable(QStringLiteral("recalling preset 3"));
        QVERIFY(!recorder.canUndo());
        QCOMPARE(recorder.notUndoableText(), QStringLiteral("recalling preset 3"));

        for (int ch = 0; ch < 4; ++ch)
            report(p, QLevelPanel::CodeMute, QByteArray(1, char(ch)) + char(0));
        p.strip(0).mute->click();
        p.strip(2).mute->click();
        QCOMPARE(recorder.undoCount(), 1);
        QVERIFY(recorder.notUndoableText().isEmpty());
        QCoreApplication::processEvents(); // the turn ends
        p.strip(3).mute->click();
        QCOMPARE(recorder.undoCount(), 2);
    }
};

QTEST_MAIN(TestChangeRecorder)
#include "tst_changerecorder.moc"
