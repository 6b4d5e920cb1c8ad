#include "app/appfolders.h"
#include "app/displaysetup.h"
#include "app/mainwindow.h"
#include "app/stylesheet.h"
#include "app/testseam.h"
#include "protocol/devicetext.h"

#include <QApplication>
#include <QTextCodec>

int main(int argc, char *argv[])
{
    displaysetup::prepare();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dapcontrol"));
    appfolders::setUp();
    // 8-bit texts of the processor and of the files are GB2312.
    if (QTextCodec *codec = proto::deviceCodec())
        QTextCodec::setCodecForLocale(codec);
    applyStyleSheet(app);
    MainWindowOptions options;
    testseam::applyOptions(options);
    mainWindow window(options);
    window.show();
    testseam::startWidgetMap();
    return app.exec();
}
