// System Frames: login (type 1) and the device settings (types 2, 3, 4).
#include "device.h"

#include "protocol/payload.h"

#include <cmath>

namespace sim {

using proto::Frame;

namespace {

const QByteArray kSystemResetCode = QByteArrayLiteral("CFG_CLR*");

QByteArray withNul(const QByteArray &text)
{
    QByteArray t = text;
    t.append('\0');
    return t;
}

// Text of a set: the bytes up to a NUL, at most width of them.
QByteArray setText(const QByteArray &bytes, int width)
{
    const qsizetype nul = bytes.indexOf('\0');
    return (nul >= 0 ? bytes.left(nul) : bytes).left(width);
}

} // namespace

void Device::handleLogin(const Frame &f, Session &s, Replies &out)
{
    if (f.paramCode != 1)
        return;
    if (f.direction == proto::DirSet) {
        if (f.payload == kSystemResetCode) {
            // The reset code travels in a login Frame; it only acts for a logged-in client.
            if (s.loggedIn) {
                resetConfiguration();
                emit logMessage(QStringLiteral("system reset: configuration restored"));
            }
        } else {
            s.loggedIn = m_system.password.isEmpty() || f.payload == m_system.password;
        }
    }
    report(out, f, QByteArray(1, s.loggedIn ? 1 : 0));
}

void Device::handleSettings(const Frame &f, Replies &out)
{
    const QByteArray &p = f.payload;
    const bool request = f.direction == proto::DirRequest;
    if (request && !p.isEmpty())
        return;
    if (f.frameType == 3) {
        if (f.paramCode != 1 && f.paramCode != 2)
            return;
        const bool outputs = f.paramCode == 2;
        QByteArray *labels = outputs ? m_system.outLabels.data() : m_system.inLabels.data();
        const int n = outputs ? kOutputs : kInputs;
        if (request) {
            proto::PayloadWriter w(kLabelWidth * n);
            for (int i = 0; i < n; ++i)
                w.text(labels[i], kLabelWidth);
            report(out, f, w.data());
        } else if (!p.isEmpty() && quint8(p[0]) < n) {
            labels[quint8(p[0])] = setText(p.mid(1), kLabelWidth);
        }
        return;
    }
    if (f.frameType == 4) {
        if (f.paramCode == 1 && request) {
            // Shown as "%05d-%d-%05d" of the words at offsets 0, 4 and 2.
            proto::PayloadWriter w(6);
            w.u16(20240).u16(quint16(m_config.machineId)).u16(quint16(m_config.generation));
            report(out, f, w.data());
        }
        return;
    }
    proto::PayloadWriter w;
    const double t = now();
    switch (f.paramCode) {
    case 1:
        if (request)
            report(out, f, withNul(m_config.model));
        break;
    case 2:
        if (request)
            report(out, f, byteArray({m_config.generation, 3, 1}));
        break;
    case 3:
        if (request)
            report(out, f, byteArray({1, 0, 7}));
        break;
    case 4:
        if (request)
            report(out, f, withNul(m_config.serial));
        break;
    case 5:
        if (request)
            report(out, f, w.u8(4).u8(8).data()); // shown as 0408: 4 inputs, 8 outputs
        break;
    case 6:
        if (request)
            report(out, f, w.u32(runTime()).data());
        break;
    case 7:
        if (request)
            report(out, f, w.u32(totalTime()).data());
        break;
    case 8:
        if (request)
            report(out, f, w.u32(17 + m_config.machineId % 40).data());
        break;
    case 9:
        if (request)
            report(out, f, w.f32(float(41.0 + 2.5 * std::sin(t / 60.0))).data());
        break;
    case 10:
    case 11: {
        QByteArray &text = f.paramCode == 10 ? m_system.location : m_system.description;
        if (request)
            report(out, f, withNul(text));
        else
            text = setText(p, 16);
        break;
    }
    case 12:
        if (request) {
            w.u32(m_system.address).u32(m_system.netmask).u32(m_system.gateway);
            report(out, f, w.data());
        } else if (p.size() == 12) {
            proto::PayloadReader r(p);
            const quint32 address = r.u32();
            const quint32 netmask = r.u32();
            setNetwork(address, netmask, r.u32());
        }
        break;
    case 13:
        if (request)
            report(out, f, QByteArray(1, char(m_config.fault)));
        break;
    case 14:
        // New login password for the next logins; the session stays logged in.
        if (!request && !p.isEmpty() && p.size() <= 8) {
            m_system.password = p;
            emit logMessage(QStringLiteral("login password changed"));
        }
        break;
    case 15:
        if (request)
            report(out, f, QByteArray(1, char(m_system.allMute)));
        else if (p.size() == 1)
            m_system.allMute = range::flag(quint8(p[0]));
        break;
    case 16: {
        if (!request)
            break;
        // Load grows with the blocks in use.
        float usage = 12.0f + 1.5f * float(std::sin(t * 0.8) + 1.0);
        const auto bandLoad = [](const auto &filters) {
            float load = 0.0f;
            for (const auto &fc : filters) {
                for (const auto &b : fc.bands)
                    load += b.enable ? 0.12f : 0.0f;
            }
            return load;
        };
        usage += bandLoad(m_params.inFilter) + bandLoad(m_params.outFilter);
        for (const auto &l : m_params.inLimiter)
            usage += l.enable ? 1.0f : 0.0f;
        for (const auto &l : m_params.outLimiter)
            usage += l.enable ? 1.0f : 0.0f;
        for (const auto &g : m_params.gate)
            usage += g.enable ? 0.8f : 0.0f;
        m_dspPeak = qMax(m_dspPeak, usage);
        report(out, f, w.f32(usage).f32(m_dspPeak).data());
        break;
    }
    case 17:
        if (!request && p.isEmpty()) {
            factoryReset();
            emit logMessage(QStringLiteral("factory reset: all settings and presets erased"));
        }
        break;
    case 20:
        if (request)
            report(out, f, QByteArray(1, char(m_system.panelLock)));
        else if (p.size() == 1 && quint8(p[0]) <= 1)
            m_system.panelLock = quint8(p[0]);
        break;
    default:
        break;
    }
}

} // namespace sim
