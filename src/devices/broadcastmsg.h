#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMetaType>
#include <QString>

#include <optional>

// The 140-byte processor announcement, also the in-memory record of a known device.
// Text fields hold 8-bit (GB2312) text ending at the first NUL or at the end of the field.
// The wire form is read and written field by field, little-endian; the struct itself is
// never cast onto bytes.
struct broadcastMsg {
    static constexpr int kSize = 140;
    static constexpr int kSnSize = 20;
    static constexpr int kModelSize = 20;
    static constexpr int kFirmwareSize = 10;
    static constexpr int kLocationSize = 20;
    static constexpr int kDescriptionSize = 20;
    static constexpr int kPresetSize = 20;

    quint32 machineid = 0;
    quint32 ipaddress = 0; // first dotted octet in the most significant byte
    quint32 runTime = 0;
    quint32 totalTime = 0;
    quint8 reserved = 0;
    char sn[kSnSize] = {};
    char model[kModelSize] = {};
    char ARMFirmware[kFirmwareSize] = {};
    char DSPFirmware[kFirmwareSize] = {};
    char location[kLocationSize] = {};
    char description[kDescriptionSize] = {};
    char preset[kPresetSize] = {};
    quint8 fault = 0;
    quint8 reserved2[2] = {};

    // Reads the first 140 bytes; nothing when fewer are given.
    static std::optional<broadcastMsg> decode(const char *data, qsizetype size);
    static std::optional<broadcastMsg> decode(const QByteArray &bytes)
    {
        return decode(bytes.constData(), bytes.size());
    }
    QByteArray encode() const;
};

Q_DECLARE_METATYPE(broadcastMsg *)

namespace devices {

// The bytes of a text field up to its first NUL (or the whole field).
template <int N> QByteArray fieldBytes(const char (&field)[N])
{
    qsizetype n = 0;
    while (n < N && field[n] != '\0')
        ++n;
    return QByteArray(field, n);
}

// Fills a text field with bytes cut to the field (never splitting a double-byte
// character) and zero-padded.
void setFieldBytes(char *field, int width, const QByteArray &bytes);
template <int N> void setField(char (&field)[N], const QByteArray &bytes)
{
    setFieldBytes(field, N, bytes);
}

// Length of the longest prefix of bytes within maxBytes that ends on a character boundary
// of GB2312/GBK text (a lead byte 0x81..0xFE starts a two-byte character).
qsizetype gbCutLength(const QByteArray &bytes, qsizetype maxBytes);

// 8-bit device text <-> QString through the GB2312 codec.
QString fromDeviceText(const QByteArray &bytes);
QByteArray toDeviceText(const QString &text);

// A text field shown as at most maxBytes bytes, cut on a character boundary.
template <int N> QString fieldText(const char (&field)[N], int maxBytes = N)
{
    const QByteArray bytes = fieldBytes(field);
    return fromDeviceText(bytes.left(gbCutLength(bytes, maxBytes)));
}

// "%d.%d.%d.%d", first octet from the most significant byte.
QString ipText(quint32 address);
// "%dday %02d:%02d:%02d"
QString timeText(quint32 seconds);

// A command datagram: machine id, command, three zero bytes, payload length, payload.
QByteArray udpCommand(quint32 machineId, quint8 command, const QByteArray &payload);

// Where a command for the processor at processorAddress goes: the configured destination,
// except that a processor on this host's loopback (a simulator, which hears commands on its
// own address only) is sent to directly in place of the limited broadcast, which never
// reaches it.
QHostAddress commandDestination(const QHostAddress &configured, quint32 processorAddress);

} // namespace devices
