// firmware: one processor after the other, with a log that lets a rerun skip the done ones.
#include "commands.h"

#include "ctlcontext.h"

#include "protocol/firmwarelock.h"
#include "protocol/transferjobs.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace ctl {

namespace {

// One line per finished upgrade:
//   time <TAB> machine id <TAB> address <TAB> ARM|DSP <TAB> sha256 of the image <TAB> done|failed
//   <TAB> note
// A processor never heard has "unknown" for its machine id.
struct LogKey {
    QString target;
    QString digest;
};

const QString kUnknownId = QStringLiteral("unknown");

// What identifies a processor in the log: its machine id, or its address when the machine
// id is not known (older logs wrote the address in the machine id's place).
QString logIdentity(const QString &machineId, const QString &address)
{
    bool number = false;
    machineId.toUInt(&number);
    return number ? machineId : QStringLiteral("address ") + address;
}

QString logIdentity(const Target &t)
{
    return t.machineId ? QString::number(t.machineId)
                       : logIdentity(kUnknownId, t.address.toString());
}

QStringList doneEntries(const QString &path, const LogKey &key)
{
    QStringList done;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return done;
    while (!file.atEnd()) {
        const QStringList f = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char('\t'));
        if (f.size() >= 6 && f[3] == key.target && f[4] == key.digest) {
            const QString who = logIdentity(f[1], f[2]);
            if (f[5] == QLatin1String("done"))
                done.append(who);
            else
                done.removeAll(who); // a later failure (of a forced rerun) counts
        }
    }
    return done;
}

bool appendLog(const QString &path, const QStringList &fields)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    const QByteArray line = fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    return file.write(line) == line.size() && file.flush();
}

QString problemText(const proto::FirmwareCheck &check, const QString &path)
{
    switch (check.problem) {
    case proto::FirmwareCheck::Unreadable:
        return QStringLiteral("the file %1 cannot be read").arg(path);
    case proto::FirmwareCheck::Empty:
        return QStringLiteral("the file %1 is empty").arg(path);
    case proto::FirmwareCheck::ShorterThanHeader:
    case proto::FirmwareCheck::BadHeader:
        return QStringLiteral("%1: Bad file format (not an ARM image)").arg(path);
    case proto::FirmwareCheck::TooLarge:
        return QStringLiteral("the file %1 is too large for a firmware image").arg(path);
    case proto::FirmwareCheck::Ok:
        break;
    }
    return {};
}

} // namespace

int runFirmware(CtlContext &ctx, const QStringList &args, quint8 target, const QString &path)
{
    const bool all = ctx.options().all;
    if ((all && !args.isEmpty()) || (!all && args.isEmpty())) {
        ctx.warn(QStringLiteral("firmware takes --arm FILE or --dsp FILE, then ADDR... or --all "
                                "(see dapctl --help)"));
        return ExitUsage;
    }
    QByteArray image;
    const proto::FirmwareCheck check = proto::loadFirmwareImage(target, path, image);
    if (check.problem != proto::FirmwareCheck::Ok) {
        ctx.warn(problemText(check, path));
        return ExitUsage;
    }
    // The log must take the outcome before anything is sent, or a rerun cannot skip.
    if (!QFile(ctx.options().logPath).open(QIODevice::WriteOnly | QIODevice::Append)) {
        ctx.warn(QStringLiteral("cannot write the log %1").arg(ctx.options().logPath));
        return ExitUsage;
    }
    const auto targets = ctx.targets(args, true);
    if (!targets)
        return ExitUsage;
    if (targets->isEmpty())
        return ExitUnreachable;

    const LogKey key{
        target == proto::kArmTarget ? QStringLiteral("ARM") : QStringLiteral("DSP"),
        QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex())};
    const QStringList done =
        ctx.options().force ? QStringList() : doneEntries(ctx.options().logPath, key);
    QJsonArray results;
    int failed = 0;
    int skipped = 0;
    const int n = int(targets->size());
    for (int i = 0; i < n; ++i) {
        const Target &t = targets->at(i);
        // Processors are known by machine id; one never heard says so.
        const QString id = t.machineId ? QString::number(t.machineId) : kUnknownId;
        const QString head =
            QStringLiteral("[%1/%2] %3 (%4) %5 firmware:")
                .arg(i + 1)
                .arg(n)
                .arg(t.address.toString(), t.machineId ? id : QStringLiteral("machine id unknown"),
                     key.target);
        QJsonObject r{{QStringLiteral("address"), t.address.toString()},
                      {QStringLiteral("machineId"),
                       t.machineId ? QJsonValue(qint64(t.machineId)) : QJsonValue()}};
        if (done.contains(logIdentity(t))) {
            ++skipped;
            ctx.say(QStringLiteral("%1 skipped, already done (see %2)")
                        .arg(head, ctx.options().logPath));
            r.insert(QStringLiteral("result"), QStringLiteral("skipped"));
            results.append(r);
            continue;
        }
        // Held to the end of this processor's turn: a second upgrade of it, by another run
        // or by the window, is refused and nothing is logged for it.
        proto::FirmwareLock lock(t.machineId ? std::optional<quint32>(t.machineId) : std::nullopt,
                                 t.address.toIPv4Address());
        if (!lock.tryLock()) {
            ++failed;
            const QString error =
                QStringLiteral("another firmware upgrade of this processor is running (%1)")
                    .arg(lock.holder());
            r.insert(QStringLiteral("result"), QStringLiteral("failed"));
            r.insert(QStringLiteral("error"), error);
            ctx.say(QStringLiteral("%1 FAILED: %2").arg(head, error));
            results.append(r);
            continue;
        }
        QElapsedTimer clock;
        clock.start();
        QString error;
        auto link = ctx.open(t.address, &error);
        if (link) {
            proto::FirmwareUpload job(target, image);
            int lastShown = -1;
            const proto::TransferError e = link->run(job, [&](int value, int range) {
                // A tenth at a time on a terminal; nothing in between for scripts.
                const int tenth = range > 0 ? value * 10 / range : 0;
                if (!ctx.options().json && tenth != lastShown && tenth < 10) {
                    lastShown = tenth;
                    ctx.say(QStringLiteral("%1 %2%").arg(head).arg(tenth * 10));
                }
            });
            if (e != proto::TransferError::None)
                error = link->errorText();
            link->close();
        }
        const bool ok = error.isEmpty();
        const QString note = ok ? QStringLiteral("%1 bytes in %2 s")
                                      .arg(image.size())
                                      .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1)
                                : error;
        appendLog(ctx.options().logPath,
                  {QDateTime::currentDateTime().toString(Qt::ISODate), id, t.address.toString(),
                   key.target, key.digest, ok ? QStringLiteral("done") : QStringLiteral("failed"),
                   QFileInfo(path).fileName() + QStringLiteral(": ") + note});
        r.insert(QStringLiteral("result"), ok ? QStringLiteral("done") : QStringLiteral("failed"));
        if (!ok) {
            ++failed;
            r.insert(QStringLiteral("error"), error);
            ctx.say(QStringLiteral("%1 FAILED: %2").arg(head, error));
        } else {
            ctx.say(QStringLiteral("%1 done (%2)").arg(head, note));
        }
        results.append(r);
    }
    ctx.say(QStringLiteral("firmware: %1 done, %2 skipped, %3 failed (log: %4)")
                .arg(n - failed - skipped)
                .arg(skipped)
                .arg(failed)
                .arg(ctx.options().logPath));
    if (ctx.options().json)
        ctx.printJson(
            QJsonObject{{QStringLiteral("results"), results}, {QStringLiteral("failed"), failed}});
    return failed ? ExitFailed : ExitOk;
}

} // namespace ctl
