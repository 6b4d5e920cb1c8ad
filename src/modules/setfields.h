#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>

// The fields of the processor's blocks as the panels' sets and the processor's reports
// write them: which bytes of a payload address a field (channel, band, mixer input) and
// which are its value, and how a field reads in the menu and the change log. The history of
// edits and the change log work on fields, so a set that writes several (a mixer row) and a
// report that states several (a mixer report) meet on the same keys.
namespace setfields {

// One field: module id, parameter code and up to two address bytes.
struct Key {
    quint8 module = 0;
    quint8 code = 0;
    quint8 length = 0; // address bytes in use: 0 (the whole block), 1 or 2
    std::array<quint8, 2> address{};

    // The channel of the field (output for the mixer), -1 for a block-wide field.
    int channel() const { return length > 0 ? address[0] : -1; }
    QByteArray addressBytes() const
    {
        return QByteArray(reinterpret_cast<const char *>(address.data()), length);
    }
    Key withChannel(quint8 channel) const
    {
        Key k = *this;
        if (k.length > 0)
            k.address[0] = channel;
        return k;
    }
    friend bool operator==(const Key &a, const Key &b)
    {
        return a.module == b.module && a.code == b.code && a.length == b.length &&
               a.address == b.address;
    }
};

inline size_t qHash(const Key &k, size_t seed = 0)
{
    const quint32 v = quint32(k.module) | quint32(k.code) << 8 | quint32(k.address[0]) << 16 |
                      quint32(k.address[1]) << 24;
    return ::qHash(v ^ (quint32(k.length) << 30), seed);
}

struct Field {
    Key key;
    QByteArray value;
};

// The fields a set writes; payload as it goes out ([channel][value], or the value alone for
// a block-wide field). Empty for sets that are actions (copy, reset) or malformed.
QList<Field> ofSet(quint8 module, quint8 code, const QByteArray &payload);
// Calls fn with each field a report states and its value bytes (valid during the call), without
// copying them: reports arrive many times a second. None for meters, unknown codes and wrong
// lengths; a value that is no finite number is left out.
void forEachReportField(quint8 module, quint8 code, const uchar *payload, quint16 length,
                        const std::function<void(const Key &, QByteArrayView)> &fn);
// The payload of a set that writes value into the field.
QByteArray setPayload(const Key &key, const QByteArray &value);
// True for a field of the whole block (no channel byte on the wire).
bool isBlockWide(quint8 module, quint8 code);
// Every field of one channel of a block, for the blocks whose channels are copied and reset.
QList<Key> channelFields(quint8 module, int channel);
// The request that reads the field back (its address bytes).
inline QByteArray requestPayload(const Key &key)
{
    return key.addressBytes();
}

// Texts for the menu and the change log (translated in the "ChangeLog" context).
QString blockName(quint8 module);
// "I2", "O5"; empty for block-wide fields.
QString channelText(const Key &key);
// "gain", "band 3", "I2 mix gain".
QString fieldName(const Key &key);
// "-6.0 dB", "on", "1000 Hz"; empty for an empty value.
QString valueText(const Key &key, const QByteArray &value);

} // namespace setfields
