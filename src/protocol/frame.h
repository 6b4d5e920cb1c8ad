#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace proto {

// Wire layout of one Frame: 82 7D | code u16 | class | type | param | direction | N u16 |
// payload[N] | 7D 82. Every multi-byte field is little-endian.
inline constexpr quint16 kStartMarker = 0x7D82;
inline constexpr quint16 kEndMarker = 0x827D;
inline constexpr int kHeaderSize = 10;
inline constexpr int kFrameOverhead = 12;
inline constexpr int kSendBufferSize = 2048;
inline constexpr int kMaxPayload = kSendBufferSize - kFrameOverhead; // 2036

enum FrameClass : quint8 {
    ClassUpgrade = 1,
    ClassSystem = 2,
    ClassModule = 3,
};

enum Direction : quint8 {
    DirRequest = 0,
    DirSet = 1,
    DirReport = 0x80,
};

struct Frame {
    quint16 code = 0;
    quint8 frameClass = 0;
    quint8 frameType = 0;
    quint8 paramCode = 0;
    quint8 direction = 0;
    QByteArray payload;

    quint16 length() const { return static_cast<quint16>(payload.size()); }
};

// Writes the Frame into out (capacity bytes). Returns the Frame's size, or -1 when the
// payload is over kMaxPayload or the Frame would not fit: nothing is written then.
int encodeFrame(char *out, int capacity, quint16 code, quint8 frameClass, quint8 frameType,
                quint8 paramCode, quint8 direction, const void *payload, int length);

// Convenience form; returns an empty array when the payload is too large.
QByteArray encodeFrame(const Frame &frame);

// Decodes exactly one Frame that fills the whole of bytes; nothing on any mismatch.
std::optional<Frame> decodeFrame(const QByteArray &bytes);

} // namespace proto
