#pragma once

#include "broadcastmsg.h"

#include <QAbstractSocket>
#include <QList>
#include <QScrollArea>

#include <vector>

class QDeviceItem;

// The column of device tiles. Rows follow the device table's order, so a row is a device
// index; the list is fed only by the table's signals. It keeps what each row shows and makes
// tiles only for the rows in view, reusing them as the list scrolls, so a thousand processors
// cost a handful of widgets.
class QDeviceList : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 67;

    // What a row shows, whether or not a tile shows it now.
    struct Row {
        QString model;
        QString address;
        QString preset;
        // Shown in the preset's place while there is one (the address was changed).
        QString addressNote;
        bool fault = false;
        bool networkActive = false;
    };

    explicit QDeviceList(QWidget *parent = nullptr);

    int rowCount() const { return m_rowCount; }
    int currentRow() const { return m_currentRow; }
    const Row &row(int row) const { return m_rows.at(size_t(row)); }
    // The tile showing row, or nullptr while the row is out of view.
    QDeviceItem *item(int row) const;
    QWidget *container() const { return m_container; }
    // Tiles made so far (those in view and a few spare).
    int tileCount() const { return int(m_tiles.size()); }

signals:
    void sig_devChanged(int row);
    // The selected tile was clicked again: the user asks to connect now.
    void sig_devRetry(int row);
    void sig_ipClicked(int row);
    void sig_removeRow(int row);
    // "Remove processors not heard since start" from any tile's menu.
    void sig_removeUnheard();

public slots:
    void addItem(broadcastMsg *msg);
    void removeRow(int row);
    void setIpaddr(uint row, uint dwIpaddr);
    void setDeviceModel(uint row, QString string);
    void setDevicePreset(uint row, QString string);
    void setAddressNote(uint row, QString note);
    void setFaultState(uint row, uchar fault);
    void setNetState(int row, QAbstractSocket::SocketState state);
    void setNetBrowsingState(int row, bool isFound);
    // Called by the tile showing row.
    void itemClicked(int row);
    void ipClicked(int row);
    void removeClicked(int row);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Tile {
        QDeviceItem *widget = nullptr;
        int row = -1;
    };

    bool validRow(int row) const { return row >= 0 && row < m_rowCount; }
    void updateContainerSize();
    // Puts a tile on every row in view and shows each row's texts and badges on it.
    void layoutTiles();
    void bind(QDeviceItem *tile, int row);
    void refreshRow(int row);
    QDeviceItem *makeTile(size_t slot);
    int rowOfTile(size_t slot) const { return m_tiles[slot].row; }

    int m_rowCount = 0;
    int m_currentRow = -1;
    QWidget *m_container = nullptr;
    std::vector<Row> m_rows;
    std::vector<Tile> m_tiles;
};
