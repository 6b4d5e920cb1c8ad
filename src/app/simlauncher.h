#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

class QProcess;

// Starts one simulated processor (the dapsim program installed beside dapcontrol) on a free
// loopback address, so every page can be explored without hardware. The simulator announces
// itself on the loopback broadcast, where the device table hears it like a real processor, and
// hears commands on its own address only. It stops with the program.
class SimLauncher : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kPassword = "1234";

    explicit SimLauncher(QObject *parent = nullptr);
    ~SimLauncher() override;

    // The simulator program: dapsim in the folder of the running executable.
    static QString simulatorPath();
    // The first loopback address from 127.0.0.2 up whose port 2699 is free; null if none.
    static QHostAddress freeLoopbackAddress();

    bool isRunning() const;
    QHostAddress address() const { return m_address; }

    // Starts the simulator; false with a reason in errorText() when it cannot.
    bool start();
    void stop();
    QString errorText() const { return m_error; }

    // Test seam: the program to start instead of simulatorPath().
    void setProgram(const QString &program) { m_program = program; }

Q_SIGNALS:
    void stopped();

private:
    QProcess *m_process = nullptr;
    QHostAddress m_address;
    QString m_program;
    QString m_error;
};
