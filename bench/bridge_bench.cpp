// dapbridge serving many simulated processors on loopback (run it in a private network
// namespace: /work/isolated or unshare -n):
//   bench_bridge [--processors N] [--seconds S] [--scrapes N] [--sets N]
// Starts N processors (default 1000) in dapsim processes of 64 each on 127.0.1.1 and up, a
// dapbridge serving them all with meters once a second, and a second dapbridge serving none
// for the baseline memory. Prints: the bridge's CPU over S seconds once every processor is
// up (% of one core), its memory per processor (RSS above the baseline over N), the time of
// one GET /metrics (median and worst of --scrapes), and the time from a set request on the
// TCP port to its answer (median and worst of --sets; the answer comes after the processor
// took the set and reported the value back, so this bounds the time the set takes to arrive).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

const quint32 kFirstAddress = (127u << 24) | (1u << 8) | 1u; // 127.0.1.1
const int kPerSim = 64;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(v.size() / 2);
}

// utime + stime of a process in seconds.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

double rssKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble();
    }
    return 0;
}

struct Bridge {
    QTemporaryDir dir;
    QProcess process;
    quint16 http = 0;
    quint16 tcp = 0;

    bool start(const QString &bin, const QJsonArray &processors)
    {
        const QString path = dir.filePath("bridge.json");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
            return false;
        f.write(QJsonDocument(QJsonObject{{"http_port", 0},
                                          {"tcp_port", 0},
                                          {"announce_port", 9},
                                          {"processors", processors}})
                    .toJson());
        f.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(bin + "/dapbridge", {"--config", path});
        QByteArray out;
        const QRegularExpression httpLine("http on [^ ]+:(\\d+) ");
        const QRegularExpression tcpLine("json-rpc lines on [^ ]+:(\\d+)");
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && (http == 0 || tcp == 0)) {
            process.waitForReadyRead(200);
            out += process.readAll();
            http = quint16(httpLine.match(QString::fromLatin1(out)).captured(1).toUInt());
            tcp = quint16(tcpLine.match(QString::fromLatin1(out)).captured(1).toUInt());
        }
        return http && tcp;
    }
};

// One GET on a fresh connection; the body (as long as Content-Length says), or empty.
QByteArray get(quint16 port, const QByteArray &path)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(3000))
        return {};
    s.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray in;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (s.waitForReadyRead(5000)) {
        in += s.readAll();
        if (headerEnd < 0 && (headerEnd = in.indexOf("\r\n\r\n")) >= 0) {
            const QRegularExpression re("content-length: *(\\d+)",
                                        QRegularExpression::CaseInsensitiveOption);
            length = re.match(QString::fromLatin1(in.left(headerEnd))).captured(1).toLongLong();
        }
        if (headerEnd >= 0 && in.size() - headerEnd - 4 >= length)
            break;
    }
    return in.mid(headerEnd + 4);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int count = std::clamp(option("--processors", 1000), 1, 4000);
    const int seconds = std::max(5, option("--seconds", 30));
    const int scrapes = std::max(1, option("--scrapes", 20));
    const int sets = std::max(1, option("--sets", 50));
    const QString bin = QCoreApplication::applicationDirPath();

    std::vector<std::unique_ptr<QProcess>> sims;
    QJsonArray processors;
    for (int first = 0; first < count; first += kPerSim) {
        const int n = std::min(kPerSim, count - first);
        auto sim = std::make_unique<QProcess>();
        sim->start(bin + "/dapsim",
                   {"--address", QHostAddress(kFirstAddress + quint32(first)).toString(), "--count",
                    QString::number(n), "--password", "1234", "--announce", "127.0.0.1:9",
                    "--command-port", "0"});
        sim->waitForStarted(5000);
        sims.push_back(std::move(sim));
        for (int i = 0; i < n; ++i)
            processors.append(QJsonObject{
                {"address", QHostAddress(kFirstAddress + quint32(first + i)).toString()},
                {"password", "1234"}});
    }
    QThread::msleep(1500);
    for (auto &sim : sims) {
        if (sim->state() != QProcess::Running) {
            std::fprintf(stderr,
                         "bench_bridge: dapsim did not start (run in a private network "
                         "namespace: unshare -n): %s\n",
                         (sim->readAllStandardError() + sim->readAllStandardOutput()).constData());
            return 1;
        }
    }
    Bridge baseline;
    Bridge bridge;
    if (!baseline.start(bin, {}) || !bridge.start(bin, processors)) {
        std::fprintf(stderr, "bench_bridge: dapbridge did not start\n");
        return 1;
    }
    QElapsedTimer sinceStart;
    sinceStart.start();
    QByteArray log;
    int up = 0;
    while (sinceStart.elapsed() < 120000 && up < count) {
        bridge.process.waitForReadyRead(500);
        log += bridge.process.readAll();
        up = int(log.count(": logged in\n"));
    }
    std::printf("processors logged in: %d of %d after %.1f s\n", up, count,
                sinceStart.elapsed() / 1000.0);
    QThread::msleep(3000); // past the logins

    const qint64 pid = bridge.process.processId();
    const double cpu0 = cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const double cpu = (cpuSeconds(pid) - cpu0) / (wall.elapsed() / 1000.0) * 100.0;
    double loadavg = 0;
    if (QFile f("/proc/loadavg"); f.open(QIODevice::ReadOnly))
        loadavg = f.readAll().split(' ').first().toDouble();
    const double rss = rssKb(pid);
    const double base = rssKb(baseline.process.processId());
    std::printf("CPU with meters once a second: %.2f%% of one core (over %d s, load average "
                "%.1f)\n",
                cpu, seconds, loadavg);
    std::printf("memory: RSS %.0f KB, baseline %.0f KB: %.1f KB per processor\n", rss, base,
                (rss - base) / count);

    QList<double> scrapeMs;
    qsizetype bytes = 0;
    const double rate = (cpuSeconds(pid) - cpu0) / (wall.elapsed() / 1000.0);
    const double scrapeCpu0 = cpuSeconds(pid);
    QElapsedTimer scrapeWall;
    scrapeWall.start();
    for (int i = 0; i < scrapes; ++i) {
        QElapsedTimer t;
        t.start();
        bytes = get(bridge.http, "/metrics").size();
        scrapeMs.append(t.nsecsElapsed() / 1e6);
    }
    std::printf("GET /metrics (%lld bytes): median %.1f ms, worst %.1f ms of %d\n",
                static_cast<long long>(bytes), median(scrapeMs),
                *std::max_element(scrapeMs.begin(), scrapeMs.end()), scrapes);
    const double perScrape =
        (cpuSeconds(pid) - scrapeCpu0 - rate * scrapeWall.elapsed() / 1000.0) / scrapes * 1000.0;
    std::printf("CPU of the bridge per scrape (beyond the polling): %.1f ms\n", perScrape);
    std::printf("memory after the scrapes: RSS %.0f KB: %.1f KB per processor\n", rssKb(pid),
                (rssKb(pid) - base) / count);

    QTcpSocket rpc;
    rpc.connectToHost(QHostAddress::LocalHost, bridge.tcp);
    rpc.waitForConnected(3000);
    rpc.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QList<double> setMs;
    for (int i = 0; i < sets; ++i) {
        const QString target = QHostAddress(kFirstAddress + quint32(i % count)).toString();
        const QByteArray request =
            QJsonDocument(QJsonObject{{"jsonrpc", "2.0"},
                                      {"id", i},
                                      {"method", "set"},
                                      {"params", QJsonObject{{"processor", target},
                                                             {"block", "in-level"},
                                                             {"channel", 1 + i % 4},
                                                             {"field", "gain"},
                                                             {"value", -double(i % 60)}}}})
                .toJson(QJsonDocument::Compact) +
            '\n';
        QElapsedTimer t;
        t.start();
        rpc.write(request);
        rpc.flush();
        QByteArray answer;
        while (!answer.contains('\n') && rpc.waitForReadyRead(3000))
            answer += rpc.readAll();
        setMs.append(t.nsecsElapsed() / 1e6);
        if (!answer.contains("\"result\""))
            std::fprintf(stderr, "set %d: %s\n", i, answer.constData());
    }
    std::printf("set to answer: median %.2f ms, worst %.2f ms of %d\n", median(setMs),
                *std::max_element(setMs.begin(), setMs.end()), sets);

    for (Bridge *b : {&bridge, &baseline}) {
        b->process.terminate();
        b->process.waitForFinished(3000);
    }
    for (auto &sim : sims) {
        sim->terminate();
        sim->waitForFinished(3000);
    }
    return 0;
}
