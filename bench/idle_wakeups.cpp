// Counts how often the program wakes while it sits idle, connected and logged in to a
// processor: the main window as a user has it, one tab shown, nothing touched. Every
// context switch of every thread of the process counts as a wakeup.
//
//   idle_wakeups --announce-port PORT [--password TEXT] [--seconds N] [--tab N]
//                [--no-processor] [--events]
//
// --no-processor: the window alone, no processor selected (nothing needs to announce).
// --events: also lists the main thread's most frequent events by type and receiver, to find
//           what wakes it.
//
// scripts/measure-wakeups.sh starts a simulator and runs it. Run it in a working folder laid
// out like build/run (translations/, image/).

#include "app/demosession.h"
#include "app/displaysetup.h"
#include "app/mainwindow.h"
#include "app/stylesheet.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMetaEnum>
#include <QMap>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Voluntary and involuntary context switches of all threads of this process.
struct Switches {
    qint64 voluntary = 0;
    qint64 involuntary = 0;
    int threads = 0;
    QMap<QString, qint64> perThread; // voluntary, by thread name and id
};

Switches readSwitches()
{
    Switches s;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        ++s.threads;
        QString name;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Name:"))
                name = QString::fromUtf8(line.mid(5).trimmed()) + QLatin1Char('/') + tid;
            if (line.startsWith("voluntary_ctxt_switches:")) {
                const qint64 n = line.mid(24).trimmed().toLongLong();
                s.voluntary += n;
                s.perThread[name] = n;
            } else if (line.startsWith("nonvoluntary_ctxt_switches:"))
                s.involuntary += line.mid(27).trimmed().toLongLong();
        }
    }
    return s;
}

// Counts the events the main thread delivers, by type and receiving class.
class EventCounter : public QObject
{
public:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const char *type = QMetaEnum::fromType<QEvent::Type>().valueToKey(int(event->type()));
        QString key = QString::fromLatin1(type ? type : "?") + QLatin1Char(' ') +
                      QString::fromLatin1(receiver->metaObject()->className());
        if (!receiver->objectName().isEmpty())
            key += QLatin1Char(' ') + receiver->objectName();
        if (const auto *timer = qobject_cast<const QTimer *>(receiver))
            key += QStringLiteral(" %1 ms").arg(timer->interval());
        if (receiver->parent()) // a timer is told apart by its owner
            key += QStringLiteral(" in ") +
                   QString::fromLatin1(receiver->parent()->metaObject()->className());
        ++m_counts[key];
        return false;
    }
    void print(double seconds) const
    {
        QList<std::pair<qint64, QString>> sorted;
        for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
            sorted.append({it.value(), it.key()});
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        std::printf("main-thread events per second (event type, receiver):\n");
        for (qsizetype i = 0; i < std::min<qsizetype>(15, sorted.size()); ++i)
            std::printf("  %7.1f  %s\n", double(sorted[i].first) / seconds,
                        qPrintable(sorted[i].second));
    }

private:
    QHash<QString, qint64> m_counts;
};

// CPU time of the whole process so far, user and system, in seconds.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "idle_wakeups: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    displaysetup::prepare(); // as the program does
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption portOption("announce-port", "Announcement port.", "PORT");
    const QCommandLineOption passwordOption("password", "Login password.", "TEXT");
    const QCommandLineOption secondsOption("seconds", "Idle time measured.", "N", "10");
    const QCommandLineOption tabOption("tab", "Tab to show (0-14).", "N", "0");
    const QCommandLineOption noneOption("no-processor", "No processor connected.");
    const QCommandLineOption eventsOption("events", "List the most frequent events.");
    parser.addOptions(
        {portOption, passwordOption, secondsOption, tabOption, noneOption, eventsOption});
    parser.process(app);
    if (!parser.isSet(portOption))
        return fail("--announce-port is required");

    applyStyleSheet(app);
    demo::SessionOptions session;
    session.announcePort = quint16(parser.value(portOption).toUInt());
    session.password = parser.value(passwordOption);
    session.tab = parser.value(tabOption).toInt();
    QString error;
    std::unique_ptr<mainWindow> window;
    if (parser.isSet(noneOption)) {
        MainWindowOptions options;
        options.devices.announcePort = session.announcePort;
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.devices.commandPort = 9;
        window = std::make_unique<mainWindow>(options);
        window->show();
    } else {
        window = demo::openSession(session, &error);
    }
    if (!window)
        return fail(error);
    const int tab = session.tab;
    demo::waitFor([] { return false; }, 1000); // connection and first polls settle

    const int seconds = std::max(1, parser.value(secondsOption).toInt());
    EventCounter events;
    if (parser.isSet(eventsOption))
        app.installEventFilter(&events);
    const Switches before = readSwitches();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(seconds * 1000, &app, [&] {
        app.removeEventFilter(&events); // closing the window is not idle
        app.quit();
    });
    app.exec();
    const double elapsed = double(clock.elapsed()) / 1000.0;
    const Switches after = readSwitches();
    const qint64 total =
        (after.voluntary - before.voluntary) + (after.involuntary - before.involuntary);
    const qint64 voluntary = after.voluntary - before.voluntary;
    // A voluntary switch is a thread going to sleep until something wakes it: one wakeup.
    // Involuntary ones are preemptions by other programs and depend on the machine's load.
    std::printf("idle %.1f s on tab %d: %.1f wakeups per second (%lld voluntary context "
                "switches in %d threads; %lld involuntary, %.1f per second with them)\n",
                elapsed, tab, double(voluntary) / elapsed, voluntary, after.threads,
                after.involuntary - before.involuntary, double(total) / elapsed);
    std::printf("  CPU %.2f%% of one core\n", 100.0 * (cpuSeconds() - cpuBefore) / elapsed);
    for (auto it = after.perThread.cbegin(); it != after.perThread.cend(); ++it) {
        std::printf("  %-24s %.1f per second\n", qPrintable(it.key()),
                    double(it.value() - before.perThread.value(it.key())) / elapsed);
    }
    if (parser.isSet(eventsOption))
        events.print(elapsed);
    return 0;
}
