#pragma once

#include "broadcastmsg.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

class QSqlQuery;

namespace devices {

// The list of known processors in "device.db" (table devicetable): one row per machine id,
// the texts of the announcement. No widgets: the window's device table and the command line
// both keep their list here.
class DeviceStore {
public:
    explicit DeviceStore(QString path);
    ~DeviceStore();
    DeviceStore(const DeviceStore &) = delete;
    DeviceStore &operator=(const DeviceStore &) = delete;

    enum class Opened { Failed, Created, Existing };
    // Opens the database (once), creating the table in a new one.
    Opened open();
    bool isOpen() const { return m_db.isOpen(); }
    QString path() const { return m_path; }
    QString connectionName() const { return m_connectionName; }
    QString errorText() const;

    // The stored processors in the order they were added; a second row of a machine id is
    // skipped (the first one wins).
    QList<broadcastMsg> load();
    bool insert(const broadcastMsg &msg);
    // Sets one column of the processor's row; a failed update leaves the row as it was.
    void updateColumn(const char *column, quint32 machineId, const QVariant &value);
    void remove(quint32 machineId);

    // Groups the writes that follow into one commit. The transaction opens at the first
    // write, so a batch of announcements that change nothing costs no commit.
    bool begin();
    void commit();

private:
    // The statement for sql, prepared once per connection; null when it cannot be prepared.
    QSqlQuery *statement(const QString &sql);
    void beforeWrite();

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_statements;
    bool m_batching = false;
    bool m_inTransaction = false;
};

} // namespace devices
