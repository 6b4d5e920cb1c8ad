#include "simlauncher.h"

#include "logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QUdpSocket>

#include <csignal>
#include <sys/prctl.h>

namespace {
constexpr quint16 kProcessorPort = 2699;
constexpr quint16 kCommandPort = 6001;
constexpr int kLastLoopbackHost = 254;
} // namespace

SimLauncher::SimLauncher(QObject *parent) : QObject(parent) {}

SimLauncher::~SimLauncher()
{
    stop();
}

QString SimLauncher::simulatorPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/dapsim");
}

QHostAddress SimLauncher::freeLoopbackAddress()
{
    for (int host = 2; host <= kLastLoopbackHost; ++host) {
        const QHostAddress candidate((127u << 24) | quint32(host));
        QTcpServer probe;
        if (probe.listen(candidate, kProcessorPort))
            return candidate;
    }
    return {};
}

bool SimLauncher::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool SimLauncher::start()
{
    m_error.clear();
    if (isRunning())
        return true;
    const QString program = m_program.isEmpty() ? simulatorPath() : m_program;
    if (!QFileInfo(program).isExecutable()) {
        m_error = tr("The simulator %1 was not found.").arg(program);
        return false;
    }
    m_address = freeLoopbackAddress();
    if (m_address.isNull()) {
        m_error = tr("No free loopback address for a simulated processor.");
        return false;
    }
    delete m_process;
    m_process = new QProcess(this);
    m_process->setProgram(program);
    QStringList arguments{QStringLiteral("--address"), m_address.toString(),
                          QStringLiteral("--password"), QLatin1String(kPassword)};
    // It hears commands on its own address only (nothing from the network reaches it).
    // Another program holding the command port alone leaves it a free one.
    QUdpSocket commandProbe;
    if (!commandProbe.bind(m_address, kCommandPort,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        arguments << QStringLiteral("--command-port") << QStringLiteral("0");
    commandProbe.close();
    m_process->setArguments(arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    // The simulator goes with the program, also when the program is killed.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    connect(m_process, &QProcess::finished, this, &SimLauncher::stopped);
    m_process->start();
    if (!m_process->waitForStarted(3000)) {
        m_error = tr("The simulator could not be started: %1").arg(m_process->errorString());
        return false;
    }
    qCDebug(lcApp) << "simulated processor on" << m_address.toString();
    return true;
}

void SimLauncher::stop()
{
    if (!isRunning())
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(2000)) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}
