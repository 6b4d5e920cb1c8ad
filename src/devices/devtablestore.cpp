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
    m_store.setProblemHandler(
        [this](const DeviceStore::Problem &problem) { reportStoreProblem(problem); });
    const DeviceStore::Opened opened = m_store.open();
    if (opened == DeviceStore::Opened::Failed)
        return; // said by the handler; the list lives in memory
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

void QDevTable::reportStoreProblem(const DeviceStore::Problem &problem)
{
    const QString path = m_store.path();
    QString text;
    switch (problem.kind) {
    case DeviceStore::Problem::Replaced:
        text = tr("%1 is not a device list (%2). It was moved to %3 and a new, empty list was "
                  "started.")
                   .arg(path, problem.error, problem.movedTo);
        break;
    case DeviceStore::Problem::Unusable:
        text = tr("The device list %1 cannot be opened (%2). Processors are listed while the "
                  "program runs but are not kept for the next start.")
                   .arg(path, problem.error);
        break;
    case DeviceStore::Problem::WriteFailed:
        text = tr("The device list %1 cannot be written (%2). Processors are listed while the "
                  "program runs but changes are not kept for the next start.")
                   .arg(path, problem.error);
        break;
    }
    qCWarning(lcDevices).noquote() << text;
    // Not modal: the window goes on, and the announcement that caused it is not held up.
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Device list"), text, QMessageBox::Ok,
                                parentWidget() ? parentWidget() : this);
    box->setModal(false);
    box->show();
    m_storeMessage = box;
}
