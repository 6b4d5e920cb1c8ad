// backup and restore: all presets (.pst) and the settings of many processors, a few at once.
#include "commands.h"

#include "ctlcontext.h"
#include "deviceinfo.h"

#include "protocol/savefile.h"
#include "protocol/transferjobs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <atomic>
#include <thread>
#include <vector>

namespace ctl {

namespace {

const QString kPresetFile = QStringLiteral("presets.pst");
const QString kSettingsFile = QStringLiteral("settings.json");

// Runs work(i) for i in [0, count) on at most jobs threads.
void forEachConcurrently(int jobs, int count, const std::function<void(int)> &work)
{
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    const int n = std::max(1, std::min(jobs, count));
    for (int w = 0; w < n; ++w) {
        workers.emplace_back([&] {
            for (int i = next++; i < count; i = next++)
                work(i);
        });
    }
    for (std::thread &t : workers)
        t.join();
}

struct Outcome {
    bool ok = false;
    bool unreachable = false;
    QString text;
};

QString who(const Target &t)
{
    return QStringLiteral("%1 (%2)").arg(t.address.toString()).arg(t.machineId);
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !proto::commitWhole(file)) {
        *error = QStringLiteral("cannot write %1 (%2)").arg(path, file.errorString());
        return false;
    }
    return true;
}

// Prints the line per processor already said, the summary, and gives the exit code.
int summarise(CtlContext &ctx, const char *verb, const QList<Target> &targets,
              const std::vector<Outcome> &outcomes, const QString &dir, qint64 elapsedMs)
{
    QJsonArray done, failed;
    bool allUnreachable = !targets.isEmpty();
    for (int i = 0; i < targets.size(); ++i) {
        QJsonObject o{{QStringLiteral("address"), targets[i].address.toString()},
                      {QStringLiteral("machineId"), qint64(targets[i].machineId)}};
        if (outcomes[size_t(i)].ok) {
            o.insert(QStringLiteral("folder"),
                     QDir(dir).filePath(QString::number(targets[i].machineId)));
            done.append(o);
        } else {
            o.insert(QStringLiteral("error"), outcomes[size_t(i)].text);
            failed.append(o);
        }
        allUnreachable = allUnreachable && outcomes[size_t(i)].unreachable;
    }
    const double seconds = double(elapsedMs) / 1000.0;
    ctx.say(QStringLiteral("%1 %2, %3 failed in %4 s")
                .arg(done.size())
                .arg(QLatin1String(verb))
                .arg(failed.size())
                .arg(seconds, 0, 'f', 2));
    if (ctx.options().json)
        ctx.printJson(QJsonObject{{QStringLiteral("done"), done},
                                  {QStringLiteral("failed"), failed},
                                  {QStringLiteral("seconds"), seconds}});
    if (failed.isEmpty())
        return ExitOk;
    return allUnreachable ? ExitUnreachable : ExitFailed;
}

} // namespace

int runBackup(CtlContext &ctx, const QStringList &args)
{
    const bool all = ctx.options().all;
    if (args.isEmpty() || (all && args.size() != 1) || (!all && args.size() < 2)) {
        ctx.warn(QStringLiteral("backup takes ADDR... DIR or --all DIR (see dapctl --help)"));
        return ExitUsage;
    }
    const QString dir = args.last();
    if (!QDir().mkpath(dir)) {
        ctx.warn(QStringLiteral("cannot create the folder %1").arg(dir));
        return ExitUsage;
    }
    const auto targets = ctx.targets(args.mid(0, args.size() - 1), true);
    if (!targets)
        return ExitUsage;
    if (targets->isEmpty())
        return ExitUnreachable;
    std::vector<Outcome> outcomes(size_t(targets->size()));
    QElapsedTimer clock;
    clock.start();
    forEachConcurrently(ctx.options().jobs, int(targets->size()), [&](int i) {
        const Target &t = targets->at(i);
        Outcome &out = outcomes[size_t(i)];
        if (t.machineId == 0) {
            out.text = QStringLiteral("machine id unknown: not heard within %1 s and not in "
                                      "device.db (try a longer --wait)")
                           .arg(ctx.options().waitMs / 1000.0);
            ctx.warn(QStringLiteral("%1: %2").arg(t.address.toString(), out.text));
            return;
        }
        QString error;
        auto link = ctx.open(t.address, &error);
        if (!link) {
            out.unreachable = true;
            out.text = error;
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), error));
            return;
        }
        proto::PresetBankExport job;
        if (link->run(job) != proto::TransferError::None) {
            out.text = QStringLiteral("presets: %1").arg(link->errorText());
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), out.text));
            return;
        }
        const QByteArray presets = job.received();
        QString missing;
        QJsonObject settings = readSettings(*link, &missing);
        link->close();
        settings.insert(QStringLiteral("machineId"), qint64(t.machineId));
        settings.insert(QStringLiteral("backupAddress"), t.address.toString());
        const QString folder = QDir(dir).filePath(QString::number(t.machineId));
        if (!QDir().mkpath(folder)) {
            out.text = QStringLiteral("cannot create %1").arg(folder);
        } else if (writeFile(QDir(folder).filePath(kPresetFile), presets, &error) &&
                   writeFile(QDir(folder).filePath(kSettingsFile),
                             QJsonDocument(settings).toJson(QJsonDocument::Indented), &error)) {
            out.ok = missing.isEmpty();
            out.text = missing;
        } else {
            out.text = error;
        }
        if (out.ok)
            ctx.say(QStringLiteral("%1: backed up to %2 (%3 preset bytes)")
                        .arg(who(t), folder)
                        .arg(presets.size()));
        else
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), out.text));
    });
    return summarise(ctx, "backed up", *targets, outcomes, dir, clock.elapsed());
}

int runRestore(CtlContext &ctx, const QStringList &args)
{
    const bool all = ctx.options().all;
    if (args.isEmpty() || (all && args.size() != 1) || (!all && args.size() < 2)) {
        ctx.warn(QStringLiteral("restore takes ADDR... DIR or --all DIR (see dapctl --help)"));
        return ExitUsage;
    }
    const QString dir = args.last();
    if (!QDir(dir).exists()) {
        ctx.warn(QStringLiteral("no backup folder %1").arg(dir));
        return ExitUsage;
    }
    const auto targets = ctx.targets(args.mid(0, args.size() - 1), true);
    if (!targets)
        return ExitUsage;
    if (targets->isEmpty())
        return ExitUnreachable;
    std::vector<Outcome> outcomes(size_t(targets->size()));
    QElapsedTimer clock;
    clock.start();
    forEachConcurrently(ctx.options().jobs, int(targets->size()), [&](int i) {
        const Target &t = targets->at(i);
        Outcome &out = outcomes[size_t(i)];
        const QString folder = QDir(dir).filePath(QString::number(t.machineId));
        QFile presetFile(QDir(folder).filePath(kPresetFile));
        QFile settingsFile(QDir(folder).filePath(kSettingsFile));
        QByteArray presets;
        QJsonObject settings;
        // Everything is read and checked before the processor is touched.
        if (t.machineId == 0) {
            out.text = QStringLiteral("machine id unknown: not heard within %1 s")
                           .arg(ctx.options().waitMs / 1000.0);
        } else if (!presetFile.open(QIODevice::ReadOnly)) {
            out.text = QStringLiteral("no backup in %1").arg(folder);
        } else {
            presets = presetFile.readAll();
            if (presets.isEmpty() || quint32(presets.size()) > proto::kMaxPresetBankSize)
                out.text = QStringLiteral("%1 is empty or too large").arg(presetFile.fileName());
            if (settingsFile.open(QIODevice::ReadOnly)) {
                QJsonParseError parseError;
                const QJsonDocument doc =
                    QJsonDocument::fromJson(settingsFile.readAll(), &parseError);
                if (!doc.isObject())
                    out.text = QStringLiteral("%1: %2").arg(settingsFile.fileName(),
                                                            parseError.errorString());
                settings = doc.object();
            }
        }
        if (!out.text.isEmpty()) {
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), out.text));
            return;
        }
        QString error;
        auto link = ctx.open(t.address, &error);
        if (!link) {
            out.unreachable = true;
            out.text = error;
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), error));
            return;
        }
        proto::PresetBankImport job(presets);
        if (link->run(job) != proto::TransferError::None) {
            out.text = QStringLiteral("presets: %1").arg(link->errorText());
        } else if (!restoreSettings(*link, settings, &error)) {
            out.text = QStringLiteral("settings: %1").arg(error);
        } else {
            out.ok = true;
        }
        link->close();
        if (out.ok)
            ctx.say(QStringLiteral("%1: restored from %2").arg(who(t), folder));
        else
            ctx.warn(QStringLiteral("%1: %2").arg(who(t), out.text));
    });
    return summarise(ctx, "restored", *targets, outcomes, dir, clock.elapsed());
}

} // namespace ctl
