// The settings page and the overview against the simulator: a real processor peer over
// loopback, the container's routing and relays, and the shared clock driven by hand.
#include "app/overview.h"
#include "modules/levelpanel.h"
#include "modules/moduleclock.h"
#include "pages/funcwidget.h"
#include "pages/setup.h"
#include "protocol/router.h"
#include "protocol/transport.h"
#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace proto;
using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {
const char *const kPassword = "4711";
} // namespace

class TestSettingsSim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<FuncWidget> m_container;
    std::unique_ptr<QOverView> m_overview;
    std::unique_ptr<QTcpSocket> m_socket;
    FrameRouter m_router;
    bool m_loggedIn = false;

    // Starts a simulator and connects the container and overview to it; the login handler
    // answers with the password and asks for the device information once logged in, as the
    // main window does.
    void connectTo(const QString &address, const QStringList &extra = {})
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{"--address", address, "--password", kPassword, "--model", "DAP-T60"} +
            extra);
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_container = std::make_unique<FuncWidget>();
        m_overview = std::make_unique<QOverView>();
        connectOverview(m_container.get(), m_overview.get());
        m_container->registerRoutes(m_router);
        m_router.setHandler(ClassSystem, 1, [this](const Frame &f) {
            if (f.paramCode != 1 || f.direction != DirReport || f.length() != 1)
                return;
            m_loggedIn = f.payload[0] != 0;
            if (m_loggedIn)
                m_container->requestDeviceInfo();
            else
                sendFrame(ClassSystem, 1, 1, DirSet, kPassword, quint16(qstrlen(kPassword)));
        });
        m_socket = std::make_unique<QTcpSocket>();
        connect(m_socket.get(), &QTcpSocket::readyRead, this,
                [this] { Transport::instance().receive(m_router); });
        Transport::instance().setCurrentSocket(m_socket.get());
        m_socket->connectToHost(QHostAddress(address), 2699);
        QVERIFY(m_socket->waitForConnected(3000));
        QTRY_VERIFY_WITH_TIMEOUT(m_loggedIn, 3000);
    }
    // One second of the program's life: fifty ticks of the shared clock.
    static void runOneSecond()
    {
        for (int i = 0; i < 50; ++i)
            ModuleClock::instance().tick();
    }
    QString info(const char *title) const
    {
        // The value label follows its title in the information box's grid.
        const QList<QLabel *> labels = m_overview->findChildren<QLabel *>();
        for (int i = 0; i + 1 < labels.size(); ++i) {
            if (labels[i]->text() == QLatin1String(title))
                return labels[i + 1]->text();
        }
        return QStringLiteral("<no %1>").arg(QLatin1String(title));
    }
    QSetup *setupPage() const
    {
        return qobject_cast<QSetup *>(m_container->page(FuncWidget::TabSettings));
    }

private slots:
    void cleanup()
    {
        Transport::instance().setCurrentSocket(nullptr);
        m_socket.reset();
        m_container.reset();
        m_overview.reset();
        m_sim.reset();
        m_loggedIn = false;
        m_router = FrameRouter();
    }

    void overviewFilledAfterLogin()
    {
        connectTo(QStringLiteral("127.0.0.60"));
        runOneSecond();
        // The network report is the last of the second's requests; reports come in order.
        QTRY_COMPARE(info("IPAddr :"), QStringLiteral("127.0.0.60"));
        QCOMPARE(info("Model :"), QStringLiteral("DAP-T60"));
        QCOMPARE(info("ARM Ver :"), QStringLiteral("V1.3.1"));
        QCOMPARE(info("DSP Ver :"), QStringLiteral("V1.0.7"));
        QCOMPARE(info("Loca :"), QStringLiteral("Rack 1"));
        QCOMPARE(info("Desc :"), QStringLiteral("Simulated"));
        QVERIFY2(QRegularExpression(R"(^\d+\.\d%-\d+\.\d%$)").match(info("DSP :")).hasMatch(),
                 qPrintable(info("DSP :")));
        // A first-generation processor keeps the input delay tab.
        QVERIFY(!m_container->tabButton(FuncWidget::TabInDelay)->isHidden());
    }

    void editsReachTheProcessor()
    {
        connectTo(QStringLiteral("127.0.0.61"));
        QSetup *page = setupPage();
        QVERIFY(page);
        auto *location = page->findChild<QLineEdit *>(QStringLiteral("locationEdit"));
        auto *label = page->findChild<QLineEdit *>(QStringLiteral("inLabelEdit2"));
        QVERIFY(location && label);

        location->setText(QStringLiteral("Stage left"));
        emit location->editingFinished();
        label->setText(QStringLiteral("Vocal"));
        emit label->editingFinished();

        // A second client sees what the processor stored.
        FrameClient other;
        QVERIFY(other.connectTo(QHostAddress(QStringLiteral("127.0.0.61"))));
        QVERIFY(other.waitForReport(ClassSystem, 1, 1).has_value());
        other.send(ClassSystem, 1, 1, DirSet, QByteArray(kPassword));
        auto reported = [&other](quint8 type, quint8 code) {
            const auto r = other.request(ClassSystem, type, code);
            return r ? r->payload : QByteArray();
        };
        QTRY_COMPARE(reported(2, 10), QByteArray("Stage left\0", 11));
        QTRY_COMPARE(reported(3, 1).mid(16, 6), QByteArray("Vocal\0", 6));

        // The next poll brings the same text back: nothing changes on the overview.
        runOneSecond();
        QTRY_COMPARE(info("Loca :"), QStringLiteral("Stage left"));
    }

    void mutesReachTheProcessor()
    {
        connectTo(QStringLiteral("127.0.0.63"));
        // Strip mute buttons in order I1-I4, O1-O8, then the all-mute button.
        const auto mutes = m_overview->findChildren<QPushButton *>(QStringLiteral("muteButton"));
        QCOMPARE(mutes.size(), 13);
        QTest::mouseClick(mutes[4 + 2], Qt::LeftButton);
        auto *outLevel = qobject_cast<QOutLevel *>(m_container->page(FuncWidget::TabOutLevel));
        QVERIFY(outLevel);
        QVERIFY(outLevel->strip(2).mute->isChecked());

        m_overview->muteAccess(); // Ctrl+M
        QVERIFY(mutes[12]->isChecked());

        FrameClient other;
        QVERIFY(other.connectTo(QHostAddress(QStringLiteral("127.0.0.63"))));
        QVERIFY(other.waitForReport(ClassSystem, 1, 1).has_value());
        other.send(ClassSystem, 1, 1, DirSet, QByteArray(kPassword));
        auto reported = [&other](quint8 frameClass, quint8 type, quint8 code, QByteArray arg) {
            const auto r = other.request(frameClass, type, code, arg);
            return r ? r->payload : QByteArray();
        };
        QTRY_COMPARE(reported(ClassModule, 9, 2, QByteArray(1, 2)), QByteArray("\x02\x01", 2));
        QTRY_COMPARE(reported(ClassSystem, 2, 15, {}), QByteArray(1, 1));

        // The processor's all-mute report keeps the button as it is.
        QSignalSpy allMute(m_container.get(), &FuncWidget::sigAllMute);
        runOneSecond();
        QTRY_COMPARE(allMute.size(), 10);
        QVERIFY(allMute.last().at(0).toBool());
        QVERIFY(mutes[12]->isChecked());
        QVERIFY(m_overview->allMute());
    }

    void secondGenerationDropsInputDelay()
    {
        connectTo(QStringLiteral("127.0.0.62"), {"--generation", "2"});
        QTRY_VERIFY(m_container->tabButton(FuncWidget::TabInDelay)->isHidden());
        QCOMPARE(m_container->stack()->count(), int(FuncWidget::TabCount) - 1);
        QTRY_COMPARE(info("ARM Ver :"), QStringLiteral("V2.3.1"));
    }
};

QTEST_MAIN(TestSettingsSim)
#include "tst_settingssim.moc"
