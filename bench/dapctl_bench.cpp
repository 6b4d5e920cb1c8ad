// dapctl backup over 20 simulated processors against one, on loopback:
//   bench_dapctl [--runs N] [--jobs N] [--reply-delay MS] [--one-sim]
// Starts 20 simulated processors on 127.0.3.10-29 (announcing to a free loopback port) and runs
// `dapctl backup` of the first processor, then of all 20, N times each. The figure is the
// time of the backups themselves as dapctl reports it (discovery of the machine ids is the
// same for both and left out); medians and their ratio are printed. Each simulated processor
// answers 1 ms late (--reply-delay), as a processor across a network does; on loopback
// without it the figure measures the CPU of this machine rather than the concurrency.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kCount = 20;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(v.size() / 2);
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
    const int runs = std::max(1, option("--runs", 5));
    const QString jobs = QString::number(option("--jobs", 32));
    const QString delay = QString::number(option("--reply-delay", 1));
    const QString bin = QCoreApplication::applicationDirPath();

    quint16 port = 0;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    QTemporaryDir dir;
    // One simulator process per processor, as each processor is a machine of its own; with
    // --one-sim all 20 share one process (and its one thread).
    const bool oneSim = args.contains(QStringLiteral("--one-sim"));
    std::vector<std::unique_ptr<QProcess>> sims;
    for (int i = 0; i < (oneSim ? 1 : kCount); ++i) {
        auto sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim->start(bin + QStringLiteral("/dapsim"),
                   {"--address", QStringLiteral("127.0.3.%1").arg(10 + i), "--count",
                    QString::number(oneSim ? kCount : 1), "--password", "1234", "--announce",
                    QStringLiteral("127.0.0.1:%1").arg(port), "--command-port", "0",
                    "--reply-delay", delay});
        sims.push_back(std::move(sim));
    }
    int listening = 0;
    for (auto &sim : sims) {
        while (sim->waitForReadyRead(10000)) {
            listening += int(sim->readAllStandardOutput().count("listening"));
            if (listening >= (oneSim ? kCount : int(&sim - &sims.front()) + 1))
                break;
        }
    }
    if (listening < kCount) {
        std::fprintf(stderr, "bench_dapctl: dapsim did not start\n");
        return 1;
    }

    QStringList all;
    for (int i = 0; i < kCount; ++i)
        all << QStringLiteral("127.0.3.%1").arg(10 + i);
    const auto backup = [&](const QStringList &addresses, int run) -> double {
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DAPCTL_PASSWORD"), QStringLiteral("1234"));
        ctl.setProcessEnvironment(env);
        ctl.setWorkingDirectory(dir.path());
        ctl.start(bin + QStringLiteral("/dapctl"),
                  QStringList{"backup"} + addresses +
                      QStringList{QStringLiteral("out%1").arg(run), "--json", "--jobs", jobs,
                                  "--announce-port", QString::number(port), "--db",
                                  dir.filePath("device.db"), "--wait", "5"});
        ctl.waitForFinished(120000);
        const QJsonObject o = QJsonDocument::fromJson(ctl.readAllStandardOutput()).object();
        if (ctl.exitCode() != 0 || o.value("failed").toArray().size() != 0)
            return -1.0;
        return o.value("seconds").toDouble();
    };

    QList<double> one, twenty;
    for (int r = 0; r < runs; ++r) {
        const double a = backup({all.first()}, 2 * r);
        const double b = backup(all, 2 * r + 1);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "bench_dapctl: a backup failed\n");
            return 1;
        }
        one << a;
        twenty << b;
        std::printf("run %d: one %.3f s, twenty %.3f s\n", r + 1, a, b);
    }
    const double m1 = median(one), m20 = median(twenty);
    std::printf("backup of 1: median %.3f s; of %d (--jobs %s, reply delay %s ms): median %.3f s; "
                "ratio %.2f\n",
                m1, kCount, qPrintable(jobs), qPrintable(delay), m20, m1 > 0 ? m20 / m1 : 0.0);
    for (auto &sim : sims) {
        sim->terminate();
        sim->waitForFinished(3000);
    }
    return 0;
}
