// Security Frames (class 2, type 5): page access, lock password and the lock table.
#include "device.h"

#include <optional>

namespace sim {

using proto::Frame;

namespace {

const QByteArray kQuitCode = QByteArrayLiteral("\x90\xA7");
constexpr int kFilterRow = 19;

struct LockBlock {
    int offset;
    int channels;
    int rowSize;
};

// Where each security item's states lie in the 288-byte lock table, items 3 to 14.
constexpr LockBlock kLockBlocks[] = {
    {0, 4, 1},  {4, 4, 1},   {8, 4, 1},   {12, 4, kFilterRow},  {88, 4, 1},  {92, 4, 1},
    {96, 8, 1}, {104, 8, 1}, {112, 8, 1}, {120, 8, kFilterRow}, {272, 8, 1}, {280, 8, 1},
};

std::optional<LockBlock> lockBlock(quint8 item)
{
    if (item < 3 || item > 14)
        return std::nullopt;
    return kLockBlocks[item - 3];
}

} // namespace

void Device::handleSecurity(const Frame &f, Session &s, Replies &out)
{
    const QByteArray &p = f.payload;
    const bool request = f.direction == proto::DirRequest;
    if (f.paramCode == 1) {
        if (request) {
            if (p.isEmpty())
                report(out, f, QByteArray(1, s.securityAccess ? 1 : 0));
        } else if (p == kQuitCode) {
            s.securityAccess = false;
            s.lockPasswordConfirmed = false;
        } else if (!p.isEmpty() && p.size() <= 8) {
            // Without a lock password any entry opens the page.
            const bool ok = m_system.lockPassword.isEmpty() || p == m_system.lockPassword;
            s.securityAccess = ok;
            s.lockPasswordConfirmed = ok;
        }
        return;
    }
    if (f.paramCode == 2) {
        // Takes effect only right after the current lock password was confirmed.
        if (!request && s.lockPasswordConfirmed && !p.isEmpty() && p.size() <= 8) {
            m_system.lockPassword = p;
            emit logMessage(QStringLiteral("lock password changed"));
        }
        s.lockPasswordConfirmed = false;
        return;
    }
    const auto block = lockBlock(f.paramCode);
    if (!block)
        return;
    quint8 *table = m_system.locks.data() + block->offset;
    if (block->rowSize == 1) {
        if (request) {
            if (p.isEmpty())
                report(out, f, QByteArray(reinterpret_cast<const char *>(table), block->channels));
        } else if (s.securityAccess && p.size() == 2 && quint8(p[0]) < block->channels &&
                   quint8(p[1]) <= 2) {
            table[quint8(p[0])] = quint8(p[1]);
        }
        return;
    }
    if (p.isEmpty() || quint8(p[0]) >= block->channels)
        return;
    quint8 *row = table + quint8(p[0]) * kFilterRow;
    if (request) {
        if (p.size() == 1)
            report(out, f, p + QByteArray(reinterpret_cast<const char *>(row), kFilterRow));
        return;
    }
    if (!s.securityAccess || p.size() != 1 + kFilterRow)
        return;
    for (int k = 0; k < kFilterRow; ++k) {
        if (quint8(p[1 + k]) > 2)
            return;
    }
    for (int k = 0; k < kFilterRow; ++k)
        row[k] = quint8(p[1 + k]);
}

} // namespace sim
