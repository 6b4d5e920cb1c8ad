// list, info, get, set and set-ip.
#include "commands.h"

#include "blockfields.h"
#include "ctlcontext.h"
#include "deviceinfo.h"

#include "devices/broadcastmsg.h"
#include "protocol/ipv4.h"
#include "protocol/payload.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUdpSocket>

namespace ctl {

namespace {

QString faultText(quint8 fault)
{
    QStringList bits;
    const char *names[] = {"DSP", "Flash", "Temp", "DAC"};
    for (int i = 0; i < 4; ++i) {
        if (fault & (1u << i))
            bits << QLatin1String(names[i]);
    }
    return bits.isEmpty() ? QStringLiteral("-") : bits.join(QLatin1Char(','));
}

QString channelLine(const model::Block &block, const QJsonObject &o)
{
    QStringList parts;
    const QJsonValue channel = o.value(QStringLiteral("channel"));
    for (const QString &key : fieldKeys(block, channel.isNull() ? -1 : channel.toInt() - 1)) {
        const auto it = o.constFind(key);
        if (it == o.constEnd())
            continue;
        if (it->isArray()) {
            for (const QJsonValue &x : it->toArray()) {
                const QJsonObject in = x.toObject();
                parts << QStringLiteral("in%1 %2 %3 dB")
                             .arg(in.value(QStringLiteral("input")).toInt())
                             .arg(in.value(QStringLiteral("on")).toBool() ? QStringLiteral("on")
                                                                          : QStringLiteral("off"))
                             .arg(in.value(QStringLiteral("gain")).toDouble());
            }
        } else if (it->isBool()) {
            parts << QStringLiteral("%1 %2").arg(it.key(), it->toBool() ? QStringLiteral("on")
                                                                        : QStringLiteral("off"));
        } else if (it->isString()) {
            const QString text = it->toString();
            const bool quote = text.isEmpty() || text.contains(QLatin1Char(' '));
            parts << QString::fromLatin1(quote ? "%1 \"%2\"" : "%1 %2").arg(it.key(), text);
        } else {
            parts << QStringLiteral("%1 %2").arg(it.key()).arg(it->toDouble());
        }
    }
    return QStringLiteral("%1 %2: %3")
        .arg(QLatin1String(block.name),
             channel.isNull() ? QStringLiteral("-") : QString::number(channel.toInt()),
             parts.join(QStringLiteral(", ")));
}

} // namespace

int usage(CtlContext &ctx, const QString &text)
{
    ctx.warn(text + QStringLiteral(" (see dapctl --help)"));
    return ExitUsage;
}

// One address, connected and logged in; the exit code when that fails.
std::unique_ptr<CtlLink> openOne(CtlContext &ctx, const QString &text, int *exitCode)
{
    const auto targets = ctx.targets({text}, false);
    if (!targets) {
        *exitCode = ExitUsage;
        return nullptr;
    }
    QString error;
    auto link = ctx.open(targets->first().address, &error);
    if (!link) {
        ctx.warn(QStringLiteral("%1: %2").arg(text, error));
        *exitCode = ExitUnreachable;
    }
    return link;
}

int runList(CtlContext &ctx, const QStringList &args)
{
    if (!args.isEmpty())
        return usage(ctx, QStringLiteral("list takes no arguments"));
    QString listenError;
    const QList<KnownProcessor> known = discover(ctx.options().announcePort, ctx.options().waitMs,
                                                 ctx.options().dbPath, &listenError);
    if (!listenError.isEmpty())
        ctx.warn(listenError);
    QJsonArray rows;
    if (!ctx.options().json)
        ctx.say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                    .arg(QStringLiteral("MODEL"), -10)
                    .arg(QStringLiteral("ADDRESS"), -15)
                    .arg(QStringLiteral("MACHINE-ID"), -10)
                    .arg(QStringLiteral("ARM"), -10)
                    .arg(QStringLiteral("DSP"), -10)
                    .arg(QStringLiteral("PRESET"), -16)
                    .arg(QStringLiteral("FAULT"), -8)
                    .arg(QStringLiteral("STATE")));
    for (const KnownProcessor &k : known) {
        const broadcastMsg &r = k.record;
        const QString state = k.heard ? QStringLiteral("online") : QStringLiteral("stored");
        QJsonObject o{{QStringLiteral("model"), devices::fieldText(r.model)},
                      {QStringLiteral("address"), proto::ipv4::format(r.ipaddress)},
                      {QStringLiteral("machineId"), qint64(r.machineid)},
                      {QStringLiteral("armVersion"), devices::fieldText(r.ARMFirmware)},
                      {QStringLiteral("dspVersion"), devices::fieldText(r.DSPFirmware)},
                      {QStringLiteral("serial"), devices::fieldText(r.sn)},
                      {QStringLiteral("location"), devices::fieldText(r.location)},
                      {QStringLiteral("state"), state}};
        if (k.heard) {
            o.insert(QStringLiteral("preset"), devices::fieldText(r.preset));
            o.insert(QStringLiteral("fault"), r.fault);
        }
        rows.append(o);
        if (!ctx.options().json)
            ctx.say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                        .arg(devices::fieldText(r.model), -10)
                        .arg(proto::ipv4::format(r.ipaddress), -15)
                        .arg(r.machineid, -10)
                        .arg(devices::fieldText(r.ARMFirmware), -10)
                        .arg(devices::fieldText(r.DSPFirmware), -10)
                        .arg(k.heard ? devices::fieldText(r.preset) : QString(), -16)
                        .arg(k.heard ? faultText(r.fault) : QString(), -8)
                        .arg(state));
    }
    if (ctx.options().json)
        ctx.printJson(rows);
    return ExitOk;
}

int runInfo(CtlContext &ctx, const QStringList &args)
{
    if (args.size() != 1)
        return usage(ctx, QStringLiteral("info takes one address"));
    int exitCode = ExitOk;
    auto link = openOne(ctx, args.first(), &exitCode);
    if (!link)
        return exitCode;
    QString missing;
    QJsonObject o = readSettings(*link, &missing);
    o.remove(QStringLiteral("armMajor"));
    if (ctx.options().json) {
        ctx.printJson(o);
    } else {
        for (auto it = o.begin(); it != o.end(); ++it) {
            QString value;
            if (it->isArray()) {
                QStringList items;
                for (const QJsonValue &v : it->toArray())
                    items << v.toString();
                value = items.join(QStringLiteral(" | "));
            } else if (it->isObject()) {
                QStringList items;
                const QJsonObject f = it->toObject();
                for (auto b = f.begin(); b != f.end(); ++b)
                    items << QStringLiteral("%1 %2").arg(
                        b.key(), b->toBool() ? QStringLiteral("ERROR") : QStringLiteral("Normal"));
                value = items.join(QStringLiteral(", "));
            } else if (it->isBool()) {
                value = it->toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
            } else {
                value = it->toVariant().toString();
            }
            ctx.say(QStringLiteral("%1: %2").arg(it.key(), -14).arg(value));
        }
    }
    if (!missing.isEmpty()) {
        ctx.warn(QStringLiteral("%1: %2").arg(args.first(), missing));
        return ExitFailed;
    }
    return ExitOk;
}

int runGet(CtlContext &ctx, const QStringList &args)
{
    if (args.size() < 2 || args.size() > 3)
        return usage(ctx, QStringLiteral("get takes ADDR BLOCK [CHANNEL]"));
    QString error;
    const model::Block *block = model::findBlock(args.at(1).toLatin1());
    if (!block) {
        // The same words as a set's: one check of block names.
        model::parseName(args.at(1), QStringLiteral("1"), QString(), &error);
        return usage(ctx, error);
    }
    QList<int> channels;
    if (args.size() == 3) {
        const std::optional<int> ch = parseChannel(*block, args.at(2), &error);
        if (!ch)
            return usage(ctx, error);
        channels << *ch;
    } else {
        channels = channelsToRead(*block);
    }
    int exitCode = ExitOk;
    auto link = openOne(ctx, args.first(), &exitCode);
    if (!link)
        return exitCode;
    if (!block->inGeneration(2)) {
        const std::optional<int> generation = readGeneration(*link, &error);
        if (generation && !block->inGeneration(*generation)) {
            ctx.warn(QStringLiteral("%1: this processor has no %2 block")
                         .arg(args.first(), QLatin1String(block->name)));
            return ExitUsage;
        }
    }
    BlockReader reader(*link);
    QJsonArray rows;
    for (const int c : std::as_const(channels)) {
        const std::optional<QJsonObject> o = reader.channel(*block, c, &error);
        if (!o) {
            ctx.warn(QStringLiteral("%1: %2").arg(args.first(), error));
            return ExitFailed;
        }
        rows.append(*o);
        if (!ctx.options().json)
            ctx.say(channelLine(*block, *o));
    }
    if (ctx.options().json)
        ctx.printJson(rows.size() == 1 ? rows.first() : QJsonValue(rows));
    return ExitOk;
}

int runSet(CtlContext &ctx, const QStringList &args)
{
    if (args.size() != 5)
        return usage(ctx, QStringLiteral("set takes ADDR BLOCK CHANNEL FIELD VALUE"));
    QString error;
    const std::optional<SetRequest> set =
        parseSet(args.at(1), args.at(2), args.at(3), args.at(4), &error);
    if (!set)
        return usage(ctx, error);
    QByteArray lockPassword;
    if (set->ref.block->frameClass == proto::ClassSystem && set->ref.block->frameType == 5) {
        if (!ctx.options().lockPassword)
            return usage(ctx, QStringLiteral("lock states need the security lock password "
                                             "(--lock-password or DAPCTL_LOCK_PASSWORD)"));
        lockPassword = *ctx.options().lockPassword;
    }
    int exitCode = ExitOk;
    auto link = openOne(ctx, args.first(), &exitCode);
    if (!link)
        return exitCode;
    const SetOutcome done = applySet(*link, *set, lockPassword);
    if (!done.after) {
        ctx.warn(QStringLiteral("%1: %2").arg(args.first(), done.error));
        return done.refused ? ExitUsage : done.locked ? ExitUnreachable : ExitFailed;
    }
    if (ctx.options().json)
        ctx.printJson(*done.after);
    else
        ctx.say(channelLine(*set->ref.block, *done.after));
    return ExitOk;
}

int runSetIp(CtlContext &ctx, const QStringList &args)
{
    if (args.size() < 3 || args.size() > 4)
        return usage(ctx, QStringLiteral("set-ip takes ADDR NEWADDR MASK [GATEWAY]"));
    const QString gatewayText = args.size() == 4 ? args.at(3) : QString();
    const proto::ipv4::Verdict verdict = proto::ipv4::check(args.at(1), args.at(2), gatewayText);
    if (!verdict.ok()) {
        const char *field = verdict.field == proto::ipv4::Field::Address ? "address"
                            : verdict.field == proto::ipv4::Field::Mask  ? "mask"
                                                                         : "gateway";
        return usage(ctx, QStringLiteral("%1: %2").arg(QLatin1String(field),
                                                       proto::ipv4::explain(verdict.problem)));
    }
    const auto targets = ctx.targets({args.first()}, true);
    if (!targets)
        return ExitUsage;
    const Target &t = targets->first();
    if (t.machineId == 0) {
        ctx.warn(QStringLiteral("%1: no processor announced itself at this address within %2 s, "
                                "and device.db does not know it")
                     .arg(args.first())
                     .arg(ctx.options().waitMs / 1000.0));
        return ExitUnreachable;
    }
    const quint32 address = *proto::ipv4::parse(args.at(1));
    const quint32 mask = *proto::ipv4::parse(args.at(2));
    const quint32 gateway = gatewayText.trimmed().isEmpty() ? 0 : *proto::ipv4::parse(gatewayText);
    proto::PayloadWriter payload(12);
    payload.u32(address).u32(mask).u32(gateway);
    QUdpSocket socket;
    const QByteArray datagram = devices::udpCommand(t.machineId, 2, payload.data());
    if (socket.writeDatagram(datagram, ctx.options().commandAddress, ctx.options().commandPort) !=
        datagram.size()) {
        ctx.warn(QStringLiteral("the command could not be sent (%1)").arg(socket.errorString()));
        return ExitFailed;
    }
    // The processor confirms by announcing itself at the new address.
    QString listenError;
    const QList<KnownProcessor> heard =
        discover(ctx.options().announcePort, ctx.options().waitMs, QString(), &listenError,
                 [&](const QList<KnownProcessor> &found) {
                     return std::any_of(found.begin(), found.end(), [&](const KnownProcessor &k) {
                         return k.record.machineid == t.machineId && k.record.ipaddress == address;
                     });
                 });
    const bool confirmed = std::any_of(heard.begin(), heard.end(), [&](const KnownProcessor &k) {
        return k.record.machineid == t.machineId && k.record.ipaddress == address;
    });
    const QJsonObject result{{QStringLiteral("machineId"), qint64(t.machineId)},
                             {QStringLiteral("address"), proto::ipv4::format(address)},
                             {QStringLiteral("mask"), proto::ipv4::format(mask)},
                             {QStringLiteral("gateway"), proto::ipv4::format(gateway)},
                             {QStringLiteral("confirmed"), confirmed}};
    if (ctx.options().json)
        ctx.printJson(result);
    if (!confirmed) {
        ctx.warn(QStringLiteral("%1 (%2): sent, but not heard at %3 within %4 s")
                     .arg(args.first())
                     .arg(t.machineId)
                     .arg(proto::ipv4::format(address))
                     .arg(ctx.options().waitMs / 1000.0));
        return ExitFailed;
    }
    ctx.say(QStringLiteral("%1 (%2): now at %3 mask %4 gateway %5")
                .arg(args.first())
                .arg(t.machineId)
                .arg(proto::ipv4::format(address), proto::ipv4::format(mask),
                     proto::ipv4::format(gateway)));
    return ExitOk;
}

} // namespace ctl
