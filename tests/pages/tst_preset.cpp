// The "Preset" tab and the offline preset file.
#include "pages/preset.h"
#include "pages/presetimage.h"
#include "pages/progress.h"
#include "protocol/payload.h"
#include "protocol/transfer.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using proto::Frame;

namespace {

QByteArray u32(quint32 v)
{
    return proto::PayloadWriter().u32(v).data();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A slot list report: current slot, then (in use, name) for the slots given.
QByteArray slotList(qint8 current, const QMap<int, QByteArray> &used)
{
    proto::PayloadWriter w;
    w.i8(current);
    for (int s = 0; s < QPreset::kSlots; ++s)
        w.u8(used.contains(s) ? 1 : 0).text(used.value(s), 16);
    return w.data();
}

} // namespace

class TestPreset : public QObject {
    Q_OBJECT
    QList<Frame> m_sent;
    QStringList m_notices;
    QStringList m_questions;
    bool m_answer = true;
    QString m_chosen;
    QString m_chosenFilter;
    QString m_offeredFilter;
    QProgressDialog *m_progress = nullptr;
    QTemporaryDir m_dir;

    void give(QPreset &p, quint8 code, const QByteArray &payload)
    {
        p.receive(code, 0x80, quint16(payload.size()),
                  reinterpret_cast<const uchar *>(payload.constData()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        proto::Transport::instance().setSink(
            [this](const QByteArray &bytes) { m_sent.append(*proto::decodeFrame(bytes)); });
        prompts::setNotifyHook([this](QMessageBox::Icon, const QString &t) { m_notices << t; });
        prompts::setConfirmHook([this](const QString &t) {
            m_questions << t;
            return m_answer;
        });
        prompts::setFileHook([this](prompts::FileRequest &r) {
            m_offeredFilter = r.selectedFilter;
            if (!m_chosenFilter.isEmpty())
                r.selectedFilter = m_chosenFilter;
            return m_chosen;
        });
        m_progress = new QProgressDialog;
        setProgressDialog(m_progress);
    }
    void init()
    {
        m_sent.clear();
        m_notices.clear();
        m_questions.clear();
        m_answer = true;
        m_chosenFilter.clear();
    }
    void cleanup() { proto::Transfer::instance().abandon(); }
    void cleanupTestCase()
    {
        setProgressDialog(nullptr);
        delete m_progress;
    }

    void slotListMovesRowsAndNamesStayPlainText();
    void renameSendsOnceAndOnlyLatin1();
    void exportWritesTheWholeFileOnlyWhenComplete();
    void cancelledExportKeepsTheOldFileAndDoesNotPoisonTheNext();
    void exportToAnUnwritableFolderSendsNothing();
    void importChecksSizeAndAsksFirst();
    void escapeCancelsOnlyWhatCanBeCancelled();
    void offlineSaveOffersTheConnectedVariant();
    void offlineImageLayout();
    void offlineSaveReplacesAWholeFile();
};

void TestPreset::slotListMovesRowsAndNamesStayPlainText()
{
    QPreset p;
    give(p, 1, slotList(5, {{5, "<b>Hall</b>"}, {7, "ABCDEFGHIJKLMNOP"}}));
    QCOMPARE(p.currentSlot(), 5);
    QVERIFY(p.rowButton(5, QPreset::RecallButton)->isEnabled());
    QVERIFY(!p.rowButton(5, QPreset::RecallButton)->styleSheet().isEmpty());
    QCOMPARE(p.nameEdit(7)->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
    p.rowButton(5, QPreset::EraseButton)->click();
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_questions[0].contains("&lt;b&gt;Hall&lt;/b&gt;"));
    QCOMPARE(m_sent.last().paramCode, quint8(4));
    QCOMPARE(m_sent.last().payload, QByteArray("\x05", 1));

    give(p, 1, slotList(-1, {{7, "x"}}));
    QCOMPARE(p.currentSlot(), -1);
    QVERIFY(p.rowButton(5, QPreset::RecallButton)->styleSheet().isEmpty());
    for (auto b : {QPreset::RecallButton, QPreset::ExportButton, QPreset::EraseButton})
        QVERIFY(!p.rowButton(5, b)->isEnabled());
    const int sent = m_sent.size();
    give(p, 1, slotList(3, {}).append('\0')); // one byte too long
    QCOMPARE(p.currentSlot(), -1);
    QCOMPARE(m_sent.size(), sent);
}

void TestPreset::renameSendsOnceAndOnlyLatin1()
{
    QPreset p;
    p.show();
    QLineEdit *edit = p.nameEdit(2);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Stage"));
    QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\u4e2d"));
    QApplication::sendEvent(edit, &wide); // not Latin-1: refused
    QTest::keyClicks(edit, QStringLiteral(" left+right mix")); // 16 characters at most
    QCOMPARE(edit->text(), QStringLiteral("Stage left+right"));
    QTest::keyClick(edit, Qt::Key_Return);
    emit edit->editingFinished(); // the focus loss that follows
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent[0].paramCode, quint8(5));
    QCOMPARE(m_sent[0].payload, QByteArray("\x02Stage left+right"));
    QCOMPARE(m_sent[0].payload.size(), 17);
}

void TestPreset::exportWritesTheWholeFileOnlyWhenComplete()
{
    QPreset p;
    m_chosen = m_dir.filePath("one"); // the suffix is added
    p.rowButton(4, QPreset::ExportButton)->setEnabled(true);
    p.exportOneClicked(4);
    give(p, 10, u32(2726));
    QVERIFY(m_progress->isVisible());
    for (quint32 count : {1024u, 1024u, 678u}) {
        QCOMPARE(m_sent.last().paramCode, quint8(12));
        QCOMPARE(m_sent.last().payload, u32(count));
        QVERIFY(!QFile::exists(m_chosen + ".pst1"));
        give(p, 12, QByteArray(int(count), 'e'));
    }
    QCOMPARE(readFile(m_chosen + ".pst1"), QByteArray(2726, 'e'));
    QVERIFY(!m_progress->isVisible());
    QVERIFY(m_notices.isEmpty());
}

void TestPreset::cancelledExportKeepsTheOldFileAndDoesNotPoisonTheNext()
{
    QPreset p;
    m_chosen = m_dir.filePath("all.pst");
    writeFile(m_chosen, "old");
    p.exportAllClicked();
    give(p, 11, u32(3000));
    give(p, 6, QByteArray(2, 0) + QByteArray(1024, 'n'));
    QPushButton *cancel = m_progress->findChild<QPushButton *>();
    QVERIFY(cancel && cancel->isVisible());
    cancel->click();
    QVERIFY(!proto::Transfer::instance().busy());
    const int sent = m_sent.size();
    give(p, 6, QByteArray("\x01\x00", 2) + QByteArray(1024, 'n'));
    QCOMPARE(m_sent.size(), sent);
    QCOMPARE(readFile(m_chosen), QByteArray("old"));

    p.exportAllClicked();
    give(p, 11, u32(10));
    QVERIFY(!m_progress->wasCanceled());
    QCOMPARE(progressStep(5), 0);
    give(p, 6, QByteArray(2, 0) + QByteArray(10, 'z'));
    QCOMPARE(readFile(m_chosen), QByteArray(10, 'z'));
}

void TestPreset::exportToAnUnwritableFolderSendsNothing()
{
    QPreset p;
    m_chosen = m_dir.filePath("no/such/folder/one.pst1");
    p.exportOneClicked(0);
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(m_notices.size(), 1);
    QVERIFY(m_notices[0].contains("one.pst1"));
    QVERIFY(!proto::Transfer::instance().busy());
}

void TestPreset::importChecksSizeAndAsksFirst()
{
    QPreset p;
    m_chosen = m_dir.filePath("in.pst1");
    writeFile(m_chosen, QByteArray(2742, 'i'));
    m_answer = false;
    p.importOneClicked(1);
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_sent.isEmpty());

    m_answer = true;
    p.importOneClicked(1);
    QCOMPARE(m_sent.size(), 1);
    give(p, 13, u32(2726));
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_notices, QStringList{"preset file format error!"});

    writeFile(m_chosen, QByteArray());
    p.importOneClicked(1);
    QCOMPARE(m_sent.size(), 1); // an empty file is refused before anything goes out
}

void TestPreset::escapeCancelsOnlyWhatCanBeCancelled()
{
    QPreset p;
    m_chosen = m_dir.filePath("all-in.pst");
    writeFile(m_chosen, QByteArray(3000, 'b'));
    p.importAllClicked();
    give(p, 14, u32(3000));
    QVERIFY(proto::Transfer::instance().busy());
    QVERIFY(m_progress->isVisible());
    QTest::keyClick(m_progress, Qt::Key_Escape);
    QVERIFY(!m_progress->close());
    QVERIFY(m_progress->isVisible()); // an import of all presets cannot be stopped halfway
    QVERIFY(proto::Transfer::instance().busy());
    proto::Transfer::instance().abandon();
    progressEnd();

    m_chosen = m_dir.filePath("all-out.pst");
    p.exportAllClicked();
    give(p, 11, u32(3000));
    QVERIFY(m_progress->isVisible());
    QTest::keyClick(m_progress, Qt::Key_Escape);
    QVERIFY(!proto::Transfer::instance().busy()); // as "Cancel" does
    QVERIFY(!QFile::exists(m_chosen));
}

void TestPreset::offlineSaveOffersTheConnectedVariant()
{
    QPreset p;
    QSignalSpy saved(&p, &QPreset::sigSave);
    m_chosen = m_dir.filePath("offline");
    p.savepcClicked();
    QCOMPARE(m_offeredFilter, QStringLiteral("SHARC21489_96K (*.pst1)"));
    p.setGeneration(2);
    m_chosenFilter = QStringLiteral("SHARC21488_48K (*.pst1)");
    p.savepcClicked();
    QCOMPARE(m_offeredFilter, QStringLiteral("SHARC21488_48K (*.pst1)"));
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved[0][0].value<uchar>(), uchar(1));
    QCOMPARE(saved[1][0].value<uchar>(), uchar(0));
    QCOMPARE(saved[1][1].toString(), m_chosen + ".pst1");
    QVERIFY(m_sent.isEmpty());
}

void TestPreset::offlineImageLayout()
{
    PresetSnapshot s;
    const QByteArray factory = presetimage::write(s, 0);
    QCOMPARE(factory.size(), 2726);
    QCOMPARE(factory.left(13), QByteArray::fromHex("00000082c20000a0410000a041"));
    QCOMPARE(presetimage::write(s, 1).size(), 2742);

    s.generator = {1, 440.0f, -12.0f, 2};
    s.outDelay[1] = 200.0f;
    s.outDelay[5] = 200.0f; // O6
    s.inDelay[3] = 5.0f;
    const QByteArray v0 = presetimage::write(s, 0);
    const QByteArray v1 = presetimage::write(s, 1);
    const QByteArray generator = QByteArray::fromHex("010000dc43000040c102");
    QCOMPARE(v0.mid(980, 10), generator);
    QCOMPARE(v1.mid(996, 10), generator);
    QCOMPARE(v0.mid(2694 + 4, 4), QByteArray::fromHex("00004843"));  // O2: 200
    QCOMPARE(v0.mid(2694 + 20, 4), QByteArray::fromHex("00001443")); // O6: 148
    QCOMPARE(v1.mid(2710 + 20, 4), QByteArray::fromHex("00004843")); // O6: 200
    QCOMPARE(v1.mid(908 + 12, 4), QByteArray::fromHex("0000a040"));  // I4 delay: 5
    QCOMPARE(s.outDelay[5], 200.0f);
}

void TestPreset::offlineSaveReplacesAWholeFile()
{
    const QString path = m_dir.filePath("over.pst1");
    writeFile(path, QByteArray(5000, 'x'));
    QString error;
    QVERIFY(presetimage::save(PresetSnapshot{}, 1, path, &error));
    QCOMPARE(readFile(path).size(), 2742);
    QVERIFY(!presetimage::save(PresetSnapshot{}, 1, m_dir.filePath("none/x.pst1"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestPreset)
#include "tst_preset.moc"
