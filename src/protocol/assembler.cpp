#include "assembler.h"

#include "logging.h"
#include "payload.h"

#include <cstring>

namespace proto {

void FrameAssembler::append(const char *data, qsizetype size)
{
    if (size > 0)
        m_buffer.append(data, size);
}

void FrameAssembler::clear()
{
    m_buffer.clear();
    m_head = 0;
}

void FrameAssembler::compact()
{
    if (m_head == 0)
        return;
    m_buffer.remove(0, m_head);
    m_head = 0;
}

// Drops bytes up to the next start marker after the current position. A trailing 0x82
// is kept: it may be the first half of a marker still on its way.
void FrameAssembler::skipGarbage()
{
    ++m_errors;
    qCDebug(lcProtocol, "error data!");
    const char *base = m_buffer.constData();
    const qsizetype end = m_buffer.size();
    for (qsizetype i = m_head + 1; i < end; ++i) {
        if (uchar(base[i]) != 0x82)
            continue;
        if (i + 1 == end || uchar(base[i + 1]) == 0x7D) {
            m_head = i;
            return;
        }
    }
    m_head = end;
}

bool FrameAssembler::next(Frame &out)
{
    for (;;) {
        const qsizetype avail = m_buffer.size() - m_head;
        const auto *p = reinterpret_cast<const uchar *>(m_buffer.constData() + m_head);
        if (avail >= 2 && getU16(p) != kStartMarker) {
            skipGarbage();
            continue;
        }
        if (avail < kHeaderSize) {
            compact();
            return false;
        }
        const int n = getU16(p + 8);
        // The peer assembles its Frames in the same 2048-byte buffer, so a longer length
        // can only come from garbage; waiting for it would stall every Frame behind it.
        if (n > kMaxPayload) {
            skipGarbage();
            continue;
        }
        if (avail < n + kFrameOverhead) {
            compact();
            return false;
        }
        if (getU16(p + kHeaderSize + n) != kEndMarker) {
            skipGarbage();
            continue;
        }
        out.code = getU16(p + 2);
        out.frameClass = p[4];
        out.frameType = p[5];
        out.paramCode = p[6];
        out.direction = p[7];
        out.payload = QByteArray(reinterpret_cast<const char *>(p + kHeaderSize), n);
        m_head += n + kFrameOverhead;
        if (m_head == m_buffer.size())
            clear();
        return true;
    }
}

} // namespace proto
