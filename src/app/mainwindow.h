#pragma once

#include "app/languages.h"
#include "devices/devtable.h"
#include "protocol/linkwatch.h"
#include "protocol/router.h"

#include <QAbstractSocket>
#include <QHash>
#include <QMainWindow>

#include <array>

class ChangeLog;
class ChangeLogWindow;
class FuncWidget;
class QAction;
class SimLauncher;
class QDeviceList;
class QLogin;
class QMenu;
class QOverView;
class QProgressDialog;
class QTimer;
class QPwdModDialog;
class QlockPwdModDialog;

// Production defaults; tests redirect the device table to loopback and a temporary folder
// and leave the shared module clock stopped.
struct MainWindowOptions {
    DevTableOptions devices;
    bool startModuleClock = true;
};

// The program's window: the device list on the left, the overview and the module tabs on
// the right, the menu, the login and password dialogs, and the connection to the processor
// the user selects.
class mainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit mainWindow(const MainWindowOptions &options = {});
    ~mainWindow() override;

    QDevTable *devTable() const { return m_devTable; }
    QDeviceList *deviceList() const { return m_deviceList; }
    FuncWidget *funcWidget() const { return m_funcWidget; }
    QOverView *overView() const { return m_overView; }
    QLogin *loginDialog() const { return m_login; }
    QPwdModDialog *pwdModDialog() const { return m_pwdModDialog; }
    QlockPwdModDialog *lockPwdModDialog() const { return m_lockPwdModDialog; }
    QProgressDialog *progressDialog() const { return m_progress; }
    QMenu *menu() const { return m_menu; }
    QMenu *languageMenu() const { return m_languageMenu; }
    QAction *undoAction() const { return m_undoAction; }
    QAction *redoAction() const { return m_redoAction; }
    QAction *changeLogAction() const { return m_changeLogAction; }
    ChangeLog *changeLog() const { return m_changeLog; }
    ChangeLogWindow *changeLogWindow() const { return m_changeLogWindow; }
    QAction *languageAction(int index) const { return m_languageActions[index]; }
    int languageCount() const { return m_languages.count(); }
    // Where tcpReadyRead() delivers the Frames of the current socket.
    const proto::FrameRouter &router() const { return m_router; }
    // The wait before the next attempt to reach the selected processor again; 0 when none
    // is planned.
    int reconnectDelay() const;

    static constexpr int kFirstRetryMs = 500;
    static constexpr int kLastRetryMs = 8000;
    // A link that stayed up this long and logged in starts the back-off over when it drops.
    static constexpr int kSteadyLinkMs = 10000;

public Q_SLOTS:
    // Another attempt to reach the selected processor: now, and after a lost link by the
    // back-off timer.
    void reconnectNow();
    proto::LinkWatch &linkWatch() { return m_linkWatch; }

private Q_SLOTS:
    void languageActionClicked();
    void devListClicked();
    // Starts one simulated processor on loopback (dapsim beside the program).
    void simulatorClicked();
    void armUpdateClicked();
    void dspUpdateClicked();
    void pwdModClicked();
    void lockPwdModClicked();
    void resetClicked();
    void netChanged(int index, QAbstractSocket::SocketState state);
    void devChanged(int index);
    void devRetry(int index);
    void tcpReadyRead();
    void sendPwdMsg();
    void undoClicked();
    void redoClicked();
    void changeLogClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void loadLanguageList();
    void loadConfig();
    void applyLanguage(int index);
    void saveConfig();
    void buildMenu();
    void buildCentralArea();
    void makeConnections();
    void retranslate();
    void loginReport(quint8 code, quint8 direction, const QByteArray &payload);
    int currentIndex() const;
    void connectCurrent(QTcpSocket *socket, int index);
    // The address at the other end of the current connection; 0 when not connected.
    quint32 currentPeerAddress() const;
    void addressChanged(uint index, uint previous, bool commanded);
    void planReconnect();
    // The texts and states of "Undo" and "Redo" from the history of the current processor.
    void updateUndoActions();

    Languages m_languages;
    QMenu *m_menu = nullptr;
    QMenu *m_languageMenu = nullptr;
    QAction *m_armUpdateAction = nullptr;
    QAction *m_dspUpdateAction = nullptr;
    QAction *m_pwdModAction = nullptr;
    QAction *m_lockPwdModAction = nullptr;
    QAction *m_resetAction = nullptr;
    QAction *m_devListAction = nullptr;
    QAction *m_simAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_changeLogAction = nullptr;
    ChangeLog *m_changeLog = nullptr;
    ChangeLogWindow *m_changeLogWindow = nullptr;
    SimLauncher *m_simLauncher = nullptr;
    std::array<QAction *, Languages::kMaxLanguages> m_languageActions{};

    QDevTable *m_devTable = nullptr;
    QLogin *m_login = nullptr;
    QPwdModDialog *m_pwdModDialog = nullptr;
    QlockPwdModDialog *m_lockPwdModDialog = nullptr;
    QOverView *m_overView = nullptr;
    QDeviceList *m_deviceList = nullptr;
    FuncWidget *m_funcWidget = nullptr;
    QProgressDialog *m_progress = nullptr;
    proto::FrameRouter m_router;
    QString m_armImagePath;
    QString m_dspImagePath;

    // The selected processor by machine id (its index moves when an earlier one is removed).
    quint32 m_currentId = 0;
    bool m_hasCurrent = false;
    QTimer *m_reconnectTimer = nullptr;
    int m_retryMs = kFirstRetryMs;
    qint64 m_linkUpAt = 0;
    bool m_linkLoggedIn = false; // the current link has logged in
    // The password accepted in this run per processor, with the address it was accepted at;
    // kept in memory only.
    struct RememberedLogin {
        quint32 address = 0;
        QString password;
    };
    QHash<quint32, RememberedLogin> m_passwords;
    QString m_typedPassword;
    bool m_autoLoginSent = false;
    bool m_restarting = false;
    proto::LinkWatch m_linkWatch;
};
