#pragma once

#include "frame.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace proto {

// One message a transfer sends.
struct TransferMessage {
    quint8 frameClass = 0;
    quint8 frameType = 0;
    quint8 code = 0;
    quint8 direction = 0;
    QByteArray payload;
};

// Why a transfer ended without completing.
enum class TransferError {
    None,
    SizeMismatch, // the processor expects another size than the file has
    BadSize,      // a size of 0, or too large to be a preset
    EmptyData,    // a data block without data
    TooMuchData,  // more data, or a larger acknowledgement, than was asked for or sent
    ShortData,    // the data ended before the announced size
    TimedOut,     // no answer for Transfer::kTimeoutMs
    Cancelled,    // the user stopped it
    WrongBlock,   // the processor acknowledged another block than the one sent
    LinkLost,     // the connection went away, or another processor was selected
};

// How a transfer ended, with what the error alone does not tell.
struct TransferEnd {
    TransferError error = TransferError::None;
    int acknowledged = -1; // WrongBlock: the block the processor acknowledged
    int expected = -1;     // WrongBlock: the block that was sent
    QString reason;        // LinkLost: why the connection went
};

// What a job makes of one answer.
struct TransferStep {
    enum Kind { Ignore, Continue, Done, Fail };
    Kind kind = Ignore;
    QList<TransferMessage> send;
    int range = -1;    // the progress range, once it is known
    int progress = -1; // the new progress value, -1 for unchanged
    TransferError error = TransferError::None;
    int acknowledged = -1; // WrongBlock
    int expected = -1;     // WrongBlock

    // Goes on by sending message.
    static TransferStep sending(const TransferMessage &message)
    {
        TransferStep s;
        s.kind = Continue;
        s.send.append(message);
        return s;
    }
    static TransferStep fail(TransferError e)
    {
        TransferStep s;
        s.kind = Fail;
        s.error = e;
        return s;
    }
    static TransferStep wrongBlock(int acknowledged, int expected)
    {
        TransferStep s = fail(TransferError::WrongBlock);
        s.acknowledged = acknowledged;
        s.expected = expected;
        return s;
    }
};

// The protocol side of one transfer: which answers belong to it, what to send next. Jobs
// hold no widgets and no files; they are driven by Transfer or by a test.
class TransferJob {
public:
    virtual ~TransferJob() = default;
    // True for a Frame that may be an answer of this job (class, type, code, direction).
    virtual bool matches(const Frame &frame) const = 0;
    virtual TransferStep start() = 0;
    virtual TransferStep answer(const Frame &frame) = 0;
    // Whether stopping halfway leaves the processor as it was.
    virtual bool cancellable() const { return true; }
    // Bytes received (exports); empty for uploads.
    virtual QByteArray received() const { return {}; }
};

// The program's one active transfer (firmware image or preset file): it sends what the job
// asks for, hands the job only the answers that match it, ends it on the job's word, on
// cancel, after kTimeoutMs without a matching answer, or at once when the connection it
// started on goes, and reports the end once.
class Transfer : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000;

    // How a transfer ended: error None means it completed.
    using Finished = std::function<void(TransferError error, const QByteArray &received)>;

    static Transfer &instance();

    bool busy() const { return m_job != nullptr; }
    bool cancellable() const { return m_job && m_job->cancellable(); }
    QString label() const { return m_label; }
    // How the last transfer ended; complete while its done callback runs.
    const TransferEnd &lastEnd() const { return m_lastEnd; }

    // Starts job unless another transfer runs (returns false, job dropped, nothing sent).
    // done is called once when the transfer ends, whichever way.
    bool start(std::unique_ptr<TransferJob> job, const QString &label, Finished done);
    // A Frame from the processor; true when the active transfer took it.
    bool receive(const Frame &frame);
    // Stops a cancellable transfer (ends with Cancelled); ignored for the others.
    void cancel();
    // Ends whatever runs without calling back (a connection that went away, tests).
    void abandon();

public Q_SLOTS:
    // No matching answer within kTimeoutMs: ends the transfer with TimedOut.
    void timeOut();

Q_SIGNALS:
    void busyChanged(bool busy);
    // The progress range became known (0 ... range); label as given to start().
    void progressStarted(int range, const QString &label);
    void progressed(int value);
    void ended();

private:
    Transfer();
    void apply(const TransferStep &step);
    void finish(TransferError error) { finish(TransferEnd{error, -1, -1, {}}); }
    void finish(const TransferEnd &end);
    void connectionChanged();

    std::unique_ptr<TransferJob> m_job;
    // The connection the transfer runs on (none when a test sink carries it).
    QPointer<QAbstractSocket> m_socket;
    TransferEnd m_lastEnd;
    QString m_label;
    Finished m_done;
    QTimer m_watchdog;
};

} // namespace proto
