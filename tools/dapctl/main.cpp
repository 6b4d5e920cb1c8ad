// dapctl: the command line for many processors, on the program's protocol and device code.
#include "blockfields.h"
#include "commands.h"
#include "ctlcontext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>

namespace {

const char kHelp[] = R"(Usage: dapctl [options] COMMAND [arguments]

Commands:
  list                               processors heard on the network and stored in device.db
  info ADDR                          what the settings page shows of one processor
  get ADDR BLOCK [CHANNEL]           values of one channel, or of every channel of the block
  set ADDR BLOCK CHANNEL FIELD VALUE sets one value and prints what the processor then holds
  describe                           every block and field: units, ranges, values
  preset ADDR list|recall N|store N [NAME]
                                     the 32 preset slots: list, recall one, store into one
  backup ADDR... DIR | --all DIR     all presets (presets.pst) and settings (settings.json) into
                                     DIR/<machine id>/, several processors at once
  restore ADDR... DIR | --all DIR    puts DIR/<machine id>/ back: presets, location,
                                     description, labels, panel lock (never the network)
  firmware --arm FILE|--dsp FILE ADDR...|--all
                                     upgrades one processor after the other; a log lets a rerun
                                     skip the processors already done with the same image
  set-ip ADDR NEWADDR MASK [GATEWAY] new network settings, checked as the IP dialog checks them

Blocks and fields (BLOCK CHANNEL FIELD: channels count from 1, "-" for a block-wide
field, marked (-); * only reported; dapctl describe gives units, ranges and values):
)";

const char kHelpTail[] = R"(

  second-generation processors: no in-delay; out-delay up to 218 ms (outputs 1-4) and
  148 ms (5-8). Lock states (security) need --lock-password: dapctl opens the security
  page with it, changes the state and leaves the page, as the security page does.

Options:
  --json             JSON on stdout (list, info, get, set, set-ip and the summaries);
                     progress lines then go to stderr
  --all              every processor that announces itself within --wait
  --wait S           seconds to listen for announcements (default 3)
  --timeout S        seconds to wait for one answer of a processor (default 10)
  --jobs N           processors handled at once by backup and restore (default 32)
  --password TEXT    login password (else DAPCTL_PASSWORD, else a prompt without echo)
  --lock-password TEXT  security lock password for lock states (else DAPCTL_LOCK_PASSWORD)
  --db FILE          the device list (default: device.db here if there is one, else the
                     program's ~/.local/share/dapcontrol/device.db)
  --log FILE         firmware log (default dapctl-firmware.log in the current folder)
  --force            firmware: upgrade also the processors the log has as done
  --announce-port N  UDP port of the announcements (default 6696)
  --command-to HOST:PORT  where UDP commands go (default 255.255.255.255:6001)
  --port N           TCP port of the processors (default 2699)
  -h, --help         this help

Exit codes:
  0  done
  1  the command ran and failed for at least one processor (details on stderr)
  2  bad usage or input (unknown block, channel out of range, not a number, bad file,
     bad address); nothing was sent
  3  no processor reached, or the login was refused

Examples:
  dapctl list --wait 5
  dapctl get 192.168.1.20 out-level
  dapctl set 192.168.1.20 in-level 2 gain -6.5
  dapctl set 192.168.1.20 mixer 3 gain1 -10
  dapctl set 192.168.1.20 in-filter 1 band3.frequency 250
  dapctl set 192.168.1.20 generator - waveform sine
  dapctl set 192.168.1.20 security 2 in-level read-only --lock-password 5678
  dapctl preset 192.168.1.20 recall 4
  DAPCTL_PASSWORD=1234 dapctl backup --all show-2026-05-01
  dapctl firmware --arm dap-2.1.sbin --all
)";

struct Parsed {
    ctl::CtlOptions options;
    QString command;
    QStringList args;
    QString armImage;
    QString dspImage;
    bool help = false;
    QString error;
};

std::optional<int> number(const QString &text, int lo, int hi)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= lo && v <= hi ? std::optional<int>(v) : std::nullopt;
}

std::optional<double> seconds(const QString &text, double lo, double hi)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) && v >= lo && v <= hi ? std::optional<double>(v) : std::nullopt;
}

QString defaultDatabase()
{
    if (QFile::exists(QStringLiteral("device.db")))
        return QStringLiteral("device.db");
    const QString home = QDir::homePath() + QStringLiteral("/.local/share/dapcontrol");
    return QDir(home).exists() ? home + QStringLiteral("/device.db") : QString();
}

Parsed parse(const QStringList &arguments)
{
    Parsed p;
    ctl::CtlOptions &o = p.options;
    bool dbSet = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString a = arguments.at(i);
        // Negative numbers are values, not options.
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-") ||
            (a.size() > 1 && (a.at(1).isDigit() || a.at(1) == QLatin1Char('.')))) {
            if (p.command.isEmpty())
                p.command = a;
            else
                p.args << a;
            continue;
        }
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            p.help = true;
            continue;
        }
        if (a == QLatin1String("--json")) {
            o.json = true;
            continue;
        }
        if (a == QLatin1String("--all")) {
            o.all = true;
            continue;
        }
        if (a == QLatin1String("--force")) {
            o.force = true;
            continue;
        }
        const QStringList withValue = {
            "--wait", "--timeout", "--jobs", "--password", "--lock-password", "--db",
            "--log",  "--arm",     "--dsp",  "--port",     "--announce-port", "--command-to"};
        if (!withValue.contains(a)) {
            p.error = QStringLiteral("unknown option %1").arg(a);
            return p;
        }
        if (i + 1 >= arguments.size()) {
            p.error = QStringLiteral("%1 needs a value").arg(a);
            return p;
        }
        const QString v = arguments.at(++i);
        const auto bad = [&](const char *what) {
            p.error = QStringLiteral("%1 must be %2, not \"%3\"").arg(a, QLatin1String(what), v);
        };
        if (a == QLatin1String("--wait")) {
            const auto s = seconds(v, 0, 3600);
            s ? void(o.waitMs = int(*s * 1000)) : bad("a number of seconds");
        } else if (a == QLatin1String("--timeout")) {
            const auto s = seconds(v, 0.1, 3600);
            s ? void(o.timeoutMs = int(*s * 1000)) : bad("a number of seconds");
        } else if (a == QLatin1String("--jobs")) {
            const auto n = number(v, 1, 64);
            n ? void(o.jobs = *n) : bad("from 1 to 64");
        } else if (a == QLatin1String("--password")) {
            QString error;
            o.password = ctl::checkedPassword(v, &error);
            if (!o.password)
                p.error = QStringLiteral("--password: %1").arg(error);
        } else if (a == QLatin1String("--lock-password")) {
            QString error;
            o.lockPassword = ctl::checkedPassword(v, &error);
            if (!o.lockPassword)
                p.error = QStringLiteral("--lock-password: %1").arg(error);
        } else if (a == QLatin1String("--db")) {
            o.dbPath = v;
            dbSet = true;
        } else if (a == QLatin1String("--log")) {
            o.logPath = v;
        } else if (a == QLatin1String("--arm")) {
            p.armImage = v;
        } else if (a == QLatin1String("--dsp")) {
            p.dspImage = v;
        } else if (a == QLatin1String("--port") || a == QLatin1String("--announce-port")) {
            const auto n = number(v, 1, 65535);
            if (!n)
                bad("a port from 1 to 65535");
            else
                (a == QLatin1String("--port") ? o.tcpPort : o.announcePort) = quint16(*n);
        } else if (a == QLatin1String("--command-to")) {
            const int colon = v.lastIndexOf(QLatin1Char(':'));
            const auto port = colon > 0 ? number(v.mid(colon + 1), 1, 65535) : std::nullopt;
            const QHostAddress host(v.left(colon));
            if (!port || host.protocol() != QAbstractSocket::IPv4Protocol)
                bad("HOST:PORT");
            else
                o.commandAddress = host, o.commandPort = quint16(*port);
        }
        if (!p.error.isEmpty())
            return p;
    }
    if (!o.password && qEnvironmentVariableIsSet("DAPCTL_PASSWORD")) {
        QString error;
        o.password = ctl::checkedPassword(qEnvironmentVariable("DAPCTL_PASSWORD"), &error);
        if (!o.password)
            p.error = QStringLiteral("DAPCTL_PASSWORD: %1").arg(error);
    }
    if (!o.lockPassword && qEnvironmentVariableIsSet("DAPCTL_LOCK_PASSWORD")) {
        QString error;
        o.lockPassword = ctl::checkedPassword(qEnvironmentVariable("DAPCTL_LOCK_PASSWORD"), &error);
        if (!o.lockPassword)
            p.error = QStringLiteral("DAPCTL_LOCK_PASSWORD: %1").arg(error);
    }
    if (!dbSet)
        o.dbPath = defaultDatabase();
    return p;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dapctl"));
    const Parsed p = parse(QCoreApplication::arguments());
    if (p.help) {
        std::fputs(kHelp, stdout);
        std::fputs(qPrintable(ctl::helpBlocks()), stdout);
        std::fputs(kHelpTail, stdout);
        return ctl::ExitOk;
    }
    const auto usage = [](const QString &text) {
        std::fprintf(stderr, "dapctl: %s\n(see dapctl --help)\n", qPrintable(text));
        return int(ctl::ExitUsage);
    };
    if (!p.error.isEmpty())
        return usage(p.error);
    if (p.command.isEmpty())
        return usage(QStringLiteral("no command given"));
    const bool firmware = p.command == QLatin1String("firmware");
    if (!firmware && (!p.armImage.isEmpty() || !p.dspImage.isEmpty()))
        return usage(QStringLiteral("--arm and --dsp belong to the firmware command"));
    const QStringList takesAll = {"backup", "restore", "firmware"};
    if (p.options.all && !takesAll.contains(p.command))
        return usage(QStringLiteral("--all belongs to backup, restore and firmware"));

    ctl::CtlContext ctx(p.options);
    using Run = int (*)(ctl::CtlContext &, const QStringList &);
    const std::pair<const char *, Run> commands[] = {
        {"list", ctl::runList},       {"info", ctl::runInfo},         {"get", ctl::runGet},
        {"set", ctl::runSet},         {"set-ip", ctl::runSetIp},      {"backup", ctl::runBackup},
        {"restore", ctl::runRestore}, {"describe", ctl::runDescribe}, {"preset", ctl::runPreset},
    };
    for (const auto &[name, run] : commands) {
        if (p.command == QLatin1String(name))
            return run(ctx, p.args);
    }
    if (firmware) {
        if (p.armImage.isEmpty() == p.dspImage.isEmpty())
            return usage(QStringLiteral("firmware takes one of --arm FILE and --dsp FILE"));
        const bool arm = !p.armImage.isEmpty();
        return ctl::runFirmware(ctx, p.args, arm ? 1 : 2, arm ? p.armImage : p.dspImage);
    }
    return usage(QStringLiteral("unknown command \"%1\"").arg(p.command));
}
