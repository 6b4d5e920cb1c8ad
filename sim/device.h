#pragma once

#include "params.h"
#include "presetbank.h"
#include "session.h"

#include "protocol/frame.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <array>
#include <functional>
#include <initializer_list>

namespace sim {

using Replies = QList<proto::Frame>;

// Fixed identity of a processor, from the command line.
struct DeviceConfig {
    quint32 machineId = 1000;
    quint32 address = 0x7F000002;
    QByteArray model = "DAP408";
    QByteArray serial;
    QByteArray password;
    QByteArray lockPassword;
    int generation = 1;
    int variant = 96;
    quint8 fault = 0;
    int firmwareFail = 0; // 1 refuse, 2 stall
    int importAck = 0;    // most bytes acknowledged of an import chunk; 0: all
};

inline constexpr int kLockTableSize = 288;
inline constexpr int kLabelWidth = 16;

// User-set state of the processor outside the processing blocks.
struct SystemState {
    QByteArray location;
    QByteArray description;
    quint32 address = 0;
    quint32 netmask = 0xFFFFFF00;
    quint32 gateway = 0;
    quint8 panelLock = 0;
    quint8 allMute = 0;
    std::array<QByteArray, kInputs> inLabels;
    std::array<QByteArray, kOutputs> outLabels;
    std::array<quint8, kLockTableSize> locks{};
    QByteArray password;
    QByteArray lockPassword;
};

// The simulated processor without its sockets: it takes one received Frame and the
// connection's session and appends what the processor answers.
class Device : public QObject {
    Q_OBJECT
public:
    explicit Device(const DeviceConfig &config, QObject *parent = nullptr);

    // A connection opens: the processor states whether a login is needed.
    void connected(Session &session, Replies &out);
    void handle(const proto::Frame &frame, Session &session, Replies &out);
    // A firmware transfer that stopped for a while is over.
    void finishUpgrades(Session &session);

    // The 140-byte announcement record.
    QByteArray announcement() const;
    // UDP command 2 and the network set of the settings page.
    void setNetwork(quint32 address, quint32 netmask, quint32 gateway);

    const DeviceConfig &config() const { return m_config; }
    Params &params() { return m_params; }
    const Params &params() const { return m_params; }
    SystemState &system() { return m_system; }
    const SystemState &system() const { return m_system; }
    PresetBank &presets() { return m_presets; }
    bool reducedDelays() const { return m_config.generation == 2; }
    bool hasInputDelays() const { return m_config.generation != 2; }
    int presetImageSize() const;

    quint32 runTime() const;
    quint32 totalTime() const;
    // Seconds since start; tests replace the clock.
    void setClock(std::function<double()> clock) { m_clock = std::move(clock); }
    double now() const { return m_clock(); }

    // Restores every processing block, label, text and lock (system reset).
    void resetConfiguration();
    // Also erases the presets and restores the passwords (factory reset).
    void factoryReset();

signals:
    void networkChanged(quint32 address);
    void firmwareReceived(int target, qint64 bytes);
    void logMessage(const QString &text);

private:
    void handleLogin(const proto::Frame &f, Session &s, Replies &out);
    void handleSettings(const proto::Frame &f, Replies &out);
    void handleSecurity(const proto::Frame &f, Session &s, Replies &out);
    void handleFirmware(const proto::Frame &f, Session &s, Replies &out);
    void finishUpgrade(Session &s, int target);
    void handleModule(const proto::Frame &f, Session &s, Replies &out);
    void handleLevel(bool output, const proto::Frame &f, Replies &out);
    void handleGate(const proto::Frame &f, Replies &out);
    void handleFeedback(const proto::Frame &f, Replies &out);
    void handleFilter(bool output, const proto::Frame &f, Replies &out);
    void handleLimiter(bool output, const proto::Frame &f, Replies &out);
    void handleDelay(bool output, const proto::Frame &f, Replies &out);
    void handleMixer(const proto::Frame &f, Replies &out);
    void handleGenerator(const proto::Frame &f, Replies &out);
    void handlePresets(const proto::Frame &f, Session &s, Replies &out);
    quint32 timeBefore() const;

    DeviceConfig m_config;
    Params m_params;
    SystemState m_system;
    PresetBank m_presets;
    std::function<double()> m_clock;
    double m_startTime = 0.0;
    float m_dspPeak = 0.0f;
};

// A few bytes given as small integers.
inline QByteArray byteArray(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Appends a report (direction 0x80) answering the request f.
void report(Replies &out, const proto::Frame &f, const QByteArray &payload);
void report(Replies &out, const proto::Frame &f, quint8 paramCode, const QByteArray &payload);

} // namespace sim
