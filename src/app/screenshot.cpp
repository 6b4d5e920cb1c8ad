// Renders the main window without a display, connected and logged in to a processor that
// announces itself on the given port, and saves it as a picture (scripts/screenshot.sh).
//
//   dapscreenshot --announce-port PORT --password TEXT --out FILE.png [--tab N] [--chinese]
//
// Runs in a working folder laid out like build/run (translations/, image/).

#include "app/demosession.h"
#include "app/mainwindow.h"
#include "app/stylesheet.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

namespace {

void settle(int ms)
{
    demo::waitFor([] { return false; }, ms);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "dapscreenshot: %s\n", qPrintable(message));
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
    demo::SessionOptions session;
    session.announcePort = quint16(parser.value(portOption).toUInt());
    session.password = parser.value(passwordOption);
    session.tab = parser.value(tabOption).toInt();
    session.chinese = parser.isSet(chineseOption);
    QString error;
    const std::unique_ptr<mainWindow> window = demo::openSession(session, &error);
    if (!window)
        return fail(error);
    // Let the panels poll the processor and the meters move.
    settle(2500);

    if (!window->grab().save(parser.value(outOption)))
        return fail("cannot write the picture");
    return 0;
}
