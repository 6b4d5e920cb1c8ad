// Firmware image blocks (class 1): ARM (type 1) and DSP (type 2) images in 1024-byte
// blocks, each acknowledged with its index.
#include "device.h"

#include "protocol/payload.h"

#include <QCryptographicHash>

namespace sim {

using proto::Frame;

namespace {
constexpr int kBlockSize = 1024;

QString targetName(int target)
{
    return target == 1 ? QStringLiteral("ARM") : QStringLiteral("DSP");
}
} // namespace

void Device::handleFirmware(const Frame &f, Session &s, Replies &out)
{
    if ((f.frameType != 1 && f.frameType != 2) || f.paramCode != 1 || f.direction != proto::DirSet)
        return;
    const QByteArray &p = f.payload;
    if (p.size() < 3 || p.size() > 2 + kBlockSize)
        return;
    const int target = f.frameType;
    Session::Upgrade &u = s.upgrades[target - 1];
    if (m_config.firmwareFail == 1) {
        emit logMessage(QStringLiteral("%1 upgrade refused").arg(targetName(target)));
        s.closeRequested = true;
        return;
    }
    if (m_config.firmwareFail == 2 && u.active) {
        if (!u.gap)
            emit logMessage(QStringLiteral("%1 upgrade stalled").arg(targetName(target)));
        u.gap = true;
        return;
    }
    const quint16 index = proto::getU16(reinterpret_cast<const uchar *>(p.constData()));
    const QByteArray data = p.mid(2);

    // Every block is acknowledged with its index, as the program expects; whether the
    // image is usable is only decided (and logged) when it ends.
    if (index == 0) {
        if (u.active)
            emit logMessage(QStringLiteral("%1 image restarted").arg(targetName(target)));
        u = Session::Upgrade{};
        u.active = true;
        // An ARM image starts with 7F 8C and the byte 0x20 or 0x10.
        if (target == 1 && (data.size() < 3 || quint8(data[0]) != 0x7F || quint8(data[1]) != 0x8C ||
                            (quint8(data[2]) != 0x20 && quint8(data[2]) != 0x10))) {
            u.badHeader = true;
            emit logMessage(QStringLiteral("ARM image has a bad header (0x%1)")
                                .arg(data.size() >= 3 ? quint8(data[2]) : 0, 0, 16));
        }
    } else if (!u.active || index != u.nextBlock) {
        if (!u.gap)
            emit logMessage(QStringLiteral("%1 block %2 out of order (expected %3)")
                                .arg(targetName(target))
                                .arg(index)
                                .arg(u.nextBlock));
        u.active = true;
        u.gap = true;
    }
    u.bytes += data.size();
    u.data += data;
    u.nextBlock = quint16(index + 1);
    report(out, f, p.left(2));
    // A short block is the last one; an image of whole blocks ends when the blocks stop.
    if (data.size() < kBlockSize)
        finishUpgrade(s, target);
}

void Device::finishUpgrade(Session &s, int target)
{
    Session::Upgrade &u = s.upgrades[target - 1];
    if (!u.active)
        return;
    QString text =
        QStringLiteral("%1 image received, %2 bytes").arg(targetName(target)).arg(u.bytes);
    if (u.badHeader)
        text += QStringLiteral("; not used: bad header");
    else if (u.gap)
        text += QStringLiteral("; not used: blocks missing or out of order");
    // Tests tell which image a processor received by its digest.
    text += QStringLiteral("; sha256 %1")
                .arg(QString::fromLatin1(
                    QCryptographicHash::hash(u.data, QCryptographicHash::Sha256).toHex()));
    emit logMessage(text);
    emit firmwareReceived(target, u.bytes);
    u = Session::Upgrade{};
}

void Device::finishUpgrades(Session &s)
{
    finishUpgrade(s, 1);
    finishUpgrade(s, 2);
}

} // namespace sim
