// Cost of the mixer, feedback suppressor and generator panels on the shared clock: one tick
// with nothing pending, hidden and shown, and a mixer report equal to what is shown (the
// usual answer to a poll). Run: build/bin/bench_routing
#include "modules/feedback.h"
#include "modules/mixer.h"
#include "modules/siggenerator.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>

namespace {

// Nothing dragged, no processor connected: requests are built and dropped.
template <class Panel> void tickIdle(benchmark::State &state)
{
    Panel panel;
    if (state.range(0))
        panel.show();
    for (auto _ : state)
        panel.timeOut20ms();
}

void mixerReportUnchanged(benchmark::State &state)
{
    QMixer panel;
    std::array<uchar, 5> report{3, 1, 0, 1, 0};
    panel.receive(QMixer::CodeEnable, 0x80, 5, report.data());
    for (auto _ : state)
        panel.receive(QMixer::CodeEnable, 0x80, 5, report.data());
}

} // namespace

BENCHMARK_TEMPLATE(tickIdle, QMixer)->ArgName("shown")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(tickIdle, QFeedback)->ArgName("shown")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(tickIdle, QSigGenerator)->ArgName("shown")->Arg(0)->Arg(1);
BENCHMARK(mixerReportUnchanged);

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
