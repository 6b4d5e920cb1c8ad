#include "devtable.h"

#include "deletebuttondelegate.h"
#include "ipsetting.h"
#include "logging.h"
#include "protocol/payload.h"
#include "widgets/language.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

using namespace devices;

namespace {

constexpr int kAlignCenter = Qt::AlignHCenter | Qt::AlignVCenter; // 132
constexpr int kRunTimeColumn = 8;
constexpr int kTotalTimeColumn = 9;
constexpr int kIdColumn = 10;
// One pass over the announcement socket yields to the window after this long; the rest
// is read on the next turn of the event loop.
constexpr qint64 kDrainBudgetMs = 8;

qint64 steadyMs()
{
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

} // namespace

QDevTable::QDevTable(QWidget *parent, const DevTableOptions &options)
    : QDialog(parent), m_options(options), m_store(options.databasePath)
{
    if (!m_options.clock)
        m_options.clock = steadyMs;
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
    m_table->setItemDelegateForColumn(kDeleteColumn, new DeleteButtonDelegate(
                                                         [this](int row) {
                                                             if (const Device *d = device(row))
                                                                 removeClicked(d->record.machineid);
                                                         },
                                                         m_table));

    m_silenceClock = new QTimer(this);
    m_silenceClock->setSingleShot(true);
    m_silenceClock->setTimerType(Qt::CoarseTimer);
    connect(m_silenceClock, &QTimer::timeout, this, &QDevTable::udpRecvTimeout);
    m_drainLater = new QTimer(this);
    m_drainLater->setSingleShot(true);
    m_drainLater->setInterval(0);
    connect(m_drainLater, &QTimer::timeout, this, &QDevTable::udpRecvData);

    m_udpSocket = new QUdpSocket(this);
    // IPv4 only: an any-address IPv6 bind would hand back mapped addresses. Shared, so dapctl
    // and another copy of the program hear the processors' broadcasts too.
    m_bound = m_udpSocket->bind(QHostAddress::AnyIPv4, m_options.announcePort,
                                QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    if (!m_bound)
        qCWarning(lcDevices) << "cannot listen for announcements on port" << m_options.announcePort
                             << m_udpSocket->errorString();
    // Room for a burst of announcements while the window is busy (the system may cap it).
    m_udpSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 << 20);
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
    for (const auto &device : m_devices) {
        if (device->socket) {
            disconnect(device->socket, nullptr, this, nullptr);
            device->socket->abort();
        }
    }
}

qint64 QDevTable::now() const
{
    return m_options.clock();
}

quint16 QDevTable::announcePort() const
{
    return m_udpSocket->localPort();
}
bool QDevTable::isListening() const
{
    return m_bound;
}

QDevTable::Device *QDevTable::device(int index) const
{
    return index >= 0 && index < deviceCount() ? m_devices[size_t(index)].get() : nullptr;
}

QTcpSocket *QDevTable::deviceSocket(int index)
{
    Device *d = device(index);
    if (!d)
        return nullptr;
    if (!d->socket) {
        d->socket = new QTcpSocket(this);
        // Requests are a few bytes each; they go out at once instead of waiting for the
        // acknowledgement of the previous one. The option only takes on a connected socket
        // (set earlier it is dropped), so it is set on every connection.
        QTcpSocket *socket = d->socket;
        connect(socket, &QAbstractSocket::connected, socket,
                [socket] { socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
        const quint32 id = d->record.machineid;
        connect(d->socket, &QAbstractSocket::stateChanged, this,
                [this, id](QAbstractSocket::SocketState s) { tcpSocketStateChanged(id, s); });
        connect(d->socket, &QIODevice::readyRead, this, [this, id] { tcpReadyRead(id); });
    }
    return d->socket;
}

QTcpSocket *QDevTable::existingSocket(int index) const
{
    const Device *d = device(index);
    return d ? d->socket : nullptr;
}

quint32 QDevTable::deviceMachineId(int index) const
{
    const Device *d = device(index);
    return d ? d->record.machineid : 0;
}

quint32 QDevTable::deviceAddress(int index) const
{
    const Device *d = device(index);
    return d ? d->record.ipaddress : 0;
}

int QDevTable::deviceIndex(quint32 machineId) const
{
    const Device *d = m_byId.value(machineId);
    return d ? d->index : -1;
}

const broadcastMsg &QDevTable::deviceRecord(int index) const
{
    return m_devices.at(size_t(index))->record;
}

bool QDevTable::deviceFound(int index) const
{
    const Device *d = device(index);
    return d && d->found != 0;
}

bool QDevTable::silenceTimed(int index) const
{
    const Device *d = device(index);
    return d && d->timed;
}

int QDevTable::silenceClockRemaining() const
{
    return m_silenceClock->isActive() ? m_silenceClock->remainingTime() : -1;
}

// ---- announcements and commands ---------------------------------------------------------

void QDevTable::udpRecvData()
{
    if (!m_udpSocket->hasPendingDatagrams())
        return;
    // Every write of one pass goes to the disk once.
    const bool transaction = m_store.begin();
    QElapsedTimer spent;
    spent.start();
    char buffer[2048];
    while (m_udpSocket->hasPendingDatagrams()) {
        if (spent.elapsed() >= kDrainBudgetMs) {
            m_drainLater->start(); // the window paints and takes input in between
            break;
        }
        const qint64 read = m_udpSocket->readDatagram(buffer, sizeof buffer);
        if (read < 0) {
            // Try again from the event loop rather than spin here; a datagram left unread
            // would otherwise never be announced again.
            if (m_udpSocket->hasPendingDatagrams())
                m_drainLater->start();
            break;
        }
        handleDatagram(buffer, read);
    }
    if (transaction)
        m_store.commit();
}

void QDevTable::receiveDatagrams(const QList<QByteArray> &datagrams)
{
    const bool transaction = m_store.begin();
    for (const QByteArray &datagram : datagrams)
        handleDatagram(datagram.constData(), datagram.size());
    if (transaction)
        m_store.commit();
}

void QDevTable::handleDatagram(const char *data, qint64 size)
{
    if (const std::optional<broadcastMsg> msg = broadcastMsg::decode(data, size))
        handleAnnouncement(*msg);
}

void QDevTable::handleAnnouncement(const broadcastMsg &msg)
{
    if (Device *known = m_byId.value(msg.machineid)) {
        updateKnownDevice(*known, msg);
        return;
    }
    if (deviceCount() >= m_options.maxDevices) {
        reportLimit();
        if (!makeRoom())
            return;
    }
    broadcastMsg record = msg;
    insertIntoDatabase(record);
    addDevice(&record, true);
    Device &added = *m_devices.back();
    // The silence clock runs from the first announcement, so a processor heard once is
    // still marked lost when it falls silent.
    heard(added);
    emit sigNetBrowsingState(added.index, true);
}

void QDevTable::heard(Device &device)
{
    device.lastHeard = now();
    device.heardThisRun = true;
    if (!device.timed) {
        device.timed = true;
        if (!m_silenceClock->isActive())
            armSilenceClock(kSilenceMs);
    }
}

void QDevTable::armSilenceClock(qint64 delayMs)
{
    m_silenceClock->start(int(qBound<qint64>(1, delayMs, qint64(kSilenceMs))));
}

void QDevTable::updateKnownDevice(Device &device, const broadcastMsg &msg)
{
    const int i = device.index;
    broadcastMsg &rec = device.record;
    const quint32 id = rec.machineid;
    heard(device);

    if (rec.ipaddress != msg.ipaddress) {
        const quint32 previous = rec.ipaddress;
        rec.ipaddress = msg.ipaddress;
        setCell(i, 0, ipText(rec.ipaddress));
        emit sigIpaddr(uint(i), rec.ipaddress);
        updateColumn("ipaddress", id, qint64(rec.ipaddress));
        addressMoved(device, previous);
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
    const Device *d = m_byId.value(machineId);
    m_udpSocket->writeDatagram(
        data, commandDestination(m_options.commandAddress, d ? d->record.ipaddress : 0),
        m_options.commandPort);
}

void QDevTable::udpRecvTimeout()
{
    const qint64 t = now();
    qint64 nextDeadline = -1;
    // Collected first: a receiver of the signal may remove devices.
    std::vector<quint32> lost;
    for (const auto &d : m_devices) {
        if (!d->timed)
            continue;
        const qint64 deadline = d->lastHeard + kSilenceMs;
        if (deadline <= t)
            lost.push_back(d->record.machineid);
        else if (nextDeadline < 0 || deadline < nextDeadline)
            nextDeadline = deadline;
    }
    for (const quint32 id : lost) {
        Device *d = m_byId.value(id);
        if (!d || !d->timed)
            continue;
        // Lost before the socket closes, so its state changes already tell of a lost device.
        d->timed = false;
        d->found = 0;
        const int index = d->index;
        if (d->socket)
            d->socket->disconnectFromHost();
        emit sigNetBrowsingState(index, false);
    }
    if (nextDeadline >= 0)
        armSilenceClock(nextDeadline - t);
    else
        m_silenceClock->stop();
}

// ---- devices ----------------------------------------------------------------------------

void QDevTable::addDevice(broadcastMsg *pMsg, bool online)
{
    auto added = std::make_unique<Device>();
    added->record = *pMsg;
    added->found = online ? 1 : 0;
    added->index = deviceCount();
    const broadcastMsg &rec = added->record;
    m_byId.insert(rec.machineid, added.get());
    m_devices.push_back(std::move(added));

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

    emit sigAddDev(pMsg);
}

void QDevTable::removeClicked(quint32 machineId)
{
    const int i = deviceIndex(machineId);
    if (i < 0)
        return;
    emit sigRemoveDev(i);
    removeDev(i);
}

void QDevTable::removeDev(int index)
{
    Device *d = device(index);
    if (!d)
        return;
    m_store.remove(d->record.machineid);
    if (d->socket) {
        // Nothing of the table reacts to the socket's last state change.
        disconnect(d->socket, nullptr, this, nullptr);
        d->socket->abort();
        d->socket->deleteLater(); // it may be the one whose signal led here
    }
    m_table->removeRow(index);
    m_byId.remove(d->record.machineid);
    m_devices.erase(m_devices.begin() + index);
    for (int i = index; i < deviceCount(); ++i)
        m_devices[size_t(i)]->index = i;
}

void QDevTable::ipClicked(int index)
{
    const Device *d = device(index);
    if (!d)
        return;
    const quint32 machineId = d->record.machineid;
    QList<broadcastMsg> known;
    for (const auto &other : m_devices)
        known.append(other->record);
    m_ipDialog->setKnownProcessors(machineId, known);
    if (m_ipDialog->exec() != QDialog::Accepted)
        return;
    uchar payload[12];
    proto::putU32(payload, m_ipDialog->address());
    proto::putU32(payload + 4, m_ipDialog->mask());
    proto::putU32(payload + 8, m_ipDialog->gateway());
    sendUdpCommand(machineId, 2, payload, sizeof payload);
    // The dialog ran its own event loop: the list may have changed under it.
    if (Device *sent = m_byId.value(machineId)) {
        sent->commandedAddress = m_ipDialog->address();
        emit sigNetworkSettingsSent(sent->index);
    }
}

// ---- sockets ----------------------------------------------------------------------------

void QDevTable::tcpSocketStateChanged(quint32 machineId, QAbstractSocket::SocketState state)
{
    const int i = deviceIndex(machineId);
    if (i < 0)
        return;
    setLinkStatus(i, state);
    emit sigNetState(i, state);
}

void QDevTable::tcpReadyRead(quint32 machineId)
{
    if (Device *d = m_byId.value(machineId))
        heard(*d);
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
            const QTcpSocket *socket = existingSocket(row);
            setLinkStatus(row, socket ? socket->state() : QAbstractSocket::UnconnectedState, false);
        }
    }
    m_table->viewport()->update(); // the painted "Delete" buttons
}

void QDevTable::reportBindFailure()
{
    if (m_bindReported)
        return;
    m_bindReported = true;
    auto *box = new QMessageBox(
        QMessageBox::Warning, tr("Processors cannot be found"),
        tr("UDP port %1 is already in use by a program that does not share it.\n"
           "Processors on the network cannot be found until that program is closed and this "
           "one is started again.")
            .arg(m_options.announcePort),
        QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}
