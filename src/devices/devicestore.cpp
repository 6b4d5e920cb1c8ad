#include "devicestore.h"

#include "logging.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace devices {

namespace {

const char *const kCreateStatement =
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
    "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
    "DSPFirmware varchar(20),location varchar(20),description varchar(20),sn varchar(20))";

int g_connectionSerial = 0;

// SQLite's result codes that the store tells apart.
enum SqliteCode { Error = 1, Busy = 5, Locked = 6, Corrupt = 11, NotADatabase = 26 };

int sqliteCode(const QSqlError &error)
{
    // Extended codes carry the primary code in their low byte.
    return error.nativeErrorCode().toInt() & 0xFF;
}

bool unreadable(const QSqlError &error)
{
    const int code = sqliteCode(error);
    return code == NotADatabase || code == Corrupt;
}

} // namespace

DeviceStore::DeviceStore(QString path) : m_path(std::move(path)) {}

DeviceStore::~DeviceStore()
{
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

DeviceStore::Opened DeviceStore::open()
{
    if (m_db.isValid())
        return m_db.isOpen() ? Opened::Existing : Opened::Failed;
    // The default connection, unless another store of this process already holds it.
    const QString defaultName = QLatin1String(QSqlDatabase::defaultConnection);
    m_connectionName = QSqlDatabase::contains(defaultName)
                           ? QStringLiteral("dap.devices.%1").arg(++g_connectionSerial)
                           : defaultName;
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(m_path);
    // A database locked by another program must not hold the caller for seconds on every
    // announcement; a statement that gives up leaves the memory copy current.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    Opened opened = openFile();
    if (opened == Opened::Failed && m_notADatabase && m_problemHandler) {
        // Nothing can be read from it: kept aside for whoever wants to look, and a new list
        // starts in its place.
        const QString error = m_openError;
        m_db.close();
        QString movedTo;
        if (moveAside(&movedTo)) {
            opened = openFile();
            if (opened != Opened::Failed)
                report({Problem::Replaced, error, movedTo});
        }
    }
    if (opened == Opened::Failed) {
        qCWarning(lcDevices) << "cannot use" << m_path << m_openError;
        m_db.close();
        report({Problem::Unusable, m_openError, {}});
    }
    return opened;
}

DeviceStore::Opened DeviceStore::openFile()
{
    m_notADatabase = false;
    if (!m_db.open()) {
        m_openError = m_db.lastError().text();
        return Opened::Failed;
    }
    QSqlQuery query(m_db);
    // A commit appends to the write-ahead log without waiting for the disk, so a burst of
    // new processors never holds the caller on a flush; the file stays consistent.
    query.exec(QStringLiteral("pragma journal_mode=wal"));
    query.exec(QStringLiteral("pragma synchronous=normal"));
    if (query.exec(QString::fromLatin1(kCreateStatement)))
        return Opened::Created;
    const QSqlError createError = query.lastError();
    // The table exists, or the file cannot be read at all.
    if (query.exec(QStringLiteral("select count(*) from devicetable")))
        return Opened::Existing;
    const QSqlError error = query.lastError();
    // Another program's write holds it for a moment: the file itself is fine.
    if (sqliteCode(error) == Busy || sqliteCode(error) == Locked)
        return Opened::Existing;
    m_notADatabase = unreadable(error);
    // No table: the create statement's own error (a full disk) says why.
    m_openError = sqliteCode(error) == Error ? createError.text() : error.text();
    return Opened::Failed;
}

bool DeviceStore::moveAside(QString *movedTo)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".broken-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = m_path + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(m_path, target)) {
        m_openError += QStringLiteral("; it cannot be moved aside");
        return false;
    }
    // A log beside it belongs to the old file, not to the new one.
    QFile::rename(m_path + QStringLiteral("-wal"), target + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    qCWarning(lcDevices) << m_path << "is not a database; moved to" << target;
    *movedTo = target;
    return true;
}

void DeviceStore::report(const Problem &problem)
{
    if (problem.kind != Problem::Replaced) {
        if (m_failureReported)
            return;
        m_failureReported = true;
    }
    if (m_problemHandler)
        m_problemHandler(problem);
}

bool DeviceStore::written(bool ok, const QSqlError &error)
{
    if (ok)
        return true;
    const int code = sqliteCode(error);
    qCDebug(lcDevices) << "write failed" << error;
    if (code == Busy || code == Locked)
        return false;
    // SQLite does not always name the reason on the first refused write.
    QString text = error.text().trimmed();
    if (text.isEmpty())
        text = QFileInfo(m_path).isWritable() ? QStringLiteral("the database refused the write")
                                              : QStringLiteral("the file is read-only");
    report({Problem::WriteFailed, text, {}});
    return false;
}

QString DeviceStore::errorText() const
{
    return m_db.lastError().text();
}

QList<broadcastMsg> DeviceStore::load()
{
    QList<broadcastMsg> records;
    if (!m_db.isOpen())
        return records;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from devicetable order by ID")))
        return records;
    QSet<quint32> seen;
    while (query.next()) {
        broadcastMsg record;
        record.machineid = quint32(query.value(1).toLongLong());
        record.ipaddress = quint32(query.value(2).toLongLong());
        // A second row of the same processor (two copies of the program adding it at once)
        // would be an entry that never hears from its device: the first row wins.
        if (seen.contains(record.machineid)) {
            qCDebug(lcDevices) << "duplicate row of machine id" << record.machineid << "skipped";
            continue;
        }
        seen.insert(record.machineid);
        setField(record.model, toDeviceText(query.value(3).toString()));
        setField(record.ARMFirmware, toDeviceText(query.value(4).toString()));
        setField(record.DSPFirmware, toDeviceText(query.value(5).toString()));
        setField(record.location, toDeviceText(query.value(6).toString()));
        setField(record.description, toDeviceText(query.value(7).toString()));
        setField(record.sn, toDeviceText(query.value(8).toString()));
        records.append(record);
    }
    return records;
}

QSqlQuery *DeviceStore::statement(const QString &sql)
{
    if (!m_db.isOpen())
        return nullptr;
    std::unique_ptr<QSqlQuery> &cached = m_statements[sql];
    if (!cached) {
        auto query = std::make_unique<QSqlQuery>(m_db);
        if (!query->prepare(sql)) {
            qCWarning(lcDevices) << "cannot prepare" << sql << query->lastError();
            m_statements.erase(sql);
            return nullptr;
        }
        cached = std::move(query);
    }
    return cached.get();
}

void DeviceStore::beforeWrite()
{
    if (m_batching && !m_inTransaction)
        m_inTransaction = m_db.transaction();
}

bool DeviceStore::insert(const broadcastMsg &msg)
{
    QSqlQuery *query =
        statement(QStringLiteral("insert into devicetable values (NULL,?,?,?,?,?,?,?,?)"));
    if (!query)
        return false;
    beforeWrite();
    query->bindValue(0, qint64(msg.machineid));
    query->bindValue(1, qint64(msg.ipaddress));
    query->bindValue(2, fromDeviceText(fieldBytes(msg.model)));
    query->bindValue(3, fromDeviceText(fieldBytes(msg.ARMFirmware)));
    query->bindValue(4, fromDeviceText(fieldBytes(msg.DSPFirmware)));
    query->bindValue(5, fromDeviceText(fieldBytes(msg.location)));
    query->bindValue(6, fromDeviceText(fieldBytes(msg.description)));
    query->bindValue(7, fromDeviceText(fieldBytes(msg.sn)));
    return written(query->exec(), query->lastError());
}

void DeviceStore::updateColumn(const char *column, quint32 machineId, const QVariant &value)
{
    QSqlQuery *query = statement(
        QStringLiteral("update devicetable set %1=? where machineid=?").arg(QLatin1String(column)));
    if (!query)
        return;
    beforeWrite();
    query->bindValue(0, value);
    query->bindValue(1, qint64(machineId));
    written(query->exec(), query->lastError());
}

void DeviceStore::remove(quint32 machineId)
{
    QSqlQuery *query = statement(QStringLiteral("delete from devicetable where machineid=?"));
    if (!query)
        return;
    beforeWrite();
    query->bindValue(0, qint64(machineId));
    written(query->exec(), query->lastError());
}

bool DeviceStore::begin()
{
    if (!m_db.isOpen())
        return false;
    m_batching = true;
    return true;
}

void DeviceStore::commit()
{
    m_batching = false;
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (!written(m_db.commit(), m_db.lastError()))
        m_db.rollback();
}

} // namespace devices
