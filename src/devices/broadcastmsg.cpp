#include "broadcastmsg.h"

#include "protocol/devicetext.h"
#include "protocol/ipv4.h"

#include "protocol/payload.h"

#include <QTextCodec>

#include <cstring>

namespace {

template <int N> void readField(proto::PayloadReader &in, char (&field)[N])
{
    const QByteArray raw = in.bytes(N);
    std::memcpy(field, raw.constData(), size_t(qMin<qsizetype>(raw.size(), N)));
}

template <int N> QByteArray rawField(const char (&field)[N])
{
    return QByteArray(field, N);
}

} // namespace

std::optional<broadcastMsg> broadcastMsg::decode(const char *data, qsizetype size)
{
    if (size < kSize)
        return std::nullopt;
    proto::PayloadReader in(data, kSize);
    broadcastMsg m;
    m.machineid = in.u32();
    m.ipaddress = in.u32();
    m.runTime = in.u32();
    m.totalTime = in.u32();
    m.reserved = in.u8();
    readField(in, m.sn);
    readField(in, m.model);
    readField(in, m.ARMFirmware);
    readField(in, m.DSPFirmware);
    readField(in, m.location);
    readField(in, m.description);
    readField(in, m.preset);
    m.fault = in.u8();
    m.reserved2[0] = in.u8();
    m.reserved2[1] = in.u8();
    return m;
}

QByteArray broadcastMsg::encode() const
{
    proto::PayloadWriter out(kSize);
    out.u32(machineid).u32(ipaddress).u32(runTime).u32(totalTime).u8(reserved);
    out.bytes(rawField(sn)).bytes(rawField(model));
    out.bytes(rawField(ARMFirmware)).bytes(rawField(DSPFirmware));
    out.bytes(rawField(location)).bytes(rawField(description)).bytes(rawField(preset));
    out.u8(fault).u8(reserved2[0]).u8(reserved2[1]);
    return out.data();
}

namespace devices {

qsizetype gbCutLength(const QByteArray &bytes, qsizetype maxBytes)
{
    const qsizetype limit = qMin(bytes.size(), maxBytes);
    qsizetype i = 0;
    while (i < limit) {
        const uchar c = uchar(bytes[i]);
        const qsizetype step = (c >= 0x81 && c <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

void setFieldBytes(char *field, int width, const QByteArray &bytes)
{
    std::memset(field, 0, size_t(width));
    const qsizetype n = gbCutLength(bytes, width);
    std::memcpy(field, bytes.constData(), size_t(n));
}

QString fromDeviceText(const QByteArray &bytes)
{
    QTextCodec *codec = proto::deviceCodec();
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QByteArray toDeviceText(const QString &text)
{
    QTextCodec *codec = proto::deviceCodec();
    return codec ? codec->fromUnicode(text) : text.toLatin1();
}

QString ipText(quint32 address)
{
    return proto::ipv4::format(address);
}

QString timeText(quint32 seconds)
{
    return proto::runTimeText(seconds);
}

QByteArray udpCommand(quint32 machineId, quint8 command, const QByteArray &payload)
{
    proto::PayloadWriter out(12 + payload.size());
    out.u32(machineId).u8(command).u8(0).u8(0).u8(0).u32(quint32(payload.size()));
    out.bytes(payload);
    return out.data();
}

QHostAddress commandDestination(const QHostAddress &configured, quint32 processorAddress)
{
    const QHostAddress processor(processorAddress);
    if (configured == QHostAddress(QHostAddress::Broadcast) && processor.isLoopback())
        return processor;
    return configured;
}

} // namespace devices
