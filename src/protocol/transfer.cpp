#include "transfer.h"

#include "logging.h"
#include "transport.h"

namespace proto {

Transfer &Transfer::instance()
{
    static Transfer transfer;
    return transfer;
}

Transfer::Transfer()
{
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(kTimeoutMs);
    connect(&m_watchdog, &QTimer::timeout, this, &Transfer::timeOut);
    connect(&Transport::instance(), &Transport::connectionChanged, this,
            &Transfer::connectionChanged);
}

bool Transfer::start(std::unique_ptr<TransferJob> job, const QString &label, Finished done)
{
    if (m_job || !job)
        return false;
    m_job = std::move(job);
    m_socket = Transport::instance().currentSocket();
    m_label = label;
    m_done = std::move(done);
    emit busyChanged(true);
    apply(m_job->start());
    return true;
}

bool Transfer::receive(const Frame &frame)
{
    if (!m_job || !m_job->matches(frame))
        return false;
    const TransferStep step = m_job->answer(frame);
    if (step.kind == TransferStep::Ignore) {
        qCDebug(lcProtocol, "transfer: answer %u/%u/%u ignored", frame.frameClass, frame.frameType,
                frame.paramCode);
        return true;
    }
    apply(step);
    return true;
}

void Transfer::apply(const TransferStep &step)
{
    if (step.kind == TransferStep::Fail) {
        finish(TransferEnd{step.error, step.acknowledged, step.expected, {}});
        return;
    }
    for (const TransferMessage &m : step.send) {
        sendFrame(m.frameClass, m.frameType, m.code, m.direction, m.payload.constData(),
                  quint16(m.payload.size()));
    }
    if (step.range >= 0)
        emit progressStarted(step.range, m_label);
    if (step.progress >= 0)
        emit progressed(step.progress);
    if (step.kind == TransferStep::Done)
        finish(TransferError::None);
    else
        m_watchdog.start();
}

void Transfer::cancel()
{
    if (cancellable())
        finish(TransferError::Cancelled);
}

void Transfer::timeOut()
{
    if (m_job)
        finish(TransferError::TimedOut);
}

void Transfer::abandon()
{
    m_done = nullptr;
    if (m_job)
        finish(TransferError::Cancelled);
}

void Transfer::connectionChanged()
{
    const Transport &transport = Transport::instance();
    if (!m_job || (transport.currentSocket() == m_socket && transport.canSend()))
        return;
    // Nothing more can arrive, or it would come from another processor: said at once.
    QString reason;
    if (transport.currentSocket() != m_socket)
        reason = QStringLiteral("another processor was selected");
    else if (m_socket)
        reason = m_socket->errorString();
    finish(TransferEnd{TransferError::LinkLost, -1, -1, reason});
}

void Transfer::finish(const TransferEnd &end)
{
    const TransferError error = end.error;
    m_lastEnd = end;
    m_watchdog.stop();
    // The job goes before the callback, so the callback may start the next transfer.
    const QByteArray received = m_job->received();
    m_job.reset();
    Finished done = std::move(m_done);
    m_done = nullptr;
    emit ended();
    emit busyChanged(false);
    if (done)
        done(error, received);
}

} // namespace proto
