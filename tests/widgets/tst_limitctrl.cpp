// The limiter transfer curve: its table (knee, slope, limiting) and what it paints.
#include "widgets/qtlimitctrl.h"

#include <QImage>
#include <QTest>

#include <limits>

class TestLimitCtrl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void table_data();
    void table();
    void bypassKeepsTheKnee();
    void paintsFillBelowTheCurve();
};

void TestLimitCtrl::table_data()
{
    QTest::addColumn<double>("threshold");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("knee");
    QTest::addColumn<double>("last");
    // Threshold 0 sits at 213.33 on the 0..256 scale.
    QTest::newRow("ratio 20 limits") << 0.0 << 20.0 << 214 << 213.333;
    QTest::newRow("ratio 19 still compresses") << 0.0 << 19.0 << 214 << 215.526;
    QTest::newRow("ratio 4 at -40") << -40.0 << 4.0 << 128 << 159.75;
    QTest::newRow("ratio 0 counts as 1:1") << -40.0 << 0.0 << 128 << 255.0;
    QTest::newRow("ratio below 1 counts as 1:1") << -40.0 << 0.5 << 128 << 255.0;
    QTest::newRow("threshold at the top: knee kept") << 20.0 << 4.0 << 128 << 255.0;
    QTest::newRow("threshold below the range") << -200.0 << 2.0 << 0 << 20.833;
}

void TestLimitCtrl::table()
{
    QFETCH(double, threshold);
    QFETCH(double, ratio);
    QFETCH(int, knee);
    QFETCH(double, last);
    qtLimitCtrl c;
    c.setBypass(false);
    c.setThreshold(threshold);
    c.setRatio(ratio);
    QCOMPARE(c.kneeIndex(), knee);
    QVERIFY2(qAbs(c.tableValue(255) - last) < 0.01, qPrintable(QString::number(c.tableValue(255))));
    for (int i = 0; i < 256; ++i)
        QVERIFY(std::isfinite(c.tableValue(i)));
}

void TestLimitCtrl::bypassKeepsTheKnee()
{
    qtLimitCtrl c; // threshold -40 at construction
    QCOMPARE(c.kneeIndex(), 128);
    c.setBypass(true);
    QCOMPARE(c.kneeIndex(), 128);
    for (int i : {0, 128, 255})
        QCOMPARE(c.tableValue(i), double(i));
}

void TestLimitCtrl::paintsFillBelowTheCurve()
{
    qtLimitCtrl c;
    c.resize(250, 250);
    c.setThreshold(0.0);
    c.setRatio(20.0);
    // Plot 215 x 215 from (25, 10): the 1:1 line crosses x = 230 at y = 20; limiting at
    // threshold 0 keeps the curve flat at y = 46.
    const QColor fill(64, 64, 64);
    const QColor background(34, 34, 34);
    QImage image = c.grab().toImage();
    QCOMPARE(QColor(image.pixel(230, 35)), background);
    QCOMPARE(QColor(image.pixel(230, 60)), fill);
    QCOMPARE(QColor(image.pixel(5, 100)), background);

    c.setBypass(true);
    image = c.grab().toImage();
    QCOMPARE(QColor(image.pixel(230, 35)), fill);

    // A far-off threshold paints without overflowing the pixel arithmetic.
    c.setBypass(false);
    c.setThreshold(-1.0e30);
    c.setThreshold(std::numeric_limits<double>::quiet_NaN()); // ignored
    QCOMPARE(c.threshold(), -1.0e30);
    image = c.grab().toImage();
    QCOMPARE(QColor(image.pixel(5, 100)), background);
}

QTEST_MAIN(TestLimitCtrl)
#include "tst_limitctrl.moc"
