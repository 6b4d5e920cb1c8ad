#include "mainwindow.h"

#include "app/changelog.h"
#include "app/changelogwindow.h"
#include "app/firmware.h"
#include "app/login.h"
#include "app/overview.h"
#include "app/session.h"
#include "app/simlauncher.h"
#include "app/undokeys.h"
#include "devices/devicelist.h"
#include "logging.h"
#include "modules/changerecorder.h"
#include "modules/moduleclock.h"
#include "pages/funcwidget.h"
#include "pages/progress.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/language.h"
#include "widgets/passwordcheck.h"
#include "widgets/prompts.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// System Frames of the shell (class 2).
constexpr quint8 kLoginType = 1;
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
    setProgressDialog(m_progress);
    m_login = new QLogin(this);
    m_pwdModDialog = new QPwdModDialog(this);
    m_lockPwdModDialog = new QlockPwdModDialog(this);
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setSingleShot(true);
    connect(m_reconnectTimer, &QTimer::timeout, this, &mainWindow::reconnectNow);
    makeConnections();

    m_router.setHandler(proto::ClassSystem, kLoginType, [this](const proto::Frame &frame) {
        loginReport(frame.paramCode, frame.direction, frame.payload);
    });
    m_funcWidget->registerRoutes(m_router);
    for (quint8 target : {proto::kArmTarget, proto::kDspTarget}) {
        m_router.setHandler(proto::ClassUpgrade, target, [](const proto::Frame &frame) {
            proto::Transfer::instance().receive(frame);
        });
    }

    // The change log lives beside the device list, in a file of its own.
    m_changeLog = new ChangeLog(QFileInfo(options.devices.databasePath)
                                    .absoluteDir()
                                    .filePath(QStringLiteral("changes.db")),
                                this);
    ChangeRecorder &recorder = ChangeRecorder::instance();
    recorder.setRowSink([log = m_changeLog](ChangeRow &&row) { log->append(std::move(row)); });
    connect(&recorder, &ChangeRecorder::historyChanged, this, &mainWindow::updateUndoActions);
    connect(&recorder, &ChangeRecorder::refused, this, [this](const QString &text) {
        prompts::notify(this, QMessageBox::Information, tr("Undo"), text);
    });
    updateUndoActions();

    m_devTable->loadDevices();
    if (options.startModuleClock)
        ModuleClock::instance().start();
}

mainWindow::~mainWindow()
{
    // The sockets go with the device table; the transport must not keep pointing at one,
    // and a socket must not report its closing to a table that is half destroyed.
    // A transfer goes first, without a word: dropping the socket would report it as lost.
    proto::Transfer::instance().abandon();
    proto::Transport::instance().setCurrentSocket(nullptr);
    ChangeRecorder::instance().setRowSink({});
    ChangeRecorder::instance().clearProcessor();
    setProgressDialog(nullptr);
    for (int i = 0; i < m_devTable->deviceCount(); ++i) {
        if (QTcpSocket *socket = m_devTable->existingSocket(i))
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
    QString error;
    if (!m_languages.saveConfig(&error))
        prompts::notify(this, QMessageBox::Warning, tr("Language"),
                        tr("cfg.dat cannot be written (%1): the language applies until the "
                           "program ends.")
                            .arg(error));
}

void mainWindow::buildMenu()
{
    m_menu = menuBar()->addMenu(QStringLiteral("Menu"));
    m_armUpdateAction = m_menu->addAction(QStringLiteral("Upgrade ARM firmware"));
    m_dspUpdateAction = m_menu->addAction(QStringLiteral("Upgrade DSP firmware"));
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

    connect(m_armUpdateAction, &QAction::triggered, this, &mainWindow::armUpdateClicked);
    connect(m_dspUpdateAction, &QAction::triggered, this, &mainWindow::dspUpdateClicked);
    // One transfer at a time: the commands that start one wait while one runs.
    connect(&proto::Transfer::instance(), &proto::Transfer::busyChanged, this, [this](bool busy) {
        m_armUpdateAction->setEnabled(!busy);
        m_dspUpdateAction->setEnabled(!busy);
    });
    connect(m_pwdModAction, &QAction::triggered, this, &mainWindow::pwdModClicked);
    connect(m_lockPwdModAction, &QAction::triggered, this, &mainWindow::lockPwdModClicked);
    connect(m_resetAction, &QAction::triggered, this, &mainWindow::resetClicked);
    connect(m_devListAction, &QAction::triggered, this, &mainWindow::devListClicked);

    m_simAction = m_menu->addAction(QStringLiteral("Start a simulated processor"));
    m_simAction->setObjectName(QStringLiteral("simAction"));
    connect(m_simAction, &QAction::triggered, this, &mainWindow::simulatorClicked);

    // Undo and redo act on the window; a text field with the focus keeps Ctrl+Z only while
    // its text is being edited (UndoKeys).
    qApp->installEventFilter(new UndoKeys(this));
    m_menu->addSeparator();
    m_undoAction = m_menu->addAction(QStringLiteral("Undo"));
    m_undoAction->setObjectName(QStringLiteral("undoAction"));
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redoAction = m_menu->addAction(QStringLiteral("Redo"));
    m_redoAction->setObjectName(QStringLiteral("redoAction"));
    m_redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction *a : {m_undoAction, m_redoAction})
        a->setShortcutContext(Qt::WindowShortcut);
    m_changeLogAction = m_menu->addAction(QStringLiteral("Change log"));
    m_changeLogAction->setObjectName(QStringLiteral("changeLogAction"));
    connect(m_undoAction, &QAction::triggered, this, &mainWindow::undoClicked);
    connect(m_redoAction, &QAction::triggered, this, &mainWindow::redoClicked);
    connect(m_changeLogAction, &QAction::triggered, this, &mainWindow::changeLogClicked);
}

void mainWindow::undoClicked()
{
    ChangeRecorder::instance().undo();
}

void mainWindow::redoClicked()
{
    ChangeRecorder::instance().redo();
}

void mainWindow::changeLogClicked()
{
    if (!m_changeLogWindow)
        m_changeLogWindow = new ChangeLogWindow(m_changeLog, this);
    m_changeLogWindow->show();
    m_changeLogWindow->raise();
    m_changeLogWindow->refresh();
}

void mainWindow::updateUndoActions()
{
    const ChangeRecorder &recorder = ChangeRecorder::instance();
    if (recorder.canUndo()) {
        m_undoAction->setText(tr("Undo %1").arg(recorder.undoText()));
    } else if (const QString last = recorder.notUndoableText(); !last.isEmpty()) {
        m_undoAction->setText(tr("Cannot undo %1").arg(last));
    } else {
        m_undoAction->setText(tr("Undo"));
    }
    m_undoAction->setEnabled(recorder.canUndo());
    m_redoAction->setText(recorder.canRedo() ? tr("Redo %1").arg(recorder.redoText()) : tr("Redo"));
    m_redoAction->setEnabled(recorder.canRedo());
}

void mainWindow::simulatorClicked()
{
    if (!m_simLauncher) {
        m_simLauncher = new SimLauncher(this);
        connect(m_simLauncher, &SimLauncher::stopped, this,
                [this] { m_simAction->setEnabled(true); });
    }
    if (!m_simLauncher->start()) {
        QMessageBox::warning(this, tr("Simulated processor"), m_simLauncher->errorText());
        return;
    }
    m_simAction->setEnabled(false);
    QMessageBox::information(
        this, tr("Simulated processor"),
        tr("A simulated processor runs at %1 and appears in the device list in a moment. "
           "Its login password is %2. It stops when the program ends.")
            .arg(m_simLauncher->address().toString(), QLatin1String(SimLauncher::kPassword)));
}

void mainWindow::buildCentralArea()
{
    setFixedSize(1280, 705);
    // No docks or tool bars move here; an animated main window would start a geometry
    // animation of the central area on every relayout.
    setAnimated(false);
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
    connect(t, &QDevTable::sigNetworkSettingsSent, this, [this](int index) {
        const QString model =
            devices::fromDeviceText(devices::fieldBytes(m_devTable->deviceRecord(index).model));
        ChangeRecorder::instance().notUndoable(m_devTable->deviceRecord(index).machineid, model,
                                               m_devTable->deviceAddress(index),
                                               tr("the network settings of %1").arg(model));
    });
    connect(l, &QDeviceList::sig_devChanged, this, &mainWindow::devChanged);
    connect(l, &QDeviceList::sig_devRetry, this, &mainWindow::devRetry);
    connect(t, &QDevTable::sigNetBrowsingState, this, [this](int index, bool isFound) {
        // A lost processor is not called again until it announces itself.
        if (!isFound && index == currentIndex() && m_reconnectTimer->isActive()) {
            m_reconnectTimer->stop();
            m_overView->setNetState(QAbstractSocket::UnconnectedState);
        }
    });
    connect(t, &QDevTable::sigAddressNote, l, &QDeviceList::setAddressNote);
    connect(t, &QDevTable::sigAddressChanged, this, &mainWindow::addressChanged);
    connect(l, &QDeviceList::sig_removeUnheard, t, &QDevTable::removeUnheardClicked);
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
    m_simAction->setText(tr("Start a simulated processor"));
    m_changeLogAction->setText(tr("Change log"));
    if (m_changeLog)
        updateUndoActions();

    const QFont font = languageFont(9);
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

void mainWindow::armUpdateClicked()
{
    const QString path = startFirmwareUpgrade(this, proto::kArmTarget, m_currentId);
    if (!path.isEmpty()) {
        m_armImagePath = path;
        ChangeRecorder::instance().notUndoable(tr("a firmware upgrade"));
    }
}

void mainWindow::dspUpdateClicked()
{
    const QString path = startFirmwareUpgrade(this, proto::kDspTarget, m_currentId);
    if (!path.isEmpty()) {
        m_dspImagePath = path;
        ChangeRecorder::instance().notUndoable(tr("a firmware upgrade"));
    }
}

void mainWindow::pwdModClicked()
{
    if (!session::loggedIn())
        return;
    if (m_pwdModDialog->exec() != QDialog::Accepted)
        return;
    sendSystem(kSettingsType, kLoginPasswordCode,
               passwordcheck::bytes(m_pwdModDialog->newPassword()));
    ChangeRecorder::instance().notUndoable(tr("a password change"));
}

void mainWindow::lockPwdModClicked()
{
    if (!session::loggedIn())
        return;
    if (m_lockPwdModDialog->exec() != QDialog::Accepted)
        return;
    sendSystem(kSecurityType, kLockPasswordOldCode,
               passwordcheck::bytes(m_lockPwdModDialog->lockPassword()));
    sendSystem(kSecurityType, kLockPasswordNewCode,
               passwordcheck::bytes(m_lockPwdModDialog->newPassword()));
    ChangeRecorder::instance().notUndoable(tr("a password change"));
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
    ChangeRecorder::instance().notUndoable(tr("a factory reset"));
}
