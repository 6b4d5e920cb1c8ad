// The security page: clicks ask the processor, reports change the table and emit the lock
// signals, page access with the lock password, polling, and the container's wiring of the
// locks to the level and filter pages.
#include "modules/filtergraph.h"
#include "modules/filterpanel.h"
#include "modules/levelpanel.h"
#include "pages/funcwidget.h"
#include "pages/security.h"
#include "protocol/frame.h"
#include "protocol/transport.h"
#include "widgets/passwordcheck.h"
#include "widgets/qfader.h"
#include "widgets/qlock.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

void report(QSecurity &page, quint8 item, const QByteArray &payload, quint8 direction = 0x80)
{
    page.receive(item, direction, quint16(payload.size()),
                 reinterpret_cast<const uchar *>(payload.constData()));
}

// Table offsets of the icons: simple items by channel, filter rows by channel and entry.
constexpr int kGate = 4;
constexpr int kInLevel = 0;
constexpr int kOutLevel = 112;
int outFilterEntry(int channel, int entry)
{
    return 120 + channel * 19 + entry;
}

void click(QSecurity &page, int offset)
{
    QTest::mouseClick(page.lockIcon(offset), Qt::LeftButton);
}

} // namespace

class TestSecurity : public QObject {
    Q_OBJECT

    QList<QByteArray> m_sent;

private Q_SLOTS:
    void init()
    {
        m_sent.clear();
        proto::Transport::instance().setSink([this](const QByteArray &f) { m_sent << f; });
    }
    void cleanup() { proto::Transport::instance().setSink({}); }

    void gateClickAsksAndWaitsForReport()
    {
        QSecurity page;
        QSignalSpy gate(&page, &QSecurity::gateLockChanged);
        report(page, 4, hex("00 01 00 00"));
        QCOMPARE(gate.count(), 1);
        m_sent.clear();

        click(page, kGate + 1);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 05 04 01 02 00 01 02 7D 82")});
        QCOMPARE(page.lockIcon(kGate + 1)->state(), 1); // orange until the processor says
        QCOMPARE(page.lockAt(kGate + 1), uchar(1));

        report(page, 4, hex("00 02 00 00"));
        QCOMPARE(page.lockIcon(kGate + 1)->state(), 2);
        QCOMPARE(gate.count(), 2);
        QCOMPARE(gate.last(), (QList<QVariant>{uchar(1), uchar(2)}));
        report(page, 4, hex("00 02 00 00")); // the same again changes nothing
        QCOMPARE(gate.count(), 2);
    }

    void clickAsksForNextState_data()
    {
        QTest::addColumn<QByteArray>("reported");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("free") << hex("00") << hex("82 7D 01 00 02 05 0B 01 02 00 00 01 7D 82");
        QTest::newRow("read-only") << hex("01") << hex("82 7D 01 00 02 05 0B 01 02 00 00 02 7D 82");
        QTest::newRow("hidden") << hex("02") << hex("82 7D 01 00 02 05 0B 01 02 00 00 00 7D 82");
        QTest::newRow("state 3") << hex("03") << hex("82 7D 01 00 02 05 0B 01 02 00 00 00 7D 82");
        QTest::newRow("state 255") << hex("FF") << hex("82 7D 01 00 02 05 0B 01 02 00 00 00 7D 82");
    }
    void clickAsksForNextState()
    {
        QFETCH(QByteArray, reported);
        QFETCH(QByteArray, sent);
        QSecurity page;
        report(page, 11, reported + QByteArray(7, 0));
        m_sent.clear();
        click(page, kOutLevel);
        QCOMPARE(m_sent, QList<QByteArray>{sent});
    }

    void filterBandClickSendsWholeRow()
    {
        QSecurity page;
        // Output 8: graph Read-only, band 1 Hidden, band 16 Read-only.
        report(page, 12, hex("07 01 00 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01"));
        QCOMPARE(page.outFilterGraphLock(7), uchar(1));
        QCOMPARE(page.outFilterBandLock(7, 0), uchar(2));
        QCOMPARE(page.outFilterBandLock(7, 15), uchar(1));
        m_sent.clear();
        click(page, outFilterEntry(7, 18));
        QCOMPARE(m_sent,
                 QList<QByteArray>{hex("82 7D 01 00 02 05 0C 01 14 00 07 01 00 00 02 00 00 00"
                                       " 00 00 00 00 00 00 00 00 00 00 00 02 7D 82")});
        QCOMPARE(page.outFilterBandLock(7, 15), uchar(1));
        // Lookups outside the table read as Free instead of a neighbour's state.
        QCOMPARE(page.outFilterBandLock(8, 0), uchar(0));
        QCOMPARE(page.outFilterBandLock(7, 16), uchar(0));
        QCOMPARE(page.inFilterGraphLock(4), uchar(0));
    }

    void reportsEmitOnlyChanges()
    {
        QSecurity page;
        QSignalSpy level(&page, &QSecurity::inlevelLockChanged);
        report(page, 3, hex("00 01 02 00"));
        QCOMPARE(level.count(), 2);
        QCOMPARE(level[0], (QList<QVariant>{uchar(1), uchar(1)}));
        QCOMPARE(level[1], (QList<QVariant>{uchar(2), uchar(2)}));
        QCOMPARE(page.lockIcon(kInLevel + 2)->state(), 2);

        QSignalSpy hp(&page, &QSecurity::inHPFilterLockChanged);
        QSignalSpy band(&page, &QSecurity::inFilterBandLockChanged);
        QSignalSpy graph(&page, &QSecurity::inFilterGraphLockChanged);
        report(page, 6, hex("02 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 02"));
        QCOMPARE(graph.count(), 0);
        QCOMPARE(hp, (QList<QList<QVariant>>{{uchar(2)}}));
        QCOMPARE(band, (QList<QList<QVariant>>{{uchar(2), uchar(15)}}));
        QCOMPARE(page.inHPFilterLock(2), uchar(1));
    }

    void malformedReportsIgnored_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("filter channel 4")
            << 6 << 0x80 << hex("04 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01");
        QTest::newRow("filter row short")
            << 6 << 0x80 << hex("00 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01");
        QTest::newRow("output filter channel 8")
            << 12 << 0x80 << hex("08 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01");
        QTest::newRow("input item with 8 bytes") << 4 << 0x80 << hex("01 01 01 01 01 01 01 01");
        QTest::newRow("output item with 4 bytes") << 9 << 0x80 << hex("01 01 01 01");
        QTest::newRow("set, not report") << 3 << 0x01 << hex("01 01 01 01");
        QTest::newRow("unknown item") << 15 << 0x80 << hex("01 01 01 01");
        QTest::newRow("access of 2 bytes") << 1 << 0x80 << hex("01 01");
    }
    void malformedReportsIgnored()
    {
        QFETCH(int, item);
        QFETCH(int, direction);
        QFETCH(QByteArray, payload);
        QSecurity page;
        QSignalSpy any(&page, &QSecurity::inFilterGraphLockChanged);
        QSignalSpy gate(&page, &QSecurity::gateLockChanged);
        QSignalSpy mixer(&page, &QSecurity::mtxmixLockChanged);
        QSignalSpy level(&page, &QSecurity::inlevelLockChanged);
        QSignalSpy out(&page, &QSecurity::outFilterGraphLockChanged);
        report(page, quint8(item), payload, quint8(direction));
        for (int offset = 0; offset < locktable::kSize; ++offset)
            QCOMPARE(page.lockAt(offset), uchar(0));
        QCOMPARE(any.count() + gate.count() + mixer.count() + level.count() + out.count(), 0);
        QVERIFY(!page.hasAccess());
    }

    void passwordAndAccess()
    {
        QSecurity page;
        QCOMPARE(page.passwordEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(page.passwordEdit()->maxLength(), 8);
        page.pwdEditingFinished(); // empty: nothing
        QVERIFY(m_sent.isEmpty());

        page.passwordEdit()->setText(QString::fromUtf8("4\u20AC2"));
        page.pwdEditingFinished();
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(page.messageLabel()->text(), passwordcheck::refusalMessage());

        // A poll was under way before the password: its answer of 0 is no verdict.
        page.requestLockTable();
        page.passwordEdit()->setText("41");
        m_sent.clear();
        page.pwdEditingFinished();
        QCOMPARE(m_sent.value(0), hex("82 7D 01 00 02 05 01 01 02 00 34 31 7D 82"));
        QCOMPARE(m_sent.value(1), hex("82 7D 01 00 02 05 01 00 00 00 7D 82"));
        QVERIFY(page.passwordEdit()->text().isEmpty());
        QVERIFY(page.messageLabel()->text().isEmpty());
        report(page, 1, hex("00"));
        QVERIFY(page.messageLabel()->text().isEmpty());
        report(page, 1, hex("00"));
        QCOMPARE(page.messageLabel()->text(), QString("Wrong password!"));

        page.passwordEdit()->setText("42");
        page.pwdEditingFinished();
        report(page, 1, hex("01"));
        QVERIFY(page.hasAccess());
        QVERIFY(page.messageLabel()->text().isEmpty());
        QVERIFY(!page.quitButton()->isHidden());
        QVERIFY(!page.passwordEdit()->isEnabled());
        QCOMPARE(page.pageLock()->state(), 0);

        m_sent.clear();
        page.quitButton()->click();
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 05 01 01 02 00 90 A7 7D 82")});
        QVERIFY(page.hasAccess()); // until the processor says otherwise
        report(page, 1, hex("00"));
        QVERIFY(!page.hasAccess());
        QVERIFY(page.quitButton()->isHidden());
        QVERIFY(page.passwordEdit()->isEnabled());
        QCOMPARE(page.pageLock()->state(), 1);
    }

    // Another processor or a dropped connection ends page access, and no click goes out on
    // the strength of the old processor's states until the new one has reported them.
    void connectionChangeDropsAccessAndStaleStates()
    {
        QSecurity page;
        click(page, kGate); // nothing read yet
        QVERIFY(m_sent.isEmpty());
        report(page, 1, hex("01"));
        report(page, 4, hex("01 00 00 00"));
        emit proto::Transport::instance().connectionChanged();
        QVERIFY(!page.hasAccess());
        QVERIFY(page.quitButton()->isHidden());
        QCOMPARE(page.lockAt(kGate), uchar(1)); // kept until the new processor differs
        click(page, kGate);
        QVERIFY(m_sent.isEmpty());
        report(page, 4, hex("02 00 00 00"));
        click(page, kGate);
        QCOMPARE(m_sent, QList<QByteArray>{hex("82 7D 01 00 02 05 04 01 02 00 00 00 7D 82")});
    }

    void pollsOnlyWhileShown()
    {
        QSecurity page;
        for (int i = 0; i < 20; ++i)
            page.timeOut20ms();
        QVERIFY(m_sent.isEmpty());

        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        for (int i = 0; i < 9; ++i)
            page.timeOut20ms();
        QVERIFY(m_sent.isEmpty());
        page.timeOut20ms();
        QStringList order;
        for (const QByteArray &bytes : m_sent) {
            const auto f = proto::decodeFrame(bytes);
            QVERIFY(f && f->frameClass == 2 && f->frameType == 5 && f->direction == 0);
            order << QString::number(f->paramCode) + QString(f->payload.toHex());
        }
        QCOMPARE(order.join(' '), QString("1 3 4 5 600 601 602 603 7 8 9 10 11 1200 1201 1202 "
                                          "1203 1204 1205 1206 1207 13 14"));
    }

    // The container passes the lock signals on: a level strip and the filter elements of
    // the shown channel follow the table.
    void panelsFollowLocks()
    {
        FuncWidget fw;
        auto *security = qobject_cast<QSecurity *>(fw.page(FuncWidget::TabSecurity));
        auto *inLevel = qobject_cast<QInLevel *>(fw.page(FuncWidget::TabInLevel));
        auto *inFilter = qobject_cast<QInFilter *>(fw.page(FuncWidget::TabInFilter));
        QVERIFY(security && inLevel && inFilter);
        auto route = [&](quint8 item, const char *payload) {
            const QByteArray p = hex(payload);
            fw.receiveSystem(5, item, 0x80, quint16(p.size()),
                             reinterpret_cast<const uchar *>(p.constData()));
        };
        route(3, "00 01 02 00");
        QVERIFY(!inLevel->strip(1).background->isEnabled());
        QVERIFY(!inLevel->strip(1).fader->isHidden());
        QVERIFY(inLevel->strip(2).fader->isHidden());
        QVERIFY(!inLevel->strip(0).fader->isHidden() && inLevel->strip(0).background->isEnabled());

        route(6, "00 02 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
        QVERIFY(inFilter->findChild<FilterGraph *>()->isHidden());
        QVERIFY(!inFilter->highPassWidgets().group->isEnabled());
        route(6, "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
        QVERIFY(!inFilter->findChild<FilterGraph *>()->isHidden());
        QVERIFY(inFilter->highPassWidgets().group->isEnabled());
        route(3, "00 00 00 00");
        QVERIFY(!inLevel->strip(2).fader->isHidden());
    }
};

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
