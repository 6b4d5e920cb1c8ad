#include "changelogwindow.h"

#include "changelog.h"
#include "widgets/prompts.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char *const kHeaders[] = {QT_TRANSLATE_NOOP("ChangeLogWindow", "Time"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Machine id"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Model"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Address"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Block"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Channel"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Field"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Before"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "After"),
                                QT_TRANSLATE_NOOP("ChangeLogWindow", "Undo")};

} // namespace

ChangeLogWindow::ChangeLogWindow(ChangeLog *log, QWidget *parent) : QDialog(parent), m_log(log)
{
    setObjectName(QStringLiteral("changeLogDialog"));
    resize(900, 500);
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_processor = new QComboBox(this);
    m_processor->setMinimumWidth(280);
    m_refresh = new QPushButton(this);
    m_export = new QPushButton(this);
    bar->addWidget(m_processor);
    bar->addStretch(1);
    bar->addWidget(m_refresh);
    bar->addWidget(m_export);
    layout->addLayout(bar);
    m_model = new QSqlQueryModel(this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_view);

    connect(m_processor, &QComboBox::currentIndexChanged, this, [this] { loadRows(); });
    connect(m_refresh, &QPushButton::clicked, this, &ChangeLogWindow::refresh);
    connect(m_export, &QPushButton::clicked, this, &ChangeLogWindow::exportClicked);
    retranslate();
}

std::optional<quint32> ChangeLogWindow::selectedProcessor() const
{
    const QVariant id = m_processor->currentData();
    if (!id.isValid())
        return std::nullopt;
    return quint32(id.toLongLong());
}

void ChangeLogWindow::refresh()
{
    const std::optional<quint32> chosen = selectedProcessor();
    {
        const QSignalBlocker blocker(m_processor);
        m_processor->clear();
        m_processor->addItem(tr("All processors"));
        for (const ChangeLog::Processor &p : m_log->processors()) {
            m_processor->addItem(
                tr("%1 at %2 (machine id %3)").arg(p.model, p.address).arg(p.machineId),
                qint64(p.machineId));
            if (chosen && *chosen == p.machineId)
                m_processor->setCurrentIndex(m_processor->count() - 1);
        }
    }
    loadRows();
}

void ChangeLogWindow::loadRows()
{
    m_log->flush();
    const std::optional<quint32> chosen = selectedProcessor();
    QSqlQuery query(m_log->database());
    query.prepare(ChangeLog::selectStatement(chosen.has_value()));
    if (chosen)
        query.addBindValue(qint64(*chosen));
    query.exec();
    m_model->setQuery(std::move(query));
    for (int c = 0; c < int(std::size(kHeaders)); ++c)
        m_model->setHeaderData(c, Qt::Horizontal, tr(kHeaders[c]));
}

void ChangeLogWindow::exportClicked()
{
    prompts::FileRequest request;
    request.save = true;
    request.caption = tr("Export CSV");
    request.filter = tr("CSV files (*.csv)");
    QString path = prompts::chooseFile(this, request);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        path += QLatin1String(".csv");
    QString error;
    if (!m_log->exportCsv(path, selectedProcessor(), &error)) {
        prompts::notify(this, QMessageBox::Critical, tr("Export CSV"),
                        tr("%1 cannot be written: %2").arg(path, error));
    }
}

void ChangeLogWindow::retranslate()
{
    setWindowTitle(tr("Change log"));
    m_refresh->setText(tr("Refresh"));
    m_export->setText(tr("Export CSV"));
    if (m_processor->count() > 0)
        m_processor->setItemText(0, tr("All processors"));
    for (int c = 0; c < int(std::size(kHeaders)); ++c)
        m_model->setHeaderData(c, Qt::Horizontal, tr(kHeaders[c]));
}

void ChangeLogWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ChangeLogWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}
