#pragma once

#include "protocol/wirevalue.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstring>

namespace proto {

// Raw little-endian access for fixed layouts.
inline void putU16(uchar *p, quint16 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}
inline void putU32(uchar *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
}
inline quint16 getU16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
inline quint32 getU32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}
inline quint32 floatBits(float v)
{
    quint32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
inline float bitsFloat(quint32 bits)
{
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Sequential reader over a payload. Reading past the end yields zeros and clears ok(),
// so a handler can read a whole layout and check once.
class PayloadReader {
public:
    PayloadReader(const char *data, qsizetype size)
        : m_data(reinterpret_cast<const uchar *>(data)), m_size(size)
    {
    }
    explicit PayloadReader(const QByteArray &bytes)
        : PayloadReader(bytes.constData(), bytes.size())
    {
    }
    // The reader keeps a pointer into the bytes: a temporary would be freed under it.
    explicit PayloadReader(const QByteArray &&) = delete;

    quint8 u8();
    qint8 i8() { return qint8(u8()); }
    quint16 u16();
    qint16 i16() { return qint16(u16()); }
    quint32 u32();
    qint32 i32() { return qint32(u32()); }
    float f32() { return bitsFloat(u32()); }
    // A float field that a caller goes on to use: checked by checkedFloat(v, lo, hi).
    std::optional<float> f32In(float lo, float hi) { return checkedFloat(f32(), lo, hi); }
    // A fixed-width text field: the bytes up to the first NUL, or all width bytes.
    QByteArray text(int width);
    QByteArray bytes(qsizetype count);
    void skip(qsizetype count);

    bool ok() const { return m_ok; }
    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }

private:
    bool take(qsizetype count);

    const uchar *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

// Appends little-endian values to a growing payload.
class PayloadWriter {
public:
    PayloadWriter() = default;
    explicit PayloadWriter(qsizetype reserve) { m_bytes.reserve(reserve); }

    PayloadWriter &u8(quint8 v);
    PayloadWriter &i8(qint8 v) { return u8(quint8(v)); }
    PayloadWriter &u16(quint16 v);
    PayloadWriter &i16(qint16 v) { return u16(quint16(v)); }
    PayloadWriter &u32(quint32 v);
    PayloadWriter &i32(qint32 v) { return u32(quint32(v)); }
    PayloadWriter &f32(float v) { return u32(floatBits(v)); }
    // Writes text cut to width bytes and zero-padded to width; a text of exactly width
    // bytes has no terminator.
    PayloadWriter &text(const QByteArray &text, int width);
    PayloadWriter &bytes(const QByteArray &raw);

    const QByteArray &data() const { return m_bytes; }
    qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

} // namespace proto
