#include "app/languages.h"
#include "protocol/transport.h"
#include "support/unwritablefile.h"
#include "widgets/language.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

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

// The program's own translations, as the build staged them.
const QString kStaged = QDir::cleanPath(QStringLiteral(DAP_BIN_DIR "/../run/translations"));

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(m_dir->path());
        QDir().mkpath("translations");
        proto::Transport::instance().setFrameCode(1);
        language::setCurrentLanguage(0);
    }

    void emptyFolder()
    {
        Languages languages;
        languages.loadLanguageList();
        QCOMPARE(languages.count(), 0);
        QCOMPARE(languages.loadConfig(), 0);
        QVERIFY(!QFile::exists("cfg.dat")); // a first start leaves no empty file
        QCOMPARE(languages.applyLanguage(0), QString("Digital Audio Processor"));
        QCOMPARE(language::currentLanguage(), quint8(0));
        QCOMPARE(proto::Transport::instance().frameCode(), quint16(1));
    }

    void configLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("code with ;") << QByteArray("code:2048;\r\n") << 0 << 2048 << ""
                                     << "";
        QTest::newRow("code bare") << QByteArray("code:2048\r\n") << 0 << 2048 << ""
                                   << "";
        QTest::newRow("code over 16 bits") << QByteArray("code:70000\r\n") << 0 << 4464 << ""
                                           << "";
        QTest::newRow("code not a number") << QByteArray("code:abc\r\n") << 0 << 1 << ""
                                           << ""; // kept as it was, the line logged
        QTest::newRow("any order, EN twice")
            << QByteArray("EN:First\r\ncode:7\r\nCN:\xca\xfd\xd7\xd6\r\nEN:Second\r\n"
                          "current lang:1\r\n")
            << 1 << 7 << "Second" << QString::fromUtf8("数字");
        QTest::newRow("only the first digit") << QByteArray("current lang:12\r\n") << 1 << 1 << ""
                                              << "";
        QTest::newRow("non-digit") << QByteArray("current lang:x\r\n") << int('x' - '0') << 1 << ""
                                   << "";
        QTest::newRow("unknown lines, no CR")
            << QByteArray("foo\ncurrent lang:2\nbar:3") << 2 << 1 << ""
            << "";
    }

    void configLines()
    {
        QFETCH(QByteArray, content);
        writeFile("cfg.dat", content);
        if (content.startsWith("code:abc"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a Frame code.*code:abc"));
        Languages languages;
        QTEST(languages.loadConfig(), "index");
        QTEST(int(proto::Transport::instance().frameCode()), "code");
        QTEST(languages.englishTitle(), "english");
        QTEST(languages.chineseTitle(), "chinese");
    }

    void sevenLinesGiveFiveLanguages()
    {
        writeFile("translations/language.dat", "lang:l1;font:F1;\r\n"
                                               "font:F2;lang:l2;\r\n"
                                               "no keys here\r\n"
                                               "lang:l4\r\n"
                                               "x lang:l5;y font:F5;z\n"
                                               "lang:l6;font:F6;\n"
                                               "lang:l7;font:F7;\n");
        Languages languages;
        languages.loadLanguageList();
        QCOMPARE(languages.count(), 5);
        QCOMPARE(languages.name(0), QString("l1"));
        QCOMPARE(languages.name(1), QString("l2"));
        QCOMPARE(language::languageFonts()[1], QString("F2"));
        QCOMPARE(languages.name(2), QString());
        QCOMPARE(languages.name(3), QString("l4")); // no ';': up to the end of the line
        QCOMPARE(language::languageFonts()[3], QString());
        QCOMPARE(languages.name(4), QString("l5"));
        QCOMPARE(language::languageFonts()[4], QString("F5"));
    }

    void applyingLanguages()
    {
        for (const char *file : {"dapcontrol_english.qm", "dapcontrol_chinese.qm"})
            QVERIFY(QFile::copy(kStaged + "/" + file, QString("translations/") + file));
        writeFile("translations/language.dat",
                  "lang:dapcontrol_english;font:Arial;\r\n"
                  "lang:dapcontrol_chinese;font:Noto Sans CJK SC;\r\n");
        Languages languages;
        languages.loadLanguageList();
        QCOMPARE(languages.count(), 2);

        QCOMPARE(languages.applyLanguage(1), QString::fromUtf8("数字音频处理器"));
        QCOMPARE(language::currentLanguage(), quint8(1));
        QCOMPARE(currentLanguageFont(), QString("Noto Sans CJK SC"));

        // Beyond the list: language 0.
        QCOMPARE(languages.applyLanguage(3), QString("Digital Audio Processor"));
        QCOMPARE(language::currentLanguage(), quint8(0));

        // Titles from cfg.dat: CN for the file named "chinese", EN otherwise.
        writeFile("cfg.dat", "EN:Rack A\r\nCN:\xbb\xfa\xb9\xf1\r\n");
        languages.loadConfig();
        QCOMPARE(languages.applyLanguage(1), QString::fromUtf8("机柜"));
        QCOMPARE(languages.applyLanguage(0), QString("Rack A"));

        // A listed language whose file is missing falls back to language 0.
        QVERIFY(QFile::remove("translations/dapcontrol_chinese.qm"));
        languages.applyLanguage(1);
        QCOMPARE(language::currentLanguage(), quint8(0));
    }

    void savingConfig()
    {
        writeFile("cfg.dat", "code:2048;\r\ncurrent lang:0\r\nCN:\xbb\xfa\xb9\xf1\r\n"
                             "some old line that goes\r\n");
        Languages languages;
        languages.loadConfig();
        language::setCurrentLanguage(1);
        QVERIFY(languages.saveConfig());
        QCOMPARE(readFile("cfg.dat"),
                 QByteArray("current lang:1\r\ncode:2048\r\nCN:\xbb\xfa\xb9\xf1\r\n"));

        writeFile("cfg.dat", "EN:Hall\r\n");
        Languages other;
        other.loadConfig();
        QVERIFY(other.saveConfig());
        QCOMPARE(readFile("cfg.dat"), QByteArray("current lang:1\r\ncode:2048\r\nEN:Hall\r\n"));
    }

    // A file the user may not write is still read; writing it fails whole and says why.
    void readOnlyConfig()
    {
        const QByteArray content("current lang:1\r\ncode:300\r\nEN:Booth\r\n");
        writeFile("cfg.dat", content);
        testsupport::UnwritableFile locked("cfg.dat");
        if (!locked.ok())
            QSKIP("cannot make a file unwritable here");
        Languages languages;
        QCOMPARE(languages.loadConfig(), 1);
        QCOMPARE(proto::Transport::instance().frameCode(), quint16(300));
        QCOMPARE(languages.englishTitle(), QString("Booth"));

        language::setCurrentLanguage(0);
        QString error;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write.*cfg.dat"));
        QVERIFY(!languages.saveConfig(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile("cfg.dat"), content);
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
