// How the program's style sheet and controls look where a look carries meaning: locked
// controls greyed, the channel chooser's disabled source button, the delay page captions.
#include "app/stylesheet.h"
#include "modules/delaypanel.h"
#include "pages/channelselect.h"
#include "widgets/knob.h"
#include "widgets/qfader.h"
#include "widgets/qhslider.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// The darkest grey in an area: drawn ink reaches black, greyed-out ink stays pale.
int darkest(const QImage &image, QRect area = {})
{
    if (area.isNull())
        area = image.rect();
    int dark = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            dark = std::min(dark, qGray(image.pixel(x, y)));
    }
    return dark;
}

int brightest(const QImage &image, QRect area)
{
    int bright = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            bright = std::max(bright, qGray(image.pixel(x, y)));
    }
    return bright;
}

} // namespace

class TestLooks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { applyStyleSheet(*qApp); }

    // A locked row disables its controls; each must then look it, as a button does.
    void lockedControlsAreGreyed_data()
    {
        QTest::addColumn<std::function<QWidget *(QWidget *)>>("make");
        QTest::newRow("fader") << std::function<QWidget *(QWidget *)>([](QWidget *parent) {
            auto *f = new QFader(parent);
            f->setFixedSize(60, 240);
            f->setValue(0.0f);
            return f;
        });
        QTest::newRow("knob") << std::function<QWidget *(QWidget *)>([](QWidget *parent) {
            auto *k = new Knob(parent);
            k->setValue(0.5f);
            return k;
        });
        QTest::newRow("slider") << std::function<QWidget *(QWidget *)>([](QWidget *parent) {
            auto *s = new QHSlider(parent);
            s->setFixedSize(280, 40);
            s->setValue(30.0f);
            return s;
        });
        QTest::newRow("text field") << std::function<QWidget *(QWidget *)>([](QWidget *parent) {
            auto *e = new QLineEdit(QStringLiteral("-12.5"), parent);
            e->setFixedSize(70, 24);
            return e;
        });
    }

    void lockedControlsAreGreyed()
    {
        QFETCH(std::function<QWidget *(QWidget *)>, make);
        QWidget row;
        QWidget *control = make(&row);
        row.resize(control->size());
        row.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row));
        const QImage editable = control->grab().toImage();
        QVERIFY2(darkest(editable) < 60, "an editable control draws in black");
        row.setEnabled(false);
        const QImage locked = control->grab().toImage();
        QVERIFY2(darkest(locked) > 100, "a locked control draws in pale grey only");
    }

    // The output row is tight: the disabled source button keeps the width it has enabled.
    void disabledSourceKeepsItsWidth()
    {
        const auto widths = [](int source) {
            QChannelSelect dialog;
            QList<int> w;
            QTimer::singleShot(0, &dialog, [&] {
                for (int i = 0; i < QChannelSelect::kInputs; ++i)
                    w.append(dialog.inputButton(i)->width());
                for (int i = 0; i < QChannelSelect::kOutputs; ++i)
                    w.append(dialog.outputButton(i)->width());
                dialog.reject();
            });
            dialog.selectChannels(source);
            return w;
        };
        const QList<int> none = widths(-1);
        QCOMPARE(none.size(), QChannelSelect::kInputs + QChannelSelect::kOutputs);
        QCOMPARE(widths(QChannelSelect::kInputs + 2), none);
        QCOMPARE(widths(1), none);
    }

    // The column captions stand on the black page: they must be drawn in a light colour.
    void delayCaptionsReadable()
    {
        QOutDelay panel;
        panel.resize(900, 600);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QImage page = panel.grab().toImage();
        int found = 0;
        for (QLabel *label : panel.findChildren<QLabel *>()) {
            if (label->text() != QLatin1String("Millisecond") && label->text() != "Meters" &&
                label->text() != QLatin1String("Feet"))
                continue;
            ++found;
            const QRect area(label->mapTo(&panel, QPoint(0, 0)), label->size());
            QVERIFY2(darkest(page, area) < 40, qPrintable(label->text()));
            QVERIFY2(brightest(page, area) > 200, qPrintable(label->text()));
        }
        QCOMPARE(found, 3);
    }
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
