#include "app/login.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "modules/moduleclock.h"
#include "pages/funcwidget.h"
#include "protocol/transport.h"
#include "support/unwritablefile.h"
#include "widgets/language.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QString kStaged = QDir::cleanPath(QStringLiteral(DAP_BIN_DIR "/../run/translations"));

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

MainWindowOptions testOptions()
{
    MainWindowOptions options;
    options.devices.announcePort = 0;
    options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.devices.commandPort = 9;
    options.startModuleClock = false;
    return options;
}

// Runs handle on the next modal dialog that opens (or records that none opened).
struct ModalWatcher {
    QWidget *seen = nullptr;
    void expect(std::function<void(QWidget *)> handle)
    {
        QTimer::singleShot(0, [this, handle] {
            seen = QApplication::activeModalWidget();
            if (seen)
                handle(seen);
        });
    }
};

QByteArray frame(const char *hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QByteArray> m_sent;

    void stageTranslations(const QByteArray &languageDat)
    {
        QDir().mkpath("translations");
        for (const char *file : {"dapcontrol_english.qm", "dapcontrol_chinese.qm"})
            QVERIFY(QFile::copy(kStaged + "/" + file, QString("translations/") + file));
        writeFile("translations/language.dat", languageDat);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(m_dir->path());
        proto::Transport::instance().setFrameCode(1);
        language::setCurrentLanguage(0);
        session::setLoggedIn(false);
        m_sent.clear();
        proto::Transport::instance().setSink([this](const QByteArray &b) { m_sent << b; });
    }

    void cleanup()
    {
        proto::Transport::instance().setSink({});
        session::setLoggedIn(false);
    }

    void startsInEmptyFolder()
    {
        mainWindow window(testOptions());
        QVERIFY(!QFile::exists("cfg.dat")); // written once a language is chosen
        QVERIFY(QFile::exists("device.db"));
        QCOMPARE(language::currentLanguage(), quint8(0));
        QCOMPARE(proto::Transport::instance().frameCode(), quint16(1));
        QCOMPARE(window.languageMenu(), nullptr);
        QCOMPARE(window.windowTitle(), QString("Digital Audio Processor"));
        QCOMPARE(window.size(), QSize(1280, 705));
        for (const char *name : {"centralWidget", "leftWidget", "logoFrame", "overViewWidget",
                                 "funcWidget", "deviceListScrollArea"})
            QVERIFY2(window.findChild<QWidget *>(name), name);
        // Frames of the cfg.dat code go out with it.
        writeFile("cfg.dat", "code:70000\r\n");
        mainWindow again(testOptions());
        QCOMPARE(proto::Transport::instance().frameCode(), quint16(4464));
    }

    // With no processor the whole window, every page included, leaves the shared clock
    // asleep: nothing polls a processor that is not there.
    void clockSleepsWithNoProcessor()
    {
        proto::Transport::instance().setSink({});
        mainWindow window(testOptions());
        window.show();
        ModuleClock &clock = ModuleClock::instance();
        clock.start();
        clock.timerFired();
        QVERIFY(clock.isIdle());
        clock.stop();
    }

    void languageSubmenu_data()
    {
        QTest::addColumn<QByteArray>("languageDat");
        QTest::addColumn<int>("actions");
        QTest::newRow("one language") << QByteArray("lang:a;font:A;\n") << 0;
        QTest::newRow("three languages") << QByteArray("lang:a;\nlang:b;\nlang:c;\n") << 3;
    }

    void languageSubmenu()
    {
        QFETCH(QByteArray, languageDat);
        QFETCH(int, actions);
        QDir().mkpath("translations");
        writeFile("translations/language.dat", languageDat);
        mainWindow window(testOptions());
        if (actions == 0) {
            QCOMPARE(window.languageMenu(), nullptr);
            return;
        }
        QVERIFY(window.languageMenu());
        const QList<QAction *> list = window.languageMenu()->actions();
        QCOMPARE(list.size(), actions);
        for (int i = 0; i < actions; ++i)
            QCOMPARE(list[i]->objectName(), QString("language%1").arg(i + 1));
        // The menu order: ..., Reset, Language, Device list, then the simulated processor,
        // then (after a separator) Undo, Redo and Change log.
        const QList<QAction *> menu = window.menu()->actions();
        QCOMPARE(menu.size(), 12);
        QCOMPARE(menu[5]->menu(), window.languageMenu());
        QCOMPARE(menu[7]->objectName(), QStringLiteral("simAction"));
    }

    void choosingALanguageRetranslatesAndIsKept()
    {
        stageTranslations("lang:dapcontrol_english;font:Arial;\r\n"
                          "lang:dapcontrol_chinese;font:Noto Sans CJK SC;\r\n");
        {
            mainWindow window(testOptions());
            QCoreApplication::sendPostedEvents();
            QCOMPARE(window.menu()->title(), QString("Menu"));
            QCOMPARE(window.languageAction(0)->text(), QString("English"));
            QCOMPARE(window.menu()->actions()[0]->text(), QString("Update ARM Firmware"));

            window.languageAction(1)->trigger();
            QCOMPARE(readFile("cfg.dat"), QByteArray("current lang:1\r\ncode:1\r\n"));
            QCoreApplication::sendPostedEvents();
            QCOMPARE(window.menu()->title(), QString::fromUtf8("菜单"));
            QCOMPARE(window.windowTitle(), QString::fromUtf8("数字音频处理器"));
            QCOMPARE(window.funcWidget()->tabButton(FuncWidget::TabInLevel)->text(),
                     QString::fromUtf8("输入电平"));
            QCOMPARE(window.loginDialog()->windowTitle(), QString::fromUtf8("登录"));
            QCOMPARE(window.menuBar()->font().family(), QString("Noto Sans CJK SC"));
        }
        // A restart comes up in the chosen language.
        mainWindow window(testOptions());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(language::currentLanguage(), quint8(1));
        QCOMPARE(window.menu()->title(), QString::fromUtf8("菜单"));

        // Back to English.
        window.languageAction(0)->trigger();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(readFile("cfg.dat"), QByteArray("current lang:0\r\ncode:1\r\n"));
        QCOMPARE(window.menu()->title(), QString("Menu"));
        QCOMPARE(window.funcWidget()->tabButton(FuncWidget::TabInLevel)->text(),
                 QString("In Level"));

        // A cfg.dat that cannot be written: the choice applies and the user is told.
        QStringList notices;
        prompts::setNotifyHook([&](QMessageBox::Icon, const QString &t) { notices << t; });
        testsupport::UnwritableFile locked("cfg.dat");
        if (locked.ok()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write.*cfg.dat"));
            window.languageAction(1)->trigger();
            QCOMPARE(language::currentLanguage(), quint8(1));
            QCOMPARE(notices.size(), 1);
            QVERIFY2(notices[0].contains("cfg.dat"), qPrintable(notices[0]));
            QCOMPARE(readFile("cfg.dat"), QByteArray("current lang:0\r\ncode:1\r\n"));
        }
        prompts::setNotifyHook({});
    }

    void menuCommandsNeedALogin()
    {
        mainWindow window(testOptions());
        const QList<QAction *> menu = window.menu()->actions();
        for (int i : {2, 3, 4}) { // login password, lock password, reset
            ModalWatcher watcher;
            watcher.expect([](QWidget *w) { w->close(); });
            menu[i]->trigger();
            QCoreApplication::processEvents();
            QCOMPARE(watcher.seen, nullptr);
        }
        QVERIFY(m_sent.isEmpty());
    }

    void resetBox_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::newRow("OK") << "OK"
                            << QList<QByteArray>{frame("827d0100020211010000"
                                                       "7d82")};
        QTest::newRow("Cancle") << "Cancle" << QList<QByteArray>{};
    }

    void resetBox()
    {
        QFETCH(QString, button);
        mainWindow window(testOptions());
        session::setLoggedIn(true);
        ModalWatcher watcher;
        QString title;
        QStringList buttons;
        QString text;
        watcher.expect([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton *b : box->buttons())
                buttons << b->text();
            for (QAbstractButton *b : box->buttons())
                if (b->text() == button)
                    b->click();
        });
        window.menu()->actions()[4]->trigger();
        QVERIFY(watcher.seen);
        QCOMPARE(title, QString("warning"));
        buttons.sort();
        QCOMPARE(buttons, QStringList({"Cancle", "OK"}));
        QCOMPARE(text, QString("<font size='5' face='Arial' color='red'><B>Restore the factory "
                               "settings will delete all user data!!!<br>Do you want to "
                               "reformat the disk and erase all data?</font>"));
        QTEST(m_sent, "frames");
    }

    void passwordChanges()
    {
        mainWindow window(testOptions());
        session::setLoggedIn(true);
        ModalWatcher watcher;
        watcher.expect([&](QWidget *) {
            window.lockPwdModDialog()->oldEdit()->setText("1234");
            window.lockPwdModDialog()->newEdit()->setText(QString::fromLatin1("ab\xe9"));
            window.lockPwdModDialog()->verifyEdit()->setText(QString::fromLatin1("ab\xe9"));
            window.lockPwdModDialog()->buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        window.menu()->actions()[3]->trigger();
        QCOMPARE(m_sent, QList<QByteArray>({frame("827d0100020501010400"
                                                  "31323334"
                                                  "7d82"),
                                            frame("827d0100020502010300"
                                                  "6162e9"
                                                  "7d82")}));

        m_sent.clear();
        watcher.expect([&](QWidget *) {
            window.pwdModDialog()->newEdit()->setText("abcdefgh");
            window.pwdModDialog()->confirmEdit()->setText("abcdefgh");
            window.pwdModDialog()->buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        window.menu()->actions()[2]->trigger();
        QCOMPARE(m_sent, QList<QByteArray>({frame("827d010002020e010800"
                                                  "6162636465666768"
                                                  "7d82")}));

        m_sent.clear();
        watcher.expect([&](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
        window.menu()->actions()[3]->trigger();
        QVERIFY(m_sent.isEmpty());
    }

    void loginReports()
    {
        mainWindow window(testOptions());
        auto feed = [&](const char *hex) {
            proto::Transport::instance().receiveBytes(frame(hex), window.router());
        };
        // Wrong length or direction: nothing changes.
        feed("827d01000201018002000100"
             "7d82");
        feed("827d010002010101010000"
             "7d82");
        feed("827d010002010101010001"
             "7d82");
        feed("827d010002010280010001"
             "7d82"); // another code
        QVERIFY(!session::loggedIn());
        QVERIFY(!window.loginDialog()->isVisible());

        feed("827d010002010180010000"
             "7d82");
        QVERIFY(window.loginDialog()->isVisible());
        QVERIFY(!session::loggedIn());

        window.loginDialog()->passwordEdit()->setText(QString::fromLatin1("p\xe4"
                                                                          "1"));
        window.loginDialog()->buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(m_sent, QList<QByteArray>({frame("827d0100020101010300"
                                                  "70e431"
                                                  "7d82")}));

        m_sent.clear();
        feed("827d010002010180010001"
             "7d82");
        QVERIFY(session::loggedIn());
        QVERIFY(!window.loginDialog()->isVisible());
        // Device information first, then the lock table (23 security requests).
        QList<QByteArray> expected = {frame("827d01000203010000007d82"),
                                      frame("827d01000203020000007d82")};
        for (const char *code : {"01", "02", "03", "0a", "0b", "10", "0c"})
            expected << frame((QByteArray("827d01000202") + code + "0000007d82").constData());
        QCOMPARE(m_sent.size(), expected.size() + 23);
        QCOMPARE(m_sent.mid(0, expected.size()), expected);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
