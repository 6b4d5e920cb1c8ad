#include "presetbank.h"

#include "protocol/payload.h"

namespace sim {

namespace {
constexpr char kMagic[] = "DPST";
constexpr quint16 kFormatVersion = 1;
constexpr int kHeaderSize = 8;
} // namespace

QByteArray PresetBank::slotList() const
{
    proto::PayloadWriter w(kSlotListSize);
    w.i8(qint8(current));
    for (const auto &s : entries) {
        w.u8(s.inUse ? 1 : 0);
        w.text(s.name, kNameWidth);
    }
    return w.data();
}

void PresetBank::clear()
{
    entries = {};
    current = -1;
}

int PresetBank::bankSize(int imageSize)
{
    return kHeaderSize + kSlots * (17 + imageSize);
}

QByteArray PresetBank::exportAll(int imageSize) const
{
    proto::PayloadWriter w(bankSize(imageSize));
    w.bytes(QByteArray(kMagic, 4)).u16(kFormatVersion).u16(quint16(imageSize));
    for (const auto &s : entries) {
        w.u8(s.inUse ? 1 : 0);
        w.text(s.name, kNameWidth);
        if (s.inUse && s.image.size() == imageSize)
            w.bytes(s.image);
        else
            w.bytes(QByteArray(imageSize, '\0'));
    }
    return w.data();
}

bool PresetBank::importAll(const QByteArray &file, int imageSize)
{
    if (file.size() != bankSize(imageSize))
        return false;
    proto::PayloadReader r(file);
    if (r.bytes(4) != QByteArray(kMagic, 4) || r.u16() != kFormatVersion || r.u16() != imageSize)
        return false;
    std::array<PresetSlot, kSlots> next;
    for (auto &s : next) {
        s.inUse = r.u8() != 0;
        s.name = r.text(kNameWidth);
        const QByteArray image = r.bytes(imageSize);
        if (s.inUse)
            s.image = image;
    }
    if (!r.ok())
        return false;
    entries = next;
    if (current >= 0 && !entries[current].inUse)
        current = -1;
    return true;
}

} // namespace sim
