// Cost of the level panels on the shared clock: one tick with nothing pending, and one meter
// report through receive. Run: build/bin/bench_levels
#include "modules/levelpanel.h"
#include "protocol/transport.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>

namespace {

// A panel as it runs while another tab is shown and nothing is dragged: every fifth tick
// polls meters and mutes (no processor connected, so the Frames are built and dropped).
template <class Panel> void tickIdle(benchmark::State &state)
{
    Panel panel;
    for (auto _ : state)
        panel.timeOut20ms();
}

// Meter reports that change every channel each time (labels and meters move).
template <class Panel, int N> void meterReport(benchmark::State &state)
{
    Panel panel;
    std::array<uchar, N> a{};
    std::array<uchar, N> b{};
    a.fill(uchar(-10));
    b.fill(uchar(-20));
    bool flip = false;
    for (auto _ : state) {
        panel.receive(1, 0x80, N, (flip ? a : b).data());
        flip = !flip;
    }
}

// The same report again: nothing changes, nothing is repainted.
template <class Panel, int N> void meterReportUnchanged(benchmark::State &state)
{
    Panel panel;
    std::array<uchar, N> a{};
    a.fill(uchar(-10));
    for (auto _ : state)
        panel.receive(1, 0x80, N, a.data());
}

} // namespace

BENCHMARK_TEMPLATE(tickIdle, QInLevel);
BENCHMARK_TEMPLATE(tickIdle, QOutLevel);
BENCHMARK_TEMPLATE(meterReport, QInLevel, 4);
BENCHMARK_TEMPLATE(meterReport, QOutLevel, 8);
BENCHMARK_TEMPLATE(meterReportUnchanged, QInLevel, 4);
BENCHMARK_TEMPLATE(meterReportUnchanged, QOutLevel, 8);

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
