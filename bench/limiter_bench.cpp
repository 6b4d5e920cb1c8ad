// Cost of the limiter panels on the shared clock: one tick with nothing pending, one meter
// report through receive, and one curve recompute with its paint. Run: build/bin/bench_limiter
#include "modules/limiterpanel.h"
#include "widgets/qtlimitctrl.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <array>

namespace {

// A panel as it runs while another tab is shown and nothing is dragged: every fifth tick
// asks for the meters (no processor connected, so the Frame is built and dropped).
template <class Panel> void tickIdle(benchmark::State &state)
{
    Panel panel;
    for (auto _ : state)
        panel.timeOut20ms();
}

// Meter reports of every channel (in, out pairs), changing each time.
template <class Panel, int N> void meterReport(benchmark::State &state)
{
    Panel panel;
    std::array<uchar, N> a{};
    std::array<uchar, N> b{};
    a.fill(uchar(-10));
    b.fill(uchar(-20));
    bool flip = false;
    for (auto _ : state) {
        panel.receive(4, 0x80, N, (flip ? a : b).data());
        flip = !flip;
    }
}

// A new threshold: the 256-point table, then one paint at the panel's size.
void curveRecomputeAndPaint(benchmark::State &state)
{
    qtLimitCtrl curve;
    curve.resize(250, 250);
    curve.setBypass(false);
    curve.setRatio(4.0);
    QImage image(curve.size(), QImage::Format_ARGB32_Premultiplied);
    double threshold = -30.0;
    for (auto _ : state) {
        threshold = threshold < -29.0 ? -10.0 : -30.0;
        curve.setThreshold(threshold);
        curve.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

} // namespace

BENCHMARK_TEMPLATE(tickIdle, QInLimiter);
BENCHMARK_TEMPLATE(tickIdle, QOutLimiter);
BENCHMARK_TEMPLATE(meterReport, QInLimiter, 8);
BENCHMARK_TEMPLATE(meterReport, QOutLimiter, 16);
BENCHMARK(curveRecomputeAndPaint);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
