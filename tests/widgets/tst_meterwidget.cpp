#include "widgets/qmeterwidget.h"

#include "paintcounter.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

// One letter per segment, read on screen from the top down: G/Y lit green/yellow,
// g/y dark green/yellow, '?' anything else.
QString segmentsTopDown(QMeterWidget &meter)
{
    const QImage image = meter.grab().toImage();
    const int n = meter.segmentCount();
    const int w = meter.width();
    const int h = meter.height();
    const double segment = double(h - n - 1) / n;
    QString out;
    for (int row = 0; row < n; ++row) {
        // The painter maps the window (0, 0, w - 1, h - 1) onto the whole widget.
        const double logicalY = row * (segment + 1) + segment / 2;
        const int y = int(logicalY * h / (h - 1));
        const QRgb px = image.pixel(w / 2, y);
        const QColor c(px);
        if (c == QColor(0, 255, 0))
            out += 'G';
        else if (c == QColor(38, 90, 41))
            out += 'g';
        else if (c == QColor(255, 255, 0))
            out += 'Y';
        else if (c == QColor(84, 87, 39))
            out += 'y';
        else
            out += '?';
    }
    return out;
}

// The meter as its paint algorithm draws it, every segment painted for this value, on the
// black the meter lays under its smoothed edge.
QImage drawnDirectly(const QMeterWidget &meter)
{
    const int w = meter.width();
    const int h = meter.height();
    const int n = meter.segmentCount();
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setWindow(0, 0, w - 1, h - 1);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawRect(0, 0, w - 1, h - 1);
    const double segment = double(h - n - 1) / n;
    const double span = double(meter.maximum()) - meter.minimum();
    const double boundary = n * (meter.highLevel() - meter.minimum()) / span;
    const double lit = n * (meter.value() - meter.minimum()) / span;
    double y = meter.reversed() ? 0.0 : h - segment - 1;
    for (int i = 0; i < n; ++i) {
        const QColor colour = i >= boundary ? (i < lit ? QColor(255, 255, 0) : QColor(84, 87, 39))
                                            : (i < lit ? QColor(0, 255, 0) : QColor(38, 90, 41));
        painter.fillRect(QRectF(0, y, w, segment), colour);
        y += meter.reversed() ? segment + 1 : -(segment + 1);
    }
    return image;
}

QString run(char c, int count)
{
    return QString(count, QChar(c));
}

} // namespace

class TestMeterWidget : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void segments_data();
    void segments();
    void everyValueDrawsAsPaintedDirectly_data();
    void everyValueDrawsAsPaintedDirectly();
    void clampsToRange();
    void rangeChangeKeepsValueInside();
    void repaintsOnlyOnChange();
};

void TestMeterWidget::defaults()
{
    QMeterWidget meter;
    QCOMPARE(meter.segmentCount(), 26);
    QCOMPARE(meter.minimum(), 0);
    QCOMPARE(meter.maximum(), 100);
    QCOMPARE(meter.value(), 0);
    QCOMPARE(meter.highLevel(), 0);
    QVERIFY(!meter.reversed());
}

void TestMeterWidget::segments_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");

    const QSize level(24, 220);
    // 45 segments over -60..24: the lowest 33 green, the top 12 yellow.
    QTest::newRow("level empty") << 45 << level << -60 << 24 << false << -60
                                 << run('y', 12) + run('g', 33);
    QTest::newRow("level 0 dBu") << 45 << level << -60 << 24 << false << 0
                                 << run('y', 12) + run('G', 33);
    QTest::newRow("level -30 dBu")
        << 45 << level << -60 << 24 << false << -30 << run('y', 12) + run('g', 16) + run('G', 17);
    QTest::newRow("level +12 dBu")
        << 45 << level << -60 << 24 << false << 12 << run('y', 6) + run('Y', 6) + run('G', 33);
    QTest::newRow("level full") << 45 << level << -60 << 24 << false << 24
                                << run('Y', 12) + run('G', 33);
    // Gain reduction fills from the top and is yellow throughout: 10 of 35 lights 13.
    QTest::newRow("reduction 10") << 45 << QSize(20, 220) << 0 << 35 << true << 10
                                  << run('Y', 13) + run('y', 32);
    QTest::newRow("reduction 0") << 45 << QSize(20, 220) << 0 << 35 << true << 0 << run('y', 45);
    // The overview's small meter keeps the default 26 segments.
    QTest::newRow("overview 0 dBu")
        << 26 << QSize(18, 135) << -60 << 24 << false << 0 << run('y', 7) + run('G', 19);
}

void TestMeterWidget::segments()
{
    QFETCH(int, count);
    QFETCH(QSize, size);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, reversed);
    QFETCH(int, value);
    QFETCH(QString, expected);

    QMeterWidget meter;
    meter.setFixedSize(size);
    meter.setSegmentCount(count);
    meter.setRange(minimum, maximum);
    meter.setReversed(reversed);
    meter.setValue(value);
    QCOMPARE(segmentsTopDown(meter), expected);
}

void TestMeterWidget::everyValueDrawsAsPaintedDirectly_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("reversed");
    QTest::newRow("level panel") << 45 << QSize(24, 220) << -60 << 24 << false;
    QTest::newRow("limiter reduction") << 45 << QSize(20, 220) << 0 << 35 << true;
    QTest::newRow("overview level") << 26 << QSize(18, 135) << -60 << 24 << false;
    QTest::newRow("overview reduction") << 26 << QSize(18, 135) << 0 << 35 << true;
    QTest::newRow("odd size") << 7 << QSize(13, 31) << -5 << 9 << false;
}

void TestMeterWidget::everyValueDrawsAsPaintedDirectly()
{
    QFETCH(int, count);
    QFETCH(QSize, size);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, reversed);

    QMeterWidget meter;
    meter.setFixedSize(size);
    meter.setSegmentCount(count);
    meter.setRange(minimum, maximum);
    meter.setReversed(reversed);
    // Down and up again: the drawings made for one value serve every other.
    QList<int> values;
    for (int v = minimum; v <= maximum; ++v)
        values.append(v);
    for (int v = maximum; v >= minimum; --v)
        values.append(v);
    for (int v : values) {
        meter.setValue(v);
        const QImage shown =
            meter.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (shown != drawnDirectly(meter))
            QFAIL(qPrintable(QStringLiteral("value %1 differs").arg(v)));
    }
}

void TestMeterWidget::clampsToRange()
{
    QMeterWidget meter;
    meter.setFixedSize(24, 220);
    meter.setSegmentCount(45);
    meter.setRange(-60, 24);
    meter.setValue(-70);
    QCOMPARE(meter.value(), -60);
    QCOMPARE(segmentsTopDown(meter), run('y', 12) + run('g', 33));
    meter.setValue(100);
    QCOMPARE(meter.value(), 24);
    QCOMPARE(segmentsTopDown(meter), run('Y', 12) + run('G', 33));
}

void TestMeterWidget::rangeChangeKeepsValueInside()
{
    // The overview lowers the floor to -100 and raises it back to -60.
    QMeterWidget meter;
    meter.setRange(-60, 24);
    meter.setMinimum(-100);
    meter.setValue(-100);
    QCOMPARE(meter.value(), -100);
    meter.setMinimum(-60);
    QCOMPARE(meter.value(), -60);
    meter.setMaximum(-80);
    QCOMPARE(meter.value(), -60); // a misconfigured range never asserts
}

void TestMeterWidget::repaintsOnlyOnChange()
{
    QMeterWidget meter;
    meter.setFixedSize(24, 220);
    meter.setSegmentCount(45);
    meter.setRange(-60, 24);
    meter.setValue(-60);
    PaintCounter counter;
    meter.installEventFilter(&counter);
    meter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&meter));
    QTRY_VERIFY(counter.count > 0);

    const auto settle = [&] {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return counter.count;
    };
    int before = settle();
    meter.setValue(-60);
    meter.setValue(-75); // clamps to the stored -60
    QCOMPARE(settle(), before);

    meter.setValue(-10);
    QTRY_VERIFY(counter.count > before);
    before = settle();
    meter.setValue(-10);
    QCOMPARE(settle(), before);
    // A reading that lights the same 27 segments stores the value but draws nothing new.
    meter.setValue(-11);
    QCOMPARE(meter.value(), -11);
    QCOMPARE(settle(), before);
    meter.setValue(-9); // 28 segments
    QTRY_VERIFY(counter.count > before);
}

QTEST_MAIN(TestMeterWidget)
#include "tst_meterwidget.moc"
