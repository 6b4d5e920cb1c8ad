// The offline preset file written from the module pages' values.
#include "../support/reduceddelays.h"
#include "pages/funcwidget.h"
#include "pages/presetimage.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QDoubleSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestPresetSnapshot : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void everyBlockIsWrittenFromItsPage_data();
    void everyBlockIsWrittenFromItsPage();
    void outputDelayIsLimitedOnlyInThe48kFile();
    void the48kFileLimitsEveryOutputToItsGroup_data();
    void the48kFileLimitsEveryOutputToItsGroup();
    void failedSaveKeepsTheOldFile();
};

void TestPresetSnapshot::everyBlockIsWrittenFromItsPage_data()
{
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<int>("offset48");
    QTest::addColumn<int>("offset96");
    QTest::addColumn<QByteArray>("expected");

    // gate I3: on, -40 dBu, 100 ms, 500 ms
    QTest::newRow("gate") << 2 << 2 << QByteArray::fromHex("0201000020c20000c8420000fa43") << 26
                          << 26 << QByteArray::fromHex("01000020c20000c8420000fa43");
    QTest::newRow("feedback") << 3 << 1 << QByteArray::fromHex("0301") << 79 << 79
                              << QByteArray::fromHex("01");
    // limiters I2 and O7: on, -10.5 dBu, 1:4, 50 ms, 200 ms
    QTest::newRow("in limiter") << 5 << 1
                                << QByteArray::fromHex("0101000028c1000080400000484200004843")
                                << 857 << 857
                                << QByteArray::fromHex("01000028c1000080400000484200004843");
    QTest::newRow("out limiter") << 11 << 1
                                 << QByteArray::fromHex("0601000028c1000080400000484200004843")
                                 << 2660 << 2676
                                 << QByteArray::fromHex("01000028c1000080400000484200004843");
    // I2 at 12.5 ms: only the 96 kHz file holds input delays
    QTest::newRow("in delay") << 6 << 1 << QByteArray::fromHex("0100004841") << -1 << 912
                              << QByteArray::fromHex("00004841");
    QTest::newRow("out delay") << 12 << 1 << QByteArray::fromHex("070000c842") << 2722 << 2738
                               << QByteArray::fromHex("0000c842");
    // O5: inputs 1 and 3 on; gains -10, 0, +12, -70
    QTest::newRow("mixer enables") << 7 << 1 << QByteArray::fromHex("0401000100") << 948 << 964
                                   << QByteArray::fromHex("01000100");
    QTest::newRow("mixer gains") << 7 << 2 << QByteArray::fromHex("04f6000cba") << 944 << 960
                                 << QByteArray::fromHex("f6000cba");
    QTest::newRow("generator to O3")
        << 8 << 1 << QByteArray::fromHex("0201") << 934 << 950 << QByteArray::fromHex("01");
    QTest::newRow("generator mute")
        << 8 << 5 << QByteArray::fromHex("01") << 980 << 996 << QByteArray::fromHex("01");
    QTest::newRow("generator 440 Hz") << 8 << 2 << QByteArray::fromHex("0000dc43") << 981 << 997
                                      << QByteArray::fromHex("0000dc43");
    QTest::newRow("generator -12 dBu") << 8 << 4 << QByteArray::fromHex("000040c1") << 985 << 1001
                                       << QByteArray::fromHex("000040c1");
    QTest::newRow("generator white noise")
        << 8 << 3 << QByteArray::fromHex("02") << 989 << 1005 << QByteArray::fromHex("02");
}

void TestPresetSnapshot::everyBlockIsWrittenFromItsPage()
{
    QFETCH(int, module);
    QFETCH(int, code);
    QFETCH(QByteArray, report);
    QFETCH(int, offset48);
    QFETCH(int, offset96);
    QFETCH(QByteArray, expected);

    FuncWidget w;
    const QByteArray before48 = presetimage::write(w.presetSnapshot(), 0);
    const QByteArray before96 = presetimage::write(w.presetSnapshot(), 1);
    w.receiveModule(quint8(module), quint8(code), proto::DirReport, quint16(report.size()),
                    reinterpret_cast<const uchar *>(report.constData()));
    const QByteArray v48 = presetimage::write(w.presetSnapshot(), 0);
    const QByteArray v96 = presetimage::write(w.presetSnapshot(), 1);

    QCOMPARE(v96.mid(offset96, expected.size()), expected);
    QCOMPARE(v96.left(offset96) + v96.mid(offset96 + expected.size()),
             before96.left(offset96) + before96.mid(offset96 + expected.size()));
    if (offset48 < 0) {
        QCOMPARE(v48, before48);
        return;
    }
    QCOMPARE(v48.mid(offset48, expected.size()), expected);
    QCOMPARE(v48.left(offset48) + v48.mid(offset48 + expected.size()),
             before48.left(offset48) + before48.mid(offset48 + expected.size()));
}

void TestPresetSnapshot::outputDelayIsLimitedOnlyInThe48kFile()
{
    QVERIFY(!proto::Transport::instance().canSend()); // offline: the pages' values as they are
    FuncWidget w;
    auto *delays = static_cast<QOutDelay *>(w.page(FuncWidget::TabOutDelay));
    delays->row(5).spin->setValue(200.0); // O6
    QCOMPARE(delays->delay(5), 200.0f);

    const QString path48 = m_dir.filePath("o6-48.pst1");
    const QString path96 = m_dir.filePath("o6-96.pst1");
    w.savePreset2PC(0, path48);
    w.savePreset2PC(1, path96);
    const QByteArray v48 = readFile(path48);
    const QByteArray v96 = readFile(path96);
    QCOMPARE(v48.size(), 2726);
    QCOMPARE(v96.size(), 2742);
    QCOMPARE(v48.mid(2694 + 20, 4), QByteArray::fromHex("00001443")); // 148
    QCOMPARE(v96.mid(2710 + 20, 4), QByteArray::fromHex("00004843")); // 200
    QCOMPARE(delays->delay(5), 200.0f);
    QCOMPARE(delays->row(5).spin->value(), 200.0);
}

void TestPresetSnapshot::the48kFileLimitsEveryOutputToItsGroup_data()
{
    testsupport::addReducedDelayRows();
}

// The output delays close the 48 kHz file, one float32 per output.
void TestPresetSnapshot::the48kFileLimitsEveryOutputToItsGroup()
{
    QFETCH(int, output);
    QFETCH(double, limit);
    QFETCH(QByteArray, limitFloat);
    const int ch = output - 1;
    const int at = 2694 + 4 * ch;
    FuncWidget w;
    auto *delays = static_cast<QOutDelay *>(w.page(FuncWidget::TabOutDelay));
    const QString path = m_dir.filePath(QStringLiteral("o%1.pst1").arg(output));

    delays->row(ch).spin->setValue(limit); // the limit itself is kept
    w.savePreset2PC(0, path);
    QCOMPARE(readFile(path).mid(at, 4), limitFloat);

    delays->row(ch).spin->setValue(2000.0);
    w.savePreset2PC(0, path);
    QCOMPARE(readFile(path).mid(at, 4), limitFloat);
    w.savePreset2PC(1, path);
    QCOMPARE(readFile(path).mid(2710 + 4 * ch, 4), QByteArray::fromHex("0000fa44")); // 2000
}

// The disk refuses the image part way (a file size limit in a child process): the user is
// told, and the file that was there stays as it was, with nothing left beside it.
void TestPresetSnapshot::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("kept.pst1");
    QByteArray old(5000, '\0');
    for (int i = 0; i < old.size(); ++i)
        old[i] = char(i * 13);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    f.close();
    FuncWidget w;

    // The child reports by its exit code: 0 told the user about this file, 1 told nothing,
    // 2 told something else.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000}; // below the 2742-byte image
        setrlimit(RLIMIT_FSIZE, &limit);
        QStringList told;
        prompts::setNotifyHook([&told](QMessageBox::Icon icon, const QString &text) {
            told << (icon == QMessageBox::Critical ? text : QString());
        });
        w.savePreset2PC(1, path);
        _exit(told.isEmpty()                                                           ? 1
              : told.size() == 1 && told.first().contains(path + " cannot be written") ? 0
                                                                                       : 2);
    }
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readFile(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.pst1"});
}

QTEST_MAIN(TestPresetSnapshot)
#include "tst_presetsnapshot.moc"
