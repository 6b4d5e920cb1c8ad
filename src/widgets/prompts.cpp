#include "prompts.h"

#include <QDir>
#include <QFileDialog>

namespace prompts {

namespace {
std::function<QString(FileRequest &)> g_fileHook;
std::function<bool(const QString &)> g_confirmHook;
std::function<void(QMessageBox::Icon, const QString &)> g_notifyHook;
} // namespace

QString chooseFile(QWidget *parent, FileRequest &request)
{
    if (g_fileHook)
        return g_fileHook(request);
    const QString dir = QDir::currentPath();
    if (request.save) {
        return QFileDialog::getSaveFileName(parent, request.caption, dir, request.filter,
                                            &request.selectedFilter);
    }
    return QFileDialog::getOpenFileName(parent, request.caption, dir, request.filter,
                                        &request.selectedFilter);
}

bool confirm(QWidget *parent, const QString &title, const QString &text)
{
    if (g_confirmHook)
        return g_confirmHook(text);
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons)
{
    if (g_notifyHook) {
        g_notifyHook(icon, text);
        return;
    }
    auto *box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void setFileHook(std::function<QString(FileRequest &)> hook)
{
    g_fileHook = std::move(hook);
}

void setConfirmHook(std::function<bool(const QString &)> hook)
{
    g_confirmHook = std::move(hook);
}

void setNotifyHook(std::function<void(QMessageBox::Icon, const QString &)> hook)
{
    g_notifyHook = std::move(hook);
}

} // namespace prompts
