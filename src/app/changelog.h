#pragma once

#include "modules/changerecorder.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

#include <optional>
#include <vector>

// The change log: every set the program sends, kept in a SQLite table of its own
// ("changes.db" beside the device list). Rows are queued and written in one transaction a
// little later, never one by one from the panels' ticks; the table keeps the newest maxRows
// rows and deletes the oldest.
class ChangeLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 100000;
    static constexpr int kFlushMs = 200;

    explicit ChangeLog(const QString &path, QObject *parent = nullptr, int maxRows = kMaxRows);
    ~ChangeLog() override;

    bool isOpen() const { return m_db.isOpen(); }
    QString path() const { return m_path; }
    QSqlDatabase database() const { return m_db; }

    void append(ChangeRow &&row);
    int pendingCount() const { return int(m_pending.size()); }
    // Writes what is queued now.
    void flush();

    struct Processor {
        quint32 machineId = 0;
        QString model;
        QString address;
    };
    // Every processor with rows, by machine id.
    QList<Processor> processors();
    int rowCount(std::optional<quint32> machineId = std::nullopt);
    // The rows shown and exported: time, machine id, model, address, block, channel, field,
    // before, after, undo; newest first.
    static QString selectStatement(bool filtered);
    // Writes the rows of one processor (or all) as CSV; false with a reason on failure.
    bool exportCsv(const QString &path, std::optional<quint32> machineId, QString *error);
    // One CSV field, quoted when it holds a comma, a quote or a line break.
    static QString csvField(const QString &text);

private:
    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
    int m_maxRows;
    std::vector<ChangeRow> m_pending;
    QTimer m_flushTimer;
};
