// Filter graph: one worst-case recompute (high-pass and low-pass at -48 dB/oct plus 16
// active bands: 24 second-order sections at 420 points) and one paint at panel size.
// Afterwards the same sections and points go through scipy's sosfreqz for comparison.
#include "modules/filtergraph.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <vector>

namespace fr = filterresponse;

namespace {

constexpr int kGraphWidth = 700;
constexpr int kGraphHeight = 280;

struct BandParams {
    quint8 type;
    float freq, gain, q;
};
constexpr BandParams kBands[16] = {
    {1, 60, 4, 0.67f},     {0, 90, -6, 1.4f},    {0, 150, 3, 2.0f},    {0, 250, -2, 0.7f},
    {0, 400, 5, 4.0f},     {0, 630, -8, 6.0f},   {0, 800, 2.5f, 1.0f}, {0, 1000, -3, 3.0f},
    {0, 1600, 6, 8.0f},    {0, 2500, -4, 0.5f},  {0, 3150, 1, 12.0f},  {0, 4000, -10, 2.0f},
    {0, 6300, 7, 1.5f},    {0, 8000, -1.5f, 5}, {0, 10000, 3, 0.9f}, {2, 12500, -5, 0.67f},
};
constexpr float kHpFreq = 45, kLpFreq = 16000;

void setWorstCase(FilterGraph &g)
{
    g.setBandCount(16);
    g.setGainRange(20, -20);
    g.setHighPass(0, 1, 5, kHpFreq);
    g.setLowPass(0, 0, 5, kLpFreq);
    for (int i = 0; i < 16; ++i)
        g.setBand(i, 0, kBands[i].type, kBands[i].freq, kBands[i].gain, kBands[i].q);
}

// The same sections the graph builds for the worst case, designed independently here.
std::vector<fr::Section> worstCaseSections()
{
    std::vector<fr::Section> s;
    for (int i = 0; i < 4; ++i)
        s.push_back(fr::designBiquad(fr::HighPass, kHpFreq, 0, fr::sectionQ(1, 5, i)));
    for (int i = 0; i < 4; ++i)
        s.push_back(fr::designBiquad(fr::LowPass, kLpFreq, 0, fr::sectionQ(0, 5, i)));
    for (const BandParams &b : kBands)
        s.push_back(fr::designBiquad(b.type + 3, b.freq, b.gain, b.q));
    return s;
}

double omegaAt(int k)
{
    return std::numbers::pi * fr::evaluationTenths(k) / 960000.0;
}

// The per-section formula, point by point, with complex arithmetic.
std::vector<double> referenceCurve(const std::vector<fr::Section> &sections)
{
    std::vector<double> out(fr::kPoints, 0.0);
    for (int k = 0; k < fr::kPoints; ++k) {
        const std::complex<double> z = std::polar(1.0, -omegaAt(k));
        for (const fr::Section &s : sections) {
            const auto h = (s.b0 + s.b1 * z + s.b2 * z * z) / (1.0 + s.a1 * z + s.a2 * z * z);
            const float m = float(std::norm(h));
            out[size_t(k)] += 20.0 * std::log10(std::sqrt(double(m)));
        }
    }
    return out;
}

double maxDifference(const FilterGraph &g, const std::vector<double> &ref)
{
    double worst = 0;
    for (int k = 0; k < fr::kPoints; ++k)
        worst = std::max(worst, std::abs(g.response()[size_t(k)] - ref[size_t(k)]));
    return worst;
}

// A plain kernel for the same evaluation: every section at every point, one pass per section
// over 256-bit vectors with fused multiply-adds, then one logarithm per point. No range care.
struct Trig {
    alignas(32) double c1[fr::kPoints], s1[fr::kPoints], c2[fr::kPoints], s2[fr::kPoints];
    Trig()
    {
        for (int k = 0; k < fr::kPoints; ++k) {
            const double w = omegaAt(k);
            c1[k] = std::cos(w), s1[k] = std::sin(w), c2[k] = std::cos(2 * w);
            s2[k] = std::sin(2 * w);
        }
    }
};

__attribute__((target("avx2,fma"))) void referenceKernel(const fr::Section *sections, int count,
                                                          const Trig &p, double *db)
{
    alignas(32) double num[fr::kPoints], den[fr::kPoints];
    for (int k = 0; k < fr::kPoints; ++k)
        num[k] = den[k] = 1.0;
    for (int i = 0; i < count; ++i) {
        const fr::Section s = sections[i];
        for (int k = 0; k < fr::kPoints; ++k) {
            const double nr = __builtin_fma(s.b2, p.c2[k], __builtin_fma(s.b1, p.c1[k], s.b0));
            const double ni = __builtin_fma(s.b2, p.s2[k], s.b1 * p.s1[k]);
            const double dr = __builtin_fma(s.a2, p.c2[k], __builtin_fma(s.a1, p.c1[k], 1.0));
            const double di = __builtin_fma(s.a2, p.s2[k], s.a1 * p.s1[k]);
            num[k] *= __builtin_fma(nr, nr, ni * ni);
            den[k] *= __builtin_fma(dr, dr, di * di);
        }
    }
    constexpr double kDbPerLn = 10.0 / std::numbers::ln10;
    for (int k = 0; k < fr::kPoints; ++k)
        db[k] = kDbPerLn * std::log(num[k] / den[k]);
}

double g_kernelUs = 0, g_referenceUs = 0; // best batch of each, measured side by side

void BM_KernelAgainstReference(benchmark::State &state)
{
    const std::vector<fr::Section> sections = worstCaseSections();
    const int n = int(sections.size());
    static const Trig trig;
    fr::Accumulator acc;
    std::array<double, fr::kPoints> ours{}, theirs{};
    referenceKernel(sections.data(), n, trig, theirs.data());
    acc.reset();
    acc.add(sections.data(), n);
    acc.finish(ours);
    double diff = 0;
    for (int k = 0; k < fr::kPoints; ++k)
        diff = std::max(diff, std::abs(ours[size_t(k)] - theirs[size_t(k)]));
    // Alternating batches, best of each: both see the same machine load.
    constexpr int kBatch = 20;
    double bestOurs = 1e9, bestRef = 1e9;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kBatch; ++i) {
            acc.reset();
            acc.add(sections.data(), n);
            acc.finish(ours);
            benchmark::DoNotOptimize(ours.data());
        }
        bestOurs = std::min(bestOurs, t.nsecsElapsed() / 1000.0 / kBatch);
        t.restart();
        for (int i = 0; i < kBatch; ++i) {
            referenceKernel(sections.data(), n, trig, theirs.data());
            benchmark::DoNotOptimize(theirs.data());
        }
        bestRef = std::min(bestRef, t.nsecsElapsed() / 1000.0 / kBatch);
    }
    g_kernelUs = bestOurs;
    g_referenceUs = bestRef;
    state.counters["kernel_us"] = bestOurs;
    state.counters["reference_us"] = bestRef;
    state.counters["ratio"] = bestOurs / bestRef;
    state.counters["max_diff_dB"] = diff;
}
BENCHMARK(BM_KernelAgainstReference)->Iterations(2000)->Unit(benchmark::kMicrosecond);

double g_recomputeUs = 0;    // measured figures (wall and CPU), for the comparison at the end
double g_recomputeCpuUs = 0;

void BM_FilterGraphRecomputeWorstCase(benchmark::State &state)
{
    FilterGraph g;
    setWorstCase(g);
    const double diff = maxDifference(g, referenceCurve(worstCaseSections()));
    if (diff > 1e-4) {
        state.SkipWithError("curve differs from the per-section formula by more than 1e-4 dB");
        return;
    }
    for (auto _ : state) {
        g.recompute();
        benchmark::DoNotOptimize(g.response().data());
    }
    state.counters["max_diff_dB"] = diff;
}
BENCHMARK(BM_FilterGraphRecomputeWorstCase)->Unit(benchmark::kMicrosecond);

void BM_FilterGraphPaint(benchmark::State &state)
{
    FilterGraph g;
    g.resize(kGraphWidth, kGraphHeight);
    setWorstCase(g);
    QImage image(g.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        g.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FilterGraphPaint)->Unit(benchmark::kMicrosecond);

// Keeps the console output and picks up the recompute figure.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            // A single run, or the median when the run is repeated.
            const bool figure = r.run_type == Run::RT_Iteration || r.aggregate_name == "median";
            if (r.run_name.function_name == "BM_FilterGraphRecomputeWorstCase" && figure &&
                !r.error_occurred) {
                g_recomputeUs = r.GetAdjustedRealTime(); // in the benchmark's unit (us)
                g_recomputeCpuUs = r.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Best of many short batches: the figure of an otherwise idle machine, which the shared
// build machines rarely are while the benchmark runs.
double bestBatchUs()
{
    FilterGraph g;
    setWorstCase(g);
    constexpr int kBatch = 20;
    double best = 1e9;
    for (int b = 0; b < 2000; ++b) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kBatch; ++i) {
            g.recompute();
            benchmark::DoNotOptimize(g.response().data());
        }
        best = std::min(best, t.nsecsElapsed() / 1000.0 / kBatch);
    }
    return best;
}

void compareWithScipy()
{
    const QString script = QStringLiteral(DAP_SOURCE_DIR "/bench/sosfreqz_compare.py");
    QJsonArray omega, sos;
    for (int k = 0; k < fr::kPoints; ++k)
        omega.append(omegaAt(k));
    for (const fr::Section &s : worstCaseSections())
        sos.append(QJsonArray{s.b0, s.b1, s.b2, 1.0, s.a1, s.a2});
    QTemporaryFile input;
    if (!input.open())
        return;
    input.write(QJsonDocument(QJsonObject{{"omega", omega}, {"sos", sos}}).toJson());
    input.flush();

    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), {script, input.fileName()});
    if (!py.waitForFinished(120000) || py.exitCode() != 0) {
        std::printf("scipy comparison not run: %s\n", py.readAllStandardError().constData());
        return;
    }
    const QJsonObject out = QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    const double scipyUs = out.value("usec").toDouble();
    const QJsonArray db = out.value("db").toArray();

    FilterGraph g;
    setWorstCase(g);
    double worst = 0;
    for (int k = 0; k < fr::kPoints && k < db.size(); ++k)
        worst = std::max(worst, std::abs(g.response()[size_t(k)] - db.at(k).toDouble()));
    std::printf("worst-case recompute, best of 2000 batches: %.2f us\n", bestBatchUs());
    std::printf("kernel (24 sections x 420 points, dB): %.2f us; plain AVX2+FMA reference: "
                "%.2f us; ratio %.3f\n",
                g_kernelUs, g_referenceUs, g_referenceUs > 0 ? g_kernelUs / g_referenceUs : 0.0);
    std::printf("worst-case recompute: %.2f us wall (%.2f us CPU); scipy sosfreqz (same 24 "
                "sections, 420 points, incl. dB): %.2f us wall; ratio scipy/graph: %.1f; "
                "max |graph - scipy|: %.2g dB\n",
                g_recomputeUs, g_recomputeCpuUs, scipyUs,
                g_recomputeUs > 0 ? scipyUs / g_recomputeUs : 0.0, worst);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    compareWithScipy();
    return 0;
}
