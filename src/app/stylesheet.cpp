#include "stylesheet.h"

#include "appfolders.h"
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
    QString sheet = QString::fromUtf8(bytes);
    // The logo is a file of the working folder, or of the install prefix when the program
    // runs installed.
    const QString logo = QStringLiteral("image/logo.bmp");
    const QString found = appfolders::resourceFile(logo);
    if (found != logo)
        sheet.replace(QStringLiteral("url(") + logo + QLatin1Char(')'),
                      QStringLiteral("url(") + found + QLatin1Char(')'));
    app.setStyleSheet(sheet);
}
