// The one reader and the one writer of payloads, driven by the description.
#include "model/model.h"

#include "protocol/payload.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace model {

namespace {

// Where a field's value of channel lies in a report of its message.
qsizetype offsetOf(const Message &m, const Field &f, int channel)
{
    if (m.shape == ReportShape::PerChannel && !f.isBlockWide())
        return f.offset + qsizetype(channel) * m.stride;
    return f.offset;
}

template <typename T> T saturated(double v)
{
    if (std::isnan(v))
        return T(0);
    return T(std::clamp(std::trunc(v), double(std::numeric_limits<T>::min()),
                        double(std::numeric_limits<T>::max())));
}

} // namespace

double readNumber(const Field &field, const uchar *at)
{
    switch (field.encoding) {
    case Encoding::F32:
        return double(proto::bitsFloat(proto::getU32(at)));
    case Encoding::U8:
        return at[0];
    case Encoding::I8:
        return qint8(at[0]);
    case Encoding::U16:
        return proto::getU16(at);
    case Encoding::U32:
        return proto::getU32(at);
    case Encoding::Text:
        break;
    }
    return 0.0;
}

void writeNumber(const Field &field, double value, uchar *out)
{
    switch (field.encoding) {
    case Encoding::F32:
        proto::putU32(out, proto::floatBits(float(value)));
        break;
    case Encoding::U8:
        out[0] = saturated<quint8>(value);
        break;
    case Encoding::I8:
        out[0] = uchar(saturated<qint8>(value));
        break;
    case Encoding::U16:
        proto::putU16(out, saturated<quint16>(value));
        break;
    case Encoding::U32:
        proto::putU32(out, saturated<quint32>(value));
        break;
    case Encoding::Text:
        break;
    }
}

std::optional<Report> Report::check(const Message &m, const uchar *payload, qsizetype length)
{
    if (m.atLeast ? length < m.reportLength : length != m.reportLength)
        return std::nullopt;
    if (length > 0 && !payload)
        return std::nullopt;
    Report r(m, payload, length);
    if (m.shape == ReportShape::ChannelFirst) {
        if (payload[0] >= m.fields.front().channels)
            return std::nullopt;
        r.m_channel = payload[0];
        if (m.addressBytes == 2) {
            if (payload[1] >= m.subCount)
                return std::nullopt;
            r.m_sub = payload[1];
        }
    }
    for (const Field &f : m.fields) {
        const bool isFloat = f.encoding == Encoding::F32;
        const bool isIndex = f.type == Type::Enum && !f.hiddenBeyond;
        if (!isFloat && !isIndex)
            continue;
        const int n = m.shape == ReportShape::PerChannel && !f.isBlockWide() ? f.channels : 1;
        for (int c = 0; c < n; ++c) {
            const qsizetype at = offsetOf(m, f, c);
            if (at + f.width > length)
                return std::nullopt;
            if (isFloat && !std::isfinite(readNumber(f, payload + at)))
                return std::nullopt; // a report carrying a non-number is dropped whole
            if (isIndex && payload[at] >= f.values.size())
                return std::nullopt;
        }
    }
    return r;
}

double Report::number(const Field &field, int channel) const
{
    const qsizetype at = offsetOf(*m_message, field, std::max(channel, 0));
    if (at + field.width > m_length || field.encoding == Encoding::Text)
        return 0.0;
    return readNumber(field, m_payload + at);
}

QByteArrayView Report::text(const Field &field, int channel) const
{
    const qsizetype at = offsetOf(*m_message, field, std::max(channel, 0));
    if (at >= m_length)
        return {};
    const auto *begin = reinterpret_cast<const char *>(m_payload + at);
    const qsizetype room = std::min<qsizetype>(field.width, m_length - at);
    const void *nul = std::memchr(begin, 0, size_t(room));
    return {begin, nul ? static_cast<const char *>(nul) - begin : room};
}

Record Record::factory(const Message &m, int channel, int sub)
{
    Record r(m);
    if (m.reportLength > kCapacity || m.shape == ReportShape::PerChannel)
        return r; // no record of these: their sets do not send a stored report back
    r.m_size = m.reportLength;
    if (m.addressBytes >= 1)
        r.m_bytes[0] = uchar(channel);
    if (m.addressBytes == 2)
        r.m_bytes[1] = uchar(sub);
    for (const Field &f : m.fields) {
        if (f.encoding == Encoding::Text || f.offset + f.width > r.m_size)
            continue;
        const bool perSub = !f.subFactory.empty() && sub >= 0 && size_t(sub) < f.subFactory.size();
        r.setNumber(f, perSub ? f.subFactory[size_t(sub)] : f.factory);
    }
    return r;
}

std::optional<Record> Record::fromReport(const Report &report)
{
    const Message &m = report.message();
    if (m.shape == ReportShape::PerChannel || report.bytes().size() > kCapacity)
        return std::nullopt;
    Record r(m);
    r.m_size = report.bytes().size();
    std::memcpy(r.m_bytes.data(), report.bytes().data(), size_t(r.m_size));
    return r;
}

int setPayload(const FieldRef &ref, double value, QByteArrayView stored, uchar *out)
{
    const Message &m = *ref.message;
    const Field &f = *ref.field;
    if (!ref.writable() || f.encoding == Encoding::Text)
        return -1;
    int n = 0;
    switch (m.set) {
    case SetShape::Whole: {
        const Record base = Record::factory(m, ref.channel, ref.sub);
        QByteArrayView from = base.bytes();
        if (m.blockSet()) {
            // The block goes out as the processor reported it, with this one field changed.
            const bool sameAddress =
                stored.size() == from.size() &&
                (m.addressBytes < 1 || quint8(stored[0]) == quint8(ref.channel)) &&
                (m.addressBytes < 2 || quint8(stored[1]) == quint8(ref.sub));
            if (!sameAddress)
                return -1;
            from = stored;
        }
        if (from.isEmpty())
            return -1;
        std::memcpy(out, from.data(), size_t(from.size()));
        writeNumber(f, value, out + f.offset);
        return int(from.size());
    }
    case SetShape::Crosspoint:
        out[n++] = uchar(ref.channel);
        out[n++] = f.index;
        writeNumber(f, value, out + n);
        return n + f.width;
    case SetShape::ChannelValue:
        if (!f.isBlockWide())
            out[n++] = uchar(ref.channel);
        writeNumber(f, value, out + n);
        return n + f.width;
    case SetShape::ReadOnly:
        break;
    }
    return -1;
}

QByteArray setPayload(const FieldRef &ref, double value, QByteArrayView stored)
{
    uchar out[Record::kCapacity];
    const int n = setPayload(ref, value, stored, out);
    return n < 0 ? QByteArray() : QByteArray(reinterpret_cast<const char *>(out), n);
}

QByteArray setTextPayload(const FieldRef &ref, QByteArrayView text)
{
    const Field &f = *ref.field;
    if (!ref.writable() || f.type != Type::Text || ref.message->set != SetShape::ChannelValue)
        return {};
    QByteArray out;
    if (!f.isBlockWide())
        out.append(char(quint8(ref.channel)));
    out.append(text.first(std::min<qsizetype>(text.size(), f.width)));
    return out;
}

QByteArray requestPayload(const FieldRef &ref)
{
    const Message &m = *ref.message;
    QByteArray out;
    if (m.shape != ReportShape::ChannelFirst)
        return out;
    out.append(char(quint8(ref.channel)));
    if (m.addressBytes == 2)
        out.append(char(quint8(ref.sub)));
    return out;
}

} // namespace model
