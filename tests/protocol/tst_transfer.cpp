// The transfer mechanism and its jobs, without widgets: what goes out for which answer.
#include "protocol/payload.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using proto::Frame;
using proto::Transfer;
using proto::TransferError;

namespace {

Frame answer(quint8 frameClass, quint8 type, quint8 code, const QByteArray &payload,
             quint8 direction = proto::DirReport)
{
    Frame f;
    f.frameClass = frameClass;
    f.frameType = type;
    f.paramCode = code;
    f.direction = direction;
    f.payload = payload;
    return f;
}

Frame ack(int block, quint8 target = 1)
{
    return answer(1, target, 1,
                  QByteArray::fromHex(QByteArray::number(block, 16).rightJustified(2, '0') + "00"));
}

Frame preset(quint8 code, const QByteArray &payload)
{
    return answer(3, 32, code, payload);
}

QByteArray u32(quint32 v)
{
    return proto::PayloadWriter().u32(v).data();
}

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT
    QList<Frame> m_sent;
    std::optional<TransferError> m_end;
    QByteArray m_received;
    QList<int> m_ranges;

    void start(proto::TransferJob *job)
    {
        QVERIFY(Transfer::instance().start(std::unique_ptr<proto::TransferJob>(job), "label",
                                           [this](TransferError e, const QByteArray &r) {
                                               m_end = e;
                                               m_received = r;
                                           }));
    }
    QList<int> sentPayloadSizes() const
    {
        QList<int> sizes;
        for (const Frame &f : m_sent)
            sizes.append(f.payload.size());
        return sizes;
    }

private Q_SLOTS:
    void initTestCase()
    {
        proto::Transport::instance().setSink(
            [this](const QByteArray &bytes) { m_sent.append(*proto::decodeFrame(bytes)); });
        connect(&Transfer::instance(), &Transfer::progressStarted, this,
                [this](int range) { m_ranges.append(range); });
    }
    void init()
    {
        m_sent.clear();
        m_end.reset();
        m_received.clear();
        m_ranges.clear();
    }
    void cleanup() { Transfer::instance().abandon(); }

    void firmwareGoesBlockByBlockOnTheAckOfTheBlockJustSent();
    void firmwareAckOfAnotherBlockStopsAndSaysWhich_data();
    void firmwareAckOfAnotherBlockStopsAndSaysWhich();
    void aDroppedConnectionEndsTheTransferAtOnce();
    void firmwareImageChecks_data();
    void firmwareImageChecks();
    void silenceEndsTheTransferAndFreesTheNext();
    void singleExportAsksInPiecesAndEndsAtTheAnnouncedSize();
    void singleImportSendsChunksThenTheEndMark();
    void presetAnswersThatDoNotFitEndTheTransfer_data();
    void presetAnswersThatDoNotFitEndTheTransfer();
    void bankTransfersFollowTheBlockNumbers();
};

void TestTransfer::firmwareGoesBlockByBlockOnTheAckOfTheBlockJustSent()
{
    QByteArray image(2500, '\x5a');
    image[1024] = '\x11';
    start(new proto::FirmwareUpload(1, image));
    QCOMPARE(m_ranges, QList<int>{2});
    QCOMPARE(sentPayloadSizes(), QList<int>{1026});
    QCOMPARE(m_sent[0].payload.left(3), QByteArray("\x00\x00\x5a", 3));
    QCOMPARE(m_sent[0].frameClass, quint8(1));
    QCOMPARE(m_sent[0].direction, quint8(1));

    // Not acknowledgements of block 0: wrong length, wrong direction, other target.
    Transfer::instance().receive(answer(1, 1, 1, QByteArray("\x00\x00\x00", 3)));
    Transfer::instance().receive(answer(1, 1, 1, QByteArray("\x00\x00", 2), proto::DirSet));
    Transfer::instance().receive(ack(0, 2));
    QCOMPARE(m_sent.size(), 1);

    Transfer::instance().receive(ack(0));
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent[1].payload.left(3), QByteArray("\x01\x00\x11", 3));
    Transfer::instance().receive(ack(1));
    QCOMPARE(sentPayloadSizes(), (QList<int>{1026, 1026, 454}));
    QVERIFY(!m_end);
    Transfer::instance().receive(ack(2));
    QCOMPARE(m_end, TransferError::None);
    QCOMPARE(m_sent.size(), 3);
    QVERIFY(!Transfer::instance().busy());
}

void TestTransfer::firmwareAckOfAnotherBlockStopsAndSaysWhich_data()
{
    QTest::addColumn<int>("acknowledged");
    QTest::newRow("the block before, again") << 0;
    QTest::newRow("a block not sent yet") << 2;
    QTest::newRow("far out") << 0x1234;
}

void TestTransfer::firmwareAckOfAnotherBlockStopsAndSaysWhich()
{
    QFETCH(int, acknowledged);
    start(new proto::FirmwareUpload(1, QByteArray(5000, 'f')));
    Transfer::instance().receive(ack(0));
    QCOMPARE(m_sent.size(), 2); // block 1 is out
    Transfer::instance().receive(
        answer(1, 1, 1, QByteArray(1, char(acknowledged & 0xff)) + char(acknowledged >> 8)));
    QCOMPARE(m_end, TransferError::WrongBlock);
    QCOMPARE(Transfer::instance().lastEnd().acknowledged, acknowledged);
    QCOMPARE(Transfer::instance().lastEnd().expected, 1);
    QCOMPARE(m_sent.size(), 2); // nothing more goes out
    QVERIFY(!Transfer::instance().busy());
}

// The connection a transfer runs on goes: it ends now, with the socket's reason, not after
// the time-out.
void TestTransfer::aDroppedConnectionEndsTheTransferAtOnce()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket socket;
    proto::Transport &transport = proto::Transport::instance();
    transport.setSink({});
    transport.setCurrentSocket(&socket);
    socket.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(socket.waitForConnected(5000));
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();

    start(new proto::FirmwareUpload(2, QByteArray(3000, 'd')));
    peer->close();
    QTRY_VERIFY_WITH_TIMEOUT(m_end.has_value(), 5000);
    QCOMPARE(*m_end, TransferError::LinkLost);
    QVERIFY2(Transfer::instance().lastEnd().reason.contains("closed"),
             qPrintable(Transfer::instance().lastEnd().reason));

    // Another processor selected mid-transfer: its answers are not this transfer's.
    init();
    QTcpSocket other;
    start(new proto::FirmwareUpload(2, QByteArray(3000, 'd')));
    transport.setCurrentSocket(&other);
    QCOMPARE(m_end, TransferError::LinkLost);
    QCOMPARE(Transfer::instance().lastEnd().reason, QString("another processor was selected"));

    transport.setCurrentSocket(nullptr);
    transport.setSink(
        [this](const QByteArray &bytes) { m_sent.append(*proto::decodeFrame(bytes)); });
}

void TestTransfer::firmwareImageChecks_data()
{
    QTest::addColumn<quint8>("target");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("problem");
    const QByteArray tail(5, '\0');
    QTest::newRow("arm 0x20") << quint8(1) << QByteArray("\x7f\x8c\x20", 3) + tail
                              << int(proto::FirmwareCheck::Ok);
    QTest::newRow("arm 0x10") << quint8(1) << QByteArray("\x7f\x8c\x10", 3) + tail
                              << int(proto::FirmwareCheck::Ok);
    QTest::newRow("arm 0x30") << quint8(1) << QByteArray("\x7f\x8c\x30", 3) + tail
                              << int(proto::FirmwareCheck::BadHeader);
    QTest::newRow("arm byte order") << quint8(1) << QByteArray("\x8c\x7f\x20", 3) + tail
                                    << int(proto::FirmwareCheck::BadHeader);
    QTest::newRow("arm shorter than header") << quint8(1) << QByteArray("\x7f\x8c\x20", 3)
                                             << int(proto::FirmwareCheck::ShorterThanHeader);
    QTest::newRow("empty") << quint8(2) << QByteArray() << int(proto::FirmwareCheck::Empty);
    QTest::newRow("dsp anything") << quint8(2) << QByteArray("x", 1)
                                  << int(proto::FirmwareCheck::Ok);
}

void TestTransfer::firmwareImageChecks()
{
    QFETCH(quint8, target);
    QFETCH(QByteArray, image);
    QFETCH(int, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath("image");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(image);
    f.close();
    QByteArray read;
    const proto::FirmwareCheck c = proto::loadFirmwareImage(target, path, read);
    QCOMPARE(int(c.problem), problem);
    if (problem == proto::FirmwareCheck::BadHeader)
        QCOMPARE(c.headerByte, quint8(image[2]));
    if (problem == proto::FirmwareCheck::Ok)
        QCOMPARE(read, image);
}

void TestTransfer::silenceEndsTheTransferAndFreesTheNext()
{
    QTemporaryDir dir;
    // Unreadable, and too large for a 16-bit block index (a sparse file, never read).
    QByteArray read;
    QCOMPARE(proto::loadFirmwareImage(2, dir.filePath("missing"), read).problem,
             proto::FirmwareCheck::Unreadable);
    QFile big(dir.filePath("big"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(65536LL * 1024 + 1));
    big.close();
    QCOMPARE(proto::loadFirmwareImage(2, big.fileName(), read).problem,
             proto::FirmwareCheck::TooLarge);

    start(new proto::FirmwareUpload(2, QByteArray(3000, 'a')));
    QVERIFY(!Transfer::instance().start(std::make_unique<proto::PresetBankExport>(), {}, {}));
    QCOMPARE(m_sent.size(), 1);
    Transfer::instance().timeOut();
    QCOMPARE(m_end, TransferError::TimedOut);
    Transfer::instance().receive(ack(0, 2)); // too late: nothing
    QCOMPARE(m_sent.size(), 1);
    start(new proto::PresetBankExport);
    QCOMPARE(m_sent.size(), 2);
}

void TestTransfer::singleExportAsksInPiecesAndEndsAtTheAnnouncedSize()
{
    start(new proto::PresetExport(7));
    QCOMPARE(m_sent.last().payload, QByteArray("\x07", 1));
    QCOMPARE(m_sent.last().paramCode, quint8(10));
    Transfer::instance().receive(preset(12, QByteArray(4, 'x'))); // data before the size
    QCOMPARE(m_sent.size(), 1);
    Transfer::instance().receive(preset(10, u32(2726)));
    QCOMPARE(m_ranges, QList<int>{2726});
    QByteArray image;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_sent.last().paramCode, quint8(12));
        const quint32 asked =
            proto::getU32(reinterpret_cast<const uchar *>(m_sent.last().payload.constData()));
        QCOMPARE(asked, quint32(i < 2 ? 1024 : 678));
        const QByteArray data(int(asked), char('a' + i));
        image += data;
        Transfer::instance().receive(preset(12, data));
    }
    QCOMPARE(m_sent.size(), 4);
    QCOMPARE(m_end, TransferError::None);
    QCOMPARE(m_received, image);
}

void TestTransfer::singleImportSendsChunksThenTheEndMark()
{
    start(new proto::PresetImport(3, QByteArray(2048, 'p')));
    Transfer::instance().receive(preset(15, u32(1024))); // before the size: not ours yet
    QCOMPARE(m_sent.size(), 1);
    Transfer::instance().receive(preset(13, u32(2048)));
    Transfer::instance().receive(preset(15, u32(1024)));
    Transfer::instance().receive(preset(15, u32(1024)));
    QCOMPARE(sentPayloadSizes(), (QList<int>{1, 1024, 1024, 0}));
    QCOMPARE(m_sent.last().paramCode, quint8(15));
    QCOMPARE(m_end, TransferError::None);
}

void TestTransfer::presetAnswersThatDoNotFitEndTheTransfer_data()
{
    QTest::addColumn<int>("job"); // 0 export, 1 import, 2 bank export
    QTest::addColumn<QList<Frame>>("answers");
    QTest::addColumn<int>("sent");
    QTest::addColumn<TransferError>("error");
    QTest::newRow("import: 2742 offered, 2726 expected")
        << 1 << QList<Frame>{preset(13, u32(2726))} << 1 << TransferError::SizeMismatch;
    QTest::newRow("import: ack larger than sent")
        << 1 << QList<Frame>{preset(13, u32(2742)), preset(15, u32(1025))} << 2
        << TransferError::TooMuchData;
    QTest::newRow("export: size 0")
        << 0 << QList<Frame>{preset(10, u32(0))} << 1 << TransferError::BadSize;
    QTest::newRow("export: absurd size")
        << 0 << QList<Frame>{preset(10, u32(0x7fffffff))} << 1 << TransferError::BadSize;
    QTest::newRow("export: empty data")
        << 0 << QList<Frame>{preset(10, u32(100)), preset(12, {})} << 2 << TransferError::EmptyData;
    QTest::newRow("export: more than asked")
        << 0 << QList<Frame>{preset(10, u32(100)), preset(12, QByteArray(101, 'x'))} << 2
        << TransferError::TooMuchData;
    QTest::newRow("bank export: block short of the total")
        << 2
        << QList<Frame>{preset(11, u32(3000)), preset(6, QByteArray(2, 0) + QByteArray(500, 'x'))}
        << 2 << TransferError::ShortData;
}

void TestTransfer::presetAnswersThatDoNotFitEndTheTransfer()
{
    QFETCH(int, job);
    QFETCH(QList<Frame>, answers);
    QFETCH(int, sent);
    QFETCH(TransferError, error);
    if (job == 0)
        start(new proto::PresetExport(0));
    else if (job == 1)
        start(new proto::PresetImport(0, QByteArray(2742, 'i')));
    else
        start(new proto::PresetBankExport);
    for (const Frame &f : answers)
        Transfer::instance().receive(f);
    QCOMPARE(m_end, error);
    QCOMPARE(m_sent.size(), sent);
}

void TestTransfer::bankTransfersFollowTheBlockNumbers()
{
    start(new proto::PresetBankImport(QByteArray(2100, 'b')));
    Transfer::instance().receive(preset(14, u32(2100)));
    QCOMPARE(m_sent.last().paramCode, quint8(7));
    QCOMPARE(m_sent.last().direction, quint8(0));
    QCOMPARE(m_sent.last().payload.size(), 2 + 1024);
    Transfer::instance().receive(preset(7, QByteArray("\x01\x00", 2))); // not block 0
    QCOMPARE(m_sent.size(), 2);
    Transfer::instance().receive(preset(7, QByteArray("\x00\x00", 2)));
    Transfer::instance().receive(preset(7, QByteArray("\x01\x00", 2)));
    QCOMPARE(sentPayloadSizes(), (QList<int>{0, 1026, 1026, 54}));
    QCOMPARE(m_sent.last().payload.left(2), QByteArray("\x02\x00", 2));
    QVERIFY(!Transfer::instance().cancellable());
    Transfer::instance().cancel(); // not offered: the slots would be half written
    QVERIFY(Transfer::instance().busy());
    Transfer::instance().receive(preset(7, QByteArray("\x02\x00", 2)));
    QCOMPARE(m_end, TransferError::None);

    init();
    start(new proto::PresetBankExport);
    Transfer::instance().receive(preset(11, u32(2048)));
    Transfer::instance().receive(preset(6, QByteArray(2, 0) + QByteArray(1024, 'x')));
    Transfer::instance().receive(preset(6, QByteArray(2, 0) + QByteArray(1024, 'y'))); // again
    QCOMPARE(m_sent.size(), 3);
    Transfer::instance().receive(preset(6, QByteArray("\x01\x00", 2) + QByteArray(1024, 'z')));
    QCOMPARE(m_end, TransferError::None);
    QCOMPARE(m_received, QByteArray(1024, 'x') + QByteArray(1024, 'z'));
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
