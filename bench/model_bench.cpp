// Reading and writing the wire through the description against the code path it replaces
// (setfields, which the history of edits reads every report with today).
//   build/bin/bench_model
// A round is one report of every parameter of every module block: every channel, every band,
// every mixer output (12 blocks, 232 reports). Sets: one field of each module block.
#include "model/model.h"
#include "modules/setfields.h"
#include "protocol/limiterparams.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

struct Sample {
    const model::Message *message;
    quint8 module;
    QByteArray payload;
};

// Factory records of every channel (and band) of the channel-addressed messages setfields
// knows too (meters and lists are left out so both sides read the same reports).
std::vector<Sample> moduleRound(bool everything)
{
    std::vector<Sample> round;
    for (const model::Block &b : model::blocks()) {
        if (b.frameClass != 3 || (b.frameType > 12 && !everything))
            continue;
        for (const model::Message &m : b.messages) {
            if (m.shape != model::ReportShape::ChannelFirst) {
                if (everything) // one report covers every channel
                    round.push_back({&m, b.frameType, QByteArray(m.reportLength, '\0')});
                continue;
            }
            for (int ch = 0; ch < m.fields.front().channels; ++ch) {
                for (int sub = 0; sub < std::max<int>(1, m.subCount); ++sub) {
                    const model::Record r = model::Record::factory(m, ch, sub);
                    round.push_back({&m, b.frameType, r.bytes().toByteArray()});
                }
            }
        }
    }
    return round;
}

const uchar *bytes(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}

// Before: each report's fields as setfields cuts them out for the history of edits.
void setfieldsRound(benchmark::State &state)
{
    const std::vector<Sample> round = moduleRound(false);
    qsizetype seen = 0;
    for (auto _ : state) {
        for (const Sample &s : round)
            setfields::forEachReportField(
                s.module, s.message->code, bytes(s.payload), quint16(s.payload.size()),
                [&](const setfields::Key &, QByteArrayView v) { seen += v.size(); });
    }
    benchmark::DoNotOptimize(seen);
    state.SetItemsProcessed(state.iterations() * qint64(round.size()));
}

// After: each report checked once (length, channel, band, floats finite, enumerations),
// then (argument 1) every field read as a number. Argument 0: setfields' reports, 1: every
// report of the module blocks and presets.
void modelRound(benchmark::State &state)
{
    const std::vector<Sample> round = moduleRound(state.range(0) != 0);
    const bool read = state.range(1) != 0;
    std::array<double, 8> values{};
    for (auto _ : state) {
        for (const Sample &s : round) {
            const auto r = model::Report::check(*s.message, bytes(s.payload), s.payload.size());
            if (!r || !read)
                continue;
            for (size_t i = 0; i < s.message->fields.size() && i < values.size(); ++i)
                values[i] = r->number(s.message->fields[i]);
            benchmark::DoNotOptimize(values);
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(round.size()));
}

// One limiter report, the way the limiter panels decode it by hand today (limiterparams),
// against the description: checked, then its five fields read.
void limiterByHand(benchmark::State &state)
{
    const QByteArray report = QByteArray::fromHex("010100004040cdcc2c400000a0410000fa43");
    int sum = 0;
    for (auto _ : state) {
        if (report.size() == limiter::kBlockLength && quint8(report[0]) < 8) {
            if (const auto p = limiter::decodeBlock(bytes(report)))
                sum += p->ratio + p->attack + p->decay + p->enable + int(p->threshold);
        }
        benchmark::DoNotOptimize(sum);
    }
}
void limiterByModel(benchmark::State &state)
{
    const QByteArray report = QByteArray::fromHex("010100004040cdcc2c400000a0410000fa43");
    const model::Message &m = *model::findBlock("out-limiter")->findMessage(1);
    std::array<double, 5> values{};
    for (auto _ : state) {
        if (const auto r = model::Report::check(m, bytes(report), report.size())) {
            if (state.range(0)) {
                for (size_t i = 0; i < values.size(); ++i)
                    values[i] = r->number(m.fields[i]);
            }
        }
        benchmark::DoNotOptimize(values);
    }
}

// One field of each module block, the way the panels name them.
const char *const kSets[] = {
    "in-level 2 gain",        "gate 2 threshold",
    "feedback 1 enable",      "in-filter 1 band3.gain",
    "in-limiter 1 threshold", "in-delay 1 delay",
    "mixer 3 gain2",          "generator - frequency",
    "out-level 8 mute",       "out-filter 8 high-pass.frequency",
    "out-limiter 2 ratio",    "out-delay 6 delay",
};

struct SetCase {
    model::FieldRef ref;
    QByteArray stored;
    setfields::Key key;
    QByteArray value;
};

std::vector<SetCase> setCases()
{
    std::vector<SetCase> cases;
    for (const char *name : kSets) {
        const model::FieldRef ref = *model::parseName(QLatin1String(name), nullptr);
        const QByteArray stored =
            model::Record::factory(*ref.message, ref.channel, ref.sub).bytes().toByteArray();
        // setfields' key and value bytes of the same set, cut from the model's payload.
        const QByteArray payload = model::setPayload(ref, ref.field->limits.max, stored);
        const QList<setfields::Field> f =
            setfields::ofSet(ref.block->frameType, ref.message->code, payload);
        cases.push_back({ref, stored, f.value(0).key, f.value(0).value});
    }
    return cases;
}

// Before: the history's way to build a set payload from a field and its value bytes.
void setfieldsSets(benchmark::State &state)
{
    const std::vector<SetCase> cases = setCases();
    qsizetype n = 0;
    for (auto _ : state) {
        for (const SetCase &c : cases)
            n += setfields::setPayload(c.key, c.value).size();
    }
    benchmark::DoNotOptimize(n);
    state.SetItemsProcessed(state.iterations() * qint64(cases.size()));
}

// After: the value checked against the limits, then the set written into a buffer (block
// sets from the stored report).
void modelSets(benchmark::State &state)
{
    const std::vector<SetCase> cases = setCases();
    uchar out[model::Record::kCapacity];
    int n = 0;
    for (auto _ : state) {
        for (const SetCase &c : cases) {
            const double v = c.ref.field->limits.max;
            if (model::checkValue(c.ref, v, 1))
                n += model::setPayload(c.ref, v, c.stored, out);
        }
    }
    benchmark::DoNotOptimize(n);
    state.SetItemsProcessed(state.iterations() * qint64(cases.size()));
}

} // namespace

BENCHMARK(setfieldsRound);
BENCHMARK(modelRound)->Args({0, 0})->Args({0, 1})->Args({1, 1});
BENCHMARK(limiterByHand);
BENCHMARK(limiterByModel)->Arg(0)->Arg(1);
BENCHMARK(setfieldsSets);
BENCHMARK(modelSets);
BENCHMARK_MAIN();
