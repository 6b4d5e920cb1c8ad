#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

// The program-wide lock table: one state byte (0 Free, 1 Read-only, other Hidden) per
// lockable element, 288 bytes in the processor's order. Every security item from 3 to 14
// owns one block of it: a byte per channel, or a 19-byte row per channel for the filters.
namespace locktable {

constexpr int kSize = 288;
constexpr int kFilterRow = 19;
constexpr int kFilterBands = 16;
constexpr quint8 kFirstItem = 3;
constexpr quint8 kLastItem = 14;
constexpr quint8 kInFilterItem = 6;
constexpr quint8 kOutFilterItem = 12;
// Filter row entries: graph, high-pass, low-pass, then band b at kBand0 + b.
enum RowEntry { kGraph = 0, kHighPass = 1, kLowPass = 2, kBand0 = 3 };

struct Block {
    quint8 item;
    int offset;
    int channels;
    int rowSize; // 1 for the simple modules, kFilterRow for the filters

    // The payload length of the item's report.
    int reportLength() const { return rowSize == 1 ? channels : 1 + kFilterRow; }
    int size() const { return channels * rowSize; }
    bool isFilter() const { return rowSize != 1; }
};

inline constexpr std::array<Block, 12> kBlocks = {{
    {3, 0, 4, 1},
    {4, 4, 4, 1},
    {5, 8, 4, 1},
    {6, 12, 4, kFilterRow},
    {7, 88, 4, 1},
    {8, 92, 4, 1},
    {9, 96, 8, 1},
    {10, 104, 8, 1},
    {11, 112, 8, 1},
    {12, 120, 8, kFilterRow},
    {13, 272, 8, 1},
    {14, 280, 8, 1},
}};

inline std::optional<Block> block(quint8 item)
{
    if (item < kFirstItem || item > kLastItem)
        return std::nullopt;
    return kBlocks[size_t(item - kFirstItem)];
}

// The block a table offset lies in.
inline std::optional<Block> blockAt(int offset)
{
    for (const Block &b : kBlocks) {
        if (offset >= b.offset && offset < b.offset + b.size())
            return b;
    }
    return std::nullopt;
}

// The state a click asks for: Free -> Read-only -> Hidden -> Free; anything beyond Hidden
// counts as Hidden and goes back to Free.
constexpr quint8 nextState(quint8 state)
{
    return state >= 2 ? 0 : quint8(state + 1);
}

} // namespace locktable
