#include "progress.h"

#include "protocol/transfer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>

namespace {

QPointer<QProgressDialog> g_dialog;
QMetaObject::Connection g_connections[4];

// Escape and the window's close button would only hide the dialog while the transfer goes
// on: they cancel what can be cancelled, like "Cancel", and do nothing otherwise.
class CloseKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool escape = event->type() == QEvent::KeyPress &&
                            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
        const bool close = event->type() == QEvent::Close;
        const proto::Transfer &transfer = proto::Transfer::instance();
        if ((!escape && !close) || watched != g_dialog || !transfer.busy())
            return false;
        event->ignore();
        if (transfer.cancellable())
            emit g_dialog->canceled();
        return true;
    }
};

void setCancelOffered(bool offered)
{
    if (!g_dialog)
        return;
    if (offered) {
        g_dialog->setCancelButton(new QPushButton(QProgressDialog::tr("Cancel")));
    } else {
        g_dialog->setCancelButton(nullptr);
    }
}

} // namespace

void setProgressDialog(QProgressDialog *dialog)
{
    for (auto &c : g_connections)
        QObject::disconnect(c);
    g_dialog = dialog;
    if (!dialog)
        return;
    dialog->installEventFilter(new CloseKeys(dialog));
    // The dialog stays until the transfer really ends, not when the value meets the range.
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setMinimumDuration(0);
    proto::Transfer &t = proto::Transfer::instance();
    g_connections[0] = QObject::connect(
        &t, &proto::Transfer::progressStarted, dialog, [](int range, const QString &label) {
            setCancelOffered(proto::Transfer::instance().cancellable());
            progressStart(range, label);
        });
    g_connections[1] = QObject::connect(&t, &proto::Transfer::progressed, dialog,
                                        [](int value) { progressStep(value); });
    g_connections[2] = QObject::connect(&t, &proto::Transfer::ended, dialog, &progressEnd);
    g_connections[3] = QObject::connect(dialog, &QProgressDialog::canceled, &t,
                                        [] { proto::Transfer::instance().cancel(); });
}

QProgressDialog *progressDialog()
{
    return g_dialog;
}

void progressStart(int count, const QString &label)
{
    if (!g_dialog)
        return;
    g_dialog->reset();
    g_dialog->setRange(0, count);
    g_dialog->setLabelText(label);
    g_dialog->show();
    progressStep(0);
}

int progressStep(int value)
{
    if (!g_dialog)
        return 0;
    if (g_dialog->wasCanceled()) {
        g_dialog->reset();
        g_dialog->hide();
        return -1;
    }
    g_dialog->setValue(value);
    return 0;
}

void progressEnd()
{
    if (!g_dialog)
        return;
    g_dialog->reset();
    g_dialog->hide();
    g_dialog->setResult(QDialog::Accepted);
}
