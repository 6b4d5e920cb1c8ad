// The settings page's edits: texts, labels, panel lock and network values as they go out.
#include "setup.h"

#include "logging.h"
#include "modules/changerecorder.h"
#include "protocol/frame.h"
#include "protocol/payload.h"
#include "protocol/transport.h"
#include "setupmessages.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextCodec>

#include <algorithm>

using namespace setupmsg;

void QSetup::panelLockChanged(int index)
{
    m_panelLock = index != 0;
    const quint8 value = m_panelLock ? 1 : 0;
    proto::sendFrame(proto::ClassSystem, kTypeSettings, CodePanelLock, proto::DirSet, &value, 1);
    ChangeRecorder::instance().notUndoable(tr("the panel lock"));
}

void QSetup::locationChanged()
{
    const QByteArray bytes = editBytes(m_locationEdit);
    applyLocation(decode(bytes));
    dropFocus(m_locationEdit);
    sendText(kTypeSettings, CodeLocation, -1, bytes);
}

void QSetup::descriptionChanged()
{
    const QByteArray bytes = editBytes(m_descriptionEdit);
    applyDescription(decode(bytes));
    dropFocus(m_descriptionEdit);
    sendText(kTypeSettings, CodeDescription, -1, bytes);
}

void QSetup::InChannelLabelChanged()
{
    const auto it = std::find(m_inEdits.begin(), m_inEdits.end(), sender());
    if (it != m_inEdits.end())
        inLabelEdited(int(it - m_inEdits.begin()));
}

void QSetup::OutChannelLabelChanged()
{
    const auto it = std::find(m_outEdits.begin(), m_outEdits.end(), sender());
    if (it != m_outEdits.end())
        outLabelEdited(int(it - m_outEdits.begin()));
}

void QSetup::inLabelEdited(int channel)
{
    QLineEdit *edit = m_inEdits[channel];
    const QByteArray bytes = editBytes(edit);
    applyInLabel(channel, decode(bytes));
    dropFocus(edit);
    sendText(kTypeLabels, kLabelsIn, channel, bytes);
}

void QSetup::outLabelEdited(int channel)
{
    QLineEdit *edit = m_outEdits[channel];
    const QByteArray bytes = editBytes(edit);
    applyOutLabel(channel, decode(bytes));
    dropFocus(edit);
    sendText(kTypeLabels, kLabelsOut, channel, bytes);
}

void QSetup::ipaddressChanged()
{
    networkEdited(proto::ipv4::Field::Address);
}

void QSetup::netmaskChanged()
{
    networkEdited(proto::ipv4::Field::Mask);
}

void QSetup::gatewayChanged()
{
    networkEdited(proto::ipv4::Field::Gateway);
}

void QSetup::networkEdited(proto::ipv4::Field field)
{
    using namespace proto::ipv4;
    QLineEdit *const edits[] = {m_ipEdit, m_maskEdit, m_gatewayEdit};
    std::optional<quint32> *const stored[] = {&m_ipaddr, &m_netmask, &m_gateway};
    QLineEdit *edit = edits[int(field)];
    std::optional<quint32> &value = *stored[int(field)];
    dropFocus(edit);

    const QString text = edit->text().trimmed();
    // An empty gateway is none, 0.0.0.0.
    const std::optional<quint32> typed =
        field == Field::Gateway && text.isEmpty() ? std::optional<quint32>(0) : parse(text);
    if (typed && value == typed) {
        edit->setText(format(*typed));
        return;
    }
    // The value on its own first.
    Problem problem = Problem::Malformed;
    if (typed && field == Field::Address)
        problem = checkHost(*typed);
    else if (typed && field == Field::Mask)
        problem = isContiguousMask(*typed) ? Problem::None : Problem::BadMask;
    else if (typed)
        problem = *typed == 0 || checkHost(*typed) == Problem::None ? Problem::None
                                                                    : Problem::GatewayNotHost;
    // With address and mask known, the whole setting must pass; one still unknown is held
    // back in sendNetwork().
    const quint32 address = field == Field::Address && typed ? *typed : m_ipaddr.value_or(0);
    const quint32 mask = field == Field::Mask && typed ? *typed : m_netmask.value_or(0);
    const quint32 gateway = field == Field::Gateway && typed ? *typed : m_gateway.value_or(0);
    if (problem == Problem::None && address != 0 && mask != 0)
        problem = check(address, mask, gateway).problem;
    if (problem != Problem::None) {
        // Nothing goes out; the field shows the last valid value again.
        qCDebug(lcPages, "network value refused: %s", qPrintable(text));
        edit->setText(value ? format(*value) : QString());
        m_netProblem->setText(explain(problem));
        return;
    }
    m_netProblem->clear();
    if (field == Field::Address) {
        applyIpaddr(*typed);
    } else {
        value = *typed;
        edit->setText(format(*typed));
    }
    sendNetwork();
}

void QSetup::sendNetwork()
{
    // The set always carries all three values. An address or mask never reported nor
    // entered would go out as 0.0.0.0 and cut the processor off the network, so wait for
    // both; an unknown gateway goes out as 0.0.0.0 (no gateway), which is harmless.
    if (!m_ipaddr || !m_netmask) {
        qCDebug(lcPages, "network set held back: address or mask not known yet");
        return;
    }
    uchar payload[12];
    proto::putU32(payload, *m_ipaddr);
    proto::putU32(payload + 4, *m_netmask);
    proto::putU32(payload + 8, m_gateway.value_or(0));
    proto::sendFrame(proto::ClassSystem, kTypeSettings, CodeNetwork, proto::DirSet, payload,
                     sizeof payload);
    ChangeRecorder::instance().notUndoable(tr("the network settings"));
}

void QSetup::sendText(quint8 frameType, quint8 code, int channel, const QByteArray &bytes)
{
    QByteArray payload;
    if (channel >= 0)
        payload.append(char(channel));
    payload.append(bytes);
    proto::sendFrame(proto::ClassSystem, frameType, code, proto::DirSet, payload.constData(),
                     quint16(payload.size()));
}

void QSetup::dropFocus(QLineEdit *edit)
{
    const QSignalBlocker blocker(edit);
    edit->clearFocus();
}

QByteArray QSetup::editBytes(QLineEdit *edit) const
{
    QString text = edit->text();
    QByteArray bytes = m_codec->fromUnicode(text);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
        text = decode(bytes);
    }
    // The processor keeps 16 bytes per text; two-byte characters must not be split.
    while (bytes.size() > kLabelField) {
        text.chop(1);
        bytes = m_codec->fromUnicode(text);
    }
    // The edit shows what is sent, also when the stored text already equals the cut one.
    if (text != edit->text())
        edit->setText(text);
    return bytes;
}

QString QSetup::decode(const QByteArray &bytes) const
{
    return m_codec->toUnicode(bytes);
}
