#pragma once

#include <QDialog>

#include <optional>

class ChangeLog;
class QComboBox;
class QPushButton;
class QSqlQueryModel;
class QTableView;

// "Change log": the sets sent to the processors, newest first, for one processor or all,
// and their export as a CSV file.
class ChangeLogWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangeLogWindow(ChangeLog *log, QWidget *parent = nullptr);

    QComboBox *processorBox() const { return m_processor; }
    QTableView *view() const { return m_view; }
    QPushButton *exportButton() const { return m_export; }
    // The processor chosen in the filter; nothing for all.
    std::optional<quint32> selectedProcessor() const;

public Q_SLOTS:
    // Reads the processors and the rows again.
    void refresh();
    void exportClicked();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void retranslate();
    void loadRows();

    ChangeLog *m_log;
    QComboBox *m_processor = nullptr;
    QTableView *m_view = nullptr;
    QSqlQueryModel *m_model = nullptr;
    QPushButton *m_refresh = nullptr;
    QPushButton *m_export = nullptr;
};
