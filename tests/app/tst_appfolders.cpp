#include "app/appfolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Where the program keeps cfg.dat and device.db: the folder it was started in when that is
// already its working folder, the user's data folder otherwise.
class TestAppFolders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_saved = QDir::currentPath();
        QVERIFY(m_tmp.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("data"))));
        QCoreApplication::setApplicationName(QStringLiteral("dapcontrol"));
    }
    void cleanup() { QDir::setCurrent(m_saved); }

    void staysWhereItsFilesAre_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::newRow("staged run folder") << QStringLiteral("translations/language.dat");
        QTest::newRow("cfg.dat") << QStringLiteral("cfg.dat");
        QTest::newRow("device.db") << QStringLiteral("device.db");
    }
    void staysWhereItsFilesAre()
    {
        QFETCH(QString, marker);
        const QString start =
            m_tmp.filePath(QStringLiteral("start-") + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(QFileInfo(start + QLatin1Char('/') + marker).path()));
        QFile file(start + QLatin1Char('/') + marker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QDir::setCurrent(start));

        QCOMPARE(QDir(appfolders::setUp()).canonicalPath(), QDir(start).canonicalPath());
        QCOMPARE(QDir::current().canonicalPath(), QDir(start).canonicalPath());
    }

    void elsewhereMovesToTheDataFolder()
    {
        const QString home = m_tmp.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir::setCurrent(home));

        const QString expected = m_tmp.filePath(QStringLiteral("data/dapcontrol"));
        QCOMPARE(appfolders::setUp(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QCOMPARE(QDir::current().canonicalPath(), QDir(expected).canonicalPath());
        // A file the working folder lacks keeps its relative name when nothing is installed.
        QCOMPARE(appfolders::resourceFile(QStringLiteral("image/logo.bmp")),
                 QStringLiteral("image/logo.bmp"));
    }

private:
    QTemporaryDir m_tmp;
    QString m_saved;
};

QTEST_MAIN(TestAppFolders)
#include "tst_appfolders.moc"
