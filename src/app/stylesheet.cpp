#include "stylesheet.h"

#include "logging.h"

#include <QApplication>
#include <QFile>

void applyStyleSheet(QApplication &app)
{
    Q_INIT_RESOURCE(style);
    QFile file(QStringLiteral(":/qss/default"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcApp) << "no style sheet resource";
        return;
    }
    QByteArray bytes = file.readAll();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    app.setStyleSheet(QString::fromUtf8(bytes));
}
