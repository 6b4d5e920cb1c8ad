// Response numbers here were computed independently (numpy, double precision, |H|^2 rounded
// to float32 per section) from the published section formulas, not with the code under test.
#include "modules/filtergraph.h"

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

namespace fr = filterresponse;

// Counts heap allocations while switched on, to show that a recompute makes none.
static std::atomic<bool> g_countAllocations{false};
static std::atomic<int> g_allocations{0};

void *operator new(std::size_t size)
{
    if (g_countAllocations)
        ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

// Evaluation frequencies in tenths of a hertz, k = 0 ... 419.
constexpr int kTenths[fr::kPoints] = {
    100, 102, 104, 106, 108, 110, 113, 115, 117, 119, 122, 124, 126, 129, 131, 134, 137, 139,
    142, 145, 147, 150, 153, 156, 159, 162, 166, 169, 172, 175, 179, 182, 186, 189, 193, 197,
    201, 205, 209, 213, 217, 221, 225, 230, 234, 239, 243, 248, 253, 258, 263, 268, 273, 278,
    284, 289, 295, 301, 307, 313, 319, 325, 331, 338, 344, 351, 358, 365, 372, 379, 386, 394,
    401, 409, 417, 425, 434, 442, 451, 459, 468, 477, 487, 496, 506, 516, 526, 536, 546, 557,
    568, 579, 590, 601, 613, 625, 637, 650, 662, 675, 688, 702, 715, 729, 743, 758, 772, 787,
    803, 818, 834, 850, 867, 884, 901, 919, 940, 950, 970, 990, 1010, 1030, 1050, 1070, 1090,
    1110, 1140, 1160, 1180, 1200, 1230, 1250, 1270, 1300, 1320, 1350, 1380, 1400, 1430, 1460,
    1490, 1520, 1540, 1570, 1610, 1640, 1670, 1700, 1730, 1770, 1800, 1840, 1870, 1910, 1950,
    1980, 2020, 2060, 2100, 2140, 2180, 2230, 2270, 2310, 2360, 2410, 2450, 2500, 2550, 2600,
    2650, 2700, 2750, 2810, 2860, 2920, 2970, 3030, 3090, 3150, 3210, 3270, 3340, 3400, 3470,
    3540, 3600, 3670, 3750, 3820, 3890, 3970, 4050, 4120, 4200, 4290, 4370, 4450, 4540, 4630,
    4720, 4810, 4900, 5000, 5100, 5200, 5300, 5400, 5510, 5610, 5720, 5830, 5950, 6060, 6180,
    6300, 6420, 6550, 6670, 6800, 6940, 7070, 7210, 7350, 7490, 7640, 7790, 7940, 8090, 8250,
    8410, 8570, 8740, 8910, 9080, 9260, 9440, 9620, 9810, 10000, 10200, 10400, 10600, 10800,
    11000, 11200, 11400, 11700, 11900, 12100, 12400, 12600, 12800, 13100, 13300, 13600, 13900,
    14100, 14400, 14700, 15000, 15300, 15600, 15900, 16200, 16500, 16800, 17100, 17500, 17800,
    18200, 18500, 18900, 19200, 19600, 20000, 20400, 20800, 21200, 21600, 22000, 22400, 22900,
    23300, 23800, 24200, 24700, 25200, 25700, 26200, 26700, 27200, 27700, 28300, 28800, 29400,
    30000, 30500, 31100, 31700, 32400, 33000, 33600, 34300, 35000, 35600, 36300, 37000, 37800,
    38500, 39200, 40000, 40800, 41600, 42400, 43200, 44000, 44900, 45800, 46700, 47600, 48500,
    49400, 50400, 51400, 52400, 53400, 54400, 55500, 56600, 57700, 58800, 59900, 61100, 62300,
    63500, 64700, 66000, 67300, 68600, 69900, 71300, 72700, 74100, 75500, 77000, 78500, 80000,
    81600, 83100, 84800, 86400, 88100, 89800, 91500, 93300, 95100, 97000, 98900, 101000, 103000,
    105000, 107000, 109000, 111000, 113000, 115000, 118000, 120000, 122000, 125000, 127000,
    129000, 132000, 135000, 137000, 140000, 143000, 145000, 148000, 151000, 154000, 157000,
    160000, 163000, 166000, 170000, 173000, 176000, 180000, 183000, 187000, 190000, 194000,
    198000, 202000, 206000, 210000, 214000, 218000, 222000, 226000, 231000, 235000, 240000,
    244000, 249000, 254000, 259000, 264000, 269000, 274000, 280000, 285000, 291000, 296000,
    302000, 308000, 314000, 320000
};

enum Setup { PeakAt1k, Butterworth24Hp, LinkRiley24Hp, Butterworth18Hp, Bessel48Lp,
             LinkRiley6Lp, LowShelf200, HighShelf8k };

void apply(FilterGraph &g, int setup)
{
    switch (Setup(setup)) {
    case PeakAt1k: g.setBand(0, 0, 0, 1000, 12, 1.41f); break;
    case Butterworth24Hp: g.setHighPass(0, 1, 3, 1000); break;
    case LinkRiley24Hp: g.setHighPass(0, 2, 3, 1000); break;
    case Butterworth18Hp: g.setHighPass(0, 1, 2, 1000); break;
    case Bessel48Lp: g.setLowPass(0, 0, 5, 2000); break;
    case LinkRiley6Lp: g.setLowPass(0, 2, 0, 5000); break;
    case LowShelf200: g.setBand(3, 0, 1, 200, -9.5f, 0.67f); break;
    case HighShelf8k: g.setBand(15, 0, 2, 8000, 6, 0.67f); break;
    }
}

void mouse(QWidget &w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, pos, w.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &ev);
}

void drag(QWidget &w, QPointF from, QPointF to)
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A graph as the filter panels set it up, painted once so that its handles can be hit.
struct PanelGraph {
    FilterGraph g;
    PanelGraph()
    {
        g.resize(700, 260);
        g.setBandCount(16);
        g.setGainRange(20, -20);
        g.grab();
    }
};

} // namespace

class TestFilterGraph : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void evaluationFrequencies();
    void response_data();
    void response();
    void extremeProductsStayFinite();
    void recomputeAllocatesNothing();
    void flatByDefault();
    void bandCountIsCapped();
    void silentElements_data();
    void silentElements();
    void dragClampsToLimits_data();
    void dragClampsToLimits();
    void dragIgnoresLockedAndUnmoved();
};

void TestFilterGraph::evaluationFrequencies()
{
    for (int k = 0; k < fr::kPoints; ++k)
        QCOMPARE(fr::evaluationTenths(k), kTenths[k]);
    QCOMPARE(fr::evaluationFrequency(0), 10.0);
    QCOMPARE(fr::evaluationFrequency(239), 1000.0);
    QCOMPARE(fr::evaluationFrequency(419), 32000.0);
}

void TestFilterGraph::response_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<int>("k");
    QTest::addColumn<double>("dB");
    struct Row {
        const char *name;
        Setup setup;
        double values[7];
    };
    // Evaluation points 10, 99.9 (k 120), 501, 1000, 2000, 3210 and 32000 Hz.
    const int ks[7] = {0, 120, 203, 239, 275, 300, 419};
    const Row rows[] = {
        {"peak 1k +12 Q1.41", PeakAt1k,
         {0.000815, 0.083896, 2.526891, 12.0, 2.525677, 0.844813, 0.006550}},
        {"butterworth -24 hp 1k", Butterworth24Hp,
         {-160.003100, -79.657360, -24.101697, -3.010656, -0.016944, -0.000364, 0.0}},
        {"link-riley -24 hp 1k", LinkRiley24Hp,
         {-160.003086, -79.656822, -24.577863, -5.949666, -0.492739, -0.064873, 0.000108}},
        // One second-order (Q 1.0) and one first-order section: without the first-order
        // one, 1000 Hz would read 0.0 dB and 10 Hz -80.0 dB.
        {"butterworth -18 hp 1k", Butterworth18Hp,
         {-120.002325, -59.743024, -18.130851, -3.010300, -0.067227, -0.003734, 0.0}},
        {"bessel -48 lp 2k", Bessel48Lp,
         {-0.000189, -0.019310, -0.483092, -2.077039, -12.154873, -36.917842, -199.449273}},
        {"link-riley -6 lp 5k", LinkRiley6Lp,
         {-0.000017, -0.001764, -0.043024, -0.169618, -0.642334, -1.519261, -17.039730}},
        {"low shelf 200 -9.5", LowShelf200,
         {-9.497090, -8.613173, -0.439676, -0.063020, -0.012468, -0.004483, -0.000036}},
        {"high shelf 8k +6", HighShelf8k,
         {0.000001, 0.000110, 0.002784, 0.012262, 0.066573, 0.265374, 5.947074}},
    };
    for (const Row &r : rows)
        for (int i = 0; i < 7; ++i)
            QTest::addRow("%s @%d", r.name, ks[i]) << int(r.setup) << ks[i] << r.values[i];
}

void TestFilterGraph::response()
{
    QFETCH(int, setup);
    QFETCH(int, k);
    QFETCH(double, dB);
    FilterGraph g;
    apply(g, setup);
    const double got = g.response()[size_t(k)];
    if (std::abs(got - dB) > 1e-4)
        QFAIL(qPrintable(QString("response[%1] = %2, expected %3").arg(k).arg(got, 0, 'f', 6)
                             .arg(dB, 0, 'f', 6)));
}

void TestFilterGraph::extremeProductsStayFinite()
{
    // One high-pass section at 20 kHz reads -132.677305 dB at 10 Hz; thirty in a row take
    // the running products far below the double range unless they are folded in time.
    const fr::Section hp = fr::designBiquad(fr::HighPass, 20000, 0, 0.7071);
    fr::Accumulator acc;
    std::array<double, fr::kPoints> db{};
    acc.reset();
    for (int i = 0; i < 30; ++i)
        acc.add(hp);
    acc.finish(db);
    QVERIFY(std::abs(db[0] - 30 * -132.677305) < 1e-3);
    QVERIFY(std::abs(db[239] - 30 * -52.675778) < 1e-3);
    QVERIFY(std::abs(db[300] - 30 * -32.241816) < 1e-3);

    // And the other way: 300 shelves of +12 dB, 3600 dB, beyond what a double can hold.
    const fr::Section shelf = fr::designBiquad(fr::LowShelf, 20000, 12, 0.7071);
    std::array<double, fr::kPoints> one{};
    acc.reset();
    acc.add(shelf);
    acc.finish(one);
    acc.reset();
    for (int i = 0; i < 300; ++i)
        acc.add(shelf);
    acc.finish(db);
    for (int k : {0, 239, fr::kPoints - 1}) {
        QVERIFY(std::isfinite(db[size_t(k)]));
        QVERIFY(std::abs(db[size_t(k)] - 300 * one[size_t(k)]) < 1e-6);
    }
}

void TestFilterGraph::recomputeAllocatesNothing()
{
    FilterGraph g;
    g.setHighPass(0, 1, 5, 45);
    g.setLowPass(0, 0, 5, 16000);
    g_allocations = 0;
    g_countAllocations = true;
    for (int i = 0; i < 16; ++i)
        g.setBand(i, 0, quint8(i % 3), 100.0f * float(i + 1), 3.0f, 2.0f);
    g.setHighPass(0, 2, 2, 80); // -18 dB/oct: with a first-order section
    g_countAllocations = false;
    QCOMPARE(g_allocations.load(), 0);
}

void TestFilterGraph::flatByDefault()
{
    PanelGraph pg;
    for (double v : pg.g.response())
        QCOMPARE(v, 0.0);
    // The curve is one straight line at the 0 dB height across the plot (handles hidden,
    // as they sit on that line).
    pg.g.setBandCount(0);
    pg.g.setHighPassVisible(false);
    pg.g.setLowPassVisible(false);
    const QImage img = pg.g.grab().toImage();
    const QRect plot = pg.g.plotRect();
    const int zeroY = plot.bottom() - plot.height() / 2;
    const QRgb curve = qRgb(45, 255, 254);
    int onLine = 0;
    for (int x = plot.left() + 1; x < plot.right(); ++x) {
        for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
            if (img.pixel(x, y) == curve && y != zeroY)
                QFAIL(qPrintable(QString("curve pixel off the 0 dB line at %1,%2").arg(x).arg(y)));
        }
        onLine += img.pixel(x, zeroY) == curve;
    }
    QCOMPARE(onLine, plot.width() - 2);
}

void TestFilterGraph::bandCountIsCapped()
{
    FilterGraph g;
    g.setBandCount(20);
    QCOMPARE(g.bandCount(), 16);
    // Bands at and beyond the count neither draw nor contribute.
    g.setBand(5, 0, 0, 1000, 12, 1.41f);
    g.setBandCount(5);
    QCOMPARE(g.response()[239], 0.0);
    g.setBandCount(6);
    QVERIFY(std::abs(g.response()[239] - 12.0) < 0.01);
}

void TestFilterGraph::silentElements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("handleGrabbable");
    QTest::newRow("band off") << 0 << true;
    QTest::newRow("band all-pass") << 1 << true;
    QTest::newRow("band hidden") << 2 << false;
    QTest::newRow("high-pass off") << 3 << true;
    QTest::newRow("high-pass hidden") << 4 << false;
}

void TestFilterGraph::silentElements()
{
    QFETCH(int, kind);
    QFETCH(bool, handleGrabbable);
    PanelGraph pg;
    FilterGraph &g = pg.g;
    const bool isBand = kind <= 2;
    if (isBand) {
        g.setBand(15, kind == 0 ? 1 : 0, kind == 1 ? 3 : 0, 10000, 12, 1.41f);
        g.setBandVisible(15, kind != 2);
    } else {
        g.setHighPass(kind == 3 ? 1 : 0, 1, 5, 10000);
        g.setHighPassVisible(kind != 4);
    }
    for (double v : g.response())
        QCOMPARE(v, 0.0);

    // Where the handle would be: 10 kHz (clear of the other handles), +12 dB (band) or
    // 0 dB (high-pass).
    const QRect plot = g.plotRect();
    const double hx = plot.left() + g.xOfFrequency(10000);
    const double hy = plot.top() + (20.0 - (isBand ? 12.0 : 0.0)) * plot.height() / 40.0;
    g.grab();
    QSignalSpy peq(&g, &FilterGraph::peqChanged);
    QSignalSpy hp(&g, &FilterGraph::HPFilterChanged);
    drag(g, QPointF(hx + 1, hy + 1), QPointF(hx + 60, hy + 30));
    QCOMPARE(peq.count() + hp.count(), handleGrabbable ? 1 : 0);
    if (handleGrabbable && isBand) {
        QCOMPARE(peq.at(0).at(0).value<uchar>(), uchar(15));
        QVERIFY(peq.at(0).at(1).toFloat() > 10000.0f);
        QVERIFY(peq.at(0).at(2).toFloat() < 12.0f);
    }
    for (double v : g.response()) // moving a silent element keeps the curve flat
        QCOMPARE(v, 0.0);
}

void TestFilterGraph::dragClampsToLimits_data()
{
    QTest::addColumn<int>("dy");
    QTest::addColumn<float>("gain");
    QTest::newRow("above the plot") << -500 << 20.0f;
    QTest::newRow("below the plot") << 500 << -20.0f;
}

void TestFilterGraph::dragClampsToLimits()
{
    QFETCH(int, dy);
    QFETCH(float, gain);
    PanelGraph pg;
    FilterGraph &g = pg.g;
    QSignalSpy peq(&g, &FilterGraph::peqChanged);
    QSignalSpy hp(&g, &FilterGraph::HPFilterChanged);
    QSignalSpy lp(&g, &FilterGraph::LPFilterChanged);

    // Band 16 (4000 Hz, 0 dB) dragged far off the plot and far to the left.
    const QPointF band = g.bandHandleRect(15).center();
    drag(g, band, QPointF(-300, band.y() + dy));
    QCOMPARE(peq.count(), 1);
    QCOMPARE(peq.at(0).at(0).value<uchar>(), uchar(15));
    QCOMPARE(peq.at(0).at(1).toFloat(), 20.0f);
    QCOMPARE(peq.at(0).at(2).toFloat(), gain);
    QCOMPARE(g.bandGain(15), gain);
    QCOMPARE(g.bandFrequency(15), 20.0f);

    // The low-pass handle never goes above 20000 Hz (the axis ends at 24000), the high-pass
    // handle never below 20 Hz (the axis starts at 10). Both start clear of the bands.
    g.setLowPass(1, 0, 0, 10000);
    g.grab();
    drag(g, g.lowPassHandleRect().center(), QPointF(2000, 0));
    QCOMPARE(lp.count(), 1);
    QCOMPARE(lp.at(0).at(0).toFloat(), 20000.0f);
    g.setHighPass(1, 0, 0, 10000);
    g.grab();
    drag(g, g.highPassHandleRect().center(), QPointF(-300, 0));
    QCOMPARE(hp.count(), 1);
    QCOMPARE(hp.at(0).at(0).toFloat(), 20.0f);
    QCOMPARE(g.highPassFrequency(), 20.0f);
}

void TestFilterGraph::dragIgnoresLockedAndUnmoved()
{
    PanelGraph pg;
    FilterGraph &g = pg.g;
    QSignalSpy peq(&g, &FilterGraph::peqChanged);
    QSignalSpy hp(&g, &FilterGraph::HPFilterChanged);
    const QPointF band = g.bandHandleRect(15).center();

    g.setBandDraggable(15, false);
    drag(g, band, band + QPointF(40, 40));
    QCOMPARE(peq.count(), 0);

    // Moving without the button held, or after the release, changes nothing.
    g.setBandDraggable(15, true);
    mouse(g, QEvent::MouseButtonPress, band, Qt::LeftButton);
    mouse(g, QEvent::MouseMove, band + QPointF(40, 0), Qt::NoButton);
    mouse(g, QEvent::MouseButtonRelease, band, Qt::NoButton);
    mouse(g, QEvent::MouseMove, band + QPointF(40, 0), Qt::LeftButton);
    QCOMPARE(peq.count(), 0);

    // A press on empty plot grabs nothing; the locked high-pass handle neither.
    g.setHighPassDraggable(false);
    drag(g, g.highPassHandleRect().center(), QPointF(400, 100));
    drag(g, QPointF(600, 200), QPointF(500, 100));
    QCOMPARE(peq.count() + hp.count(), 0);
}

QTEST_MAIN(TestFilterGraph)
#include "tst_filtergraph.moc"
