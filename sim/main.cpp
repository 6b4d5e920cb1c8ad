// dapsim: simulated audio processors on loopback addresses for the control program.
#include "commandport.h"
#include "options.h"
#include "processor.h"
#include "simlog.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dapsim"));

    const sim::ParseResult parsed = sim::parseOptions(QCoreApplication::arguments());
    if (parsed.help) {
        std::fputs(qPrintable(parsed.text), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "dapsim: %s\n(see dapsim --help)\n", qPrintable(parsed.text));
        return 2;
    }
    const sim::SimOptions &o = *parsed.options;
    if (o.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("dap.sim.info=true"));

    QRandomGenerator random =
        o.seed ? QRandomGenerator(o.seed) : QRandomGenerator::securelySeeded();
    QList<sim::Processor *> processors;
    for (int n = 0; n < o.count; ++n) {
        sim::ProcessorConfig c;
        c.device.machineId = o.machineIdOf(n);
        c.device.address = o.addressOf(n).toIPv4Address();
        c.device.model = o.model.toLatin1();
        c.device.serial =
            QByteArray("SIM") + QByteArray::number(c.device.machineId).rightJustified(8, '0');
        c.device.password = o.password;
        c.device.lockPassword = o.lockPassword;
        c.device.generation = o.generation;
        c.device.variant = o.effectiveVariant();
        c.device.fault = o.fault;
        c.device.firmwareFail = o.firmwareFailOf(n);
        c.device.importAck = o.importAck;
        c.faults.verbose = o.verbose;
        c.faults.split = o.split;
        c.faults.garbageRate = o.garbageRate;
        c.faults.dropRate = o.dropRate;
        c.faults.disconnectAfter = o.disconnectAfter;
        c.faults.replyDelayMs = o.replyDelayMs;
        c.announceHost = o.announceHost;
        c.announcePort = o.announcePort;
        c.silentAfter = o.silentAfter;
        processors.append(new sim::Processor(c, &random, &app));
    }

    sim::CommandPort commands(processors);
    if (!commands.bind(o.commandPort))
        std::fprintf(stderr, "dapsim: UDP command port %u not available; commands are off\n",
                     unsigned(o.commandPort));
    for (sim::Processor *p : std::as_const(processors)) {
        QString error;
        if (!p->start(&error)) {
            std::fprintf(stderr, "dapsim: %s\n", qPrintable(error));
            return 1;
        }
    }
    return app.exec();
}
