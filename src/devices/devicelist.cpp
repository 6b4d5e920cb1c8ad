#include "devicelist.h"

#include "deviceitem.h"

#include <QResizeEvent>
#include <QScrollBar>

QDeviceList::QDeviceList(QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("deviceListScrollArea"));
    QFont f = font();
    f.setFamily(QStringLiteral("Arial"));
    setFont(f);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The container's black background shows as the one-pixel line around every tile.
    m_container = new QWidget;
    m_container->setObjectName(QStringLiteral("deviceListContainer"));
    setWidget(m_container);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &QDeviceList::layoutTiles);
    updateContainerSize();
}

QDeviceItem *QDeviceList::item(int row) const
{
    if (!validRow(row))
        return nullptr;
    for (const Tile &tile : m_tiles)
        if (tile.row == row)
            return tile.widget;
    return nullptr;
}

void QDeviceList::addItem(broadcastMsg *msg)
{
    Row row;
    row.model = devices::fieldText(msg->model, 16);
    row.address = devices::ipText(msg->ipaddress);
    row.preset = devices::fieldText(msg->preset, 16);
    m_rows.push_back(std::move(row));
    ++m_rowCount;
    updateContainerSize();
}

void QDeviceList::removeRow(int row)
{
    if (!validRow(row))
        return;
    if (row < m_currentRow) {
        --m_currentRow;
    } else if (row == m_currentRow) {
        m_currentRow = -1;
        emit sig_devChanged(-1);
    }
    m_rows.erase(m_rows.begin() + row);
    --m_rowCount;
    // Tiles stay and are reused; the one showing this row shows the next one (the tile
    // whose menu asked for the removal is still on the stack, so it is not deleted here).
    updateContainerSize();
}

void QDeviceList::setIpaddr(uint row, uint dwIpaddr)
{
    if (!validRow(int(row)))
        return;
    m_rows[row].address = devices::ipText(dwIpaddr);
    refreshRow(int(row));
}

void QDeviceList::setDeviceModel(uint row, QString string)
{
    if (!validRow(int(row)))
        return;
    m_rows[row].model = string;
    refreshRow(int(row));
}

void QDeviceList::setDevicePreset(uint row, QString string)
{
    if (!validRow(int(row)))
        return;
    m_rows[row].preset = string;
    refreshRow(int(row));
}

void QDeviceList::setAddressNote(uint row, QString note)
{
    if (!validRow(int(row)))
        return;
    m_rows[row].addressNote = note;
    refreshRow(int(row));
}

void QDeviceList::setFaultState(uint row, uchar fault)
{
    if (!validRow(int(row)))
        return;
    m_rows[row].fault = fault != 0;
    refreshRow(int(row));
}

void QDeviceList::setNetState(int row, QAbstractSocket::SocketState state)
{
    if (!validRow(row))
        return;
    m_rows[size_t(row)].networkActive = state != QAbstractSocket::UnconnectedState;
    refreshRow(row);
}

void QDeviceList::setNetBrowsingState(int row, bool isFound)
{
    if (!validRow(row))
        return;
    m_rows[size_t(row)].networkActive = isFound;
    refreshRow(row);
    // The selected processor is back: let the main window reconnect to it.
    if (row == m_currentRow && isFound)
        emit sig_devChanged(row);
}

void QDeviceList::itemClicked(int row)
{
    if (!validRow(row))
        return;
    const int previous = m_currentRow;
    m_currentRow = row;
    if (previous != row)
        refreshRow(previous);
    refreshRow(row);
    emit sig_devChanged(row);
}

void QDeviceList::ipClicked(int row)
{
    if (validRow(row))
        emit sig_ipClicked(row);
}

void QDeviceList::removeClicked(int row)
{
    if (!validRow(row))
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
    layoutTiles();
}

void QDeviceList::layoutTiles()
{
    const int top = verticalScrollBar()->value();
    const int first = top / kRowHeight;
    const int last = qMin(m_rowCount - 1, (top + qMax(1, viewport()->height()) - 1) / kRowHeight);
    const size_t needed = last >= first ? size_t(last - first + 1) : 0;
    for (size_t slot = m_tiles.size(); slot < needed; ++slot)
        makeTile(slot);
    const int width = qMax(0, m_container->width() - 2);
    for (size_t slot = 0; slot < m_tiles.size(); ++slot) {
        Tile &tile = m_tiles[slot];
        if (slot >= needed) {
            tile.row = -1;
            tile.widget->hide();
            continue;
        }
        tile.row = first + int(slot);
        tile.widget->setGeometry(1, 1 + tile.row * kRowHeight, width, kRowHeight - 1);
        bind(tile.widget, tile.row);
        tile.widget->show();
    }
}

void QDeviceList::bind(QDeviceItem *tile, int row)
{
    const Row &r = m_rows[size_t(row)];
    tile->setModelText(r.model);
    tile->setAddressText(r.address);
    tile->setPresetText(r.addressNote.isEmpty() ? r.preset : r.addressNote);
    tile->setFault(r.fault);
    tile->setNetworkActive(r.networkActive);
    tile->setSelected(row == m_currentRow);
}

void QDeviceList::refreshRow(int row)
{
    if (QDeviceItem *tile = item(row))
        bind(tile, row);
}

QDeviceItem *QDeviceList::makeTile(size_t slot)
{
    auto *tile = new QDeviceItem(m_container);
    m_tiles.push_back({tile, -1});
    // A tile shows different rows over time; each signal asks which one it shows now.
    connect(tile, &QDeviceItem::Selected, this, [this, slot] { itemClicked(rowOfTile(slot)); });
    connect(tile, &QDeviceItem::Reselected, this, [this, slot] {
        if (const int row = rowOfTile(slot); validRow(row))
            emit sig_devRetry(row);
    });
    connect(tile, &QDeviceItem::Remove, this, [this, slot] { removeClicked(rowOfTile(slot)); });
    connect(tile, &QDeviceItem::ipClicked, this, [this, slot] { ipClicked(rowOfTile(slot)); });
    connect(tile, &QDeviceItem::RemoveUnheard, this, &QDeviceList::sig_removeUnheard);
    return tile;
}
