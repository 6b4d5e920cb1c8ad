#include "setup.h"

#include "logging.h"
#include "modules/moduleclock.h"
#include "protocol/devicetext.h"
#include "protocol/frame.h"
#include "protocol/payload.h"
#include "protocol/transport.h"
#include "setupmessages.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QTextCodec>

#include <algorithm>
#include <cstring>

namespace {

using namespace setupmsg;

// What the temperature and DSP load fields can sensibly hold; reports are clamped into it.
constexpr float kMinCpuTemp = -100.0f;
constexpr float kMaxCpuTemp = 200.0f;
constexpr float kMaxDspLoad = 100.0f;

constexpr int kDeviceCodeSize = 6;
constexpr int kModelChars = 19;
constexpr int kSerialChars = 27;

void request(quint8 frameType, quint8 code)
{
    proto::sendFrame(proto::ClassSystem, frameType, code, proto::DirRequest, nullptr, 0);
}

QByteArray textUpToNul(const uchar *data, int size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    const void *nul = std::memchr(chars, 0, size_t(size));
    return QByteArray(chars, nul ? int(static_cast<const char *>(nul) - chars) : size);
}

QString versionText(const firmware &ver)
{
    return QString::asprintf("V%d.%d.%d", ver.major, ver.minor, ver.patch);
}

bool sameVersion(const std::optional<firmware> &stored, const firmware &ver)
{
    return stored && stored->major == ver.major && stored->minor == ver.minor &&
           stored->patch == ver.patch;
}

} // namespace

QSetup::QSetup(QWidget *parent) : QWidget(parent)
{
    m_codec = proto::deviceCodec();
    if (!m_codec)
        m_codec = QTextCodec::codecForName("ISO-8859-1");
    setObjectName(QStringLiteral("settingsWidget"));
    buildUi();
    ModuleClock::instance().add(
        this,
        [this] {
            if (++m_clockTicks % 5 == 0)
                timeOut100ms();
        },
        [this] {
            // All-mute polls go nowhere without a processor.
            return proto::Transport::instance().isLinked() ? 4 - int(m_clockTicks % 5)
                                                           : ModuleClock::kIdle;
        });
}

QString QSetup::inLabel(int channel) const
{
    return channel >= 0 && channel < kInputs ? m_inLabels[channel].value_or(QString()) : QString();
}

QString QSetup::outLabel(int channel) const
{
    return channel >= 0 && channel < kOutputs ? m_outLabels[channel].value_or(QString())
                                              : QString();
}

void QSetup::requestDeviceInfo()
{
    request(kTypeLabels, kLabelsIn);
    request(kTypeLabels, kLabelsOut);
    // The summary at once: a processor just selected must not wait for the next poll.
    requestSummary();
}

void QSetup::requestSummary()
{
    for (quint8 code : {CodeModel, CodeArmVer, CodeDspVer, CodeLocation, CodeDescription,
                        CodeDspLoad, CodeNetwork})
        request(kTypeSettings, code);
}

void QSetup::timeOut100ms()
{
    ++m_ticks;
    request(kTypeSettings, CodeAllMute);
    if (m_ticks % 10 != 0)
        return;
    requestSummary();
    if (!isVisible())
        return;
    for (quint8 code : {CodeSerial, CodeRunTime, CodeTotalTime, CodeBootCount, CodeCpuTemp,
                        CodeChannelCfg, CodeFaults})
        request(kTypeSettings, code);
    request(kTypeDeviceCode, 1);
    request(kTypeSettings, CodePanelLock);
    request(kTypeLabels, kLabelsIn);
    request(kTypeLabels, kLabelsOut);
}

void QSetup::receive(quint8 frameType, quint8 code, quint8 direction, quint16 length,
                     const uchar *payload)
{
    if (direction != proto::DirReport || (length > 0 && !payload))
        return;
    switch (frameType) {
    case kTypeSettings:
        applyType2(code, length, payload);
        break;
    case kTypeLabels:
        if ((code == kLabelsIn && length == kInputs * kLabelField) ||
            (code == kLabelsOut && length == kOutputs * kLabelField))
            applyLabels(code == kLabelsOut, payload);
        break;
    case kTypeDeviceCode:
        if (code == 1 && length >= kDeviceCodeSize) {
            const QByteArray bytes(reinterpret_cast<const char *>(payload), kDeviceCodeSize);
            if (m_deviceCode == bytes)
                break;
            m_deviceCode = bytes;
            m_codeValue->setText(QString::asprintf("%05d-%d-%05d", proto::getU16(payload),
                                                   proto::getU16(payload + 4),
                                                   proto::getU16(payload + 2)));
        }
        break;
    default:
        break;
    }
}

void QSetup::applyType2(quint8 code, quint16 length, const uchar *p)
{
    // Texts need at least their terminator; fixed values their full size. Longer is fine.
    auto atLeast = [length](int size) { return length >= size; };
    switch (code) {
    case CodeModel: {
        if (!atLeast(1))
            return;
        const QString model = decode(textUpToNul(p, length)).left(kModelChars);
        m_model = model;
        m_modelValue->setText(model);
        emit sigModel(model);
        break;
    }
    case CodeArmVer: {
        if (!atLeast(3))
            return;
        firmware ver{p[0], p[1], p[2]};
        if (sameVersion(m_armVer, ver))
            return;
        m_armVer = ver;
        m_armValue->setText(versionText(ver));
        emit sigArmVer(&ver);
        break;
    }
    case CodeDspVer: {
        if (!atLeast(3))
            return;
        const firmware ver{p[0], p[1], p[2]};
        if (sameVersion(m_dspVer, ver))
            return;
        m_dspVer = ver;
        m_dspValue->setText(versionText(ver));
        emit sigDspVer(m_dspValue->text());
        break;
    }
    case CodeSerial: {
        if (!atLeast(1))
            return;
        const QString serial = decode(textUpToNul(p, length)).left(kSerialChars);
        if (m_serial == serial)
            return;
        m_serial = serial;
        m_snValue->setText(serial);
        break;
    }
    case CodeChannelCfg: {
        if (!atLeast(2))
            return;
        const quint16 cfg = proto::getU16(p);
        if (m_channelCfg == cfg)
            return;
        m_channelCfg = cfg;
        m_cfgValue->setText(QString::asprintf("%02d%02d", cfg & 0xFF, cfg >> 8));
        break;
    }
    case CodeRunTime:
    case CodeTotalTime: {
        if (!atLeast(4))
            return;
        const quint32 seconds = proto::getU32(p);
        auto &stored = code == CodeRunTime ? m_runTime : m_totalTime;
        if (stored == seconds)
            return;
        stored = seconds;
        (code == CodeRunTime ? m_runValue : m_totalValue)->setText(proto::runTimeText(seconds));
        break;
    }
    case CodeBootCount: {
        if (!atLeast(4))
            return;
        const quint32 count = proto::getU32(p);
        if (m_bootCount == count)
            return;
        m_bootCount = count;
        m_bootValue->setText(QString::number(count));
        break;
    }
    case CodeCpuTemp: {
        if (!atLeast(4))
            return;
        const auto checked =
            proto::checkedFloat(proto::bitsFloat(proto::getU32(p)), kMinCpuTemp, kMaxCpuTemp);
        if (!checked)
            return;
        const float temp = *checked;
        if (m_cpuTemp && proto::floatBits(*m_cpuTemp) == proto::floatBits(temp))
            return;
        m_cpuTemp = temp;
        m_tempValue->setText(QString::asprintf("%0.1f", double(temp)));
        break;
    }
    case CodeLocation:
    case CodeDescription: {
        if (!atLeast(1))
            return;
        const QString text = decode(textUpToNul(p, length));
        if (code == CodeLocation)
            applyLocation(text);
        else
            applyDescription(text);
        break;
    }
    case CodeNetwork:
        if (!atLeast(12))
            return;
        applyIpaddr(proto::getU32(p));
        applyNetmask(proto::getU32(p + 4));
        applyGateway(proto::getU32(p + 8));
        break;
    case CodeFaults:
        if (atLeast(1))
            applyFaults(p[0]);
        break;
    case CodeAllMute:
        if (atLeast(1))
            emit sigAllMute(p[0] != 0);
        break;
    case CodeDspLoad:
        if (atLeast(8)) {
            const auto usage =
                proto::checkedFloat(proto::bitsFloat(proto::getU32(p)), 0, kMaxDspLoad);
            const auto peak =
                proto::checkedFloat(proto::bitsFloat(proto::getU32(p + 4)), 0, kMaxDspLoad);
            if (usage && peak)
                emit sigDspRes(*usage, *peak);
        }
        break;
    case CodePanelLock:
        if (atLeast(1))
            applyPanelLock(p[0] != 0);
        break;
    default:
        break;
    }
}

void QSetup::applyLabels(bool output, const uchar *payload)
{
    const int count = output ? kOutputs : kInputs;
    for (int i = 0; i < count; ++i) {
        const QString label = decode(textUpToNul(payload + i * kLabelField, kLabelField));
        if (output)
            applyOutLabel(i, label);
        else
            applyInLabel(i, label);
    }
}

void QSetup::applyInLabel(int channel, const QString &label)
{
    if (m_inLabels[channel] == label)
        return;
    m_inLabels[channel] = label;
    m_inEdits[channel]->setText(label);
    emit sigInLabelChanged(uchar(channel), label);
}

void QSetup::applyOutLabel(int channel, const QString &label)
{
    if (m_outLabels[channel] == label)
        return;
    m_outLabels[channel] = label;
    m_outEdits[channel]->setText(label);
    emit sigOutLabelChanged(uchar(channel), label);
}

void QSetup::applyLocation(const QString &text)
{
    if (m_location == text)
        return;
    m_location = text;
    m_locationEdit->setText(text);
    emit sigLocation(text);
}

void QSetup::applyDescription(const QString &text)
{
    if (m_description == text)
        return;
    m_description = text;
    m_descriptionEdit->setText(text);
    emit sigDescription(text);
}

void QSetup::applyIpaddr(quint32 address)
{
    if (m_ipaddr == address)
        return;
    m_ipaddr = address;
    m_ipEdit->setText(proto::ipv4::format(address));
    emit sigIpaddr(address);
}

void QSetup::applyNetmask(quint32 mask)
{
    if (m_netmask == mask)
        return;
    m_netmask = mask;
    m_maskEdit->setText(proto::ipv4::format(mask));
}

void QSetup::applyGateway(quint32 gateway)
{
    if (m_gateway == gateway)
        return;
    m_gateway = gateway;
    m_gatewayEdit->setText(proto::ipv4::format(gateway));
}

void QSetup::applyFaults(quint8 bits)
{
    m_faults = bits;
    static constexpr int kBitOf[4] = {0, 3, 1, 2}; // DSP, DAC, Flash, Temp
    for (int i = 0; i < 4; ++i) {
        const bool fault = bits & (1u << kBitOf[i]);
        m_faultValues[i]->setText(fault ? tr("ERROR") : tr("Normal"));
        m_faultValues[i]->setStyleSheet(fault ? QStringLiteral("color: rgb(204, 0, 0);")
                                              : QString());
    }
}

void QSetup::applyPanelLock(bool locked)
{
    if (locked == m_panelLock)
        return;
    m_panelLock = locked;
    const QSignalBlocker blocker(m_panelLockBox);
    m_panelLockBox->setCurrentIndex(locked ? 1 : 0);
}

void QSetup::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void QSetup::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
