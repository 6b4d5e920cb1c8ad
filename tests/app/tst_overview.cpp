// The overview strip: meters, mutes, the information box and the two shortcuts.
#include "app/overview.h"
#include "protocol/transport.h"
#include "widgets/qmeterwidget.h"

#include <QAbstractSocket>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <memory>

using namespace proto;

namespace {
QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}
const QByteArray kAllMuteOn = hex("82 7D 01 00 02 02 0F 01 01 00 01 7D 82");
const QByteArray kAllMuteOff = hex("82 7D 01 00 02 02 0F 01 01 00 00 7D 82");
} // namespace

class TestOverView : public QObject {
    Q_OBJECT

    std::unique_ptr<QOverView> m_view;
    QList<QByteArray> m_sent;

    QString info(int row) const { return m_view->m_values[row]->text(); }
    void showActive()
    {
        m_view->show();
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    }
    QList<QPair<QMeterWidget *, QLabel *>> levelMeters() const
    {
        QList<QPair<QMeterWidget *, QLabel *>> meters;
        for (const auto &s : m_view->m_in)
            meters.append({s.level, s.levelValue});
        for (const auto &s : m_view->m_out)
            meters.append({s.level, s.levelValue});
        return meters;
    }

private slots:
    void init()
    {
        m_sent.clear();
        Transport::instance().setSink([this](const QByteArray &b) { m_sent.append(b); });
        m_view = std::make_unique<QOverView>();
    }
    void cleanup()
    {
        m_view.reset();
        Transport::instance().setSink({});
    }

    void informationBox()
    {
        m_view->setDspRes(12.5f, 30.0f);
        QCOMPARE(info(QOverView::DspLoad), QStringLiteral("12.5%-30.0%"));
        m_view->setIPAddrState(0xC0A80164u);
        QCOMPARE(info(QOverView::IpAddr), QStringLiteral("192.168.1.100"));
        m_view->setModel(QStringLiteral("DAP408"));
        m_view->setLocation(QStringLiteral("Hall"));
        QCOMPARE(info(QOverView::Model), QStringLiteral("DAP408"));
        QCOMPARE(info(QOverView::Location), QStringLiteral("Hall"));
        QCOMPARE(m_view->m_versionLabel->text(), QStringLiteral("V2.1.5"));
    }

    void connectionDisplay()
    {
        m_view->setNetState(QAbstractSocket::ConnectedState);
        QCOMPARE(info(QOverView::State), QStringLiteral("Connected"));
        m_view->setNetState(QAbstractSocket::HostLookupState);
        QCOMPARE(info(QOverView::State), QStringLiteral("Connected"));
        QCOMPARE(m_view->netState(), int(QAbstractSocket::HostLookupState));
        m_view->setNetState(QAbstractSocket::ClosingState);
        QCOMPARE(info(QOverView::State), QStringLiteral("Unconnected"));
        QCOMPARE(m_view->m_values[QOverView::State]->styleSheet(),
                 QStringLiteral("color: rgb(255,0,0);"));
    }

    void meterFloorToggle()
    {
        showActive();
        m_view->setInMeter(0, -75);
        QCOMPARE(m_view->m_in[0].levelValue->text(), QStringLiteral("-60"));
        QCOMPARE(m_view->m_in[0].level->value(), -60);
        m_view->setOutCompMeter(1, 12);
        QTest::keyClick(m_view.get(), Qt::Key_N, Qt::ControlModifier);
        for (const auto &[meter, label] : levelMeters()) {
            QCOMPARE(meter->minimum(), -100);
            QCOMPARE(label->text(), QStringLiteral("-100"));
        }
        m_view->setInMeter(0, -75);
        QCOMPARE(m_view->m_in[0].levelValue->text(), QStringLiteral("-75"));
        QCOMPARE(m_view->m_in[0].level->value(), -75);
        m_view->setOutMeter(7, 6);
        QTest::keyClick(m_view.get(), Qt::Key_N, Qt::ControlModifier);
        for (const auto &[meter, label] : levelMeters()) {
            QCOMPARE(meter->minimum(), -60);
            QCOMPARE(meter->value(), -60);
            QCOMPARE(label->text(), QStringLiteral("-60"));
        }
        // The gain-reduction meters keep their value.
        QCOMPARE(m_view->m_out[1].reduction->value(), 12);
        QCOMPARE(m_view->m_out[1].reductionValue->text(), QStringLiteral("12"));
        QVERIFY(m_sent.isEmpty());
    }

    void stripMutes()
    {
        QSignalSpy outChanged(m_view.get(), &QOverView::outMuteChanged);
        QSignalSpy inChanged(m_view.get(), &QOverView::inMuteChanged);
        QTest::mouseClick(m_view->m_out[2].mute, Qt::LeftButton);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 03 09 02 01 02 00 02 01 7D 82")});
        QCOMPARE(outChanged.size(), 1);
        QCOMPARE(outChanged.at(0).at(0).value<uchar>(), uchar(2));
        QCOMPARE(outChanged.at(0).at(1).toBool(), true);
        m_sent.clear();
        QTest::mouseClick(m_view->m_in[3].mute, Qt::LeftButton);
        QTest::mouseClick(m_view->m_in[3].mute, Qt::LeftButton);
        QCOMPARE(m_sent, (QList<QByteArray>{hex("82 7D 01 00 03 01 02 01 02 00 03 01 7D 82"),
                                            hex("82 7D 01 00 03 01 02 01 02 00 03 00 7D 82")}));
        QCOMPARE(inChanged.size(), 2);

        // Reported mutes only move the buttons.
        m_sent.clear();
        m_view->setInMute(1, true);
        m_view->setOutMute(7, true);
        QVERIFY(m_view->m_in[1].mute->isChecked());
        QVERIFY(m_view->m_out[7].mute->isChecked());
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(inChanged.size(), 2);
    }

    void allMute()
    {
        showActive();
        m_view->setAllMute(true);
        m_view->setAllMute(true);
        QVERIFY(m_view->m_allMuteButton->isChecked());
        QVERIFY(m_sent.isEmpty());
        // Ctrl+M flips and always sends.
        QTest::keyClick(m_view.get(), Qt::Key_M, Qt::ControlModifier);
        QTest::keyClick(m_view.get(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(m_sent, (QList<QByteArray>{kAllMuteOff, kAllMuteOn}));
        QVERIFY(m_view->m_allMuteButton->isChecked());
        m_sent.clear();
        QTest::mouseClick(m_view->m_allMuteButton, Qt::LeftButton);
        QCOMPARE(m_sent, QList<QByteArray>{kAllMuteOff});
        QVERIFY(!m_view->allMute());
    }

    void gateAndToolTip()
    {
        m_view->setGateState(2, true);
        QVERIFY(m_view->m_in[2].gate->styleSheet().contains(QStringLiteral("#00FF00")));
        m_view->setGateState(2, false);
        QVERIFY(m_view->m_in[2].gate->styleSheet().contains(QStringLiteral("#707070")));

        showActive();
        const QString longText = QStringLiteral("Main hall, left balcony rack");
        m_view->setDescription(longText);
        QLabel *label = m_view->m_values[QOverView::Description];
        const QPoint pos = label->mapTo(m_view.get(), label->rect().center());
        QHelpEvent help(QEvent::ToolTip, pos, m_view->mapToGlobal(pos));
        QApplication::sendEvent(m_view.get(), &help);
        QTRY_COMPARE(QToolTip::text(), longText);
    }
};

QTEST_MAIN(TestOverView)
#include "tst_overview.moc"
