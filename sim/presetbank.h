#pragma once

#include <QByteArray>

#include <array>

namespace sim {

struct PresetSlot {
    bool inUse = false;
    QByteArray name;  // at most 16 Latin-1 bytes
    QByteArray image; // the single-preset image, empty while not in use
};

// The 32 preset slots of a processor.
//
// All-presets file (.pst), the processor's own image of every slot:
//   offset 0  4 bytes  magic "DPST"
//   offset 4  uint16   format version, 1
//   offset 6  uint16   single-preset image size S (2726 or 2742)
//   offset 8  32 records of 17 + S bytes, slot 0 first:
//             in use uint8, name 16 bytes zero-padded, image S bytes (zeros when empty)
// All integers little-endian; total 8 + 32 x (17 + S) bytes.
class PresetBank {
public:
    static constexpr int kSlots = 32;
    static constexpr int kNameWidth = 16;
    static constexpr int kSlotListSize = 1 + kSlots * 17; // 545

    std::array<PresetSlot, kSlots> entries;
    int current = -1;

    // Report of the slot list: current slot (int8), then 32 x (in use, name[16]).
    QByteArray slotList() const;
    void clear();

    static int bankSize(int imageSize);
    QByteArray exportAll(int imageSize) const;
    // Replaces every slot from an all-presets file; false (nothing changed) when the file
    // is not one of this processor's size and format.
    bool importAll(const QByteArray &file, int imageSize);
};

} // namespace sim
