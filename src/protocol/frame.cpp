#include "frame.h"

#include "payload.h"

#include <cstring>

namespace proto {

int encodeFrame(char *out, int capacity, quint16 code, quint8 frameClass, quint8 frameType,
                quint8 paramCode, quint8 direction, const void *payload, int length)
{
    if (length < 0 || length > kMaxPayload || (length > 0 && payload == nullptr))
        return -1;
    const int total = length + kFrameOverhead;
    if (total > capacity)
        return -1;
    auto *p = reinterpret_cast<uchar *>(out);
    putU16(p + 0, kStartMarker);
    putU16(p + 2, code);
    p[4] = frameClass;
    p[5] = frameType;
    p[6] = paramCode;
    p[7] = direction;
    putU16(p + 8, static_cast<quint16>(length));
    if (length > 0)
        std::memcpy(p + kHeaderSize, payload, static_cast<size_t>(length));
    putU16(p + kHeaderSize + length, kEndMarker);
    return total;
}

QByteArray encodeFrame(const Frame &frame)
{
    if (frame.payload.size() > kMaxPayload)
        return {};
    QByteArray out(frame.payload.size() + kFrameOverhead, Qt::Uninitialized);
    encodeFrame(out.data(), int(out.size()), frame.code, frame.frameClass, frame.frameType,
                frame.paramCode, frame.direction, frame.payload.constData(),
                int(frame.payload.size()));
    return out;
}

std::optional<Frame> decodeFrame(const QByteArray &bytes)
{
    if (bytes.size() < kFrameOverhead)
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const int n = getU16(p + 8);
    if (getU16(p) != kStartMarker || bytes.size() != n + kFrameOverhead ||
        getU16(p + kHeaderSize + n) != kEndMarker)
        return std::nullopt;
    Frame f;
    f.code = getU16(p + 2);
    f.frameClass = p[4];
    f.frameType = p[5];
    f.paramCode = p[6];
    f.direction = p[7];
    f.payload = bytes.mid(kHeaderSize, n);
    return f;
}

} // namespace proto
