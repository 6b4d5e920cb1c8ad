// A backup folder as `dapctl restore` reads it: settings.json and presets.pst of one
// processor, read and checked by the command itself. The processor (a stored row of
// device.db on loopback) refuses the connection, so everything restore does before it
// touches a processor runs, and nothing after: that part is the transfers target's.
//
// Input: byte 0 holds flags (bit 0: no settings.json, bit 1: no presets.pst), bytes 1-2
// (little-endian) the length of settings.json, then settings.json, then presets.pst (the rest).
#include "fuzzapp.h"

#include "commands.h"
#include "ctlcontext.h"
#include "devices/devicestore.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr quint32 kMachine = 1002;
constexpr quint32 kAddress = 0x7F000002; // 127.0.0.2

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.2")), 0);
    return probe.serverPort(); // closed again when probe goes
}

bool writeFile(const QString &path, const char *data, size_t size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(data, qint64(size)) == qint64(size);
}

struct Harness {
    QTemporaryDir dir;
    QString db = dir.filePath(QStringLiteral("device.db"));
    QString backup = dir.filePath(QStringLiteral("backup"));
    QString folder = QDir(backup).filePath(QString::number(kMachine));
    ctl::CtlOptions options;
    int quiet = -1;

    Harness()
    {
        {
            devices::DeviceStore store(db);
            store.open();
            broadcastMsg row;
            row.machineid = kMachine;
            row.ipaddress = kAddress;
            store.insert(row);
        }
        QDir().mkpath(folder);
        options.waitMs = 0;
        options.announcePort = 0;
        options.dbPath = db;
        options.tcpPort = closedPort();
        options.timeoutMs = 1000;
        options.jobs = 1;
        options.password = QByteArray("1234");
        quiet = ::open("/dev/null", O_WRONLY);
    }

    // dapctl says what it finds on stdout and stderr, once per input; the fuzzer's own
    // report must stay readable.
    int restore()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        const int out = ::dup(1);
        const int err = ::dup(2);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ctl::CtlContext ctx(options);
        const int code = ctl::runRestore(ctx, {QStringLiteral("127.0.0.2"), backup});
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::close(out);
        ::close(err);
        return code;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    const size_t declared = size_t(data[1]) | size_t(data[2]) << 8;
    const size_t jsonSize = std::min(declared, size - 3);
    const char *json = reinterpret_cast<const char *>(data + 3);
    const QString settingsPath = QDir(h->folder).filePath(QStringLiteral("settings.json"));
    const QString presetPath = QDir(h->folder).filePath(QStringLiteral("presets.pst"));
    QFile::remove(settingsPath);
    QFile::remove(presetPath);
    if (!(flags & 1) && !writeFile(settingsPath, json, jsonSize))
        return 0;
    if (!(flags & 2) && !writeFile(presetPath, json + jsonSize, size - 3 - jsonSize))
        return 0;
    const int code = h->restore();
    // The processor was never reached: a restore that says it succeeded did not check.
    if (code == ctl::ExitOk)
        __builtin_trap();
    return 0;
}
