#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// Runs build/bin/dapsim for the life of the object.
//
//   SimProcess sim({"--address", "127.0.0.40"});
//   QVERIFY2(sim.start(), qPrintable(sim.errorText()));
//
// Unless the arguments say otherwise, announcements go to 127.0.0.1:9 (nobody) and the
// command port is a free one, so a test never reaches a running ./run.sh. start() waits
// until every processor (--count) prints its listening line.
class SimProcess {
public:
    explicit SimProcess(QStringList arguments = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    bool start(int timeoutMs = 10000);
    void stop();
    bool isRunning() const;

    // Waits until some line of the simulator's output contains text (lines already seen
    // count too); returns that line, or an empty string on time-out.
    QString waitForLine(const QString &text, int timeoutMs = 5000);
    QStringList lines() const { return m_lines; }
    QString errorText() const { return m_error; }
    QProcess &process() { return m_process; }

    static QString executable();

private:
    void readOutput();

    QStringList m_arguments;
    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    QString m_error;
};

} // namespace testsupport
