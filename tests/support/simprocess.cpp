#include "simprocess.h"

#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace testsupport {

SimProcess::SimProcess(QStringList arguments) : m_arguments(std::move(arguments))
{
    if (!m_arguments.contains(QStringLiteral("--announce")))
        m_arguments << QStringLiteral("--announce") << QStringLiteral("127.0.0.1:9");
    if (!m_arguments.contains(QStringLiteral("--command-port")))
        m_arguments << QStringLiteral("--command-port") << QStringLiteral("0");
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    // A test that dies (a sanitizer's abort, a crash) takes its simulator along, so the next
    // suite finds the address free.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { readOutput(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process, [this] {
        const QByteArray err = m_process.readAllStandardError();
        if (!err.isEmpty())
            m_error += QString::fromLocal8Bit(err);
    });
}

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
    return QStringLiteral(DAP_BIN_DIR "/dapsim");
}

bool SimProcess::start(int timeoutMs)
{
    int count = 1;
    const int at = int(m_arguments.indexOf(QStringLiteral("--count")));
    if (at >= 0 && at + 1 < m_arguments.size())
        count = qMax(1, m_arguments.at(at + 1).toInt());
    m_process.start(executable(), m_arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("dapsim did not start: ") + m_process.errorString();
        return false;
    }
    const auto listening = [this] {
        int n = 0;
        for (const QString &line : std::as_const(m_lines))
            n += line.endsWith(QLatin1String(" listening")) ? 1 : 0;
        return n;
    };
    (void)QTest::qWaitFor([&] { return listening() >= count || !isRunning(); }, timeoutMs);
    if (listening() < count) {
        m_error += QStringLiteral("\ndapsim did not report listening");
        return false;
    }
    return true;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool SimProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

void SimProcess::readOutput()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype nl;
    while ((nl = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromLocal8Bit(m_partial.left(nl));
        m_partial.remove(0, nl + 1);
    }
}

QString SimProcess::waitForLine(const QString &text, int timeoutMs)
{
    QString found;
    (void)QTest::qWaitFor(
        [&] {
            for (const QString &line : std::as_const(m_lines)) {
                if (line.contains(text)) {
                    found = line;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

} // namespace testsupport
