// The firmware commands of the main window, with the Frames captured instead of sent.
#include "app/mainwindow.h"
#include "app/session.h"
#include "devices/devicelist.h"
#include "protocol/firmwarelock.h"
#include "protocol/transfer.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QMenu>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using proto::Frame;

class TestFirmware : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<Frame> m_sent;
    QStringList m_notices;
    int m_fileAsks = 0;
    int m_questions = 0;
    bool m_answer = true;
    QString m_chosen;
    std::unique_ptr<mainWindow> m_window;

    // "Upgrade ARM firmware" until a language is applied, "ARM" after.
    QAction *action(const QString &target) const
    {
        for (QAction *a : m_window->menu()->actions()) {
            if (a->text().startsWith("Up") && a->text().contains(target))
                return a;
        }
        return nullptr;
    }
    QString image(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(qHash(bytes)) + ".img");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    void ack(int block, quint8 target)
    {
        Frame f;
        f.frameClass = 1;
        f.frameType = target;
        f.paramCode = 1;
        f.direction = 0x80;
        f.payload = QByteArray(1, char(block)) + QByteArray(1, 0);
        m_window->router().route(f);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); // the firmware locks
        MainWindowOptions options;
        options.devices.announcePort = 0;
        options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.devices.commandPort = 9;
        options.startModuleClock = false;
        m_window = std::make_unique<mainWindow>(options);
        proto::Transport::instance().setSink(
            [this](const QByteArray &bytes) { m_sent.append(*proto::decodeFrame(bytes)); });
        prompts::setNotifyHook([this](QMessageBox::Icon, const QString &t) { m_notices << t; });
        prompts::setConfirmHook([this](const QString &) {
            ++m_questions;
            return m_answer;
        });
        prompts::setFileHook([this](prompts::FileRequest &) {
            ++m_fileAsks;
            return m_chosen;
        });
    }
    void init()
    {
        m_sent.clear();
        m_notices.clear();
        m_fileAsks = m_questions = 0;
        m_answer = true;
        session::setLoggedIn(true);
    }
    void cleanupTestCase()
    {
        proto::Transport::instance().setSink({});
        m_window.reset();
    }

    void nothingStartsWithoutLoginOrWithABadFile_data();
    void nothingStartsWithoutLoginOrWithABadFile();
    void confirmedUploadRunsToTheEndWithTheCommandsDisabled();
    void aWrongAckOrALostLinkIsSaidAtOnce();
    void aProcessorUpgradedElsewhereIsLeftAlone();
};

void TestFirmware::nothingStartsWithoutLoginOrWithABadFile_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("notice");
    QTest::newRow("not logged in") << false << "ARM" << image("x") << QString();
    QTest::newRow("unreadable") << true << "DSP" << m_dir.filePath("none.ldr")
                                << "The file none.ldr cannot be read.";
    QTest::newRow("empty") << true << "DSP" << image({}) << "is empty";
    QTest::newRow("arm header 0x30")
        << true << "ARM" << image(QByteArray::fromHex("7f8c3000000000000000")) << "Bad file format";
}

void TestFirmware::nothingStartsWithoutLoginOrWithABadFile()
{
    QFETCH(bool, loggedIn);
    QFETCH(QString, menu);
    QFETCH(QString, file);
    QFETCH(QString, notice);
    session::setLoggedIn(loggedIn);
    m_chosen = file;
    if (notice == "Bad file format")
        QTest::ignoreMessage(QtDebugMsg, "0x30");
    QAction *a = action(menu);
    QVERIFY(a && a->isVisible() && a->isEnabled());
    a->trigger();
    QCOMPARE(m_fileAsks, loggedIn ? 1 : 0);
    QCOMPARE(m_questions, 0);
    QVERIFY(m_sent.isEmpty());
    QVERIFY(!proto::Transfer::instance().busy());
    QCOMPARE(m_notices.size(), notice.isEmpty() ? 0 : 1);
    if (!notice.isEmpty())
        QVERIFY2(m_notices[0].contains(notice), qPrintable(m_notices[0]));
}

void TestFirmware::confirmedUploadRunsToTheEndWithTheCommandsDisabled()
{
    m_chosen = image(QByteArray::fromHex("7f8c10") + QByteArray(2045, 'f'));
    m_answer = false;
    action("ARM")->trigger();
    QCOMPARE(m_questions, 1);
    QVERIFY(m_sent.isEmpty());

    m_answer = true;
    action("ARM")->trigger();
    QCOMPARE(m_sent.size(), 1);
    QVERIFY(!action("ARM")->isEnabled());
    QVERIFY(!action("DSP")->isEnabled());
    ack(0, 2); // the other target's acknowledgement
    QCOMPARE(m_sent.size(), 1);
    ack(0, 1);
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent[1].payload.size(), 1026);
    QVERIFY(m_notices.isEmpty());
    ack(1, 1);
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_notices, QStringList{"The firmware image was sent completely."});
    QVERIFY(action("ARM")->isEnabled());

    // Silence: the transfer ends with a message after the time-out.
    action("DSP")->trigger();
    QCOMPARE(m_sent.size(), 3);
    proto::Transfer::instance().timeOut();
    QCOMPARE(m_notices.size(), 2);
    QVERIFY(m_notices[1].contains("stopped answering"));
    QVERIFY(action("DSP")->isEnabled());
}

void TestFirmware::aWrongAckOrALostLinkIsSaidAtOnce()
{
    m_chosen = image(QByteArray(3000, 'w'));
    action("DSP")->trigger();
    QCOMPARE(m_sent.size(), 1);
    ack(5, 2);
    QCOMPARE(m_notices, QStringList{"The processor acknowledged block 5, expected 0; the firmware "
                                    "upgrade was stopped."});
    QCOMPARE(m_sent.size(), 1);
    QVERIFY(!proto::Transfer::instance().busy());

    // Another processor becomes the current one: no answer can come, and none is waited for.
    action("DSP")->trigger();
    QTcpSocket other;
    proto::Transport::instance().setCurrentSocket(&other);
    QCOMPARE(m_notices.size(), 2);
    QCOMPARE(m_notices[1], QString("The connection to the processor was lost (another processor "
                                   "was selected); the firmware upgrade did not complete."));
    QVERIFY(action("DSP")->isEnabled());
    proto::Transport::instance().setCurrentSocket(nullptr);
}

void TestFirmware::aProcessorUpgradedElsewhereIsLeftAlone()
{
    broadcastMsg record;
    record.machineid = 4321;
    record.ipaddress = 0x7F0000FA; // 127.0.0.250: nobody answers, the sink carries the Frames
    m_window->devTable()->addDevice(&record, false);
    emit m_window->deviceList()->sig_devChanged(m_window->devTable()->deviceCount() - 1);

    auto elsewhere = std::make_unique<proto::FirmwareLock>(4321, 0);
    QVERIFY(elsewhere->tryLock());
    m_chosen = image(QByteArray(1000, 'l')); // one block
    action("DSP")->trigger();
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(m_notices.size(), 1);
    QVERIFY2(m_notices[0].startsWith("Another firmware upgrade of this processor is running"),
             qPrintable(m_notices[0]));

    // The window's own upgrade holds it until it ends.
    elsewhere.reset();
    action("DSP")->trigger();
    QCOMPARE(m_sent.size(), 1);
    QVERIFY(!proto::FirmwareLock(4321, 0).tryLock());
    ack(0, 2);
    QCOMPARE(m_notices.last(), QString("The firmware image was sent completely."));
    QVERIFY(proto::FirmwareLock(4321, 0).tryLock());
}

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
