#pragma once

#include "broadcastmsg.h"

#include <QAbstractSocket>
#include <QList>
#include <QScrollArea>

class QDeviceItem;
class QVBoxLayout;

// The column of device tiles. Rows follow the device table's order, so a row is a device
// index; the list is fed only by the table's signals.
class QDeviceList : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 67;

    explicit QDeviceList(QWidget *parent = nullptr);

    int rowCount() const { return m_rowCount; }
    int currentRow() const { return m_currentRow; }
    QDeviceItem *item(int row) const { return m_items.value(row); }
    QWidget *container() const { return m_container; }

signals:
    void sig_devChanged(int row);
    void sig_ipClicked(int row);
    void sig_removeRow(int row);

public slots:
    void addItem(broadcastMsg *msg);
    void removeRow(int row);
    void setIpaddr(uint row, uint dwIpaddr);
    void setDeviceModel(uint row, QString string);
    void setDevicePreset(uint row, QString string);
    void setFaultState(uint row, uchar fault);
    void setNetState(int row, QAbstractSocket::SocketState state);
    void setNetBrowsingState(int row, bool isFound);
    // Connected to every tile; a call whose sender is not a tile does nothing.
    void itemClicked();
    void ipClicked();
    void removeClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int rowOfSender() const;
    void updateContainerSize();

    int m_rowCount = 0;
    int m_currentRow = -1;
    QWidget *m_container = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QList<QDeviceItem *> m_items;
};
