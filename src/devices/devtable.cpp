#include "devtable.h"

#include "ipsetting.h"
#include "logging.h"
#include "protocol/payload.h"
#include "widgets/language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

using namespace devices;

namespace {

constexpr int kAlignCenter = Qt::AlignHCenter | Qt::AlignVCenter; // 132
constexpr int kDeleteColumn = 11;
constexpr int kRunTimeColumn = 8;
constexpr int kTotalTimeColumn = 9;
constexpr int kIdColumn = 10;

const char *const kCreateStatement =
    "create table devicetable (ID INTEGER PRIMARY KEY,machineid unsigned int,"
    "ipaddress unsigned int,model varchar(20),ARMFirmware varchar(20),"
    "DSPFirmware varchar(20),location varchar(20),description varchar(20),sn varchar(20))";

int g_connectionSerial = 0;

} // namespace

QDevTable::QDevTable(QWidget *parent, const DevTableOptions &options)
    : QDialog(parent), m_options(options)
{
    m_ipDialog = new QIpSetting(this);

    m_table = new QTableWidget(0, kColumns, this);
    const std::pair<int, int> widths[] = {{1, 105}, {2, 60},           {3, 60},
                                          {6, 120}, {kLinkColumn, 90}, {kDeleteColumn, 70}};
    for (const auto &[column, width] : widths)
        m_table->setColumnWidth(column, width);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::Alignment(kAlignCenter));
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int c = 0; c < kColumns; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem);

    m_udpSocket = new QUdpSocket(this);
    // IPv4 only: an any-address IPv6 bind would hand back mapped addresses.
    m_bound = m_udpSocket->bind(QHostAddress::AnyIPv4, m_options.announcePort);
    if (!m_bound)
        qCWarning(lcDevices) << "cannot listen for announcements on port" << m_options.announcePort
                             << m_udpSocket->errorString();
    connect(m_udpSocket, &QUdpSocket::readyRead, this, &QDevTable::udpRecvData);

    setFixedSize(1140, 588);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);

    retranslateUi();
}

QDevTable::~QDevTable()
{
    // The sockets are children and outlive this body; a connected one reports its closing
    // while it is destroyed, which must not reach a table that is already half gone.
    for (Device &device : m_devices) {
        if (device.socket) {
            disconnect(device.socket, nullptr, this, nullptr);
            device.socket->abort();
        }
    }
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

quint16 QDevTable::announcePort() const
{
    return m_udpSocket->localPort();
}
bool QDevTable::isListening() const
{
    return m_bound;
}

QTcpSocket *QDevTable::deviceSocket(int index) const
{
    return index >= 0 && index < deviceCount() ? m_devices[size_t(index)].socket : nullptr;
}

quint32 QDevTable::deviceMachineId(int index) const
{
    return index >= 0 && index < deviceCount() ? m_devices[size_t(index)].record->machineid : 0;
}

quint32 QDevTable::deviceAddress(int index) const
{
    return index >= 0 && index < deviceCount() ? m_devices[size_t(index)].record->ipaddress : 0;
}

const broadcastMsg &QDevTable::deviceRecord(int index) const
{
    return *m_devices.at(size_t(index)).record;
}

bool QDevTable::deviceFound(int index) const
{
    return index >= 0 && index < deviceCount() && m_devices[size_t(index)].found != 0;
}

QTimer *QDevTable::silenceTimer(int index) const
{
    return index >= 0 && index < deviceCount() ? m_devices[size_t(index)].timer : nullptr;
}

// ---- database ---------------------------------------------------------------------------

void QDevTable::loadDevices()
{
    if (!m_bound)
        reportBindFailure();
    if (m_db.isValid())
        return; // loaded once
    // The default connection, unless another table of this process already holds it.
    const QString defaultName = QLatin1String(QSqlDatabase::defaultConnection);
    m_connectionName = QSqlDatabase::contains(defaultName)
                           ? QStringLiteral("dap.devices.%1").arg(++g_connectionSerial)
                           : defaultName;
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(m_options.databasePath);
    // A database locked by another program must not freeze the window for seconds on every
    // announcement; a statement that gives up leaves the memory copy current.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!m_db.open()) {
        qCWarning(lcDevices) << "cannot open" << m_options.databasePath << m_db.lastError();
        QMessageBox::critical(
            nullptr, tr("Cannot open database"),
            tr("Unable to establish a database connection.\nThis example needs SQLite "
               "support. Please read the Qt SQL driver documentation for information how to "
               "build it.\n\nClick Cancel to exit."),
            QMessageBox::Cancel);
        return;
    }

    QSqlQuery query(m_db);
    if (query.exec(QString::fromLatin1(kCreateStatement)))
        return; // a new database: nothing stored yet
    if (!query.exec(QStringLiteral("select * from devicetable order by ID")))
        return;
    while (query.next()) {
        broadcastMsg record;
        record.machineid = quint32(query.value(1).toLongLong());
        record.ipaddress = quint32(query.value(2).toLongLong());
        // A second row of the same processor (two copies of the program adding it at once)
        // would be a tile that never hears from its device: the first row wins.
        if (indexOf(record.machineid) >= 0) {
            qCDebug(lcDevices) << "duplicate row of machine id" << record.machineid << "skipped";
            continue;
        }
        setField(record.model, toDeviceText(query.value(3).toString()));
        setField(record.ARMFirmware, toDeviceText(query.value(4).toString()));
        setField(record.DSPFirmware, toDeviceText(query.value(5).toString()));
        setField(record.location, toDeviceText(query.value(6).toString()));
        setField(record.description, toDeviceText(query.value(7).toString()));
        setField(record.sn, toDeviceText(query.value(8).toString()));
        addDevice(&record, false);
    }
}

void QDevTable::insertIntoDatabase(const broadcastMsg &msg)
{
    bool ok = false;
    if (m_db.isOpen()) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("insert into devicetable values (NULL,?,?,?,?,?,?,?,?)"));
        query.addBindValue(qint64(msg.machineid));
        query.addBindValue(qint64(msg.ipaddress));
        query.addBindValue(fromDeviceText(fieldBytes(msg.model)));
        query.addBindValue(fromDeviceText(fieldBytes(msg.ARMFirmware)));
        query.addBindValue(fromDeviceText(fieldBytes(msg.DSPFirmware)));
        query.addBindValue(fromDeviceText(fieldBytes(msg.location)));
        query.addBindValue(fromDeviceText(fieldBytes(msg.description)));
        query.addBindValue(fromDeviceText(fieldBytes(msg.sn)));
        ok = query.exec();
    }
    if (!ok)
        qCDebug(lcDevices, "%d,%s", 550, "sqlAdd");
}

void QDevTable::updateColumn(const char *column, quint32 machineId, const QVariant &value)
{
    if (!m_db.isOpen())
        return;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("update devicetable set %1=? where machineid=?").arg(QLatin1String(column)));
    query.addBindValue(value);
    query.addBindValue(qint64(machineId));
    query.exec(); // a failed update leaves the memory copy current; nothing else to do
}

// ---- announcements and commands ---------------------------------------------------------

void QDevTable::udpRecvData()
{
    while (m_udpSocket->hasPendingDatagrams()) {
        const qint64 size = m_udpSocket->pendingDatagramSize();
        QByteArray datagram(qMax<qint64>(size, 0), Qt::Uninitialized);
        const qint64 read = m_udpSocket->readDatagram(datagram.data(), datagram.size());
        if (read < 0) {
            // Try again from the event loop rather than spin here; a datagram left unread
            // would otherwise never be announced again.
            if (m_udpSocket->hasPendingDatagrams())
                QTimer::singleShot(0, this, &QDevTable::udpRecvData);
            return;
        }
        if (const std::optional<broadcastMsg> msg =
                broadcastMsg::decode(datagram.constData(), read))
            handleAnnouncement(*msg);
    }
}

int QDevTable::indexOf(quint32 machineId) const
{
    for (int i = 0; i < deviceCount(); ++i)
        if (m_devices[size_t(i)].record->machineid == machineId)
            return i;
    return -1;
}

void QDevTable::handleAnnouncement(const broadcastMsg &msg)
{
    if (const int known = indexOf(msg.machineid); known >= 0) {
        updateKnownDevice(known, msg);
        return;
    }
    broadcastMsg record = msg;
    insertIntoDatabase(record);
    addDevice(&record, true);
    const int index = deviceCount() - 1;
    // The silence timer runs from the first announcement, so a processor heard once is
    // still marked lost when it falls silent.
    m_devices[size_t(index)].timer->start(kSilenceMs);
    emit sigNetBrowsingState(index, true);
}

void QDevTable::updateKnownDevice(int i, const broadcastMsg &msg)
{
    Device &device = m_devices[size_t(i)];
    broadcastMsg &rec = *device.record;
    const quint32 id = rec.machineid;
    device.timer->start(kSilenceMs);

    if (rec.ipaddress != msg.ipaddress) {
        rec.ipaddress = msg.ipaddress;
        setCell(i, 0, ipText(rec.ipaddress));
        emit sigIpaddr(uint(i), rec.ipaddress);
        updateColumn("ipaddress", id, qint64(rec.ipaddress));
    }
    if (fieldBytes(rec.model) != fieldBytes(msg.model)) {
        setField(rec.model, fieldBytes(msg.model));
        setCell(i, 1, fieldText(rec.model).left(16));
        emit sigModel(uint(i), fieldText(rec.model));
        updateColumn("model", id, fieldText(rec.model));
    }
    // Texts shown in the table only; each keeps its column and display width.
    struct TextField {
        char *field;
        const char *source;
        int width;
        int column;
        int shown;
        const char *dbColumn;
    };
    const TextField texts[] = {
        {rec.ARMFirmware, msg.ARMFirmware, broadcastMsg::kFirmwareSize, 2, 10, "ARMFirmware"},
        {rec.DSPFirmware, msg.DSPFirmware, broadcastMsg::kFirmwareSize, 3, 10, "DSPFirmware"},
        {rec.location, msg.location, broadcastMsg::kLocationSize, 4, 16, "location"},
        {rec.description, msg.description, broadcastMsg::kDescriptionSize, 5, 16, "description"},
        {rec.sn, msg.sn, broadcastMsg::kSnSize, 6, 16, "sn"},
    };
    for (const TextField &t : texts) {
        const QByteArray now = QByteArray(t.source, qstrnlen(t.source, uint(t.width)));
        const QByteArray was = QByteArray(t.field, qstrnlen(t.field, uint(t.width)));
        if (now == was)
            continue;
        setFieldBytes(t.field, t.width, now);
        setCell(i, t.column, fromDeviceText(now).left(t.shown));
        updateColumn(t.dbColumn, id, fromDeviceText(now));
    }
    if (rec.fault != msg.fault) {
        rec.fault = msg.fault;
        emit sigFault(uint(i), rec.fault);
    }
    if (fieldBytes(rec.preset) != fieldBytes(msg.preset)) {
        setField(rec.preset, fieldBytes(msg.preset));
        emit sigPreset(uint(i), fieldText(rec.preset));
    }
    setCell(i, kRunTimeColumn, timeText(msg.runTime));
    setCell(i, kTotalTimeColumn, timeText(msg.totalTime));

    if (device.found == 0) {
        device.found = 1;
        emit sigNetBrowsingState(i, true);
    }
}

void QDevTable::sendUdpCommand(quint32 machineId, quint8 command, const void *payload,
                               quint32 length)
{
    const QByteArray data = udpCommand(
        machineId, command, QByteArray(static_cast<const char *>(payload), qsizetype(length)));
    m_udpSocket->writeDatagram(data, m_options.commandAddress, m_options.commandPort);
}

void QDevTable::udpRecvTimeout()
{
    for (int i = 0; i < deviceCount(); ++i) {
        Device &device = m_devices[size_t(i)];
        if (device.timer != sender())
            continue;
        device.timer->stop();
        device.socket->disconnectFromHost();
        device.found = 0;
        emit sigNetBrowsingState(i, false);
        return;
    }
}

// ---- devices ----------------------------------------------------------------------------

void QDevTable::addDevice(broadcastMsg *pMsg, bool online)
{
    Device device;
    device.record = std::make_unique<broadcastMsg>(*pMsg);
    device.timer = new QTimer(this);
    device.timer->setSingleShot(false);
    device.socket = new QTcpSocket(this);
    device.found = online ? 1 : 0;
    device.deleteButton = new QPushButton(tr("Delete"));
    device.deleteButton->setFont(languageFont(9));
    const broadcastMsg &rec = *device.record;
    m_devices.push_back(std::move(device));
    Device &added = m_devices.back();

    const int row = m_table->rowCount();
    m_table->insertRow(row);
    setCell(row, 0, ipText(rec.ipaddress));
    setCell(row, 1, fieldText(rec.model).left(16));
    setCell(row, 2, fieldText(rec.ARMFirmware));
    setCell(row, 3, fieldText(rec.DSPFirmware));
    setCell(row, 4, fieldText(rec.location).left(16));
    setCell(row, 5, fieldText(rec.description).left(16));
    setCell(row, 6, fieldText(rec.sn).left(16));
    setCell(row, kLinkColumn, QString());
    m_table->item(row, kLinkColumn)->setBackground(QColor(QStringLiteral("gray")));
    m_table->item(row, kLinkColumn)->setFont(languageFont(9));
    setCell(row, kIdColumn, QString::number(rec.machineid));
    setCell(row, kRunTimeColumn, QString());
    setCell(row, kTotalTimeColumn, QString());
    m_table->setCellWidget(row, kDeleteColumn, added.deleteButton);
    connect(added.deleteButton, &QPushButton::clicked, this, &QDevTable::removeClicked);

    connect(added.socket, &QAbstractSocket::stateChanged, this, &QDevTable::tcpSocketStateChanged);
    connect(added.socket, &QIODevice::readyRead, this, &QDevTable::tcpReadyRead);
    connect(added.timer, &QTimer::timeout, this, &QDevTable::udpRecvTimeout);

    emit sigAddDev(pMsg);
}

void QDevTable::removeClicked()
{
    for (int i = 0; i < deviceCount(); ++i) {
        if (m_devices[size_t(i)].deleteButton == sender()) {
            emit sigRemoveDev(i);
            removeDev(i);
            return;
        }
    }
}

void QDevTable::removeDev(int index)
{
    if (index < 0 || index >= deviceCount())
        return;
    Device &device = m_devices[size_t(index)];
    if (m_db.isOpen()) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("delete from devicetable where machineid=?"));
        query.addBindValue(qint64(device.record->machineid));
        query.exec();
    }
    delete device.timer;
    // Nothing of the table reacts to the socket's last state change.
    disconnect(device.socket, nullptr, this, nullptr);
    delete device.socket;
    // Removing the row also disposes of its Delete button (deferred, it may be the sender).
    m_table->removeRow(index);
    m_devices.erase(m_devices.begin() + index);
}

void QDevTable::ipClicked(int index)
{
    if (index < 0 || index >= deviceCount())
        return;
    const quint32 machineId = m_devices[size_t(index)].record->machineid;
    if (m_ipDialog->exec() != QDialog::Accepted)
        return;
    uchar payload[12];
    proto::putU32(payload, m_ipDialog->address());
    proto::putU32(payload + 4, m_ipDialog->mask());
    proto::putU32(payload + 8, m_ipDialog->gateway());
    sendUdpCommand(machineId, 2, payload, sizeof payload);
}

// ---- sockets ----------------------------------------------------------------------------

void QDevTable::tcpSocketStateChanged(QAbstractSocket::SocketState state)
{
    for (int i = 0; i < deviceCount(); ++i) {
        if (m_devices[size_t(i)].socket == sender()) {
            setLinkStatus(i, state);
            emit sigNetState(i, state);
            return;
        }
    }
}

void QDevTable::tcpReadyRead()
{
    for (Device &device : m_devices) {
        if (device.socket == sender()) {
            device.timer->start(kSilenceMs);
            return;
        }
    }
}

// ---- cells and texts --------------------------------------------------------------------

void QDevTable::setCell(int row, int column, const QString &text)
{
    QTableWidgetItem *cell = m_table->item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setTextAlignment(Qt::Alignment(kAlignCenter));
        m_table->setItem(row, column, cell);
    }
    cell->setText(text);
}

void QDevTable::setLinkStatus(int row, QAbstractSocket::SocketState state, bool recolour)
{
    QTableWidgetItem *cell = m_table->item(row, kLinkColumn);
    if (!cell)
        return;
    switch (state) {
    case QAbstractSocket::UnconnectedState:
    case QAbstractSocket::ClosingState:
        cell->setText(tr("Unconnected"));
        if (recolour)
            cell->setBackground(QColor(QStringLiteral("gray")));
        break;
    case QAbstractSocket::ConnectingState:
        cell->setText(tr("Connecting"));
        if (recolour)
            cell->setBackground(QColor(QStringLiteral("blue")));
        break;
    case QAbstractSocket::ConnectedState:
        cell->setText(tr("Connected"));
        if (recolour)
            cell->setBackground(QColor(QStringLiteral("Green")));
        break;
    default:
        break;
    }
}

void QDevTable::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void QDevTable::retranslateUi()
{
    const QString headers[kColumns] = {tr("IP Address"), tr("Device Model"), tr("ARM Ver"),
                                       tr("DSP Ver"),    tr("Location"),     tr("Description"),
                                       tr("Device SN"),  tr("Link Status"),  tr("Runing Time"),
                                       tr("Total Time"), tr("Device ID"),    QString()};
    const QFont font = languageFont(9);
    for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem *header = m_table->horizontalHeaderItem(c);
        header->setText(headers[c]);
        header->setFont(font);
    }
    setWindowTitle(tr("Device list"));
    for (int row = 0; row < deviceCount(); ++row) {
        if (QTableWidgetItem *cell = m_table->item(row, kLinkColumn)) {
            cell->setFont(font);
            setLinkStatus(row, m_devices[size_t(row)].socket->state(), false);
        }
        QPushButton *button = m_devices[size_t(row)].deleteButton;
        button->setText(tr("Delete"));
        button->setFont(font);
    }
}

void QDevTable::reportBindFailure()
{
    if (m_bindReported)
        return;
    m_bindReported = true;
    auto *box = new QMessageBox(
        QMessageBox::Warning, tr("Processors cannot be found"),
        tr("UDP port %1 is already in use, probably by another copy of this program.\n"
           "Processors on the network cannot be found until that program is closed and this "
           "one is started again.")
            .arg(m_options.announcePort),
        QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}
