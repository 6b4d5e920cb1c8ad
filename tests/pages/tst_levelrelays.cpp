// The level panels inside the tab container: routed reports, relays to the overview, the
// overview's mutes and the calibration values reaching the calibration dialog.
#include "modules/levelpanel.h"
#include "pages/cail.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"

#include <QLabel>
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
};

QTEST_MAIN(TestLevelRelays)
#include "tst_levelrelays.moc"
