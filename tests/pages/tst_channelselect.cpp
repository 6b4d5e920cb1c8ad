// The "Copy to" channel chooser.
#include "pages/channelselect.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

namespace {
void onModal(std::function<void()> fn)
{
    QTimer::singleShot(0, fn);
}

void press(QChannelSelect &d, QDialogButtonBox::StandardButton which)
{
    d.findChild<QDialogButtonBox *>()->button(which)->click();
}
} // namespace

class TestChannelSelect : public QObject {
    Q_OBJECT
private slots:
    void outputSourceAndMasks()
    {
        QChannelSelect d;
        onModal([&d] {
            QCOMPARE(QApplication::activeModalWidget(), &d);
            QCOMPARE(d.windowTitle(), QString("Select Channel"));
            for (int i = 0; i < 8; ++i)
                QCOMPARE(d.outputButton(i)->isEnabled(), i != 2);
            for (int i = 0; i < 4; ++i)
                QVERIFY(d.inputButton(i)->isEnabled());
            d.inputButton(0)->click();
            d.inputButton(3)->click();
            d.outputButton(4)->click();
            d.outputButton(5)->click();
            d.outputButton(6)->click();
            d.outputButton(6)->click(); // a second click takes it back
            press(d, QDialogButtonBox::Ok);
        });
        QVERIFY(d.selectChannels(6));
        QCOMPARE(d.inputMask(), quint8(0x09));
        QCOMPARE(d.outputMask(), quint8(0x30));
    }

    void nextOpeningStartsClean()
    {
        QChannelSelect d;
        onModal([&d] {
            d.inputButton(1)->click();
            d.outputButton(0)->click();
            press(d, QDialogButtonBox::Ok);
        });
        QVERIFY(d.selectChannels(0));
        onModal([&d] {
            for (int i = 0; i < 4; ++i) {
                QVERIFY(!d.inputButton(i)->isChecked());
                QCOMPARE(d.inputButton(i)->isEnabled(), i != 1);
            }
            for (int i = 0; i < 8; ++i) {
                QVERIFY(!d.outputButton(i)->isChecked());
                QVERIFY(d.outputButton(i)->isEnabled());
            }
            d.outputButton(7)->click();
            press(d, QDialogButtonBox::Cancel);
        });
        QVERIFY(!d.selectChannels(1));
        // A cancelled choice leaves the previous masks alone.
        QCOMPARE(d.inputMask(), quint8(0x02));
        QCOMPARE(d.outputMask(), quint8(0x01));
        QVERIFY(!d.outputButton(7)->isChecked());
        QVERIFY(d.inputButton(1)->isEnabled());
    }
};

QTEST_MAIN(TestChannelSelect)
#include "tst_channelselect.moc"
