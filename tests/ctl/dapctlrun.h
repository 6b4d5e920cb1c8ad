#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUdpSocket>

// Runs the dapctl this build produced, for the command line's tests.
namespace ctltest {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// A UDP port nobody uses right now, for the announcements of one test's simulators.
inline quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// dapctl in folder with the test's announcement port and a database there; password null:
// no DAPCTL_PASSWORD.
inline Run runDapctl(QStringList args, const QString &folder, quint16 announcePort,
                     const QString &password)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DAPCTL_PASSWORD"));
    env.remove(QStringLiteral("DAPCTL_LOCK_PASSWORD"));
    if (!password.isNull())
        env.insert(QStringLiteral("DAPCTL_PASSWORD"), password);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    args << "--announce-port" << QString::number(announcePort) << "--db"
         << folder + QStringLiteral("/device.db");
    p.start(QStringLiteral(DAP_BIN_DIR "/dapctl"), args);
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("dapctl did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace ctltest
