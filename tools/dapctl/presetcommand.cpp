// describe and preset: the description printed, and the preset slotList listed, recalled, stored.
#include "blockfields.h"
#include "commands.h"
#include "ctlcontext.h"

#include "model/model.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

namespace ctl {

namespace {

constexpr int kPollMs = 100;

const model::Block &presets()
{
    return *model::findBlock("presets");
}

// The slot list as the processor reports it: {"current": slot or null, "slots": [...]}.
std::optional<QJsonObject> readSlots(CtlLink &link, QString *error)
{
    const model::Block &b = presets();
    const model::Message *list = nullptr;
    const model::Field *current = b.findField("current", &list);
    const model::Field *used = b.findField("used");
    const model::Field *name = b.findField("name");
    BlockReader reader(link);
    const std::optional<QByteArray> bytes =
        reader.report(model::FieldRef{&b, list, current, -1, 0}, error);
    if (!bytes)
        return std::nullopt;
    const auto r = model::Report::check(*list, reinterpret_cast<const uchar *>(bytes->constData()),
                                        bytes->size());
    QJsonArray slotList;
    for (int s = 0; s < b.channels; ++s)
        slotList.append(QJsonObject{{QStringLiteral("slot"), s + 1},
                                    {QStringLiteral("used"), r->number(*used, s) != 0},
                                    {QStringLiteral("name"), shownText(b, r->text(*name, s))}});
    const double at = r->number(*current);
    return QJsonObject{{QStringLiteral("current"), at < 0 ? QJsonValue() : QJsonValue(at + 1)},
                       {QStringLiteral("slots"), slotList}};
}

QJsonObject slotOf(const QJsonObject &list, int slot)
{
    return list.value(QStringLiteral("slots")).toArray().at(slot).toObject();
}

int currentOf(const QJsonObject &list)
{
    const QJsonValue c = list.value(QStringLiteral("current"));
    return c.isNull() ? -1 : c.toInt() - 1;
}

QString slotLine(const QJsonObject &slot, bool current)
{
    return QStringLiteral("%1 %2 %3")
        .arg(slot.value(QStringLiteral("slot")).toInt(), 2)
        .arg(current                                       ? QLatin1Char('*')
             : slot.value(QStringLiteral("used")).toBool() ? QLatin1Char('+')
                                                           : QLatin1Char('-'))
        .arg(slot.value(QStringLiteral("name")).toString());
}

} // namespace

int runDescribe(CtlContext &ctx, const QStringList &args)
{
    if (!args.isEmpty())
        return usage(ctx, QStringLiteral("describe takes no arguments"));
    if (ctx.options().json) {
        ctx.printJson(QJsonDocument::fromJson(model::describeJson()).object());
        return ExitOk;
    }
    for (const QString &line : model::describeText().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ctx.say(line);
    return ExitOk;
}

int runPreset(CtlContext &ctx, const QStringList &args)
{
    const QString what = args.value(1);
    const bool list = what == QLatin1String("list") && args.size() == 2;
    const bool recall = what == QLatin1String("recall") && args.size() == 3;
    const bool store = what == QLatin1String("store") && (args.size() == 3 || args.size() == 4);
    if (!list && !recall && !store)
        return usage(ctx, QStringLiteral("preset takes ADDR list, ADDR recall N or "
                                         "ADDR store N [NAME]"));
    QString error;
    int slot = -1;
    std::optional<SetRequest> rename;
    if (!list) {
        // The slot and the name are checked as a set of "presets N name" is.
        const std::optional<int> ch = parseChannel(presets(), args.at(2), &error);
        if (!ch || *ch < 0)
            return usage(ctx, error.isEmpty() ? QStringLiteral("a slot is a number from 1 to 32")
                                              : error);
        slot = *ch;
        if (args.size() == 4) {
            rename = parseSet(QStringLiteral("presets"), args.at(2), QStringLiteral("name"),
                              args.at(3), &error);
            if (!rename)
                return usage(ctx, error);
        }
    }
    int exitCode = ExitOk;
    auto link = openOne(ctx, args.first(), &exitCode);
    if (!link)
        return exitCode;
    const auto fail = [&](const QString &why) {
        ctx.warn(QStringLiteral("%1: %2").arg(args.first(), why));
        return int(ExitFailed);
    };
    std::optional<QJsonObject> slotList = readSlots(*link, &error);
    if (!slotList)
        return fail(error);
    const model::Block &b = presets();
    const QByteArray slotByte(1, char(quint8(slot)));
    if (recall) {
        if (!slotOf(*slotList, slot).value(QStringLiteral("used")).toBool())
            return fail(QStringLiteral("slot %1 is empty; nothing recalled").arg(slot + 1));
        link->send(b.frameClass, b.frameType, b.findAction("recall")->code, proto::DirSet,
                   slotByte);
        // The processor loads the preset, then names it current.
        const QDeadlineTimer deadline(ctx.options().timeoutMs);
        while ((slotList = readSlots(*link, &error)) && currentOf(*slotList) != slot &&
               !deadline.hasExpired())
            QThread::msleep(kPollMs);
        if (!slotList || currentOf(*slotList) != slot)
            return fail(QStringLiteral("slot %1 was not recalled (%2)")
                            .arg(slot + 1)
                            .arg(slotList ? QStringLiteral("another slot is current") : error));
    } else if (store) {
        link->send(b.frameClass, b.frameType, b.findAction("store")->code, proto::DirSet, slotByte);
        if (rename)
            link->send(b.frameClass, b.frameType, rename->ref.setCode(), proto::DirSet,
                       model::setTextPayload(rename->ref, rename->text));
        slotList = readSlots(*link, &error);
        if (!slotList)
            return fail(error);
        const QJsonObject stored = slotOf(*slotList, slot);
        const bool named = !rename || stored.value(QStringLiteral("name")).toString() == args.at(3);
        if (!stored.value(QStringLiteral("used")).toBool() || !named)
            return fail(QStringLiteral("slot %1 was not stored").arg(slot + 1));
    }
    const int current = currentOf(*slotList);
    if (ctx.options().json) {
        ctx.printJson(list ? QJsonValue(*slotList) : QJsonValue(slotOf(*slotList, slot)));
        return ExitOk;
    }
    const QJsonArray all = slotList->value(QStringLiteral("slots")).toArray();
    for (int s = 0; s < all.size(); ++s) {
        if (list || s == slot)
            ctx.say(slotLine(all.at(s).toObject(), s == current));
    }
    return ExitOk;
}

} // namespace ctl
