// The device table's database: loading the stored processors, storing new ones and their
// changes.
#include "devtable.h"

#include "logging.h"

#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>

using namespace devices;

namespace {

const char *const kCreateStatement =
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
    "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
    "DSPFirmware varchar(20),location varchar(20),description varchar(20),sn varchar(20))";

int g_connectionSerial = 0;

} // namespace

void QDevTable::loadDevices()
{
    if (!m_bound)
        reportBindFailure();
    if (m_db.isValid())
        return; // loaded once
    // The default connection, unless another table of this process already holds it.
    const QString defaultName = QLatin1String(QSqlDatabase::defaultConnection);
    m_connectionName = QSqlDatabase::contains(defaultName)
                           ? QStringLiteral("dap.devices.%1").arg(++g_connectionSerial)
                           : defaultName;
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(m_options.databasePath);
    // A database locked by another program must not freeze the window for seconds on every
    // announcement; a statement that gives up leaves the memory copy current.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!m_db.open()) {
        qCWarning(lcDevices) << "cannot open" << m_options.databasePath << m_db.lastError();
        QMessageBox::critical(
            nullptr, tr("Cannot open database"),
            tr("Unable to establish a database connection.\nThis example needs SQLite "
               "support. Please read the Qt SQL driver documentation for information how to "
               "build it.\n\nClick Cancel to exit."),
            QMessageBox::Cancel);
        return;
    }

    QSqlQuery query(m_db);
    // A commit appends to the write-ahead log without waiting for the disk, so a burst of
    // new processors never holds the window on a flush; the file stays consistent.
    query.exec(QStringLiteral("pragma journal_mode=wal"));
    query.exec(QStringLiteral("pragma synchronous=normal"));
    if (query.exec(QString::fromLatin1(kCreateStatement)))
        return; // a new database: nothing stored yet
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from devicetable order by ID")))
        return;
    m_table->setUpdatesEnabled(false);
    while (query.next()) {
        broadcastMsg record;
        record.machineid = quint32(query.value(1).toLongLong());
        record.ipaddress = quint32(query.value(2).toLongLong());
        // A second row of the same processor (two copies of the program adding it at once)
        // would be a tile that never hears from its device: the first row wins.
        if (m_byId.contains(record.machineid)) {
            qCDebug(lcDevices) << "duplicate row of machine id" << record.machineid << "skipped";
            continue;
        }
        setField(record.model, toDeviceText(query.value(3).toString()));
        setField(record.ARMFirmware, toDeviceText(query.value(4).toString()));
        setField(record.DSPFirmware, toDeviceText(query.value(5).toString()));
        setField(record.location, toDeviceText(query.value(6).toString()));
        setField(record.description, toDeviceText(query.value(7).toString()));
        setField(record.sn, toDeviceText(query.value(8).toString()));
        addDevice(&record, false);
    }
    m_table->setUpdatesEnabled(true);
}

void QDevTable::insertIntoDatabase(const broadcastMsg &msg)
{
    bool ok = false;
    if (m_db.isOpen()) {
        if (!m_insert) {
            m_insert = std::make_unique<QSqlQuery>(m_db);
            if (!m_insert->prepare(
                    QStringLiteral("insert into devicetable values (NULL,?,?,?,?,?,?,?,?)")))
                m_insert.reset();
        }
        if (m_insert) {
            QSqlQuery &query = *m_insert;
            query.bindValue(0, qint64(msg.machineid));
            query.bindValue(1, qint64(msg.ipaddress));
            query.bindValue(2, fromDeviceText(fieldBytes(msg.model)));
            query.bindValue(3, fromDeviceText(fieldBytes(msg.ARMFirmware)));
            query.bindValue(4, fromDeviceText(fieldBytes(msg.DSPFirmware)));
            query.bindValue(5, fromDeviceText(fieldBytes(msg.location)));
            query.bindValue(6, fromDeviceText(fieldBytes(msg.description)));
            query.bindValue(7, fromDeviceText(fieldBytes(msg.sn)));
            ok = query.exec();
        }
    }
    if (!ok)
        qCDebug(lcDevices, "%d,%s", 550, "sqlAdd");
}

void QDevTable::updateColumn(const char *column, quint32 machineId, const QVariant &value)
{
    if (!m_db.isOpen())
        return;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("update devicetable set %1=? where machineid=?").arg(QLatin1String(column)));
    query.addBindValue(value);
    query.addBindValue(qint64(machineId));
    query.exec(); // a failed update leaves the memory copy current; nothing else to do
}
