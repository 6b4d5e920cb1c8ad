#pragma once

#include "broadcastmsg.h"
#include "devicestore.h"

#include <QAbstractSocket>
#include <QDialog>
#include <QHash>
#include <QHostAddress>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIpSetting;
class QMessageBox;
class QTableWidget;
class QTcpSocket;
class QTimer;
class QUdpSocket;

// Where the device table listens, sends commands and keeps its database, how many processors
// it takes and which clock it reads. The defaults are the production values; tests point them
// at loopback, a temporary folder and a clock of their own.
struct DevTableOptions {
    quint16 announcePort = 6696;
    QHostAddress commandAddress{QHostAddress::Broadcast};
    quint16 commandPort = 6001;
    QString databasePath = QStringLiteral("device.db");
    // The most processors the list keeps; beyond it a newly heard one takes the place of the
    // one silent longest that was never selected.
    int maxDevices = 1024;
    // Milliseconds on a monotonic clock; empty means the system's steady clock.
    std::function<qint64()> clock;
};

// The register of known processors: one record, found flag and last-heard time per device,
// a TCP socket once the device is selected, shown in the "Device list" window and kept in
// the database. It listens for announcements and sends command datagrams; it never connects
// a socket itself. One silence clock watches every device.
class QDevTable : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColumns = 12;
    static constexpr int kLinkColumn = 7;
    static constexpr int kDeleteColumn = 11;
    static constexpr int kSilenceMs = 3000;

    explicit QDevTable(QWidget *parent = nullptr, const DevTableOptions &options = {});
    ~QDevTable() override;

    // Opens the database and loads the stored devices (found flag 0). Called once, after
    // the signals are connected.
    void loadDevices();

    int deviceCount() const { return int(m_devices.size()); }
    // The device's socket, created on first use (a processor is connected only once the
    // user selects it).
    QTcpSocket *deviceSocket(int index);
    // The socket if one was made, without making one.
    QTcpSocket *existingSocket(int index) const;
    // 0 when index is not a device.
    quint32 deviceMachineId(int index) const;
    quint32 deviceAddress(int index) const;
    // -1 when the machine id is not known.
    int deviceIndex(quint32 machineId) const;
    const broadcastMsg &deviceRecord(int index) const;
    bool deviceFound(int index) const;
    // True while the silence clock counts for the device (it was heard and is not lost yet).
    bool silenceTimed(int index) const;
    // When the silence clock next looks at the devices; -1 when it is stopped.
    int silenceClockRemaining() const;
    // The table's clock, in milliseconds.
    qint64 now() const;
    // What the device's tile says about its address: that an announcement moved it away from
    // the address it had (not this program's IP setting); empty otherwise.
    QString addressNote(int index) const;
    // The user logged in at the device's present address: the note goes.
    void confirmAddress(int index);

    void sendUdpCommand(quint32 machineId, quint8 command, const void *payload, quint32 length);

    // The port announcements are received on (useful when 0 asked the system for one).
    quint16 announcePort() const;
    bool isListening() const;
    QTableWidget *table() const { return m_table; }
    QIpSetting *ipDialog() const { return m_ipDialog; }
    QString databaseConnectionName() const { return m_store.connectionName(); }
    // The note that the list is full, once it was shown.
    QMessageBox *limitMessage() const { return m_limitMessage; }
    // The last note about device.db (it cannot be used or written, or was replaced).
    QMessageBox *storeMessage() const { return m_storeMessage; }
    // Processors known from the database that have not announced themselves (nor answered
    // over TCP) since the program started.
    int notHeardSinceStart() const;
    // Removes them, in one database transaction; returns how many.
    int removeNotHeardSinceStart();

    // One pass of announcement datagrams as read from the socket: each is decoded and applied,
    // and their database writes share one commit. The fuzz target feeds it without a socket.
    void receiveDatagrams(const QList<QByteArray> &datagrams);

signals:
    void sigAddDev(broadcastMsg *msg);
    void sigRemoveDev(int index);
    void sigNetState(int index, QAbstractSocket::SocketState state);
    void sigIpaddr(uint index, uint ipaddress);
    void sigModel(uint index, QString model);
    void sigFault(uint index, uchar fault);
    void sigPreset(uint index, QString preset);
    void sigNetBrowsingState(int index, bool isFound);
    // New network settings went to the processor at index (the "IP Setting" dialog).
    void sigNetworkSettingsSent(int index);
    // An announcement changed the processor's address from previous; commanded when it is the
    // address this program's IP setting sent it to.
    void sigAddressChanged(uint index, uint previous, bool commanded);
    // The note about the device's address changed (see addressNote()).
    void sigAddressNote(uint index, QString note);

public slots:
    // Drains the announcement socket, with the database writes of one pass in one transaction.
    void udpRecvData();
    // The silence clock: marks lost every device not heard for kSilenceMs.
    void udpRecvTimeout();
    void tcpSocketStateChanged(quint32 machineId, QAbstractSocket::SocketState state);
    void tcpReadyRead(quint32 machineId);
    void removeClicked(quint32 machineId);
    void addDevice(broadcastMsg *pMsg, bool online);
    void removeDev(int index);
    void ipClicked(int index);
    // "Remove processors not heard since start": asks once, then removes them.
    void removeUnheardClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Device {
        broadcastMsg record;
        QTcpSocket *socket = nullptr;
        qint64 lastHeard = 0;
        bool heardThisRun = false;
        // The address this program's IP setting sent the processor to, until it is heard there.
        std::optional<quint32> commandedAddress;
        // The address an announcement moved the processor away from, until it is confirmed.
        std::optional<quint32> movedFrom;
        int index = 0;
        bool timed = false;
        quint8 found = 0;
    };

    Device *device(int index) const;
    void addressMoved(Device &device, quint32 previous);
    void setMovedFrom(Device &device, std::optional<quint32> from);
    void heard(Device &device);
    void armSilenceClock(qint64 delayMs);
    void handleDatagram(const char *data, qint64 size);
    void handleAnnouncement(const broadcastMsg &msg);
    void updateKnownDevice(Device &device, const broadcastMsg &msg);
    void insertIntoDatabase(const broadcastMsg &msg);
    void updateColumn(const char *column, quint32 machineId, const QVariant &value);
    void setCell(int row, int column, const QString &text);
    void setLinkStatus(int row, QAbstractSocket::SocketState state, bool recolour = true);
    void retranslateUi();
    void reportBindFailure();
    void reportLimit();
    void reportStoreProblem(const devices::DeviceStore::Problem &problem);
    // Removes the device silent longest that was never selected; false when there is none.
    bool makeRoom();

    DevTableOptions m_options;
    QTableWidget *m_table = nullptr;
    QUdpSocket *m_udpSocket = nullptr;
    QIpSetting *m_ipDialog = nullptr;
    QTimer *m_silenceClock = nullptr;
    QTimer *m_drainLater = nullptr;
    std::vector<std::unique_ptr<Device>> m_devices;
    QHash<quint32, Device *> m_byId;
    devices::DeviceStore m_store;
    QMessageBox *m_limitMessage = nullptr;
    QMessageBox *m_storeMessage = nullptr;
    bool m_bound = false;
    bool m_bindReported = false;
};
