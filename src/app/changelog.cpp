#include "changelog.h"

#include "logging.h"

#include "protocol/savefile.h"

#include <QDateTime>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringConverter>
#include <QTextStream>

namespace {

int g_serial = 0;

const char *const kCreate =
    "create table if not exists changelog (id integer primary key autoincrement, "
    "time text, machineid integer, model text, address text, block text, channel text, "
    "field text, before text, after text, undo integer)";

QString dotted(quint32 a)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(a >> 24)
        .arg((a >> 16) & 0xff)
        .arg((a >> 8) & 0xff)
        .arg(a & 0xff);
}

} // namespace

ChangeLog::ChangeLog(const QString &path, QObject *parent, int maxRows)
    : QObject(parent), m_path(path), m_maxRows(maxRows)
{
    m_connectionName = QStringLiteral("dap.changes.%1").arg(++g_serial);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!m_db.open()) {
        qCWarning(lcApp) << "cannot open the change log" << path << m_db.lastError();
    } else {
        QSqlQuery query(m_db);
        query.exec(QStringLiteral("pragma journal_mode=wal"));
        query.exec(QStringLiteral("pragma synchronous=normal"));
        if (!query.exec(QString::fromLatin1(kCreate)))
            qCWarning(lcApp) << "cannot create the change log table" << query.lastError();
    }
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ChangeLog::flush);
}

ChangeLog::~ChangeLog()
{
    flush();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void ChangeLog::append(ChangeRow &&row)
{
    m_pending.push_back(std::move(row));
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ChangeLog::flush()
{
    m_flushTimer.stop();
    if (m_pending.empty())
        return;
    std::vector<ChangeRow> rows;
    rows.swap(m_pending);
    if (!m_db.isOpen())
        return;
    m_db.transaction();
    QSqlQuery insert(m_db);
    insert.prepare(QStringLiteral(
        "insert into changelog (time, machineid, model, address, block, channel, field, before, "
        "after, undo) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const ChangeRow &r : rows) {
        const bool action = !r.action.isEmpty();
        insert.addBindValue(QDateTime::fromMSecsSinceEpoch(r.msecs).toString(
            QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
        insert.addBindValue(qint64(r.machineId));
        insert.addBindValue(r.model);
        insert.addBindValue(dotted(r.address));
        insert.addBindValue(action ? QString() : setfields::blockName(r.key.module));
        insert.addBindValue(action ? QString() : setfields::channelText(r.key));
        insert.addBindValue(action ? r.action : setfields::fieldName(r.key));
        insert.addBindValue(setfields::valueText(r.key, r.before));
        insert.addBindValue(setfields::valueText(r.key, r.after));
        insert.addBindValue(r.undo ? 1 : 0);
        if (!insert.exec())
            qCWarning(lcApp) << "change log row not written" << insert.lastError();
    }
    QSqlQuery bound(m_db);
    bound.prepare(
        QStringLiteral("delete from changelog where id <= (select max(id) from changelog) - ?"));
    bound.addBindValue(m_maxRows);
    bound.exec();
    m_db.commit();
}

QList<ChangeLog::Processor> ChangeLog::processors()
{
    flush();
    QList<Processor> out;
    QSqlQuery query(m_db);
    // The latest model and address of each machine id.
    if (!query.exec(QStringLiteral(
            "select machineid, model, address from changelog where id in "
            "(select max(id) from changelog group by machineid) order by machineid")))
        return out;
    while (query.next())
        out.append({quint32(query.value(0).toLongLong()), query.value(1).toString(),
                    query.value(2).toString()});
    return out;
}

int ChangeLog::rowCount(std::optional<quint32> machineId)
{
    flush();
    QSqlQuery query(m_db);
    query.prepare(machineId ? QStringLiteral("select count(*) from changelog where machineid = ?")
                            : QStringLiteral("select count(*) from changelog"));
    if (machineId)
        query.addBindValue(qint64(*machineId));
    return query.exec() && query.next() ? query.value(0).toInt() : 0;
}

QString ChangeLog::selectStatement(bool filtered)
{
    return QStringLiteral("select time, machineid, model, address, block, channel, field, "
                          "before, after, undo from changelog %1 order by id desc")
        .arg(filtered ? QStringLiteral("where machineid = ?") : QString());
}

QString ChangeLog::csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool ChangeLog::exportCsv(const QString &path, std::optional<quint32> machineId, QString *error)
{
    flush();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(selectStatement(machineId.has_value()));
    if (machineId)
        query.addBindValue(qint64(*machineId));
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << "time,machine id,model,address,block,channel,field,before,after,undo\r\n";
    while (query.next()) {
        QStringList fields;
        for (int c = 0; c < 10; ++c)
            fields.append(csvField(query.value(c).toString()));
        out << fields.join(QLatin1Char(',')) << "\r\n";
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !proto::commitWhole(file)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
