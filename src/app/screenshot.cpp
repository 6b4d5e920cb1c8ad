// Renders the main window without a display, connected and logged in to a processor that
// announces itself on the given port, and saves it as a picture (scripts/screenshot.sh).
//
//   dapscreenshot --announce-port PORT --password TEXT --out FILE.png [--tab N] [--chinese]
//
// Runs in a working folder laid out like build/run (translations/, image/).

#include "app/login.h"
#include "app/mainwindow.h"
#include "app/stylesheet.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "pages/funcwidget.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <cstdio>
#include <functional>

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void settle(int ms)
{
    waitFor([] { return false; }, ms);
}

int fail(const char *message)
{
    std::fprintf(stderr, "dapscreenshot: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption portOption("announce-port", "Announcement port.", "PORT");
    const QCommandLineOption passwordOption("password", "Login password.", "TEXT");
    const QCommandLineOption outOption("out", "Picture to write.", "FILE");
    const QCommandLineOption tabOption("tab", "Tab to show (0-14).", "N", "0");
    const QCommandLineOption chineseOption("chinese", "Show the second language.");
    parser.addOptions({portOption, passwordOption, outOption, tabOption, chineseOption});
    parser.process(app);
    if (!parser.isSet(outOption) || !parser.isSet(portOption))
        return fail("--out and --announce-port are required");

    applyStyleSheet(app);
    MainWindowOptions options;
    options.devices.announcePort = quint16(parser.value(portOption).toUInt());
    options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.devices.commandPort = 9;
    mainWindow window(options);
    window.show();
    if (parser.isSet(chineseOption) && window.languageAction(1))
        window.languageAction(1)->trigger();

    if (!waitFor([&] { return window.deviceList()->rowCount() > 0; }, 10000))
        return fail("no processor announced itself");
    QDeviceItem *tile = window.deviceList()->item(0);
    const QPointF centre(tile->width() / 2.0, tile->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, centre, tile->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tile, &press);

    QLogin *login = window.loginDialog();
    if (parser.isSet(passwordOption) && waitFor([&] { return login->isVisible(); }, 3000)) {
        login->passwordEdit()->setText(parser.value(passwordOption));
        login->Accept();
    }
    const int tab = parser.value(tabOption).toInt();
    if (tab > 0 && tab < FuncWidget::TabCount)
        window.funcWidget()->tabButton(FuncWidget::Tab(tab))->click();
    // Let the panels poll the processor and the meters move.
    settle(2500);

    if (!window.grab().save(parser.value(outOption)))
        return fail("cannot write the picture");
    return 0;
}
