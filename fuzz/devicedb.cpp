// device.db at start-up: a file of arbitrary contents loaded as the window loads it (the
// device table and the device list it fills), and as dapctl reads the stored processors.
// Arbitrary bytes are rarely a database, so half the inputs build a real SQLite file whose
// table and rows come from the input: any column types, NULLs, texts of any length and
// encoding, blobs, numbers beyond 32 bits, duplicate ids, missing or extra columns.
//
// Input: byte 0 even: the rest is the file. Odd: bits 1-2 pick the table's layout (the
// program's, fewer columns, more columns, no declared types); the rest is a run of values
// filling rows column by column, each a type byte (NULL, integer of 8 bytes, real, text or
// blob of a length byte's length) followed by its bytes.
#include "fuzzapp.h"

#include "devices/devicelist.h"
#include "devices/devtable.h"
#include "discovery.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const char *const kLayouts[] = {
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
    "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
    "DSPFirmware varchar(20),location varchar(20),description varchar(20),sn varchar(20))",
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,ipaddress)",
    "create table devicetable (ID,machineid,ipaddress,model,ARMFirmware,DSPFirmware,location,"
    "description,sn,extra1,extra2)",
    "create table devicetable (ID,machineid,ipaddress,model,ARMFirmware,DSPFirmware,location,"
    "description,sn)",
};
constexpr int kColumns[] = {9, 3, 11, 9};
// Every stored processor becomes a tile; more rows add time, not new paths.
constexpr int kMaxRows = 40;

struct Reader {
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, size - at);
        QByteArray b(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
        return b;
    }
};

QVariant value(Reader &in)
{
    switch (in.byte() % 5) {
    case 0:
        return QVariant();
    case 1: {
        qint64 v = 0;
        const QByteArray b = in.bytes(8);
        std::memcpy(&v, b.constData(), size_t(b.size()));
        return v;
    }
    case 2: {
        double v = 0;
        const QByteArray b = in.bytes(8);
        std::memcpy(&v, b.constData(), size_t(b.size()));
        return v;
    }
    case 3:
        return QString::fromUtf8(in.bytes(in.byte()));
    default:
        return in.bytes(in.byte());
    }
}

// A real database with the input's table and rows.
void buildDatabase(const QString &path, uint8_t layout, Reader in)
{
    const QString name = QStringLiteral("fuzz.devicedb.build");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            // Nothing needs to survive a crash of the machine: no waiting for the disk.
            query.exec(QStringLiteral("pragma synchronous=off"));
            query.exec(QString::fromLatin1(kLayouts[layout]));
            const int columns = kColumns[layout];
            QStringList marks;
            for (int c = 0; c < columns; ++c)
                marks.append(QStringLiteral("?"));
            query.prepare(QStringLiteral("insert into devicetable values (%1)")
                              .arg(marks.join(QLatin1Char(','))));
            db.transaction();
            for (int row = 0; row < kMaxRows && !in.done(); ++row) {
                for (int c = 0; c < columns; ++c)
                    query.bindValue(c, value(in));
                query.exec();
            }
            db.commit();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

struct Harness {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("device.db"));

    void clear()
    {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(path + QLatin1String(suffix));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    if (size == 0)
        return 0;
    h->clear();
    if (data[0] & 1) {
        buildDatabase(h->path, (data[0] >> 1) % 4, Reader{data + 1, size - 1});
    } else {
        QFile file(h->path);
        if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char *>(data + 1),
                                                           qint64(size - 1)) != qint64(size - 1))
            return 0;
    }
    {
        DevTableOptions options;
        options.announcePort = 0;
        options.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.commandPort = 9;
        options.databasePath = h->path;
        QDevTable table(nullptr, options);
        QDeviceList list;
        wireDeviceList(table, list);
        table.loadDevices();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (list.rowCount() != table.deviceCount())
            __builtin_trap();
    }
    QString error;
    ctl::discover(0, 0, h->path, &error);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
