#include "payload.h"

namespace proto {

bool PayloadReader::take(qsizetype count)
{
    if (count < 0 || m_size - m_pos < count) {
        m_ok = false;
        m_pos = m_size;
        return false;
    }
    return true;
}

quint8 PayloadReader::u8()
{
    if (!take(1))
        return 0;
    return m_data[m_pos++];
}

quint16 PayloadReader::u16()
{
    if (!take(2))
        return 0;
    const quint16 v = getU16(m_data + m_pos);
    m_pos += 2;
    return v;
}

quint32 PayloadReader::u32()
{
    if (!take(4))
        return 0;
    const quint32 v = getU32(m_data + m_pos);
    m_pos += 4;
    return v;
}

QByteArray PayloadReader::text(int width)
{
    if (!take(width))
        return {};
    const char *start = reinterpret_cast<const char *>(m_data + m_pos);
    const void *nul = std::memchr(start, 0, size_t(width));
    const qsizetype len = nul ? static_cast<const char *>(nul) - start : width;
    m_pos += width;
    return QByteArray(start, len);
}

QByteArray PayloadReader::bytes(qsizetype count)
{
    if (!take(count))
        return {};
    QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), count);
    m_pos += count;
    return out;
}

void PayloadReader::skip(qsizetype count)
{
    if (take(count))
        m_pos += count;
}

PayloadWriter &PayloadWriter::u8(quint8 v)
{
    m_bytes.append(char(v));
    return *this;
}

PayloadWriter &PayloadWriter::u16(quint16 v)
{
    uchar b[2];
    putU16(b, v);
    m_bytes.append(reinterpret_cast<const char *>(b), 2);
    return *this;
}

PayloadWriter &PayloadWriter::u32(quint32 v)
{
    uchar b[4];
    putU32(b, v);
    m_bytes.append(reinterpret_cast<const char *>(b), 4);
    return *this;
}

PayloadWriter &PayloadWriter::text(const QByteArray &text, int width)
{
    const qsizetype len = qMin<qsizetype>(text.size(), width);
    m_bytes.append(text.constData(), len);
    m_bytes.append(width - len, '\0');
    return *this;
}

PayloadWriter &PayloadWriter::bytes(const QByteArray &raw)
{
    m_bytes.append(raw);
    return *this;
}

} // namespace proto
