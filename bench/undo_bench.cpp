// Cost of recording one set in the history of edits (and queueing its change log row), and
// of taking one report into it. Run: build/bin/bench_undo
#include "modules/changerecorder.h"
#include "protocol/transport.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// A processor selected, Frames going somewhere, and a log that only queues (as ChangeLog
// does until its batch is written).
struct Recording {
    std::vector<ChangeRow> rows;
    Recording()
    {
        proto::Transport::instance().setSink([](const QByteArray &) {});
        ChangeRecorder &r = ChangeRecorder::instance();
        r.clear();
        r.setProcessor(0x1234, QStringLiteral("DAP408"), 0x7f000002);
        r.setRowSink([this](ChangeRow &&row) {
            rows.push_back(std::move(row));
            if (rows.size() >= 4096)
                rows.clear();
        });
    }
    ~Recording()
    {
        ChangeRecorder::instance().setRowSink({});
        ChangeRecorder::instance().clearProcessor();
        proto::Transport::instance().setSink({});
    }
};

QByteArray gainPayload(quint8 channel, float gain)
{
    QByteArray p(5, 0);
    p[0] = char(channel);
    std::memcpy(p.data() + 1, &gain, 4);
    return p;
}

// Every set a gesture of its own (a click each): a new entry each time.
void recordClick(benchmark::State &state)
{
    Recording rec;
    ChangeRecorder &r = ChangeRecorder::instance();
    const QByteArray a = gainPayload(1, -6.0f);
    const QByteArray b = gainPayload(1, 3.0f);
    bool flip = false;
    for (auto _ : state) {
        r.closeTurn();
        r.recordSet(1, 3, flip ? a : b, ChangeRecorder::Origin::Discrete);
        flip = !flip;
    }
}

// Sets of one drag: they join the same entry.
void recordDrag(benchmark::State &state)
{
    Recording rec;
    ChangeRecorder &r = ChangeRecorder::instance();
    const quint64 gesture = r.newGesture();
    const QByteArray a = gainPayload(1, -6.0f);
    const QByteArray b = gainPayload(1, 3.0f);
    bool flip = false;
    for (auto _ : state) {
        r.recordSet(1, 3, flip ? a : b, ChangeRecorder::Origin::Deferred, gesture);
        flip = !flip;
    }
}

// A filter band (13 bytes) as a click.
void recordBand(benchmark::State &state)
{
    Recording rec;
    ChangeRecorder &r = ChangeRecorder::instance();
    QByteArray a = QByteArray::fromHex("0003010000007a44000080bf02");
    QByteArray b = QByteArray::fromHex("0003010000007a4400000040ff");
    b[12] = 3;
    bool flip = false;
    for (auto _ : state) {
        r.closeTurn();
        r.recordSet(4, 3, flip ? a : b, ChangeRecorder::Origin::Discrete);
        flip = !flip;
    }
}

// One gain report noted.
void noteReport(benchmark::State &state)
{
    Recording rec;
    ChangeRecorder &r = ChangeRecorder::instance();
    const QByteArray a = gainPayload(2, -6.0f);
    for (auto _ : state)
        r.noteReport(1, 3, reinterpret_cast<const uchar *>(a.constData()), 5);
}

} // namespace

BENCHMARK(recordClick);
BENCHMARK(recordDrag);
BENCHMARK(recordBand);
BENCHMARK(noteReport);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
