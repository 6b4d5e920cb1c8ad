// The bounded device list against a flood: a newly heard processor takes the place of the one
// silent longest that was never selected, the user is told once, a restart does not keep the
// flood, and the processors not heard since start go in one step.
#include "announce.h"
#include "devices/devtable.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QList<quint32> storedIds(const QString &path)
{
    QList<quint32> ids;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tst-flood-peek");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select machineid from devicetable order by machineid");
            while (q.next())
                ids << q.value(0).toUInt();
        }
    }
    QSqlDatabase::removeDatabase("tst-flood-peek");
    return ids;
}

} // namespace

class TestDevFlood : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QDevTable> m_table;
    qint64 m_now = 1000;

    void makeTable()
    {
        m_table.reset();
        DevTableOptions options;
        options.announcePort = 0;
        options.commandAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        options.databasePath = m_dir.filePath("device.db");
        options.maxDevices = 3;
        options.clock = [this] { return m_now; };
        m_table = std::make_unique<QDevTable>(nullptr, options);
        m_table->loadDevices();
    }
    void hear(quint32 id)
    {
        Announce a;
        a.machineid = id;
        m_table->receiveDatagrams({a.bytes()});
    }
    QList<quint32> listed() const
    {
        QList<quint32> ids;
        for (int i = 0; i < m_table->deviceCount(); ++i)
            ids << m_table->deviceMachineId(i);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    // Answers the next confirmation with the button of that role.
    void answerNextQuestion(QMessageBox::ButtonRole role)
    {
        QTimer::singleShot(0, this, [role] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons())
                if (box->buttonRole(b) == role)
                    b->click();
        });
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath("device.db"));
        m_now = 1000;
    }
    void cleanup() { m_table.reset(); }

    void aNewProcessorTakesThePlaceOfTheSilentLongest()
    {
        makeTable();
        QSignalSpy removed(m_table.get(), &QDevTable::sigRemoveDev);
        hear(1);
        m_now += 10;
        hear(2);
        m_now += 10;
        hear(3);
        m_table->deviceSocket(m_table->deviceIndex(1)); // selected: keeps its place
        m_now += 10;
        hear(2);
        QVERIFY(!m_table->limitMessage());

        hear(4); // 3 is silent longest of the ones never selected
        QCOMPARE(listed(), (QList<quint32>{1, 2, 4}));
        QCOMPARE(storedIds(m_dir.filePath("device.db")), (QList<quint32>{1, 2, 4}));
        QCOMPARE(removed.size(), 1); // the list drops its row too
        QVERIFY(m_table->limitMessage());
        QVERIFY(m_table->limitMessage()->isVisible());
        QVERIFY(!m_table->limitMessage()->isModal());

        m_now += 10;
        hear(5); // then 2
        hear(6); // then 4, heard at the same time as 5 but before it
        QCOMPARE(listed(), (QList<quint32>{1, 5, 6}));
        QCOMPARE(m_table->findChildren<QMessageBox *>().size(), 1); // told once

        // The flood does not come back as it was after a restart: what was stored and is not
        // heard again is silent longest of all.
        makeTable();
        QCOMPARE(listed(), (QList<quint32>{1, 5, 6}));
        hear(7);
        QCOMPARE(listed(), (QList<quint32>{5, 6, 7}));
        QCOMPARE(storedIds(m_dir.filePath("device.db")), (QList<quint32>{5, 6, 7}));
    }

    void processorsNotHeardSinceStartAreRemovedAtOnce()
    {
        makeTable();
        for (quint32 id : {11, 12, 13})
            hear(id);
        makeTable();
        hear(12);
        QCOMPARE(m_table->notHeardSinceStart(), 2);

        QSignalSpy removed(m_table.get(), &QDevTable::sigRemoveDev);
        answerNextQuestion(QMessageBox::RejectRole);
        m_table->removeUnheardClicked();
        QCOMPARE(m_table->deviceCount(), 3);
        QVERIFY(removed.isEmpty());

        answerNextQuestion(QMessageBox::AcceptRole);
        m_table->removeUnheardClicked();
        QCOMPARE(listed(), QList<quint32>{12});
        QCOMPARE(storedIds(m_dir.filePath("device.db")), QList<quint32>{12});
        QCOMPARE(removed.size(), 2);
        QCOMPARE(m_table->notHeardSinceStart(), 0);
    }
};

QTEST_MAIN(TestDevFlood)
#include "tst_devflood.moc"
