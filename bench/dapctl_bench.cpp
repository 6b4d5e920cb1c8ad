// dapctl backup over 20 simulated processors against one, on loopback:
//   bench_dapctl [--runs N] [--jobs N]
// Starts dapsim --count 20 on 127.0.0.170-189 (announcing to a free loopback port) and runs
// `dapctl backup` of the first processor, then of all 20, N times each. The figure is the
// time of the backups themselves as dapctl reports it (discovery of the machine ids is the
// same for both and left out); medians and their ratio are printed.
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
    const QString jobs = QString::number(option("--jobs", 8));
    const QString bin = QCoreApplication::applicationDirPath();

    quint16 port = 0;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    QTemporaryDir dir;
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(bin + QStringLiteral("/dapsim"),
              {"--address", "127.0.0.170", "--count", QString::number(kCount), "--password", "1234",
               "--announce", QStringLiteral("127.0.0.1:%1").arg(port), "--command-port", "0"});
    int listening = 0;
    while (listening < kCount && sim.waitForReadyRead(10000))
        listening += int(sim.readAllStandardOutput().count("listening"));
    if (listening < kCount) {
        std::fprintf(stderr, "bench_dapctl: dapsim did not start\n");
        return 1;
    }

    QStringList all;
    for (int i = 0; i < kCount; ++i)
        all << QStringLiteral("127.0.0.%1").arg(170 + i);
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
    std::printf("backup of 1: median %.3f s; of %d (--jobs %s): median %.3f s; ratio %.2f\n", m1,
                kCount, qPrintable(jobs), m20, m1 > 0 ? m20 / m1 : 0.0);
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
