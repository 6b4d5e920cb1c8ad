#include "assembler.h"

#include "logging.h"
#include "payload.h"
#include "router.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace proto {

namespace {
qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Only the headers the protocol defines: a routable class and type, a known direction.
bool plausibleHeader(const uchar *p)
{
    const quint8 direction = p[7];
    return FrameRouter::isRoutable(p[4], p[5]) &&
           (direction == DirRequest || direction == DirSet || direction == DirReport);
}

// Length of the complete, well-formed Frame at p, or 0.
int completeFrameAt(const uchar *p, qsizetype avail)
{
    if (avail < kFrameOverhead || getU16(p) != kStartMarker || !plausibleHeader(p))
        return 0;
    const int n = getU16(p + 8);
    if (n > kMaxPayload || avail < n + kFrameOverhead || getU16(p + kHeaderSize + n) != kEndMarker)
        return 0;
    return n + kFrameOverhead;
}
} // namespace

FrameAssembler::FrameAssembler() : m_now(steadyMs) {}

void FrameAssembler::setTimeSource(TimeSource source)
{
    m_now = source ? std::move(source) : TimeSource(steadyMs);
}

void FrameAssembler::append(const char *data, qsizetype size)
{
    if (size > 0)
        m_buffer.append(data, size);
}

void FrameAssembler::clear()
{
    m_buffer.clear();
    m_head = 0;
    m_waitingSince = -1;
}

qsizetype FrameAssembler::completeFrameBehind() const
{
    const auto *base = reinterpret_cast<const uchar *>(m_buffer.constData());
    const qsizetype end = m_buffer.size();
    for (qsizetype i = m_head + 1; i + kFrameOverhead <= end; ++i) {
        if (base[i] == 0x82 && completeFrameAt(base + i, end - i) > 0)
            return i;
    }
    return -1;
}

qint64 FrameAssembler::msUntilStale() const
{
    if (m_waitingSince < 0 || completeFrameBehind() < 0)
        return -1;
    return std::max<qint64>(0, m_waitingSince + kStaleMs - m_now());
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
    m_waitingSince = -1;
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
        if (n > kMaxPayload || !plausibleHeader(p)) {
            skipGarbage();
            continue;
        }
        if (avail < n + kFrameOverhead) {
            if (m_waitingSince < 0) {
                m_waitingSince = m_now();
            } else if (m_now() - m_waitingSince >= kStaleMs) {
                // Everything up to the complete Frame is garbage: a real Frame still arriving
                // cannot have another one behind it.
                const qsizetype next = completeFrameBehind();
                if (next >= 0) {
                    ++m_errors;
                    qCDebug(lcProtocol, "error data!");
                    m_head = next;
                    m_waitingSince = -1;
                    continue;
                }
            }
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
        m_waitingSince = -1;
        if (m_head == m_buffer.size())
            clear();
        return true;
    }
}

} // namespace proto
