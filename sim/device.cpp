#include "device.h"

#include "presetimage.h"

#include "protocol/payload.h"

#include <QElapsedTimer>

namespace sim {

using proto::Frame;

void report(Replies &out, const Frame &f, quint8 paramCode, const QByteArray &payload)
{
    Frame r;
    r.code = f.code;
    r.frameClass = f.frameClass;
    r.frameType = f.frameType;
    r.paramCode = paramCode;
    r.direction = proto::DirReport;
    r.payload = payload;
    out.append(r);
}

void report(Replies &out, const Frame &f, const QByteArray &payload)
{
    report(out, f, f.paramCode, payload);
}

Device::Device(const DeviceConfig &config, QObject *parent)
    : QObject(parent), m_config(config), m_params(Params::factory())
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] { return timer->elapsed() / 1000.0; };
    m_system.address = config.address;
    m_system.gateway = (config.address & 0xFFFFFF00) | 1;
    m_system.password = config.password;
    m_system.lockPassword = config.lockPassword;
    resetConfiguration();
}

int Device::presetImageSize() const
{
    return sim::presetImageSize(m_config.variant);
}

void Device::resetConfiguration()
{
    m_params = Params::factory();
    m_system.location = "Rack 1";
    m_system.description = "Simulated";
    m_system.panelLock = 0;
    m_system.allMute = 0;
    for (auto &l : m_system.inLabels)
        l.clear();
    for (auto &l : m_system.outLabels)
        l.clear();
    m_system.locks.fill(0);
    m_presets.current = -1;
}

void Device::factoryReset()
{
    resetConfiguration();
    m_presets.clear();
    m_system.password = m_config.password;
    m_system.lockPassword = m_config.lockPassword;
}

quint32 Device::runTime() const
{
    return quint32(qRound64(now() - m_startTime));
}

quint32 Device::totalTime() const
{
    return timeBefore() + runTime();
}

quint32 Device::timeBefore() const
{
    // Hours the unit ran before this start, different per machine.
    return 3600u * (500u + m_config.machineId % 977u);
}

void Device::setNetwork(quint32 address, quint32 netmask, quint32 gateway)
{
    const bool moved = address != m_system.address;
    m_system.address = address;
    m_system.netmask = netmask;
    m_system.gateway = gateway;
    if (moved)
        emit networkChanged(address);
}

QByteArray Device::announcement() const
{
    const auto version = [](int major, int minor, int patch) {
        return QByteArray("V%1.%2.%3")
            .replace("%1", QByteArray::number(major))
            .replace("%2", QByteArray::number(minor))
            .replace("%3", QByteArray::number(patch));
    };
    // A sender writes at most width - 1 characters and the NUL.
    const auto text = [](proto::PayloadWriter &w, const QByteArray &t, int width) {
        w.text(t.left(width - 1), width);
    };
    proto::PayloadWriter w(140);
    // One clock reading for both times, so they never differ by a rounding step.
    const quint32 run = runTime();
    w.u32(m_config.machineId).u32(m_system.address).u32(run).u32(timeBefore() + run).u8(0);
    text(w, m_config.serial, 20);
    text(w, m_config.model, 20);
    text(w, version(m_config.generation, 3, 1), 10);
    text(w, version(1, 0, 7), 10);
    text(w, m_system.location, 20);
    text(w, m_system.description, 20);
    const int cur = m_presets.current;
    text(w, cur >= 0 ? m_presets.entries[cur].name : QByteArray(), 20);
    w.u8(m_config.fault).u16(0);
    return w.data();
}

void Device::connected(Session &session, Replies &out)
{
    session.loggedIn = m_system.password.isEmpty();
    Frame f;
    f.code = 1;
    f.frameClass = proto::ClassSystem;
    f.frameType = 1;
    f.paramCode = 1;
    report(out, f, QByteArray(1, session.loggedIn ? 1 : 0));
}

void Device::handle(const Frame &f, Session &s, Replies &out)
{
    if (f.direction != proto::DirRequest && f.direction != proto::DirSet)
        return;
    if (f.frameClass == proto::ClassSystem && f.frameType == 1) {
        handleLogin(f, s, out);
        return;
    }
    // Before a login only login Frames are answered.
    if (!s.loggedIn)
        return;
    switch (f.frameClass) {
    case proto::ClassUpgrade:
        handleFirmware(f, s, out);
        break;
    case proto::ClassSystem:
        if (f.frameType >= 2 && f.frameType <= 4)
            handleSettings(f, out);
        else if (f.frameType == 5)
            handleSecurity(f, s, out);
        break;
    case proto::ClassModule:
        handleModule(f, s, out);
        break;
    default:
        break;
    }
}

void Device::handleModule(const Frame &f, Session &s, Replies &out)
{
    switch (f.frameType) {
    case 1:
        handleLevel(false, f, out);
        break;
    case 2:
        handleGate(f, out);
        break;
    case 3:
        handleFeedback(f, out);
        break;
    case 4:
        handleFilter(false, f, out);
        break;
    case 5:
        handleLimiter(false, f, out);
        break;
    case 6:
        // The reduced generation has no input delay block.
        if (hasInputDelays())
            handleDelay(false, f, out);
        break;
    case 7:
        handleMixer(f, out);
        break;
    case 8:
        handleGenerator(f, out);
        break;
    case 9:
        handleLevel(true, f, out);
        break;
    case 10:
        handleFilter(true, f, out);
        break;
    case 11:
        handleLimiter(true, f, out);
        break;
    case 12:
        handleDelay(true, f, out);
        break;
    case 32:
        handlePresets(f, s, out);
        break;
    default:
        break;
    }
}

} // namespace sim
