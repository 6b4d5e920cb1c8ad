// Presets, the offline preset file and a firmware image against the simulator (loopback).
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
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
};

void TestTransferSim::presetRoundTripAndOfflineFileMatchTheProcessor_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("size");
    QTest::newRow("96 kHz") << "96"
                            << "127.0.0.61" << 2742;
    QTest::newRow("48 kHz") << "48"
                            << "127.0.0.62" << 2726;
}

void TestTransferSim::presetRoundTripAndOfflineFileMatchTheProcessor()
{
    QFETCH(QString, variant);
    QFETCH(QString, address);
    QFETCH(int, size);
    testsupport::SimProcess sim({"--address", address, "--variant", variant});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    Rig rig;
    QVERIFY(rig.connectTo(address));

    // Values the pages set; everything else stays as the processor has it.
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
    QCOMPARE(readFile(offline).size(), size);

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

QTEST_MAIN(TestTransferSim)
#include "tst_transfersim.moc"
