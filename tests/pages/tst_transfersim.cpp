// Presets, the offline preset file and a firmware image against the simulator (loopback).
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"
#include "widgets/prompts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kWaitMs = 20000;

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The container connected to one simulator the way the main window connects it.
struct Rig {
    FuncWidget widget;
    proto::FrameRouter router;
    QTcpSocket socket;

    bool connectTo(const QString &address)
    {
        widget.registerRoutes(router);
        for (quint8 target : {proto::kArmTarget, proto::kDspTarget}) {
            router.setHandler(proto::ClassUpgrade, target, [](const proto::Frame &f) {
                proto::Transfer::instance().receive(f);
            });
        }
        QObject::connect(&socket, &QIODevice::readyRead,
                         [this] { proto::Transport::instance().receive(router); });
        socket.connectToHost(QHostAddress(address), 2699);
        if (!socket.waitForConnected(5000))
            return false;
        proto::Transport::instance().setCurrentSocket(&socket);
        return true;
    }
    ~Rig() { proto::Transport::instance().setCurrentSocket(nullptr); }
    QPreset *preset() { return static_cast<QPreset *>(widget.page(FuncWidget::TabPreset)); }
    void setInGain(int channel, const QString &text)
    {
        auto *p = static_cast<QInLevel *>(widget.page(FuncWidget::TabInLevel));
        p->strip(channel).gainEdit->setText(text);
        p->gainEditingFinished(uchar(channel));
    }
};

// Non-factory values in the blocks the pages never open here, set on the processor by
// another client: gate, feedback, both limiters, both delays, mixer and generator.
bool setEveryBlockOnTheProcessor(const QString &address)
{
    struct Set {
        quint8 module, code;
        const char *hex;
    };
    const Set sets[] = {
        {2, 2, "0201000020c20000c8420000fa43"},          // gate I3: on, -40, 100, 500
        {3, 1, "0201"},                                  // feedback I3
        {5, 1, "0301000028c1000080400000484200004843"},  // in limiter I4: -10.5, 1:4, 50, 200
        {11, 1, "0601000028c1000080400000484200004843"}, // out limiter O7
        {6, 1, "0100004841"},                            // in delay I2: 12.5 ms
        {12, 1, "0500004843"},                           // out delay O6: 200 ms
        {12, 1, "010000c842"},                           // out delay O2: 100 ms
        {7, 1, "040001"},                                // mixer O5: input 1 on
        {7, 1, "040201"},                                // mixer O5: input 3 on
        {7, 2, "0401f6"},                                // mixer O5: input 2 at -10 dB
        {7, 2, "04030c"},                                // mixer O5: input 4 at +12 dB
        {8, 1, "0201"},                                  // generator to O3
        {8, 2, "0000dc43"},                              // generator 440 Hz
        {8, 3, "02"},                                    // generator white noise
        {8, 4, "000040c1"},                              // generator -12 dBu
        {8, 5, "01"},                                    // generator muted
    };
    testsupport::FrameClient c;
    if (!c.connectTo(QHostAddress(address)))
        return false;
    for (const Set &s : sets)
        c.send(proto::ClassModule, s.module, s.code, proto::DirSet, QByteArray::fromHex(s.hex));
    // The processor handles one client's Frames in order: this answer follows every set.
    return c.request(proto::ClassModule, 8, 5, {}, 5000).has_value();
}

} // namespace

class TestTransferSim : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_chosen;
    QStringList m_notices;

    bool idle() const { return !proto::Transfer::instance().busy(); }

private Q_SLOTS:
    void initTestCase()
    {
        prompts::setNotifyHook([this](QMessageBox::Icon, const QString &t) { m_notices << t; });
        prompts::setConfirmHook([](const QString &) { return true; });
        prompts::setFileHook([this](prompts::FileRequest &) { return m_chosen; });
    }
    void init() { m_notices.clear(); }

    void presetRoundTripAndOfflineFileMatchTheProcessor_data();
    void presetRoundTripAndOfflineFileMatchTheProcessor();
    void armImageIsAcknowledgedToTheEnd();
    void importFollowsTheAcknowledgedCount();
};

void TestTransferSim::presetRoundTripAndOfflineFileMatchTheProcessor_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("generatorAt");
    QTest::addColumn<QByteArray>("o6Delay");
    QTest::newRow("96 kHz") << "96"
                            << "127.0.0.61" << 2742 << 996 << QByteArray::fromHex("00004843");
    QTest::newRow("48 kHz") << "48"
                            << "127.0.0.62" << 2726 << 980 << QByteArray::fromHex("00001443");
}

void TestTransferSim::presetRoundTripAndOfflineFileMatchTheProcessor()
{
    QFETCH(QString, variant);
    QFETCH(QString, address);
    QFETCH(int, size);
    QFETCH(int, generatorAt);
    QFETCH(QByteArray, o6Delay);
    testsupport::SimProcess sim({"--address", address, "--variant", variant});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    Rig rig;
    QVERIFY(rig.connectTo(address));

    // Values the pages set, and values set behind their back on the processor.
    QVERIFY(setEveryBlockOnTheProcessor(address));
    rig.setInGain(1, "-12.5");
    auto *outFilter = static_cast<QOutFilter *>(rig.widget.page(FuncWidget::TabOutFilter));
    outFilter->selectChannel(3);
    outFilter->bandButton(4)->click();
    outFilter->bandWidgets().type->setCurrentIndex(2);

    // The offline file, read back from the processor first.
    const QString offline = m_dir.filePath("offline" + variant + ".pst1");
    rig.widget.savePreset2PC(variant == "48" ? 0 : 1, offline);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QCOMPARE(m_notices, QStringList());
    const QByteArray image = readFile(offline);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.mid(26, 13), QByteArray::fromHex("01000020c20000c8420000fa43")); // gate I3
    QCOMPARE(image.mid(generatorAt, 10), QByteArray::fromHex("010000dc43000040c102"));
    QCOMPARE(image.mid(size - 12, 4), o6Delay);

    // The processor's own image of the same state, through save and export.
    rig.preset()->saveClicked(0);
    m_chosen = m_dir.filePath("slot1-" + variant + ".pst1");
    rig.preset()->exportOneClicked(0);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QCOMPARE(m_notices, QStringList());
    QCOMPARE(readFile(m_chosen), readFile(offline));

    // Into another slot, change the processor, recall: the saved values come back.
    rig.preset()->importOneClicked(1);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QVERIFY(!sim.waitForLine("preset 2 imported", kWaitMs).isEmpty());
    rig.setInGain(1, "3");
    rig.preset()->recallClicked(1);
    const QString again = m_dir.filePath("again" + variant + ".pst1");
    rig.widget.savePreset2PC(variant == "48" ? 0 : 1, again);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QCOMPARE(readFile(again), readFile(offline));
    auto *inLevel = static_cast<QInLevel *>(rig.widget.page(FuncWidget::TabInLevel));
    QCOMPARE(inLevel->channelState(1).gain, -12.5f);
    QCOMPARE(m_notices, QStringList());
}

void TestTransferSim::armImageIsAcknowledgedToTheEnd()
{
    testsupport::SimProcess sim({"--address", "127.0.0.63"});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    Rig rig;
    QVERIFY(rig.connectTo("127.0.0.63"));
    QByteArray image = QByteArray::fromHex("7f8c20") + QByteArray(2497, 'a');
    std::optional<proto::TransferError> end;
    QVERIFY(proto::Transfer::instance().start(
        std::make_unique<proto::FirmwareUpload>(proto::kArmTarget, image), {},
        [&end](proto::TransferError e, const QByteArray &) { end = e; }));
    QTRY_VERIFY_WITH_TIMEOUT(end.has_value(), kWaitMs);
    QCOMPARE(*end, proto::TransferError::None);
    const QString line = sim.waitForLine("ARM image received", kWaitMs);
    QVERIFY2(line.contains("2500 bytes") && !line.contains("not used"), qPrintable(line));
}

// A processor that takes 600 bytes of each 1024 offered: every next chunk starts where the
// acknowledged bytes end, and the slot then holds exactly the file.
void TestTransferSim::importFollowsTheAcknowledgedCount()
{
    const QString address = QStringLiteral("127.0.0.64");
    testsupport::SimProcess sim({"--address", address, "--import-ack", "600", "--verbose"});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    Rig rig;
    QVERIFY(rig.connectTo(address));
    QVERIFY(setEveryBlockOnTheProcessor(address));
    rig.preset()->saveClicked(0);
    m_chosen = m_dir.filePath("short-ack.pst1");
    rig.preset()->exportOneClicked(0);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    const QByteArray file = readFile(m_chosen);
    QCOMPARE(file.size(), 2742);

    rig.preset()->importOneClicked(1);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QVERIFY(!sim.waitForLine("preset 2 imported", kWaitMs).isEmpty());
    QCOMPARE(m_notices, QStringList());

    // The chunks as the processor received them: offset 0, 600, 1200, ... then the end mark.
    QStringList expected;
    for (int at = 0; at < file.size(); at += 600) {
        const QByteArray chunk = file.mid(at, 1024);
        expected << QStringLiteral("len %1: %2")
                        .arg(chunk.size())
                        .arg(QString::fromLatin1(chunk.left(32).toHex(' ')));
    }
    expected << QStringLiteral("len 0: ");
    QStringList chunks;
    const QString prefix = QStringLiteral("recv class 3 type 32 code 15 dir 01 ");
    for (const QString &line : sim.errorText().split(QLatin1Char('\n'))) {
        if (const qsizetype at = line.indexOf(prefix); at >= 0)
            chunks << line.mid(at + prefix.size());
    }
    QCOMPARE(chunks, expected);

    const QString back = m_dir.filePath("short-ack-back.pst1");
    m_chosen = back;
    rig.preset()->exportOneClicked(1);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kWaitMs);
    QCOMPARE(readFile(back), file);
    QCOMPARE(m_notices, QStringList());
}

QTEST_MAIN(TestTransferSim)
#include "tst_transfersim.moc"
