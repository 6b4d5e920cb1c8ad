// The device table's database: loading the stored processors, storing new ones and their
// changes.
#include "devtable.h"

#include "logging.h"

#include <QMessageBox>
#include <QTableWidget>

using namespace devices;

void QDevTable::loadDevices()
{
    if (!m_bound)
        reportBindFailure();
    if (!m_store.connectionName().isEmpty())
        return; // loaded once
    const DeviceStore::Opened opened = m_store.open();
    if (opened == DeviceStore::Opened::Failed) {
        QMessageBox::critical(
            nullptr, tr("Cannot open database"),
            tr("Unable to establish a database connection.\nThis example needs SQLite "
               "support. Please read the Qt SQL driver documentation for information how to "
               "build it.\n\nClick Cancel to exit."),
            QMessageBox::Cancel);
        return;
    }
    if (opened == DeviceStore::Opened::Created)
        return; // a new database: nothing stored yet
    m_table->setUpdatesEnabled(false);
    for (broadcastMsg record : m_store.load())
        addDevice(&record, false);
    m_table->setUpdatesEnabled(true);
}

void QDevTable::insertIntoDatabase(const broadcastMsg &msg)
{
    if (!m_store.insert(msg))
        qCDebug(lcDevices, "%d,%s", 550, "sqlAdd");
}

void QDevTable::updateColumn(const char *column, quint32 machineId, const QVariant &value)
{
    m_store.updateColumn(column, machineId, value);
}
