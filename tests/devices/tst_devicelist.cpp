// The device list: tiles, selection, removal, badges and the context menu.
#include "announce.h"
#include "devices/deviceitem.h"
#include "devices/devicelist.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

namespace {

broadcastMsg record(quint32 id, const QByteArray &model = "DAP-48",
                    const QByteArray &preset = "Show")
{
    Announce a;
    a.machineid = id;
    a.ipaddress = 0xC0A80100 + id;
    a.model = model;
    a.preset = preset;
    return *broadcastMsg::decode(a.bytes());
}

// Picks an entry of the context menu that is about to open.
void chooseFromMenu(int entry)
{
    QTimer::singleShot(0, [entry] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        if (entry < 0) {
            menu->close();
            return;
        }
        menu->setActiveAction(menu->actions().at(entry));
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

// The context menu request a right click makes on a desktop.
void requestMenu(QWidget *tile)
{
    const QPoint at(20, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tile->mapToGlobal(at));
    QApplication::sendEvent(tile, &event);
}

} // namespace

class TestDeviceList : public QObject {
    Q_OBJECT

    std::unique_ptr<QDeviceList> m_list;

    void fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            broadcastMsg m = record(quint32(i + 1));
            m_list->addItem(&m);
        }
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(m_list->item(row), button, {}, QPoint(20, 10));
    }

private slots:
    void init()
    {
        m_list = std::make_unique<QDeviceList>();
        m_list->resize(200, 500);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
    }
    void cleanup() { m_list.reset(); }

    void tiles()
    {
        broadcastMsg m = record(1, "ABCDEFGHIJKLMNOPQRST", "Evening");
        m_list->addItem(&m);
        QDeviceItem *tile = m_list->item(0);
        QCOMPARE(tile->modelText(), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(tile->addressText(), QStringLiteral("192.168.1.1"));
        QCOMPARE(tile->presetText(), QStringLiteral("Evening"));
        QVERIFY(!tile->isSelected());
        QCOMPARE(tile->faultBadge()->styleSheet(), QString(QDeviceItem::kBadgeOff));
        QCOMPARE(tile->networkBadge()->styleSheet(), QString(QDeviceItem::kBadgeOff));
        QCOMPARE(tile->palette().color(QPalette::Window), QColor(243, 243, 243));

        m_list->setDeviceModel(0, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        m_list->setIpaddr(0, 0x0A000001);
        m_list->setDevicePreset(0, QStringLiteral("Night"));
        QCOMPARE(tile->modelText(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(tile->addressText(), QStringLiteral("10.0.0.1"));
        QCOMPARE(tile->presetText(), QStringLiteral("Night"));

        m_list->setFaultState(0, 4);
        QCOMPARE(tile->faultBadge()->styleSheet(),
                 QStringLiteral("border-radius:5px;padding:2px 4px;background-color:#FF0000"));
        m_list->setFaultState(0, 0);
        QCOMPARE(tile->faultBadge()->styleSheet(), QString(QDeviceItem::kBadgeOff));
        m_list->setNetBrowsingState(0, true);
        QCOMPARE(tile->networkBadge()->styleSheet(),
                 QStringLiteral("border-radius:5px;padding:2px 4px;background-color:#00FF00"));
        m_list->setNetState(0, QAbstractSocket::UnconnectedState);
        QCOMPARE(tile->networkBadge()->styleSheet(), QString(QDeviceItem::kBadgeOff));
        m_list->setNetState(0, QAbstractSocket::ConnectingState);
        QVERIFY(tile->isNetworkActive());
    }

    void containerHeight()
    {
        fill(3);
        QCOMPARE(m_list->container()->height(), 201);
        m_list->removeRow(1);
        QCOMPARE(m_list->container()->height(), 134);
        QCOMPARE(m_list->rowCount(), 2);
        // The container follows the view's width, leaving room for a shown scroll bar.
        QCOMPARE(m_list->container()->width(), m_list->width() - 2);
        fill(10);
        QTRY_VERIFY(m_list->verticalScrollBar()->isVisible());
        QCOMPARE(m_list->container()->width(),
                 m_list->width() - 2 - m_list->verticalScrollBar()->width());
    }

    void selection()
    {
        fill(3);
        QSignalSpy changed(m_list.get(), &QDeviceList::sig_devChanged);
        click(0, Qt::RightButton);
        chooseFromMenu(-1);
        requestMenu(m_list->item(0)); // menu closed without a choice
        QCOMPARE(changed.count(), 0);
        QCOMPARE(m_list->currentRow(), -1);

        click(2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 2);
        QVERIFY(m_list->item(2)->isSelected());
        QCOMPARE(m_list->item(2)->palette().color(QPalette::Window), QColor(18, 183, 245));
        QSignalSpy retry(m_list.get(), &QDeviceList::sig_devRetry);
        click(2); // already selected: no new selection, but a request to connect now
        QCOMPARE(changed.count(), 1);
        QCOMPARE(retry.count(), 1);
        QCOMPARE(retry.at(0).at(0).toInt(), 2);

        click(1);
        QCOMPARE(changed.count(), 2);
        QVERIFY(!m_list->item(2)->isSelected());
        QCOMPARE(m_list->item(2)->palette().color(QPalette::Window), QColor(243, 243, 243));

        // Removing an earlier row moves the selection with its processor, silently.
        m_list->removeRow(0);
        QCOMPARE(m_list->currentRow(), 0);
        QCOMPARE(m_list->item(0)->addressText(), QStringLiteral("192.168.1.2"));
        QVERIFY(m_list->item(0)->isSelected());
        QVERIFY(!m_list->item(1)->isSelected());
        QCOMPARE(changed.count(), 2);
        m_list->removeRow(1); // a later row: selection unchanged
        QCOMPARE(m_list->currentRow(), 0);
        QCOMPARE(changed.count(), 2);
    }

    void removingTheSelectedRow()
    {
        fill(2);
        click(1);
        int rowsAtSignal = -1;
        connect(m_list.get(), &QDeviceList::sig_devChanged, this,
                [&](int row) { rowsAtSignal = row == -1 ? m_list->rowCount() : rowsAtSignal; });
        m_list->removeRow(1);
        QCOMPARE(rowsAtSignal, 2); // told before the row went
        QCOMPARE(m_list->currentRow(), -1);
        QVERIFY(!m_list->item(1));
        QVERIFY(!m_list->item(0)->isSelected());
    }

    void lostAndFoundAgain()
    {
        fill(2);
        click(1);
        QSignalSpy changed(m_list.get(), &QDeviceList::sig_devChanged);
        m_list->setNetBrowsingState(1, false);
        QCOMPARE(changed.count(), 0);
        m_list->setNetBrowsingState(0, true); // not the selected one
        QCOMPARE(changed.count(), 0);
        m_list->setNetBrowsingState(1, true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
    }

    void contextMenu()
    {
        fill(3);
        click(2);
        QDeviceItem *tile = m_list->item(1);
        QCOMPARE(tile->contextMenu()->actions().at(0)->text(), QStringLiteral("IP Setting"));
        QCOMPARE(tile->contextMenu()->actions().at(1)->text(), QStringLiteral("Remove Device"));

        QSignalSpy ip(m_list.get(), &QDeviceList::sig_ipClicked);
        chooseFromMenu(0);
        requestMenu(tile);
        QCOMPARE(ip.count(), 1);
        QCOMPARE(ip.at(0).at(0).toInt(), 1);
        // The entries also work when triggered without the menu open (shortcut, keyboard).
        tile->contextMenu()->actions().at(0)->trigger();
        QCOMPARE(ip.count(), 2);

        // Removal: the tile is gone from the list before the table is asked to delete.
        int rowsAtRemove = -1;
        connect(m_list.get(), &QDeviceList::sig_removeRow, this,
                [&](int) { rowsAtRemove = m_list->rowCount(); });
        QSignalSpy removed(m_list.get(), &QDeviceList::sig_removeRow);
        chooseFromMenu(1);
        requestMenu(tile);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toInt(), 1);
        QCOMPARE(rowsAtRemove, 2);
        QCOMPARE(m_list->currentRow(), 1);
        // The row below moved up into the place of the removed one.
        QCOMPARE(m_list->item(1)->addressText(), QStringLiteral("192.168.1.3"));
        QVERIFY(m_list->item(1)->isSelected());
        QVERIFY(!m_list->item(2));

        // The removal of silent processors is the table's to decide; the list only asks.
        QSignalSpy unheard(m_list.get(), &QDeviceList::sig_removeUnheard);
        chooseFromMenu(3); // after the separator
        requestMenu(m_list->item(0));
        QCOMPARE(unheard.count(), 1);
        QCOMPARE(m_list->rowCount(), 2);
    }

    // A note about a changed address takes the preset's line until it goes.
    void addressNote()
    {
        fill(2);
        m_list->setDevicePreset(1, QStringLiteral("Show"));
        m_list->setAddressNote(1, QStringLiteral("Address changed (was 10.0.0.2)"));
        QCOMPARE(m_list->item(1)->presetText(), QStringLiteral("Address changed (was 10.0.0.2)"));
        QCOMPARE(m_list->item(0)->presetText(), m_list->row(0).preset);
        m_list->setAddressNote(1, QString());
        QCOMPARE(m_list->item(1)->presetText(), QStringLiteral("Show"));
    }

    void longModelNameIsElidedNotClipped()
    {
        // As narrow as the window's device column; the widest 16 characters there are.
        m_list->resize(140, 500);
        broadcastMsg m = record(1, "WWWWWWWWWWWWWWWW");
        m_list->addItem(&m);
        QDeviceItem *tile = m_list->item(0);
        auto *label = tile->findChildren<QLabel *>().at(0);
        QTRY_VERIFY(label->text() != QLatin1String("WWWWWWWWWWWWWWWW"));
        QVERIFY(label->text().endsWith(QChar(0x2026)));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <=
                label->contentsRect().width());
        QVERIFY(tile->geometry().right() < m_list->viewport()->width());
        QCOMPARE(tile->modelText(), QStringLiteral("WWWWWWWWWWWWWWWW"));
        // The tool tip has it whole.
        const QPoint at = label->geometry().center();
        QHelpEvent help(QEvent::ToolTip, at, tile->mapToGlobal(at));
        QApplication::sendEvent(tile, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("WWWWWWWWWWWWWWWW"));
        // A short name is shown as it is.
        m_list->setDeviceModel(0, QStringLiteral("DAP-48"));
        QCOMPARE(label->text(), QStringLiteral("DAP-48"));
    }

    void aThousandRowsFewTiles()
    {
        fill(1000);
        QCOMPARE(m_list->rowCount(), 1000);
        QCOMPARE(m_list->container()->height(), 1000 * QDeviceList::kRowHeight);
        const int inView = m_list->viewport()->height() / QDeviceList::kRowHeight + 2;
        QVERIFY2(m_list->tileCount() <= inView, qPrintable(QString::number(m_list->tileCount())));
        QVERIFY(!m_list->item(999));

        // Rows out of view keep what they are told and show it once scrolled to.
        m_list->setNetBrowsingState(998, true);
        m_list->setFaultState(998, 1);
        m_list->setIpaddr(998, 0x0A000063);
        QCOMPARE(m_list->row(998).address, QStringLiteral("10.0.0.99"));
        QSignalSpy changed(m_list.get(), &QDeviceList::sig_devChanged);
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
        QDeviceItem *tile = m_list->item(998);
        QVERIFY(tile);
        QVERIFY(tile->isVisible());
        QCOMPARE(tile->addressText(), QStringLiteral("10.0.0.99"));
        QVERIFY(tile->isNetworkActive());
        QVERIFY(tile->hasFault());
        QVERIFY(m_list->tileCount() <= inView);
        QVERIFY(!m_list->item(0));
        // A reused tile shows its new row, not what it showed before.
        QVERIFY(!m_list->item(999)->isNetworkActive());

        click(999);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 999);
        m_list->verticalScrollBar()->setValue(0);
        QVERIFY(!m_list->item(0)->isSelected());
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
        QVERIFY(m_list->item(999)->isSelected());
    }
};

QTEST_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
