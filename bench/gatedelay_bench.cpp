// Cost of the gate and delay panels on the shared clock: one tick with nothing pending, and
// one report through receive. Run: build/bin/bench_gatedelay
#include "modules/delaypanel.h"
#include "modules/gatepanel.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>

namespace {

// A panel as it runs while another tab is shown and nothing is moved: the gate asks for its
// open states every fifth tick, a hidden delay panel only counts (no processor connected,
// so the Frames are built and dropped).
template <class Panel> void tickIdle(benchmark::State &state)
{
    Panel panel;
    for (auto _ : state)
        panel.timeOut20ms();
}

// Open states that flip every time (lamps and signals move).
void gateOpenStates(benchmark::State &state)
{
    QGate panel;
    const std::array<uchar, 4> a{1, 0, 1, 0};
    const std::array<uchar, 4> b{0, 1, 0, 1};
    bool flip = false;
    for (auto _ : state) {
        panel.receive(QGate::CodeOpenState, 0x80, 4, (flip ? a : b).data());
        flip = !flip;
    }
}

// A delay report equal to what is shown: checked and dropped.
void delayReportUnchanged(benchmark::State &state)
{
    QOutDelay panel;
    const std::array<uchar, 5> report{3, 0, 0, 0x20, 0x41};
    panel.receive(QDelayPanel::kCodeDelay, 0x80, 5, report.data());
    for (auto _ : state)
        panel.receive(QDelayPanel::kCodeDelay, 0x80, 5, report.data());
}

} // namespace

BENCHMARK_TEMPLATE(tickIdle, QGate);
BENCHMARK_TEMPLATE(tickIdle, QInDelay);
BENCHMARK_TEMPLATE(tickIdle, QOutDelay);
BENCHMARK(gateOpenStates);
BENCHMARK(delayReportUnchanged);

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
