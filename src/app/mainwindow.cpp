#include "mainwindow.h"

#include "app/login.h"
#include "app/overview.h"
#include "app/session.h"
#include "devices/devicelist.h"
#include "logging.h"
#include "modules/moduleclock.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "widgets/language.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTcpSocket>
#include <QVBoxLayout>

namespace {

constexpr quint16 kProcessorPort = 2699;

// System Frames of the shell (class 2).
constexpr quint8 kLoginType = 1;
constexpr quint8 kLoginCode = 1;
constexpr quint8 kSettingsType = 2;
constexpr quint8 kLoginPasswordCode = 14;
constexpr quint8 kFactoryResetCode = 17;
constexpr quint8 kSecurityType = 5;
constexpr quint8 kLockPasswordOldCode = 1;
constexpr quint8 kLockPasswordNewCode = 2;

void sendSystem(quint8 type, quint8 code, const QByteArray &payload = {})
{
    proto::sendFrame(proto::ClassSystem, type, code, proto::DirSet, payload.constData(),
                     quint16(payload.size()));
}

} // namespace

mainWindow::mainWindow(const MainWindowOptions &options) : QMainWindow(nullptr)
{
    loadLanguageList();
    loadConfig();
    buildMenu();
    m_devTable = new QDevTable(this, options.devices);
    buildCentralArea();

    m_progress = new QProgressDialog(this);
    m_progress->setWindowTitle(QStringLiteral(" "));
    m_progress->setModal(true);
    m_progress->reset(); // stays hidden until a transfer starts
    m_login = new QLogin(this);
    m_pwdModDialog = new QPwdModDialog(this);
    m_lockPwdModDialog = new QlockPwdModDialog(this);
    makeConnections();

    m_router.setHandler(proto::ClassSystem, kLoginType, [this](const proto::Frame &frame) {
        loginReport(frame.paramCode, frame.direction, frame.payload);
    });
    m_funcWidget->registerRoutes(m_router);

    m_devTable->loadDevices();
    if (options.startModuleClock)
        ModuleClock::instance().start();
}

mainWindow::~mainWindow()
{
    // The sockets go with the device table; the transport must not keep pointing at one,
    // and a socket must not report its closing to a table that is half destroyed.
    proto::Transport::instance().setCurrentSocket(nullptr);
    for (int i = 0; i < m_devTable->deviceCount(); ++i) {
        if (QTcpSocket *socket = m_devTable->deviceSocket(i))
            socket->abort();
    }
}

void mainWindow::loadLanguageList()
{
    m_languages.loadLanguageList();
}

void mainWindow::loadConfig()
{
    applyLanguage(m_languages.loadConfig());
}

void mainWindow::applyLanguage(int index)
{
    setWindowTitle(m_languages.applyLanguage(index));
}

void mainWindow::saveConfig()
{
    m_languages.saveConfig();
}

void mainWindow::buildMenu()
{
    m_menu = menuBar()->addMenu(QStringLiteral("Menu"));
    m_armUpdateAction = m_menu->addAction(QStringLiteral("Upgrade ARM firmware"));
    m_dspUpdateAction = m_menu->addAction(QStringLiteral("Upgrade DSP firmware"));
    // The firmware upgrade connects these two; until then they stay unavailable.
    m_armUpdateAction->setEnabled(false);
    m_dspUpdateAction->setEnabled(false);
    m_pwdModAction = m_menu->addAction(QStringLiteral("Modify login password"));
    m_lockPwdModAction = m_menu->addAction(QStringLiteral("Modify security lock password"));
    m_resetAction = m_menu->addAction(QStringLiteral("Reset"));
    for (int i = 0; i < Languages::kMaxLanguages; ++i) {
        m_languageActions[i] = new QAction(this);
        m_languageActions[i]->setObjectName(QStringLiteral("language%1").arg(i + 1));
        connect(m_languageActions[i], &QAction::triggered, this,
                &mainWindow::languageActionClicked);
    }
    if (m_languages.count() > 1) {
        m_languageMenu = m_menu->addMenu(QStringLiteral("Language"));
        for (int i = 0; i < m_languages.count(); ++i)
            m_languageMenu->addAction(m_languageActions[i]);
    }
    m_devListAction = m_menu->addAction(QStringLiteral("Device list"));

    connect(m_pwdModAction, &QAction::triggered, this, &mainWindow::pwdModClicked);
    connect(m_lockPwdModAction, &QAction::triggered, this, &mainWindow::lockPwdModClicked);
    connect(m_resetAction, &QAction::triggered, this, &mainWindow::resetClicked);
    connect(m_devListAction, &QAction::triggered, this, &mainWindow::devListClicked);
}

void mainWindow::buildCentralArea()
{
    setFixedSize(1280, 705);
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(5);

    auto *left = new QWidget(central);
    left->setObjectName(QStringLiteral("leftWidget"));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(5, 5, 5, 5);
    leftLayout->setSpacing(5);
    auto *logo = new QFrame(left);
    logo->setObjectName(QStringLiteral("logoFrame"));
    m_deviceList = new QDeviceList(left);
    leftLayout->addWidget(logo, 1);
    leftLayout->addWidget(m_deviceList, 8);
    layout->addWidget(left, 1);

    auto *right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(5);
    m_overView = new QOverView(central);
    m_funcWidget = new FuncWidget(central);
    right->addWidget(m_overView, 2);
    right->addWidget(m_funcWidget, 4);
    layout->addLayout(right, 8);
    setCentralWidget(central);
}

void mainWindow::makeConnections()
{
    connect(m_login, &QLogin::EnterPassword, this, &mainWindow::sendPwdMsg);

    connectOverview(m_funcWidget, m_overView);
    // What is shown of a processor is current only while its link carries data.
    connect(&m_linkWatch, &proto::LinkWatch::linkLost, m_funcWidget, &FuncWidget::linkLost);
    connect(&m_linkWatch, &proto::LinkWatch::linkLost, m_overView,
            [this] { m_overView->setLinkLive(false); });
    connect(&m_linkWatch, &proto::LinkWatch::linkBack, m_overView,
            [this] { m_overView->setLinkLive(true); });

    QDevTable *t = m_devTable;
    QDeviceList *l = m_deviceList;
    connect(t, &QDevTable::sigAddDev, l, &QDeviceList::addItem);
    connect(t, &QDevTable::sigRemoveDev, l, &QDeviceList::removeRow);
    connect(t, &QDevTable::sigIpaddr, l, &QDeviceList::setIpaddr);
    connect(t, &QDevTable::sigNetState, this, &mainWindow::netChanged);
    connect(t, &QDevTable::sigNetBrowsingState, l, &QDeviceList::setNetBrowsingState);
    connect(t, &QDevTable::sigModel, l, &QDeviceList::setDeviceModel);
    connect(t, &QDevTable::sigPreset, l, &QDeviceList::setDevicePreset);
    connect(t, &QDevTable::sigFault, l, &QDeviceList::setFaultState);
    connect(l, &QDeviceList::sig_devChanged, this, &mainWindow::devChanged);
    connect(l, &QDeviceList::sig_removeRow, t, &QDevTable::removeDev);
    connect(l, &QDeviceList::sig_ipClicked, t, &QDevTable::ipClicked);
}

void mainWindow::retranslate()
{
    m_menu->setTitle(tr("Menu"));
    m_armUpdateAction->setText(tr("Updata ARM Firmware"));
    m_dspUpdateAction->setText(tr("Updata DSP Firmware"));
    if (m_languageMenu)
        m_languageMenu->setTitle(tr("Language"));
    const char *const names[Languages::kMaxLanguages] = {
        QT_TR_NOOP("Language1"), QT_TR_NOOP("Language2"), QT_TR_NOOP("Language3"),
        QT_TR_NOOP("Language4"), QT_TR_NOOP("Language5")};
    for (int i = 0; i < Languages::kMaxLanguages; ++i)
        m_languageActions[i]->setText(tr(names[i]));
    m_pwdModAction->setText(tr("Modify login password"));
    m_lockPwdModAction->setText(tr("Modify security lock password"));
    m_resetAction->setText(tr("Reset"));
    m_devListAction->setText(tr("Device list"));

    const QFont font(currentLanguageFont(), 9);
    menuBar()->setFont(font);
    m_menu->setFont(font);
    if (m_languageMenu)
        m_languageMenu->setFont(font);
    if (m_progress)
        m_progress->setFont(font);
}

void mainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void mainWindow::languageActionClicked()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (!name.startsWith(QLatin1String("language")) || name.size() < 9)
        return;
    applyLanguage(name.at(8).unicode() - '1');
    saveConfig();
}

void mainWindow::devListClicked()
{
    m_devTable->exec();
}

void mainWindow::pwdModClicked()
{
    if (!session::loggedIn())
        return;
    if (m_pwdModDialog->exec() != QDialog::Accepted)
        return;
    sendSystem(kSettingsType, kLoginPasswordCode, m_pwdModDialog->newPassword().toLatin1());
}

void mainWindow::lockPwdModClicked()
{
    if (!session::loggedIn())
        return;
    if (m_lockPwdModDialog->exec() != QDialog::Accepted)
        return;
    sendSystem(kSecurityType, kLockPasswordOldCode, m_lockPwdModDialog->lockPassword().toLatin1());
    sendSystem(kSecurityType, kLockPasswordNewCode, m_lockPwdModDialog->newPassword().toLatin1());
}

void mainWindow::resetClicked()
{
    if (!session::loggedIn())
        return;
    const QString text =
        QStringLiteral("<font size='5' face='Arial' color='red'><B>%1<br>%2</font>")
            .arg(tr("Restore the factory settings will delete all user data!!!"),
                 tr("Do you want to reformat the disk and erase all data?"));
    QMessageBox box(QMessageBox::Information, tr("warning"), text, QMessageBox::NoButton, this);
    QPushButton *ok = box.addButton(tr("OK"), QMessageBox::AcceptRole);
    box.addButton(tr("Cancle"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() != ok)
        return;
    sendSystem(kSettingsType, kFactoryResetCode);
}

void mainWindow::netChanged(int index, QAbstractSocket::SocketState state)
{
    if (index < 0 || index >= m_devTable->deviceCount())
        return;
    QAbstractSocket *socket = m_devTable->deviceSocket(index);
    if (socket && socket == proto::Transport::instance().currentSocket()) {
        m_overView->setNetState(state);
        m_linkWatch.setSocketState(state);
    }
}

void mainWindow::devChanged(int index)
{
    proto::Transport &transport = proto::Transport::instance();
    m_linkWatch.setSocketState(QAbstractSocket::UnconnectedState); // the old one's values go
    if (QAbstractSocket *previous = transport.currentSocket())
        disconnect(previous, &QIODevice::readyRead, this, &mainWindow::tcpReadyRead);
    if (index < 0 || index >= m_devTable->deviceCount()) {
        transport.setCurrentSocket(nullptr);
        m_overView->setNetState(QAbstractSocket::UnconnectedState);
        return;
    }
    QTcpSocket *socket = m_devTable->deviceSocket(index);
    transport.setCurrentSocket(socket);
    if (!socket)
        return;
    connect(socket, &QIODevice::readyRead, this, &mainWindow::tcpReadyRead);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        const QHostAddress address(m_devTable->deviceAddress(index));
        qCDebug(lcApp) << "connecting to" << address.toString();
        socket->disconnectFromHost();
        socket->abort();
        socket->connectToHost(address, kProcessorPort, QIODevice::ReadWrite);
    }
    m_overView->setNetState(socket->state());
}

void mainWindow::tcpReadyRead()
{
    m_linkWatch.heard();
    proto::Transport::instance().receive(m_router);
}

void mainWindow::sendPwdMsg()
{
    sendSystem(kLoginType, kLoginCode, m_login->password().toLatin1());
}

void mainWindow::loginReport(quint8 code, quint8 direction, const QByteArray &payload)
{
    if (code != kLoginCode || direction != proto::DirReport || payload.size() != 1)
        return;
    if (payload.at(0) != 0) {
        session::setLoggedIn(true);
        m_login->accept();
        m_funcWidget->requestDeviceInfo();
    } else {
        session::setLoggedIn(false);
        m_login->show();
    }
}
