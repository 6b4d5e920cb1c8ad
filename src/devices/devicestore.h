#pragma once

#include "broadcastmsg.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>

class QSqlError;
class QSqlQuery;

namespace devices {

// The list of known processors in "device.db" (table devicetable): one row per machine id,
// the texts of the announcement. No widgets: the window's device table and the command line
// both keep their list here.
class DeviceStore {
public:
    // Why the database cannot keep the list. The list then lives in memory only; a file
    // that is not a database (or is damaged beyond reading) is moved aside and replaced, but
    // only by a store that has a handler to say so.
    struct Problem {
        enum Kind { Unusable, Replaced, WriteFailed };
        Kind kind = Unusable;
        QString error;   // the database's own words
        QString movedTo; // Replaced: the file's new name
    };
    // Called with Replaced when it happens, and once with the first Unusable or WriteFailed;
    // a write that waits on another program's lock is not a failure.
    void setProblemHandler(std::function<void(const Problem &)> handler)
    {
        m_problemHandler = std::move(handler);
    }

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
    // Opens the file and makes sure it holds the table; Failed with m_openError.
    Opened openFile();
    bool moveAside(QString *movedTo);
    // Reports a failed statement (once), unless it only waited on a lock.
    bool written(bool ok, const QSqlError &error);
    void report(const Problem &problem);

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_statements;
    bool m_batching = false;
    bool m_inTransaction = false;
    std::function<void(const Problem &)> m_problemHandler;
    bool m_failureReported = false;
    QString m_openError;
    bool m_notADatabase = false;
};

} // namespace devices
