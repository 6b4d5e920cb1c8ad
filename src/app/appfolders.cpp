#include "appfolders.h"

#include "logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace appfolders {

bool isWorkingFolder(const QString &folder)
{
    const QDir dir(folder);
    return dir.exists(QStringLiteral("cfg.dat")) || dir.exists(QStringLiteral("device.db"))
           || dir.exists(QStringLiteral("translations/language.dat"));
}

QString installedDataDir()
{
    const QString dir = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                        + QStringLiteral("/../share/dapcontrol"));
    return QFileInfo::exists(dir + QStringLiteral("/translations/language.dat")) ? dir
                                                                                   : QString();
}

QString setUp()
{
    const QString current = QDir::currentPath();
    if (isWorkingFolder(current))
        return current;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data) || !QDir::setCurrent(data)) {
        qCWarning(lcApp) << "cannot use the data folder" << data << "- staying in" << current;
        return current;
    }
    return data;
}

QString resourceFile(const QString &relative)
{
    if (QFileInfo::exists(relative))
        return relative;
    const QString installed = installedDataDir();
    if (!installed.isEmpty() && QFileInfo::exists(installed + QLatin1Char('/') + relative))
        return installed + QLatin1Char('/') + relative;
    return relative;
}

} // namespace appfolders
