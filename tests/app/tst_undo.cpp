// Undo and redo from the window (menu texts, shortcuts beside text fields, actions that
// cannot be undone) and the change log (batched writes, bound, CSV export, window filter).
#include "app/changelog.h"
#include "app/changelogwindow.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "modules/changerecorder.h"
#include "modules/levelpanel.h"
#include "pages/funcwidget.h"
#include "pages/preset.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr quint32 kMachine = 0x00C0FFEE;
constexpr quint32 kOther = 0x00000042;

MainWindowOptions testOptions()
{
    MainWindowOptions options;
    options.devices.announcePort = 0;
    options.devices.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.devices.commandPort = 9;
    options.startModuleClock = false;
    return options;
}

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

void route(FuncWidget *f, quint8 module, quint8 code, const QByteArray &payload)
{
    f->receiveModule(module, code, 0x80, quint16(payload.size()),
                     reinterpret_cast<const uchar *>(payload.constData()));
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
    ChangeRecorder::instance().closeTurn();
}

// One gain set of I1 as the processor sees it: [channel][float].
ChangeRow gainRow(quint32 machine, const QString &model, const QByteArray &before,
                  const QByteArray &after)
{
    ChangeRow row;
    row.msecs = 1700000000000;
    row.machineId = machine;
    row.model = model;
    row.address = 0x7f000002;
    row.key = {1, 3, 1, {0, 0}};
    row.before = before;
    row.after = after;
    return row;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QByteArray> m_sent;

    QList<QByteArray> sets() const
    {
        QList<QByteArray> out;
        for (const QByteArray &f : m_sent) {
            if (f.size() > 7 && quint8(f[7]) == 1)
                out.append(f);
        }
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(m_dir->path());
        ChangeRecorder::instance().clear();
        proto::Transport::instance().setFrameCode(1);
        m_sent.clear();
        proto::Transport::instance().setSink([this](const QByteArray &b) { m_sent << b; });
    }
    void cleanup()
    {
        proto::Transport::instance().setSink({});
        session::setLoggedIn(false);
    }

    // The menu names what undo and redo would do; a factory reset cannot be undone and the
    // menu says so. Every set and undo lands in the change log beside device.db.
    void menuEntries()
    {
        mainWindow window(testOptions());
        ChangeRecorder::instance().setProcessor(kMachine, QStringLiteral("DAP408"), 0x7f000002);
        auto *level = qobject_cast<QInLevel *>(window.funcWidget()->page(FuncWidget::TabInLevel));
        route(window.funcWidget(), 1, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        QVERIFY(!window.undoAction()->isEnabled());
        type(level->strip(1).gainEdit, QStringLiteral("-6"));
        QCOMPARE(window.undoAction()->text(), QStringLiteral("Undo I2 gain -6.0 dB"));
        QVERIFY(window.undoAction()->isEnabled());
        QVERIFY(!window.redoAction()->isEnabled());

        m_sent.clear();
        window.undoAction()->trigger();
        QCOMPARE(sets(),
                 QList<QByteArray>{hex("82 7D 01 00 03 01 03 01 05 00 01 00 00 40 40 7D 82")});
        QCOMPARE(window.undoAction()->text(), QStringLiteral("Undo"));
        QCOMPARE(window.redoAction()->text(), QStringLiteral("Redo I2 gain -6.0 dB"));

        session::setLoggedIn(true);
        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == QLatin1String("OK"))
                    b->click();
            }
        });
        window.menu()->actions()[4]->trigger(); // "Reset"
        QCOMPARE(window.undoAction()->text(), QStringLiteral("Cannot undo a factory reset"));
        QVERIFY(!window.undoAction()->isEnabled());
        QVERIFY(!window.redoAction()->isEnabled());

        window.changeLog()->flush();
        QVERIFY(QFile::exists(QStringLiteral("changes.db")));
        QCOMPARE(window.changeLog()->rowCount(kMachine), 3); // the set, its undo, the reset
    }

    // Ctrl+Z in a focused text field is the field's own; elsewhere in the window it undoes.
    // Ctrl+Y and Ctrl+Shift+Z redo.
    void shortcutsLeaveTextFieldsAlone()
    {
        mainWindow window(testOptions());
        ChangeRecorder &recorder = ChangeRecorder::instance();
        recorder.setProcessor(kMachine, QStringLiteral("DAP408"), 0x7f000002);
        window.funcWidget()->tabButton(FuncWidget::TabInLevel)->click();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *level = qobject_cast<QInLevel *>(window.funcWidget()->page(FuncWidget::TabInLevel));
        QLineEdit *edit = level->strip(1).gainEdit;
        route(window.funcWidget(), 1, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        type(edit, QStringLiteral("-6"));
        QCOMPARE(recorder.undoCount(), 1);

        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(recorder.undoCount(), 1);

        level->strip(1).mute->setFocus();
        QTRY_VERIFY(level->strip(1).mute->hasFocus());
        QTest::keyClick(level->strip(1).mute, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(recorder.undoCount(), 0);
        QTest::keyClick(level->strip(1).mute, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(recorder.undoCount(), 1);
        QTest::keyClick(level->strip(1).mute, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(level->strip(1).mute, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(recorder.undoCount(), 1);
    }

    // A recall replaces every value: the history ends there. The menu says why, neither the
    // menu nor Ctrl+Z sends anything, and the log holds the recall after the edit.
    void recallEndsTheHistory()
    {
        mainWindow window(testOptions());
        ChangeRecorder &recorder = ChangeRecorder::instance();
        recorder.setProcessor(kMachine, QStringLiteral("DAP408"), 0x7f000002);
        window.funcWidget()->tabButton(FuncWidget::TabInLevel)->click();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *level = qobject_cast<QInLevel *>(window.funcWidget()->page(FuncWidget::TabInLevel));
        route(window.funcWidget(), 1, QLevelPanel::CodeGain, hex("01 00 00 40 40"));
        type(level->strip(1).gainEdit, QStringLiteral("-6"));
        QVERIFY(window.undoAction()->isEnabled());

        auto *preset = qobject_cast<QPreset *>(window.funcWidget()->page(FuncWidget::TabPreset));
        prompts::setConfirmHook([](const QString &) { return true; });
        m_sent.clear();
        preset->recallClicked(1);
        prompts::setConfirmHook({});
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 20 09 01 01 00 01 7D 82")});
        QVERIFY(!window.undoAction()->isEnabled());
        QCOMPARE(window.undoAction()->text(), QStringLiteral("Cannot undo recalling preset 2"));
        QCOMPARE(recorder.undoCount(), 0);

        m_sent.clear();
        level->strip(1).mute->setFocus();
        QTRY_VERIFY(level->strip(1).mute->hasFocus());
        QTest::keyClick(level->strip(1).mute, Qt::Key_Z, Qt::ControlModifier);
        window.undoAction()->trigger();
        QCOMPARE(m_sent, QList<QByteArray>());
        QCOMPARE(level->strip(1).gainEdit->text(), QStringLiteral("-6.0"));

        window.changeLog()->flush();
        QSqlQuery q(window.changeLog()->database());
        QVERIFY(q.exec(QStringLiteral("select field from changelog where machineid = %1 "
                                      "order by id")
                           .arg(kMachine)));
        QStringList fields;
        while (q.next())
            fields << q.value(0).toString();
        QCOMPARE(fields, (QStringList{"gain", "recalling preset 2"}));
    }

    // Rows wait for one batch; the table keeps the newest rows and outlives the program.
    void logIsBatchedBoundedAndKept()
    {
        const QString path = m_dir->filePath(QStringLiteral("changes.db"));
        {
            ChangeLog log(path, nullptr, 5);
            QVERIFY(log.isOpen());
            for (int i = 0; i < 8; ++i) {
                log.append(gainRow(kMachine, QStringLiteral("DAP408"), {},
                                   QByteArray(1, char(i)) + hex("00 00 00")));
            }
            QCOMPARE(log.pendingCount(), 8);
            QCOMPARE(log.rowCount(), 5);
            QCOMPARE(log.pendingCount(), 0);
        }
        ChangeLog again(path);
        QCOMPARE(again.rowCount(), 5);
    }

    // The CSV of three edits holds exactly their rows, quoted where a text needs it; the
    // window filters by processor.
    void csvOfThreeEdits()
    {
        ChangeLog log(m_dir->filePath(QStringLiteral("changes.db")));
        log.append(gainRow(kOther, QStringLiteral("DAP408"), {}, hex("00 00 00 00")));
        const char *const values[] = {"00 00 C0 C0", "00 00 40 40", "00 00 20 C1"};
        QByteArray before = hex("00 00 00 00");
        for (const char *v : values) {
            log.append(gainRow(kMachine, QStringLiteral("Hall \"A\", rack 2"), before, hex(v)));
            before = hex(v);
        }
        const QString csv = m_dir->filePath(QStringLiteral("three.csv"));
        QString error;
        QVERIFY2(log.exportCsv(csv, kMachine, &error), qPrintable(error));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 5); // header, three rows, the empty rest after the last break
        QCOMPARE(lines[0], QByteArray("time,machine id,model,address,block,channel,field,before,"
                                      "after,undo\r"));
        const QByteArray tail =
            ",12648430,\"Hall \"\"A\"\", rack 2\",127.0.0.2,In Level,I1,gain,3.0 dB,-10.0 dB,0\r";
        QVERIFY2(lines[1].endsWith(tail), lines[1].constData());
        QVERIFY(lines[3].endsWith(",0.0 dB,-6.0 dB,0\r"));
        QVERIFY(lines[4].isEmpty());

        ChangeLogWindow window(&log);
        window.refresh();
        QCOMPARE(window.processorBox()->count(), 3); // all, and the two processors
        QCOMPARE(window.view()->model()->rowCount(), 4);
        window.processorBox()->setCurrentIndex(window.processorBox()->findData(qint64(kMachine)));
        QCOMPARE(window.view()->model()->rowCount(), 3);
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
