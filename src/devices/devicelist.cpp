#include "devicelist.h"

#include "deviceitem.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>

QDeviceList::QDeviceList(QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("deviceListScrollArea"));
    QFont f = font();
    f.setFamily(QStringLiteral("Arial"));
    setFont(f);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_container = new QWidget;
    m_container->setObjectName(QStringLiteral("deviceListContainer"));
    m_layout = new QVBoxLayout(m_container);
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(1);
    m_layout->setAlignment(Qt::AlignTop);
    setWidget(m_container);
    updateContainerSize();
}

void QDeviceList::addItem(broadcastMsg *msg)
{
    ++m_rowCount;
    auto *tile = new QDeviceItem(m_container);
    m_layout->addWidget(tile);
    m_items.append(tile);
    updateContainerSize();

    tile->setModelText(devices::fieldText(msg->model, 16));
    tile->setAddressText(devices::ipText(msg->ipaddress));
    tile->setPresetText(devices::fieldText(msg->preset, 16));
    tile->show();

    connect(tile, &QDeviceItem::Selected, this, &QDeviceList::itemClicked);
    connect(tile, &QDeviceItem::Remove, this, &QDeviceList::removeClicked);
    connect(tile, &QDeviceItem::ipClicked, this, &QDeviceList::ipClicked);
}

void QDeviceList::removeRow(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    if (row < m_currentRow) {
        --m_currentRow;
    } else if (row == m_currentRow) {
        m_currentRow = -1;
        emit sig_devChanged(-1);
    }
    QDeviceItem *tile = m_items.takeAt(row);
    m_layout->removeWidget(tile);
    disconnect(tile, nullptr, this, nullptr);
    // Out of the container at once; freed from the event loop, because the tile may be the
    // one whose context menu asked for the removal.
    tile->hide();
    tile->setParent(nullptr);
    tile->deleteLater();
    --m_rowCount;
    updateContainerSize();
}

void QDeviceList::setIpaddr(uint row, uint dwIpaddr)
{
    if (QDeviceItem *tile = item(int(row)))
        tile->setAddressText(devices::ipText(dwIpaddr));
}

void QDeviceList::setDeviceModel(uint row, QString string)
{
    if (QDeviceItem *tile = item(int(row)))
        tile->setModelText(string);
}

void QDeviceList::setDevicePreset(uint row, QString string)
{
    if (QDeviceItem *tile = item(int(row)))
        tile->setPresetText(string);
}

void QDeviceList::setFaultState(uint row, uchar fault)
{
    if (QDeviceItem *tile = item(int(row)))
        tile->setFault(fault != 0);
}

void QDeviceList::setNetState(int row, QAbstractSocket::SocketState state)
{
    if (QDeviceItem *tile = item(row))
        tile->setNetworkActive(state != QAbstractSocket::UnconnectedState);
}

void QDeviceList::setNetBrowsingState(int row, bool isFound)
{
    QDeviceItem *tile = item(row);
    if (!tile)
        return;
    tile->setNetworkActive(isFound);
    // The selected processor is back: let the main window reconnect to it.
    if (row == m_currentRow && isFound)
        emit sig_devChanged(row);
}

int QDeviceList::rowOfSender() const
{
    return m_items.indexOf(qobject_cast<QDeviceItem *>(sender()));
}

void QDeviceList::itemClicked()
{
    const int row = rowOfSender();
    if (row < 0)
        return;
    if (QDeviceItem *previous = item(m_currentRow); previous && m_currentRow != row)
        previous->setSelected(false);
    m_currentRow = row;
    emit sig_devChanged(row);
}

void QDeviceList::ipClicked()
{
    const int row = rowOfSender();
    if (row >= 0)
        emit sig_ipClicked(row);
}

void QDeviceList::removeClicked()
{
    const int row = rowOfSender();
    if (row < 0)
        return;
    removeRow(row);
    emit sig_removeRow(row);
}

void QDeviceList::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    updateContainerSize();
}

void QDeviceList::updateContainerSize()
{
    m_container->setFixedHeight(m_rowCount * kRowHeight);
    int width = this->width() - 2;
    if (verticalScrollBar()->isVisible())
        width -= verticalScrollBar()->width();
    m_container->setFixedWidth(qMax(0, width));
}
