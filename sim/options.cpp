#include "options.h"

#include <QCommandLineParser>

namespace sim {

namespace {

bool isLoopbackV4(const QHostAddress &a)
{
    return a.protocol() == QAbstractSocket::IPv4Protocol && a.isLoopback();
}

std::optional<double> rateValue(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0.0 || v > 1.0)
        return std::nullopt;
    return v;
}

std::optional<qint64> intValue(const QString &text, qint64 lo, qint64 hi)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 0);
    if (!ok || v < lo || v > hi)
        return std::nullopt;
    return v;
}

} // namespace

QHostAddress SimOptions::addressOf(int n) const
{
    return QHostAddress(address.toIPv4Address() + quint32(n));
}

quint32 SimOptions::machineIdOf(int n) const
{
    if (machineId)
        return machineId + quint32(n);
    // Distinct per loopback address, so processors started without an id never collide.
    return 1000 + (addressOf(n).toIPv4Address() & 0xFFFF);
}

ParseResult parseOptions(const QStringList &arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated audio processor (4 in, 8 out) for the control program. Listens on TCP 2699\n"
        "of its loopback address, announces itself over UDP every second and takes UDP\n"
        "commands. Only loopback addresses (127.0.0.0/8) are accepted. Prints\n"
        "\"dapsim: ADDRESS listening\" for each processor once it listens."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption address(
        QStringLiteral("address"), QStringLiteral("Loopback address to bind (default 127.0.0.2)."),
        QStringLiteral("127.0.0.N"));
    const QCommandLineOption machineId(
        QStringLiteral("machine-id"),
        QStringLiteral("Machine id (default 1000 + low 16 bits of the address)."),
        QStringLiteral("ID"));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Model name (default DAP408)."),
                                   QStringLiteral("NAME"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("Login password, 1-8 Latin-1 characters (default none: logged in at once)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption lockPassword(
        QStringLiteral("lock-password"),
        QStringLiteral("Security lock password (default none: any password opens the page)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption announce(
        QStringLiteral("announce"),
        QStringLiteral("Where announcements go (default 127.0.0.1:6696)."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption commandPort(
        QStringLiteral("command-port"),
        QStringLiteral("UDP port for commands on any local address; 0 picks a free one "
                       "(default 6001)."),
        QStringLiteral("PORT"));
    const QCommandLineOption generation(
        QStringLiteral("generation"),
        QStringLiteral("ARM major version: 1, or 2 for the reduced delay generation (default 1)."),
        QStringLiteral("1|2"));
    const QCommandLineOption variant(
        QStringLiteral("variant"),
        QStringLiteral("Preset image variant in kHz: 48 or 96 (default 96, 48 for generation 2)."),
        QStringLiteral("48|96"));
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("Start N processors on consecutive addresses and machine ids (default 1)."),
        QStringLiteral("N"));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Fault bits to report: 1 DSP, 2 Flash, 4 Temp, 8 DAC (default 0)."),
        QStringLiteral("BITS"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every Frame received and sent."));
    const QCommandLineOption split(
        QStringLiteral("split"),
        QStringLiteral("Fault: write every Frame in two TCP writes with a pause."));
    const QCommandLineOption garbageRate(
        QStringLiteral("garbage-rate"),
        QStringLiteral("Fault: chance (0-1) of stray bytes before a Frame."), QStringLiteral("R"));
    const QCommandLineOption dropRate(QStringLiteral("drop-rate"),
                                      QStringLiteral("Fault: chance (0-1) of dropping a reply."),
                                      QStringLiteral("R"));
    const QCommandLineOption silentAfter(
        QStringLiteral("silent-after"),
        QStringLiteral("Fault: stop announcing and answering after SECONDS."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption disconnectAfter(
        QStringLiteral("disconnect-after"),
        QStringLiteral("Fault: close each connection SECONDS after it opened."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the fault injection (default random)."),
                                  QStringLiteral("N"));
    const QCommandLineOption firmwareFail(
        QStringLiteral("firmware-fail"),
        QStringLiteral("Fault: refuse (close the connection) or stall (stop acknowledging) a "
                       "firmware upgrade; @N only on the N-th processor of --count, from 0."),
        QStringLiteral("refuse|stall[@N]"));
    p.addOptions({help, address, machineId, model, password, lockPassword, announce, commandPort,
                  generation, variant, count, fault, verbose, split, garbageRate, dropRate,
                  silentAfter, disconnectAfter, seed});
    p.addOption(firmwareFail);
    const QCommandLineOption replyDelay(
        QStringLiteral("reply-delay"),
        QStringLiteral("Send every reply MS milliseconds late, as a processor across a network."),
        QStringLiteral("MS"));
    p.addOption(replyDelay);
    const QCommandLineOption importAck(
        QStringLiteral("import-ack"),
        QStringLiteral("Fault: acknowledge (and keep) at most BYTES of each single-preset "
                       "import chunk, as a processor with a smaller buffer."),
        QStringLiteral("BYTES"));
    p.addOption(importAck);

    ParseResult result;
    const auto fail = [&result](const QString &message) {
        result.text = message;
        return result;
    };
    if (!p.parse(arguments))
        return fail(p.errorText());
    if (p.isSet(help)) {
        result.help = true;
        result.text = p.helpText();
        return result;
    }
    if (!p.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first()));

    SimOptions o;
    if (p.isSet(address)) {
        o.address = QHostAddress(p.value(address));
        if (!isLoopbackV4(o.address))
            return fail(QStringLiteral("--address must be an IPv4 loopback address (127.x.x.x)"));
    }
    if (p.isSet(machineId)) {
        const auto v = intValue(p.value(machineId), 1, 0xFFFFFFFFLL);
        if (!v)
            return fail(QStringLiteral("--machine-id must be a number from 1 to 4294967295"));
        o.machineId = quint32(*v);
    }
    if (p.isSet(model)) {
        o.model = p.value(model);
        bool printable = !o.model.isEmpty() && o.model.size() <= 19;
        for (const QChar c : o.model)
            printable = printable && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        if (!printable)
            return fail(QStringLiteral("--model must have 1 to 19 printable ASCII characters"));
    }
    const auto latin1Password = [&](const QCommandLineOption &opt, QByteArray &out) {
        const QString text = p.value(opt);
        for (const QChar c : text) {
            if (c.unicode() > 0xFF)
                return false;
        }
        out = text.toLatin1();
        return !out.isEmpty() && out.size() <= 8;
    };
    if (p.isSet(password) && !latin1Password(password, o.password))
        return fail(QStringLiteral("--password must have 1 to 8 Latin-1 characters"));
    if (p.isSet(lockPassword) && !latin1Password(lockPassword, o.lockPassword))
        return fail(QStringLiteral("--lock-password must have 1 to 8 Latin-1 characters"));
    if (p.isSet(announce)) {
        const QString text = p.value(announce);
        const int colon = text.lastIndexOf(QLatin1Char(':'));
        const auto port = colon > 0 ? intValue(text.mid(colon + 1), 1, 65535) : std::nullopt;
        o.announceHost = QHostAddress(text.left(colon));
        if (!port || !isLoopbackV4(o.announceHost))
            return fail(QStringLiteral("--announce must be a loopback HOST:PORT"));
        o.announcePort = quint16(*port);
    }
    if (p.isSet(commandPort)) {
        const auto v = intValue(p.value(commandPort), 0, 65535);
        if (!v)
            return fail(QStringLiteral("--command-port must be a port from 0 to 65535"));
        o.commandPort = quint16(*v);
    }
    if (p.isSet(generation)) {
        const auto v = intValue(p.value(generation), 1, 2);
        if (!v)
            return fail(QStringLiteral("--generation must be 1 or 2"));
        o.generation = int(*v);
    }
    if (p.isSet(variant)) {
        const QString v = p.value(variant);
        if (v != QLatin1String("48") && v != QLatin1String("96"))
            return fail(QStringLiteral("--variant must be 48 or 96"));
        o.variant = v.toInt();
    }
    if (p.isSet(count)) {
        const auto v = intValue(p.value(count), 1, 64);
        if (!v)
            return fail(QStringLiteral("--count must be from 1 to 64"));
        o.count = int(*v);
    }
    if (p.isSet(fault)) {
        const auto v = intValue(p.value(fault), 0, 255);
        if (!v)
            return fail(QStringLiteral("--fault must be from 0 to 255"));
        o.fault = quint8(*v);
    }
    o.verbose = p.isSet(verbose);
    o.split = p.isSet(split);
    for (auto [opt, out] : {std::pair{&garbageRate, &o.garbageRate}, {&dropRate, &o.dropRate}}) {
        if (!p.isSet(*opt))
            continue;
        const auto v = rateValue(p.value(*opt));
        if (!v)
            return fail(
                QStringLiteral("--%1 must be a number from 0 to 1").arg(opt->names().first()));
        *out = *v;
    }
    for (auto [opt, out] :
         {std::pair{&silentAfter, &o.silentAfter}, {&disconnectAfter, &o.disconnectAfter}}) {
        if (!p.isSet(*opt))
            continue;
        const auto v = intValue(p.value(*opt), 0, 1000000);
        if (!v)
            return fail(
                QStringLiteral("--%1 must be a number of seconds").arg(opt->names().first()));
        *out = int(*v);
    }
    if (p.isSet(seed)) {
        const auto v = intValue(p.value(seed), 0, 0xFFFFFFFFLL);
        if (!v)
            return fail(QStringLiteral("--seed must be a number"));
        o.seed = quint32(*v);
    }
    if (p.isSet(replyDelay)) {
        const auto v = intValue(p.value(replyDelay), 0, 10000);
        if (!v)
            return fail(QStringLiteral("--reply-delay must be from 0 to 10000 ms"));
        o.replyDelayMs = int(*v);
    }
    if (p.isSet(importAck)) {
        const auto v = intValue(p.value(importAck), 1, 1024);
        if (!v)
            return fail(QStringLiteral("--import-ack must be from 1 to 1024 bytes"));
        o.importAck = int(*v);
    }
    if (p.isSet(firmwareFail)) {
        const QStringList parts = p.value(firmwareFail).split(QLatin1Char('@'));
        const QString mode = parts.first();
        o.firmwareFail = mode == QLatin1String("refuse")  ? 1
                         : mode == QLatin1String("stall") ? 2
                                                          : 0;
        std::optional<qint64> index = -1;
        if (parts.size() == 2)
            index = intValue(parts.at(1), 0, 63);
        if (o.firmwareFail == 0 || parts.size() > 2 || !index)
            return fail(QStringLiteral("--firmware-fail must be refuse or stall, with an optional "
                                       "@N (processor index from 0)"));
        o.firmwareFailIndex = int(*index);
    }
    // Every processor of --count must stay on a loopback address.
    const QHostAddress last = o.addressOf(o.count - 1);
    if (!isLoopbackV4(last) || (last.toIPv4Address() & 0xFF) == 0xFF)
        return fail(QStringLiteral("--count leaves the loopback range"));
    result.options = o;
    return result;
}

} // namespace sim
