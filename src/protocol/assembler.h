#pragma once

#include "frame.h"

#include <QByteArray>

namespace proto {

// Cuts Frames out of a byte stream as it arrives. A Frame split over several reads is
// kept until it is complete; after a bad marker or an impossible length the stream is
// resynchronised at the next start marker, so what follows the garbage is not lost.
// At most one incomplete Frame (kSendBufferSize bytes) is held between reads.
class FrameAssembler {
public:
    void append(const char *data, qsizetype size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    // Takes the next complete Frame out of the buffer; false when more bytes are needed.
    bool next(Frame &out);

    void clear();
    qsizetype buffered() const { return m_buffer.size() - m_head; }
    // Number of times garbage was skipped ("error data!").
    int errorCount() const { return m_errors; }

private:
    void skipGarbage();
    void compact();

    QByteArray m_buffer;
    qsizetype m_head = 0;
    int m_errors = 0;
};

} // namespace proto
