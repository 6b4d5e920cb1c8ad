#include "security.h"

#include "modules/moduleclock.h"
#include "protocol/transport.h"
#include "widgets/passwordcheck.h"
#include "widgets/qlock.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace locktable;

namespace {

constexpr int kPollTicks = 10;

} // namespace

QSecurity::QSecurity(QWidget *parent) : QWidget(parent)
{
    buildUi();
    ModuleClock::instance().add(
        this, [this] { timeOut20ms(); },
        [this] {
            if (m_verdictIn > 0)
                return 0;
            // The lock table is polled only while shown, and goes nowhere without a processor.
            if (!proto::Transport::instance().isLinked())
                return ModuleClock::kIdle;
            return isVisible() ? kPollTicks - 1 - int(m_tick % kPollTicks)
                               : ModuleClock::kMaxQuietTicks;
        });
    connect(&proto::Transport::instance(), &proto::Transport::connectionChanged, this,
            &QSecurity::connectionChanged);
}

// ---- lookups ---------------------------------------------------------------------------------

uchar QSecurity::filterLock(quint8 item, uchar channel, int entry) const
{
    const Block b = *block(item);
    if (channel >= b.channels || entry < 0 || entry >= kFilterRow)
        return 0;
    return m_table[size_t(b.offset + channel * kFilterRow + entry)];
}

uchar QSecurity::inFilterGraphLock(uchar channel) const
{
    return filterLock(kInFilterItem, channel, kGraph);
}
uchar QSecurity::inHPFilterLock(uchar channel) const
{
    return filterLock(kInFilterItem, channel, kHighPass);
}
uchar QSecurity::inLPFilterLock(uchar channel) const
{
    return filterLock(kInFilterItem, channel, kLowPass);
}
uchar QSecurity::inFilterBandLock(uchar channel, uchar band) const
{
    return band < kFilterBands ? filterLock(kInFilterItem, channel, kBand0 + band) : uchar(0);
}
uchar QSecurity::outFilterGraphLock(uchar channel) const
{
    return filterLock(kOutFilterItem, channel, kGraph);
}
uchar QSecurity::outHPFilterLock(uchar channel) const
{
    return filterLock(kOutFilterItem, channel, kHighPass);
}
uchar QSecurity::outLPFilterLock(uchar channel) const
{
    return filterLock(kOutFilterItem, channel, kLowPass);
}
uchar QSecurity::outFilterBandLock(uchar channel, uchar band) const
{
    return band < kFilterBands ? filterLock(kOutFilterItem, channel, kBand0 + band) : uchar(0);
}

// ---- sending -----------------------------------------------------------------------------------

void QSecurity::sendSecurity(quint8 item, quint8 direction, const QByteArray &payload) const
{
    proto::sendFrame(proto::ClassSystem, kFrameType, item, direction, payload.constData(),
                     quint16(payload.size()));
}

void QSecurity::sendAccessRequest()
{
    sendSecurity(kAccessItem, proto::DirRequest, {});
    ++m_accessRequests;
}

void QSecurity::requestLockTable()
{
    // Earlier requests may never be answered (they went out before the login).
    m_accessRequests = 0;
    m_verdictIn = 0;
    sendAccessRequest();
    for (const Block &b : kBlocks) {
        if (!b.isFilter()) {
            sendSecurity(b.item, proto::DirRequest, {});
            continue;
        }
        for (int ch = 0; ch < b.channels; ++ch)
            sendSecurity(b.item, proto::DirRequest, QByteArray(1, char(ch)));
    }
}

void QSecurity::timeOut20ms()
{
    ++m_tick;
    if (m_verdictIn > 0 && m_tick % 100 == 0) {
        // No verdict within two seconds: the answers are lost; stop waiting for them.
        m_verdictIn = 0;
        m_accessRequests = 0;
    }
    if (m_tick % kPollTicks != 0 || !isVisible())
        return;
    requestLockTable();
}

void QSecurity::pwdEditingFinished()
{
    const QString text = m_pwdEdit->text();
    if (text.isEmpty())
        return;
    m_pwdEdit->clear();
    if (!passwordcheck::fitsProcessor(text)) {
        showMessage(passwordcheck::refusalMessage());
        return;
    }
    showMessage({});
    sendSecurity(kAccessItem, proto::DirSet, passwordcheck::bytes(text));
    // The answer to this request tells whether the processor took the password.
    sendAccessRequest();
    m_verdictIn = m_accessRequests;
}

void QSecurity::quitClicked()
{
    m_verdictIn = 0;
    sendSecurity(kAccessItem, proto::DirSet, kQuitCode);
}

void QSecurity::simpleClicked(quint8 item, uchar channel)
{
    const Block b = *block(item);
    if (channel >= b.channels)
        return;
    const int offset = b.offset + channel;
    if (!m_fresh[size_t(offset)])
        return;
    QByteArray payload(2, 0);
    payload[0] = char(channel);
    payload[1] = char(nextState(m_table[size_t(offset)]));
    sendSecurity(item, proto::DirSet, payload);
}

void QSecurity::filterClicked(quint8 item, uchar channel, int entry)
{
    const Block b = *block(item);
    if (channel >= b.channels || entry < 0 || entry >= kFilterRow)
        return;
    const int row = b.offset + channel * kFilterRow;
    if (!m_fresh[size_t(row)])
        return;
    QByteArray payload(1 + kFilterRow, 0);
    payload[0] = char(channel);
    for (int k = 0; k < kFilterRow; ++k)
        payload[1 + k] = char(m_table[size_t(row + k)]);
    payload[1 + entry] = char(nextState(m_table[size_t(row + entry)]));
    sendSecurity(item, proto::DirSet, payload);
}

void QSecurity::inlevelClicked(uchar channel)
{
    simpleClicked(3, channel);
}
void QSecurity::gateClicked(uchar channel)
{
    simpleClicked(4, channel);
}
void QSecurity::feedbackClicked(uchar channel)
{
    simpleClicked(5, channel);
}
void QSecurity::inGraphClicked(uchar channel)
{
    filterClicked(kInFilterItem, channel, kGraph);
}
void QSecurity::inHPFilterClicked(uchar channel)
{
    filterClicked(kInFilterItem, channel, kHighPass);
}
void QSecurity::inLPFilterClicked(uchar channel)
{
    filterClicked(kInFilterItem, channel, kLowPass);
}
void QSecurity::inFilterBandClicked(uchar channel, uchar band)
{
    if (band < kFilterBands)
        filterClicked(kInFilterItem, channel, kBand0 + band);
}
void QSecurity::inLimiterClicked(uchar channel)
{
    simpleClicked(7, channel);
}
void QSecurity::inDelayClicked(uchar channel)
{
    simpleClicked(8, channel);
}
void QSecurity::mtxmixClicked(uchar channel)
{
    simpleClicked(9, channel);
}
void QSecurity::signalClicked(uchar channel)
{
    simpleClicked(10, channel);
}
void QSecurity::outlevelClicked(uchar channel)
{
    simpleClicked(11, channel);
}
void QSecurity::outGraphClicked(uchar channel)
{
    filterClicked(kOutFilterItem, channel, kGraph);
}
void QSecurity::outHPFilterClicked(uchar channel)
{
    filterClicked(kOutFilterItem, channel, kHighPass);
}
void QSecurity::outLPFilterClicked(uchar channel)
{
    filterClicked(kOutFilterItem, channel, kLowPass);
}
void QSecurity::outFilterBandClicked(uchar channel, uchar band)
{
    if (band < kFilterBands)
        filterClicked(kOutFilterItem, channel, kBand0 + band);
}
void QSecurity::outLimiterClicked(uchar channel)
{
    simpleClicked(13, channel);
}
void QSecurity::outDelayClicked(uchar channel)
{
    simpleClicked(14, channel);
}

// ---- reports -----------------------------------------------------------------------------------

void QSecurity::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (direction != proto::DirReport)
        return;
    if (code == kAccessItem) {
        if (length != 1)
            return;
        const bool access = payload[0] != 0;
        if (m_accessRequests > 0)
            --m_accessRequests;
        if (access) {
            m_verdictIn = 0;
            showMessage({});
        } else if (m_verdictIn > 0 && --m_verdictIn == 0) {
            showMessage(tr("Wrong password!"));
        }
        if (access != m_access)
            applyAccess(access);
        return;
    }
    const auto b = block(code);
    if (!b || length != b->reportLength())
        return;
    if (!b->isFilter()) {
        for (int ch = 0; ch < b->channels; ++ch) {
            const int offset = b->offset + ch;
            m_fresh.set(size_t(offset));
            if (payload[ch] == m_table[size_t(offset)])
                continue;
            applyEntry(offset, payload[ch]);
            emitSimple(b->item, uchar(ch), payload[ch]);
        }
        return;
    }
    const uchar ch = payload[0];
    if (ch >= b->channels)
        return;
    const int row = b->offset + ch * kFilterRow;
    for (int k = 0; k < kFilterRow; ++k) {
        m_fresh.set(size_t(row + k));
        if (payload[1 + k] == m_table[size_t(row + k)])
            continue;
        applyEntry(row + k, payload[1 + k]);
        emitFilter(b->item, ch, k);
    }
}

void QSecurity::applyEntry(int offset, uchar state)
{
    m_table[size_t(offset)] = state;
    if (QLock *icon = m_icons[size_t(offset)])
        icon->setState(state);
}

void QSecurity::emitSimple(quint8 item, uchar channel, uchar state)
{
    switch (item) {
    case 3:
        emit inlevelLockChanged(channel, state);
        break;
    case 4:
        emit gateLockChanged(channel, state);
        break;
    case 5:
        emit feedbackLockChanged(channel, state);
        break;
    case 7:
        emit inlimiterLockChanged(channel, state);
        break;
    case 8:
        emit indelayLockChanged(channel, state);
        break;
    case 9:
        emit mtxmixLockChanged(channel, state);
        break;
    case 10:
        emit signalLockChanged(channel, state);
        break;
    case 11:
        emit outlevelLockChanged(channel, state);
        break;
    case 13:
        emit outlimiterLockChanged(channel, state);
        break;
    case 14:
        emit outdelayLockChanged(channel, state);
        break;
    default:
        break;
    }
}

void QSecurity::emitFilter(quint8 item, uchar channel, int entry)
{
    const bool in = item == kInFilterItem;
    switch (entry) {
    case kGraph:
        in ? emit inFilterGraphLockChanged(channel) : emit outFilterGraphLockChanged(channel);
        break;
    case kHighPass:
        in ? emit inHPFilterLockChanged(channel) : emit outHPFilterLockChanged(channel);
        break;
    case kLowPass:
        in ? emit inLPFilterLockChanged(channel) : emit outLPFilterLockChanged(channel);
        break;
    default: {
        const auto band = uchar(entry - kBand0);
        in ? emit inFilterBandLockChanged(channel, band)
           : emit outFilterBandLockChanged(channel, band);
        break;
    }
    }
}

void QSecurity::applyAccess(bool access)
{
    m_access = access;
    m_quitButton->setVisible(access);
    m_pageLock->setState(access ? 0 : 1);
    m_pwdEdit->setEnabled(!access);
}

void QSecurity::connectionChanged()
{
    m_fresh.reset();
    m_accessRequests = 0;
    m_verdictIn = 0;
    showMessage({});
    if (m_access)
        applyAccess(false);
    // A processor that is already logged in sends no login report to wait for.
    const QAbstractSocket *socket = proto::Transport::instance().currentSocket();
    if (socket && socket->state() == QAbstractSocket::ConnectedState)
        requestLockTable();
}
