#include "devicestore.h"

#include "logging.h"

#include <QSqlError>
#include <QSqlQuery>

namespace devices {

namespace {

const char *const kCreateStatement =
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
    "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
    "DSPFirmware varchar(20),location varchar(20),description varchar(20),sn varchar(20))";

int g_connectionSerial = 0;

} // namespace

DeviceStore::DeviceStore(QString path) : m_path(std::move(path)) {}

DeviceStore::~DeviceStore()
{
    m_insert.reset();
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
    if (!m_db.open()) {
        qCWarning(lcDevices) << "cannot open" << m_path << m_db.lastError();
        return Opened::Failed;
    }
    QSqlQuery query(m_db);
    // A commit appends to the write-ahead log without waiting for the disk, so a burst of
    // new processors never holds the caller on a flush; the file stays consistent.
    query.exec(QStringLiteral("pragma journal_mode=wal"));
    query.exec(QStringLiteral("pragma synchronous=normal"));
    return query.exec(QString::fromLatin1(kCreateStatement)) ? Opened::Created : Opened::Existing;
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
    QList<quint32> seen;
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
        seen.append(record.machineid);
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

bool DeviceStore::insert(const broadcastMsg &msg)
{
    if (!m_db.isOpen())
        return false;
    if (!m_insert) {
        m_insert = std::make_unique<QSqlQuery>(m_db);
        if (!m_insert->prepare(
                QStringLiteral("insert into devicetable values (NULL,?,?,?,?,?,?,?,?)"))) {
            m_insert.reset();
            return false;
        }
    }
    QSqlQuery &query = *m_insert;
    query.bindValue(0, qint64(msg.machineid));
    query.bindValue(1, qint64(msg.ipaddress));
    query.bindValue(2, fromDeviceText(fieldBytes(msg.model)));
    query.bindValue(3, fromDeviceText(fieldBytes(msg.ARMFirmware)));
    query.bindValue(4, fromDeviceText(fieldBytes(msg.DSPFirmware)));
    query.bindValue(5, fromDeviceText(fieldBytes(msg.location)));
    query.bindValue(6, fromDeviceText(fieldBytes(msg.description)));
    query.bindValue(7, fromDeviceText(fieldBytes(msg.sn)));
    return query.exec();
}

void DeviceStore::updateColumn(const char *column, quint32 machineId, const QVariant &value)
{
    if (!m_db.isOpen())
        return;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("update devicetable set %1=? where machineid=?").arg(QLatin1String(column)));
    query.addBindValue(value);
    query.addBindValue(qint64(machineId));
    query.exec();
}

void DeviceStore::remove(quint32 machineId)
{
    if (!m_db.isOpen())
        return;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("delete from devicetable where machineid=?"));
    query.addBindValue(qint64(machineId));
    query.exec();
}

bool DeviceStore::begin()
{
    return m_db.isOpen() && m_db.transaction();
}

void DeviceStore::commit()
{
    if (!m_db.commit())
        m_db.rollback();
}

} // namespace devices
