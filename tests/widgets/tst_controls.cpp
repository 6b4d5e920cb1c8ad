#include "widgets/knob.h"
#include "widgets/qfader.h"
#include "widgets/qhslider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {

void mouse(QWidget &w, QEvent::Type type, QPointF pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

void press(QWidget &w, QPointF pos)
{
    mouse(w, QEvent::MouseButtonPress, pos);
}
void move(QWidget &w, QPointF pos)
{
    mouse(w, QEvent::MouseMove, pos);
}
void release(QWidget &w, QPointF pos)
{
    mouse(w, QEvent::MouseButtonRelease, pos);
}

void wheel(QWidget &w, int delta)
{
    const QPointF pos(w.width() / 2.0, w.height() / 2.0);
    QWheelEvent event(pos, w.mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &event);
}

void key(QWidget &w, int code)
{
    QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

// A level fader as the level panels set it up.
void levelFader(QFader &fader)
{
    fader.setFixedSize(55, 230);
    fader.setRange(-70, 12);
    fader.setDecimals(1);
    fader.setStep(0.1f);
    fader.setValue(0);
}

float lastValue(const QSignalSpy &spy)
{
    return spy.last().at(0).toFloat();
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void imagesAreBuiltIn_data();
    void imagesAreBuiltIn();

    void faderPositions_data();
    void faderPositions();
    void faderScale_data();
    void faderScale();
    void faderDragStopsAtEndsAndSignalsOnChange();
    void faderIgnoresPressBesideHandle();
    void faderWheel();
    void scaledSetValueRounds();
    void decimalsScaleRange();

    void sliderDelayExample();
    void sliderRangePullsValueIn();

    void knobKeys();
    void knobSetValueClamps();
    void knobDragAndWheel();
    void knobSizes();
    void knobPointerFollowsValue_data();
    void knobPointerFollowsValue();
};

void TestControls::imagesAreBuiltIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("fader cap") << ":/resource/Fader_Q2" << QSize(20, 43);
    const std::pair<const char *, int> sizes[] = {{"Small", 50}, {"", 70}, {"Large", 100}};
    for (const auto &[suffix, pixels] : sizes) {
        for (const char *part : {"KnobBase", "KnobIndicator"}) {
            const QString name = QString(":/resource/%1%2").arg(part, suffix);
            QTest::newRow(qPrintable(name)) << name << QSize(pixels, pixels);
        }
    }
}

void TestControls::imagesAreBuiltIn()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QPixmap pixmap(path);
    QVERIFY2(!pixmap.isNull(), qPrintable(path));
    QCOMPARE(pixmap.size(), size);
}

void TestControls::faderPositions_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("height");
    // 230 high: 187 pixels of travel, 0 dB one third down it.
    QTest::newRow("-70 bottom") << -70.0f << 187.0 << 42.5;
    QTest::newRow("-35 halfway below 0") << -35.0f << 187.0 / 3 + 187.0 / 3 << 43.0;
    QTest::newRow("0 one third") << 0.0f << 187.0 / 3 << 43.0;
    QTest::newRow("+6 halfway above 0") << 6.0f << 187.0 / 6 << 43.0;
    QTest::newRow("+12 top") << 12.0f << 0.0 << 43.0;
}

void TestControls::faderPositions()
{
    QFETCH(float, value);
    QFETCH(double, top);
    QFETCH(double, height);
    QFader fader;
    levelFader(fader);
    fader.setValue(value);
    const QRectF handle = fader.handleRect();
    QVERIFY2(std::abs(handle.top() - top) < 1e-6, qPrintable(QString::number(handle.top())));
    QCOMPARE(handle.height(), height);
    QCOMPARE(handle.left(), 12.0);
    QCOMPARE(handle.width(), 20.0);
}

void TestControls::faderScale_data()
{
    QTest::addColumn<int>("height");
    // The heights of the level, calibration and signal generator faders.
    QTest::newRow("230") << 230;
    QTest::newRow("250") << 250;
    QTest::newRow("200") << 200;
}

void TestControls::faderScale()
{
    QFETCH(int, height);
    QFader fader;
    levelFader(fader);
    fader.setFixedHeight(height);
    const QList<QFader::ScaleMark> marks = fader.scaleMarks();
    QList<int> labels;
    for (const QFader::ScaleMark &mark : marks)
        labels.append(mark.label);
    QCOMPARE(labels, (QList<int>{12, 9, 6, 3, 0, -10, -20, -30, -40, -50, -60, -70}));
    // Each labelled level sits beside the handle's centre line at that level.
    for (const QFader::ScaleMark &mark : marks) {
        fader.setValue(float(mark.label));
        const double centre = fader.handleRect().center().y();
        QVERIFY2(std::abs(mark.y - centre) <= 0.51, // the scale starts on a whole pixel
                 qPrintable(
                     QString("%1 dB: mark %2, handle %3").arg(mark.label).arg(mark.y).arg(centre)));
    }
}

void TestControls::faderDragStopsAtEndsAndSignalsOnChange()
{
    QFader fader;
    levelFader(fader);
    QSignalSpy spy(&fader, &QFader::valueChanged);
    const QPointF grip = fader.handleRect().center();
    press(fader, grip);
    QVERIFY(fader.isDragging());

    move(fader, grip); // the handle centre is 0 dB already
    QCOMPARE(spy.count(), 0);

    move(fader, QPointF(grip.x(), -40));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastValue(spy), 12.0f);
    move(fader, QPointF(grip.x(), -80));
    move(fader, QPointF(grip.x(), 0));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(fader.scaledValue(), 120);

    // About halfway between the 0 dB centre (83.83) and the lowest centre (208.5):
    // 62.42 / 124.67 x -700 = -350.5, truncated to -35.0 dB.
    move(fader, QPointF(grip.x(), 146.25));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(lastValue(spy), -35.0f);
    move(fader, QPointF(grip.x(), 400));
    QCOMPARE(lastValue(spy), -70.0f);
    QCOMPARE(spy.count(), 3);

    release(fader, QPointF(grip.x(), 400));
    QVERIFY(!fader.isDragging());
    move(fader, QPointF(grip.x(), 100));
    QCOMPARE(spy.count(), 3);
}

void TestControls::faderIgnoresPressBesideHandle()
{
    QFader fader;
    levelFader(fader);
    QSignalSpy spy(&fader, &QFader::valueChanged);
    press(fader, QPointF(22, 200)); // on the groove, below the handle
    QVERIFY(!fader.isDragging());
    move(fader, QPointF(22, 10));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(fader.value(), 0.0f);
}

void TestControls::faderWheel()
{
    QFader fader;
    levelFader(fader);
    fader.setValue(11.9f);
    QSignalSpy spy(&fader, &QFader::valueChanged);
    wheel(fader, 120);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastValue(spy), 12.0f);
    wheel(fader, 120); // already at the top
    QCOMPARE(spy.count(), 1);
    wheel(fader, -240); // one step per notch event, however large its delta
    QCOMPARE(lastValue(spy), 11.9f);
    // Small deltas add up to one notch; a sideways scroll (0) changes nothing.
    wheel(fader, 0);
    wheel(fader, 60);
    QCOMPARE(spy.count(), 2);
    wheel(fader, 60);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(lastValue(spy), 12.0f);
    // A partial turn down does not swallow the next notch up.
    fader.setValue(0);
    wheel(fader, -60);
    wheel(fader, 120);
    QCOMPARE(lastValue(spy), 0.1f);
}

void TestControls::scaledSetValueRounds()
{
    QFader fader; // -70 .. 12, whole units
    QSignalSpy spy(&fader, &QFader::valueChanged);
    // Halves go upward; the range is left to the caller.
    const std::pair<float, int> cases[] = {{2.5f, 3},     {-2.5f, -2}, {2.4f, 2},
                                           {-80.0f, -80}, {20.0f, 20}, {12.0f, 12}};
    for (const auto &[given, stored] : cases) {
        fader.setValue(given);
        QCOMPARE(fader.scaledValue(), stored);
    }
    fader.setDecimals(1);
    fader.setValue(1.15f); // 11.5 tenths, not 11.499999 from the nearest float to 1.15
    QCOMPARE(fader.scaledValue(), 12);
    fader.setValue(-6.5f);
    QCOMPARE(fader.value(), -6.5f);
    QCOMPARE(spy.count(), 0);
}

void TestControls::decimalsScaleRange()
{
    QFader before;
    before.setDecimals(1);
    before.setRange(-70, 12);
    QFader after;
    after.setRange(-70, 12);
    after.setDecimals(1);
    for (QFader *f : {&before, &after}) {
        QCOMPARE(f->scaledMinimum(), -700);
        QCOMPARE(f->scaledMaximum(), 120);
    }
}

void TestControls::sliderDelayExample()
{
    QHSlider slider;
    slider.setFixedSize(280, 40);
    slider.setRange(0, 1000);
    slider.setDecimals(2);
    slider.setStep(0.01f);
    slider.setValue(12.33f);
    QSignalSpy spy(&slider, &QHSlider::valueChanged);

    wheel(slider, 120);
    QCOMPARE(lastValue(spy), 12.34f);
    wheel(slider, -120);
    wheel(slider, -120);
    QCOMPARE(lastValue(spy), 12.32f);

    slider.setValue(0);
    const QRectF handle = slider.handleRect();
    QCOMPARE(handle, QRectF(0, 7, 21.5, 26));
    press(slider, handle.center());
    QVERIFY(slider.isDragging());
    // (43 - 11) * 100000 / 258 = 12403.1: truncated to 124.03 ms.
    move(slider, QPointF(43, 20));
    QCOMPARE(lastValue(spy), 124.03f);
    QCOMPARE(slider.handleRect().left(), 12403 / 100000.0 * 258);
    move(slider, QPointF(500, 20));
    QCOMPARE(lastValue(spy), 1000.0f);
    const int count = spy.count();
    move(slider, QPointF(600, 20));
    QCOMPARE(spy.count(), count);
    move(slider, QPointF(-30, 20));
    QCOMPARE(lastValue(spy), 0.0f);
    release(slider, QPointF(-30, 20));
}

void TestControls::sliderRangePullsValueIn()
{
    // The reduced delay range of the output panel.
    QHSlider slider;
    slider.setRange(0, 2000);
    slider.setDecimals(2);
    slider.setValue(1500);
    slider.setRange(0, 218);
    QCOMPARE(slider.value(), 218.0f);
}

void TestControls::knobKeys()
{
    Knob knob;
    knob.setMinimum(20);
    knob.setMaximum(1000);
    knob.setValue(1000);
    QCOMPARE(knob.focusPolicy(), Qt::StrongFocus);
    QSignalSpy spy(&knob, &Knob::valueChanged);

    key(knob, Qt::Key_Up); // at the maximum it still answers
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastValue(spy), 1000.0f);
    key(knob, Qt::Key_Down);
    QCOMPARE(lastValue(spy), 999.0f);
    key(knob, Qt::Key_Left);
    QCOMPARE(lastValue(spy), 998.0f);
    key(knob, Qt::Key_Right);
    QCOMPARE(lastValue(spy), 999.0f);
    key(knob, Qt::Key_A);
    QCOMPARE(spy.count(), 4);
}

void TestControls::knobSetValueClamps()
{
    Knob knob;
    knob.setMinimum(-200);
    knob.setMaximum(200);
    QSignalSpy spy(&knob, &Knob::valueChanged);
    const std::tuple<float, float, float> cases[] = {
        {-500, -200, 0}, {500, 200, 1}, {100, 100, 0.75f}, {0, 0, 0.5f}};
    for (const auto &[given, stored, position] : cases) {
        knob.setValue(given);
        QCOMPARE(knob.value(), stored);
        QCOMPARE(knob.position(), position);
    }
    QCOMPARE(spy.count(), 0);
}

void TestControls::knobDragAndWheel()
{
    Knob knob;
    knob.setMinimum(0);
    knob.setMaximum(64);
    knob.setValue(32);
    QSignalSpy spy(&knob, &Knob::valueChanged);

    // 200 pixels cover the range: right and up raise, left and down lower.
    press(knob, QPointF(10, 10));
    move(knob, QPointF(30, 10));
    QCOMPARE(lastValue(spy), 38.4f);
    move(knob, QPointF(30, 0));
    QCOMPARE(lastValue(spy), 41.6f);
    move(knob, QPointF(0, 40));
    QCOMPARE(lastValue(spy), 19.2f); // 70 pixels left and down
    move(knob, QPointF(-500, 40));
    QCOMPARE(lastValue(spy), 0.0f);
    release(knob, QPointF(-500, 40));

    knob.setStep(2);
    spy.clear();
    wheel(knob, 240);
    QCOMPARE(lastValue(spy), 4.0f);
    wheel(knob, -120);
    QCOMPARE(lastValue(spy), 2.0f);
    wheel(knob, 40);
    QCOMPARE(spy.count(), 2);
    wheel(knob, -120); // the partial turn up does not swallow a notch down
    QCOMPARE(lastValue(spy), 0.0f);
}

void TestControls::knobSizes()
{
    Knob knob;
    QCOMPARE(knob.size(), QSize(70, 70));
    const std::pair<int, int> cases[] = {{0, 50}, {2, 100}, {7, 100}, {1, 70}};
    for (const auto &[size, pixels] : cases) {
        knob.setKnobSize(size);
        QCOMPARE(knob.size(), QSize(pixels, pixels));
    }
}

void TestControls::knobPointerFollowsValue_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<float>("value");
    QTest::addColumn<double>("pointsAt"); // degrees clockwise from straight up
    QTest::newRow("middle at minimum") << 1 << 0.0f << -120.0;
    QTest::newRow("middle centred") << 1 << 0.5f << 0.0;
    QTest::newRow("small at maximum") << 0 << 1.0f << 120.0;
    QTest::newRow("large at a quarter") << 2 << 0.25f << -60.0;
}

void TestControls::knobPointerFollowsValue()
{
    QFETCH(int, size);
    QFETCH(float, value);
    QFETCH(double, pointsAt);
    Knob knob;
    knob.setKnobSize(size);
    knob.setValue(value);
    const QImage image = knob.grab().toImage();
    const double c = knob.width() / 2.0;
    const auto isPointer = [&](double degrees) {
        const double a = degrees * M_PI / 180.0;
        const double r = knob.width() * 0.25;
        const QColor px = image.pixelColor(int(c + r * std::sin(a)), int(c - r * std::cos(a)));
        // The pointer is orange, the knob itself grey.
        return px.red() > 200 && px.green() > 90 && px.green() < 200 && px.blue() < 90;
    };
    for (double probe = -120.0; probe <= 120.0; probe += 60.0)
        QCOMPARE(isPointer(probe), probe == pointsAt);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
