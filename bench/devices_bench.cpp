// The device table and list at venue scale, against the real main window (offscreen):
//   bench_devices announce   1000 processors announcing over loopback: time until all are
//                            listed, kernel drops, memory per processor, and the longest
//                            event-loop stall when all fall silent and when all come back
//   bench_devices flood      20,000 random machine ids: longest stall, memory, the bound
//   bench_devices startup    start-up with 1000 rows in device.db against an empty one
//   bench_devices switch     processor switch: new address shown after the login report
//                            (needs dapsim beside this program)
//   bench_devices lowdelay   gap between two small writes on loopback, with and without
//                            the low-delay option
// Announcements go to 127.0.0.1 on the table's own port; nothing is broadcast.
#include "app/mainwindow.h"
#include "app/overview.h"
#include "app/session.h"
#include "devices/devicelist.h"
#include "devices/deviceitem.h"
#include "protocol/transport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

QByteArray announcement(quint32 id)
{
    QByteArray b(140, '\0');
    qToLittleEndian(id, b.data());
    qToLittleEndian(quint32(0x0A000000 + (id & 0xFFFF)), b.data() + 4);
    std::memcpy(b.data() + 37, "DAP-48", 6);
    std::memcpy(b.data() + 57, "1.0.0", 5);
    return b;
}

long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

long udpReceiveErrors()
{
    QFile f(QStringLiteral("/proc/net/snmp"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("Udp:") || !lines[i + 1].startsWith("Udp:"))
            continue;
        const QList<QByteArray> names = lines[i].simplified().split(' ');
        const QList<QByteArray> values = lines[i + 1].simplified().split(' ');
        const int at = int(names.indexOf("RcvbufErrors"));
        return at >= 0 && at < values.size() ? values[at].toLong() : -1;
    }
    return -1;
}

// Ticks every millisecond and remembers the longest gap: the longest time the event loop
// was busy with something else.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_worst = std::max(m_worst, m_since.restart());
        });
    }
    void start()
    {
        m_worst = 0;
        m_since.start();
        m_timer.start();
    }
    qint64 worst() const { return m_worst; }
    void reset()
    {
        m_worst = 0;
        m_since.restart();
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_worst = 0;
};

// Sends from its own thread, so the window's thread only receives.
class Announcer : public QThread {
public:
    Announcer(quint16 port, std::function<quint32(int)> id, int count, int perSecond,
              int rounds)
        : m_port(port), m_id(std::move(id)), m_count(count), m_perSecond(perSecond),
          m_rounds(rounds)
    {
    }
    std::atomic<int> sent{0};

protected:
    void run() override
    {
        QUdpSocket socket;
        QElapsedTimer clock;
        clock.start();
        qint64 n = 0;
        for (int round = 0; round < m_rounds; ++round) {
            for (int i = 0; i < m_count; ++i, ++n) {
                // Evenly spread: datagram n leaves at n / rate seconds.
                const qint64 due = n * 1000000 / m_perSecond;
                while (clock.nsecsElapsed() / 1000 < due)
                    QThread::usleep(200);
                socket.writeDatagram(announcement(m_id(i)), kLoopback, m_port);
                ++sent;
            }
        }
    }

private:
    quint16 m_port;
    std::function<quint32(int)> m_id;
    int m_count, m_perSecond, m_rounds;
};

MainWindowOptions benchOptions()
{
    MainWindowOptions options;
    options.devices.announcePort = 0;
    options.devices.commandAddress = kLoopback;
    options.devices.commandPort = 9;
    return options;
}

template <typename Pred> bool waitUntil(Pred done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int announceBench()
{
    constexpr int kCount = 1000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    mainWindow window(benchOptions());
    window.show();
    waitUntil([] { return false; }, 300);
    const long rssEmpty = rssKb();
    StallProbe probe;
    probe.start();
    const long dropsBefore = udpReceiveErrors();
    QDevTable *table = window.devTable();
    Announcer first(table->announcePort(), [](int i) { return quint32(50000 + i); }, kCount,
                    kCount, 1);
    QElapsedTimer t;
    t.start();
    first.start();
    const bool all = waitUntil([&] { return table->deviceCount() == kCount; }, 20000);
    const qint64 listed = t.elapsed();
    first.wait();
    const qint64 fillStall = probe.worst();
    waitUntil([] { return false; }, 300);
    const long drops = udpReceiveErrors() - dropsBefore;
    const long rssFull = rssKb();

    // All silent at once: every one is lost on the same sweep.
    probe.reset();
    const bool lost = waitUntil(
        [&] {
            for (int i = 0; i < table->deviceCount(); ++i)
                if (table->deviceFound(i))
                    return false;
            return true;
        },
        8000);
    const qint64 lossStall = probe.worst();
    // All back within a tenth of a second.
    probe.reset();
    Announcer back(table->announcePort(), [](int i) { return quint32(50000 + i); }, kCount,
                   kCount * 10, 1);
    back.start();
    const bool found = waitUntil(
        [&] {
            for (int i = 0; i < table->deviceCount(); ++i)
                if (!table->deviceFound(i))
                    return false;
            return true;
        },
        8000);
    back.wait();
    const qint64 returnStall = probe.worst();

    std::printf("announce: %d processors at %d/s\n", kCount, kCount);
    std::printf("  all listed: %s in %lld ms (first announcements took 1000 ms to send)\n",
                all ? "yes" : "NO", qint64(listed));
    std::printf("  kernel receive-buffer drops while filling: %ld\n", drops);
    std::printf("  longest stall while filling: %lld ms\n", qint64(fillStall));
    std::printf("  RSS empty %ld KB, with %d: %ld KB, per processor %.1f KB\n", rssEmpty, kCount,
                rssFull, double(rssFull - rssEmpty) / kCount);
    std::printf("  all lost: %s, longest stall %lld ms\n", lost ? "yes" : "NO",
                qint64(lossStall));
    std::printf("  all back: %s, longest stall %lld ms\n", found ? "yes" : "NO",
                qint64(returnStall));
    return all && lost && found ? 0 : 1;
}

int floodBench(int perSecond)
{
    constexpr int kIds = 20000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    mainWindow window(benchOptions());
    window.show();
    waitUntil([] { return false; }, 300);
    const long rssBefore = rssKb();
    StallProbe probe;
    probe.start();
    std::vector<quint32> ids(kIds);
    for (quint32 &id : ids)
        id = QRandomGenerator::global()->generate();
    Announcer flood(window.devTable()->announcePort(), [&ids](int i) { return ids[size_t(i)]; },
                    kIds, perSecond, 1);
    long rssPeak = rssBefore;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { rssPeak = std::max(rssPeak, rssKb()); });
    sampler.start(50);
    flood.start();
    waitUntil([&] { return flood.isFinished(); }, 120000);
    waitUntil([] { return false; }, 1000);
    const qint64 stall = probe.worst();
    const long rssAfter = rssKb();
    QSqlQuery rows(QSqlDatabase::database());
    rows.exec(QStringLiteral("select count(*) from devicetable"));
    rows.next();
    std::printf("flood: %d random ids at %d/s\n", kIds, perSecond);
    std::printf("  processors kept: %d (rows in device.db: %d), note shown: %s\n",
                window.devTable()->deviceCount(), rows.value(0).toInt(),
                window.devTable()->limitMessage() ? "yes" : "no");
    std::printf("  longest stall: %lld ms\n", qint64(stall));
    std::printf("  RSS before %ld KB, peak %ld KB, after %ld KB\n", rssBefore, rssPeak,
                rssAfter);
    return 0;
}

void writeDatabase(const QString &path, int rows)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench-fill");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral(
            "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
            "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
            "DSPFirmware varchar(20),location varchar(20),description varchar(20),"
            "sn varchar(20))"));
        db.transaction();
        q.prepare(QStringLiteral("insert into devicetable values (NULL,?,?,?,?,?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            q.addBindValue(70000 + i);
            q.addBindValue(0x0A000000 + i);
            q.addBindValue(QStringLiteral("DAP-48"));
            q.addBindValue(QStringLiteral("1.0.0"));
            q.addBindValue(QStringLiteral("2.0.0"));
            q.addBindValue(QStringLiteral("Hall %1").arg(i));
            q.addBindValue(QStringLiteral("Rack %1").arg(i));
            q.addBindValue(QStringLiteral("SN%1").arg(i));
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase("bench-fill");
}

// Construction, show and the first paint of the window.
qint64 startOnce(const QString &folder)
{
    QDir::setCurrent(folder);
    QElapsedTimer t;
    t.start();
    auto window = std::make_unique<mainWindow>(benchOptions());
    window->show();
    QCoreApplication::processEvents();
    window->grab(); // the first paint, whole
    const qint64 ns = t.nsecsElapsed();
    window.reset();
    QCoreApplication::processEvents();
    return ns;
}

int startupBench()
{
    QTemporaryDir empty, full;
    writeDatabase(full.filePath(QStringLiteral("device.db")), 1000);
    startOnce(empty.path()); // warm caches, fonts and the style
    std::vector<qint64> a, b;
    for (int i = 0; i < 7; ++i) {
        QFile::remove(empty.filePath(QStringLiteral("device.db")));
        a.push_back(startOnce(empty.path()));
        b.push_back(startOnce(full.path()));
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    const double emptyMs = double(a[a.size() / 2]) / 1e6, fullMs = double(b[b.size() / 2]) / 1e6;
    std::printf("startup (median of 7, to the first paint): empty %.1f ms, 1000 rows %.1f ms, "
                "ratio %.2f\n",
                emptyMs, fullMs, fullMs / emptyMs);
    return 0;
}

bool overviewShows(QOverView *overview, const QString &text)
{
    for (const QLabel *label : overview->findChildren<QLabel *>())
        if (label->text() == text)
            return true;
    return false;
}

int switchBench()
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    MainWindowOptions options = benchOptions();
    mainWindow window(options);
    window.show();
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dapsim"),
              {"--address", "127.0.0.60", "--count", "2", "--announce",
               QStringLiteral("127.0.0.1:%1").arg(window.devTable()->announcePort())});
    if (!sim.waitForStarted(5000)) {
        std::printf("switch: dapsim not found beside this program\n");
        return 1;
    }
    QDevTable *table = window.devTable();
    if (!waitUntil([&] { return table->deviceCount() == 2; }, 5000))
        return 1;
    // From the moment the login report has been handled to the new address on screen.
    QElapsedTimer sinceLogin;
    std::vector<qint64> afterLogin;
    for (int round = 0; round < 10; ++round) {
        const int row = round % 2;
        const QString address = QHostAddress(table->deviceAddress(row)).toString();
        QDeviceItem *tile = window.deviceList()->item(row);
        session::setLoggedIn(false);
        // Close the link so each switch has a connection and a login report to wait for.
        if (QTcpSocket *s = table->existingSocket(row))
            s->abort();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), tile->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tile, &press);
        if (!waitUntil([] { return session::loggedIn(); }, 5000))
            return 1;
        sinceLogin.start();
        if (!waitUntil([&] { return overviewShows(window.overView(), address); }, 5000))
            return 1;
        afterLogin.push_back(sinceLogin.nsecsElapsed() / 1000);
    }
    sim.kill();
    sim.waitForFinished();
    std::sort(afterLogin.begin(), afterLogin.end());
    std::printf("switch: new address shown %.1f ms (median of 10; worst %.1f ms) after the login "
                "report\n",
                double(afterLogin[afterLogin.size() / 2]) / 1000, double(afterLogin.back()) / 1000);
    return 0;
}

// A request, then another 1 ms later, to a peer that answers each after answerMs the way a
// processor does: the time until the second request has arrived. Without the low-delay
// option the second waits for the first one's acknowledgement, which the peer holds back to
// send it with its answer (or until its delayed-acknowledgement timer runs out).
double secondWriteGapMs(bool lowDelay, int answerMs)
{
    QTcpServer server;
    server.listen(kLoopback, 0);
    QTcpSocket client;
    client.connectToHost(kLoopback, server.serverPort());
    client.waitForConnected(3000);
    if (lowDelay) // only takes on a connected socket
        client.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    server.waitForNewConnection(3000);
    QTcpSocket *peer = server.nextPendingConnection();
    qint64 received = 0;
    QObject::connect(peer, &QIODevice::readyRead, [&] {
        received += peer->readAll().size();
        QTimer::singleShot(answerMs, peer, [peer] { peer->write(QByteArray(12, 'r')); });
    });
    QObject::connect(&client, &QIODevice::readyRead, [&] { client.readAll(); });
    std::vector<double> gaps;
    const QByteArray request("\x82\x7D\x01\x00\x02\x02\x01\x00\x00\x00\x7D\x82", 12);
    for (int i = 0; i < 25; ++i) {
        const qint64 before = received;
        QElapsedTimer t;
        t.start();
        client.write(request);
        client.flush();
        waitUntil([&] { return t.elapsed() >= 1; }, 10);
        client.write(request);
        client.flush();
        waitUntil([&] { return received >= before + 24; }, 1000);
        if (i >= 5) // the first exchanges run before the stack settles on delayed acks
            gaps.push_back(double(t.nsecsElapsed()) / 1e6);
        waitUntil([] { return false; }, 20 + answerMs);
    }
    std::sort(gaps.begin(), gaps.end());
    return gaps[gaps.size() / 2];
}

int lowDelayBench()
{
    for (int answerMs : {5, 100}) {
        const double plain = secondWriteGapMs(false, answerMs);
        const double low = secondWriteGapMs(true, answerMs);
        std::printf("lowdelay: peer answering after %d ms: second of two requests arrives after "
                    "%.2f ms plain, %.2f ms with the low-delay option (median of 20)\n",
                    answerMs, plain, low);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (mode == QLatin1String("announce"))
        return announceBench();
    if (mode == QLatin1String("flood"))
        return floodBench(argc > 2 ? std::max(1, atoi(argv[2])) : 1000);
    if (mode == QLatin1String("startup"))
        return startupBench();
    if (mode == QLatin1String("switch"))
        return switchBench();
    if (mode == QLatin1String("lowdelay"))
        return lowDelayBench();
    std::fprintf(stderr, "usage: bench_devices announce|flood [per second]|startup|switch|"
                         "lowdelay\n");
    return 2;
}
