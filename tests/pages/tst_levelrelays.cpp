// The level panels inside the tab container: routed reports, relays to the overview, the
// overview's mutes and the calibration values reaching the calibration dialog.
#include "modules/levelpanel.h"
#include "pages/cail.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

void route(FuncWidget &fw, quint8 module, quint8 code, const char *payloadHex)
{
    const QByteArray p = hex(payloadHex);
    fw.receiveModule(module, code, 0x80, quint16(p.size()),
                     reinterpret_cast<const uchar *>(p.constData()));
}
} // namespace

class TestLevelRelays : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        proto::Transport::instance().setSink([](const QByteArray &) {});
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void relaysBothWays()
    {
        FuncWidget fw;
        auto *in = qobject_cast<QInLevel *>(fw.page(FuncWidget::TabInLevel));
        auto *out = qobject_cast<QOutLevel *>(fw.page(FuncWidget::TabOutLevel));
        auto *cail = qobject_cast<QCail *>(fw.cailDialog());
        QVERIFY(in && out && cail);
        QCOMPARE(in->objectName(), QString("inLevelWidget"));

        QSignalSpy inMeter(&fw, &FuncWidget::sigInMeter);
        QSignalSpy outMeter(&fw, &FuncWidget::sigOutMeter);
        QSignalSpy outMute(&fw, &FuncWidget::sigOutMute);
        route(fw, 1, 1, "F6 C4 C4 C4");
        route(fw, 9, 1, "C4 C4 C4 C4 C4 C4 C4 EC");
        route(fw, 9, 2, "05 01");
        QCOMPARE(inMeter.size(), 1);
        QCOMPARE(inMeter[0][1].toInt(), -10);
        QCOMPARE(outMeter.size(), 1);
        QCOMPARE(outMeter[0][1].toInt(), -20);
        QCOMPARE(outMute.size(), 1);
        QCOMPARE(outMute[0][0].value<uchar>(), uchar(5));

        fw.setInMute(2, true);
        QVERIFY(in->strip(2).mute->isChecked());
        fw.setInLabel(1, "Vocal");
        fw.setOutLabel(7, "Sub");
        QCOMPARE(in->strip(1).title->text(), QString("Vocal"));
        QCOMPARE(out->strip(7).title->text(), QString("Sub"));
        fw.setOutLabel(7, QString());
        QCOMPARE(out->strip(7).title->text(), QString("O8"));

        route(fw, 1, 32, "01 00 00 D0 C0");
        route(fw, 9, 32, "07 00 00 40 C0");
        QCOMPARE(cail->inputGain(1), -6.5f);
        QCOMPARE(cail->outputGain(7), -3.0f);
    }

    // Calibration reports of both level modules through the real receive path: a value that is
    // no number leaves the dialog as it was, one beyond the field is held at its end.
    void calibrationReportsAreChecked_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("input");
        QTest::addColumn<int>("channel");
        QTest::addColumn<float>("shown");
        const auto row = [](const char *name, const char *spaced, bool in, int ch, float shown) {
            QTest::newRow(name) << hex(spaced) << in << ch << shown;
        };
        row("in NaN", "82 7D 01 00 03 01 20 80 05 00 00 00 00 C0 7F 7D 82", true, 0, -6.5f);
        row("out NaN", "82 7D 01 00 03 09 20 80 05 00 00 00 00 C0 7F 7D 82", false, 0, -6.5f);
        row("in -inf", "82 7D 01 00 03 01 20 80 05 00 03 00 00 80 FF 7D 82", true, 3, -6.5f);
        row("out 3e38", "82 7D 01 00 03 09 20 80 05 00 07 E6 B1 61 7F 7D 82", false, 7, 12.0f);
        row("in -1e4", "82 7D 01 00 03 01 20 80 05 00 02 00 40 1C C6 7D 82", true, 2, -70.0f);
    }
    void calibrationReportsAreChecked()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, input);
        QFETCH(int, channel);
        QFETCH(float, shown);
        FuncWidget fw;
        proto::FrameRouter router;
        fw.registerRoutes(router);
        auto *cail = qobject_cast<QCail *>(fw.cailDialog());
        QVERIFY(cail);
        // Every channel first shows -6.5 dB.
        for (int ch = 0; ch < 8; ++ch) {
            QByteArray p = hex("00 00 00 D0 C0");
            p[0] = char(ch);
            fw.receiveModule(input ? 1 : 9, 32, 0x80, 5,
                             reinterpret_cast<const uchar *>(p.constData()));
        }
        proto::Transport::instance().receiveBytes(frame, router);
        const float gain = input ? cail->inputGain(channel) : cail->outputGain(channel);
        QCOMPARE(gain, shown);
        QLineEdit *edit = input ? cail->inputEdit(channel) : cail->outputEdit(channel);
        QCOMPARE(edit->text(), QString::asprintf("%0.1f", double(shown)));
    }
};

QTEST_MAIN(TestLevelRelays)
#include "tst_levelrelays.moc"
