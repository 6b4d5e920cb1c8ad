// The mixer, feedback and generator pages inside the tab container: routed reports, channel
// names and the mixer's output selection.
#include "modules/feedback.h"
#include "modules/mixer.h"
#include "modules/siggenerator.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
void route(FuncWidget &fw, quint8 module, quint8 code, const QByteArray &payload)
{
    fw.receiveModule(module, code, 0x80, quint16(payload.size()),
                     reinterpret_cast<const uchar *>(payload.constData()));
}
} // namespace

class TestRoutingRelays : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        proto::Transport::instance().setSink([](const QByteArray &) {});
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void pagesInTheContainer()
    {
        FuncWidget fw;
        auto *mixer = qobject_cast<QMixer *>(fw.page(FuncWidget::TabMatrix));
        auto *feedback = qobject_cast<QFeedback *>(fw.page(FuncWidget::TabFeedback));
        auto *generator = qobject_cast<QSigGenerator *>(fw.page(FuncWidget::TabSignal));
        QVERIFY(mixer && feedback && generator);
        QCOMPARE(fw.pageForModule(7), mixer);

        route(fw, 7, 1, QByteArray::fromHex("0300000100"));
        route(fw, 3, 1, QByteArray::fromHex("0201"));
        route(fw, 8, 5, QByteArray::fromHex("01"));
        QVERIFY(mixer->crosspointOn(3, 2));
        QVERIFY(feedback->enabled(2));
        QVERIFY(generator->state().mute);

        fw.setInLabel(1, "Lectern");
        fw.setOutLabel(4, "Lobby");
        QCOMPARE(feedback->strip(1).title->text(), QString("Lectern"));
        QCOMPARE(generator->outputButton(4)->text(), QString("Lobby"));

        QSignalSpy selected(&fw, &FuncWidget::sigOutChannelChanged);
        fw.setOutSelect(4);
        QCOMPARE(mixer->selectedOutput(), 4);
        QCOMPARE(mixer->stripCaption()->text(), QString("Lobby"));
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0][0].value<uchar>(), uchar(4));
    }
};

QTEST_MAIN(TestRoutingRelays)
#include "tst_routingrelays.moc"
