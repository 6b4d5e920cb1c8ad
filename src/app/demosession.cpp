#include "demosession.h"

#include "app/login.h"
#include "app/mainwindow.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"
#include "pages/funcwidget.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace demo {

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

std::unique_ptr<mainWindow> openSession(const SessionOptions &session, QString *error)
{
    MainWindowOptions options;
    options.devices.announcePort = session.announcePort;
    options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.devices.commandPort = 9;
    auto window = std::make_unique<mainWindow>(options);
    window->show();
    if (session.chinese && window->languageAction(1))
        window->languageAction(1)->trigger();

    if (!waitFor([&] { return window->deviceList()->rowCount() > 0; }, 10000)) {
        *error = QStringLiteral("no processor announced itself");
        return nullptr;
    }
    QDeviceItem *tile = window->deviceList()->item(0);
    const QPointF centre(tile->width() / 2.0, tile->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, centre, tile->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tile, &press);

    QLogin *login = window->loginDialog();
    if (!session.password.isEmpty() && waitFor([&] { return login->isVisible(); }, 3000)) {
        login->passwordEdit()->setText(session.password);
        login->Accept();
    }
    if (session.tab > 0 && session.tab < FuncWidget::TabCount)
        window->funcWidget()->tabButton(FuncWidget::Tab(session.tab))->click();
    return window;
}

} // namespace demo
