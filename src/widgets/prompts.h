#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// The file dialogs, confirmations and notices of the transfer commands, in one place so
// tests can answer them without a modal loop.
namespace prompts {

struct FileRequest {
    bool save = false;
    QString caption;
    QString filter;         // ";;"-separated list
    QString selectedFilter; // in: preselected entry; out: the entry the user chose
};

// A path chosen in a file dialog (start folder: the current one), empty when cancelled.
QString chooseFile(QWidget *parent, FileRequest &request);
// A warning box with Yes and No, Yes the default; true for Yes. Text is rich text.
bool confirm(QWidget *parent, const QString &title, const QString &text);
// A box that does not wait for the user.
void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Test seams: when set, they answer instead of the dialogs.
void setFileHook(std::function<QString(FileRequest &)> hook);
void setConfirmHook(std::function<bool(const QString &text)> hook);
void setNotifyHook(std::function<void(QMessageBox::Icon, const QString &text)> hook);

} // namespace prompts
