#pragma once

#include "frame.h"

#include <QByteArray>

#include <functional>

namespace proto {

// Cuts Frames out of a byte stream as it arrives. A Frame split over several reads is
// kept until it is complete; after a bad marker or an impossible length the stream is
// resynchronised at the next start marker, so what follows the garbage is not lost.
// At most one incomplete Frame (kSendBufferSize bytes) is held between reads.
//
// A start marker inside garbage must not hold the Frames behind it: a header no Frame can
// have (class, type or direction) is skipped at once, and a declared Frame still incomplete
// kStaleMs after it arrived is taken for garbage as soon as a complete Frame follows it.
class FrameAssembler {
public:
    static constexpr int kStaleMs = 300;
    // Milliseconds of a monotonic clock.
    using TimeSource = std::function<qint64()>;

    FrameAssembler();
    // Test seam: an empty function restores the real clock.
    void setTimeSource(TimeSource source);

    void append(const char *data, qsizetype size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    // Takes the next complete Frame out of the buffer; false when more bytes are needed.
    bool next(Frame &out);

    void clear();
    qsizetype buffered() const { return m_buffer.size() - m_head; }
    // Number of times garbage was skipped ("error data!").
    int errorCount() const { return m_errors; }
    // Milliseconds until the incomplete Frame at the front counts as garbage, when a complete
    // Frame waits behind it; -1 otherwise. Calling next() then releases that Frame.
    qint64 msUntilStale() const;

private:
    void skipGarbage();
    void compact();
    // Offset of the first complete Frame behind the front one, -1 when there is none.
    qsizetype completeFrameBehind() const;

    QByteArray m_buffer;
    qsizetype m_head = 0;
    int m_errors = 0;
    TimeSource m_now;
    // When the incomplete Frame at the front arrived; -1 when none is waiting.
    qint64 m_waitingSince = -1;
};

} // namespace proto
