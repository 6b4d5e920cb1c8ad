#pragma once

#include "broadcastmsg.h"

#include <QAbstractSocket>
#include <QDialog>
#include <QHostAddress>
#include <QList>
#include <QSqlDatabase>

#include <memory>

class QIpSetting;
class QPushButton;
class QTableWidget;
class QTcpSocket;
class QTimer;
class QUdpSocket;

// Where the device table listens, sends commands and keeps its database. The defaults are
// the production values; tests point them at loopback and a temporary folder.
struct DevTableOptions {
    quint16 announcePort = 6696;
    QHostAddress commandAddress{QHostAddress::Broadcast};
    quint16 commandPort = 6001;
    QString databasePath = QStringLiteral("device.db");
};

// The register of known processors: one record, TCP socket, silence timer, delete button and
// found flag per device, shown in the "Device list" window and kept in the database. It
// listens for announcements and sends command datagrams; it never connects a socket itself.
class QDevTable : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColumns = 12;
    static constexpr int kLinkColumn = 7;
    static constexpr int kSilenceMs = 3000;

    explicit QDevTable(QWidget *parent = nullptr, const DevTableOptions &options = {});
    ~QDevTable() override;

    // Opens the database and loads the stored devices (found flag 0). Called once, after
    // the signals are connected.
    void loadDevices();

    int deviceCount() const { return int(m_devices.size()); }
    QTcpSocket *deviceSocket(int index) const;
    // 0 when index is not a device.
    quint32 deviceMachineId(int index) const;
    quint32 deviceAddress(int index) const;
    const broadcastMsg &deviceRecord(int index) const;
    bool deviceFound(int index) const;
    QTimer *silenceTimer(int index) const;

    void sendUdpCommand(quint32 machineId, quint8 command, const void *payload, quint32 length);

    // The port announcements are received on (useful when 0 asked the system for one).
    quint16 announcePort() const;
    bool isListening() const;
    QTableWidget *table() const { return m_table; }
    QIpSetting *ipDialog() const { return m_ipDialog; }
    QString databaseConnectionName() const { return m_connectionName; }

signals:
    void sigAddDev(broadcastMsg *msg);
    void sigRemoveDev(int index);
    void sigNetState(int index, QAbstractSocket::SocketState state);
    void sigIpaddr(uint index, uint ipaddress);
    void sigModel(uint index, QString model);
    void sigFault(uint index, uchar fault);
    void sigPreset(uint index, QString preset);
    void sigNetBrowsingState(int index, bool isFound);

public slots:
    void udpRecvData();
    void udpRecvTimeout();
    void tcpSocketStateChanged(QAbstractSocket::SocketState state);
    void tcpReadyRead();
    void removeClicked();
    void addDevice(broadcastMsg *pMsg, bool online);
    void removeDev(int index);
    void ipClicked(int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Device {
        std::unique_ptr<broadcastMsg> record;
        QTcpSocket *socket = nullptr;
        QTimer *timer = nullptr;
        QPushButton *deleteButton = nullptr;
        quint8 found = 0;
    };

    int indexOf(quint32 machineId) const; // first device with this id, or -1
    void handleAnnouncement(const broadcastMsg &msg);
    void updateKnownDevice(int index, const broadcastMsg &msg);
    void insertIntoDatabase(const broadcastMsg &msg);
    void updateColumn(const char *column, quint32 machineId, const QVariant &value);
    void setCell(int row, int column, const QString &text);
    void setLinkStatus(int row, QAbstractSocket::SocketState state, bool recolour = true);
    void retranslateUi();
    void reportBindFailure();

    DevTableOptions m_options;
    QTableWidget *m_table = nullptr;
    QUdpSocket *m_udpSocket = nullptr;
    QIpSetting *m_ipDialog = nullptr;
    std::vector<Device> m_devices;
    QString m_connectionName;
    QSqlDatabase m_db;
    bool m_bound = false;
    bool m_bindReported = false;
};
