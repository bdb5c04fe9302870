#pragma once

#include <cstdint>

namespace core {

struct LifeLikeRule;

// A 64 x 64 square of a two-state plane, one bit per cell: bit x of row y is cell (x, y).
inline constexpr int kTileRows = 64;

// A LifeLikeRule as words of all ones or all zeros, the form the tile step combines with cells:
// for N = 2p + n0 live neighbours (p < 4) the next state is
// base[p] ^ (baseFlip[p] & live) ^ ((step[p] ^ (stepFlip[p] & live)) & n0), and for N = 8
// eight ^ (eightFlip & live).
struct LifeTileRule {
    std::uint64_t base[4], baseFlip[4], step[4], stepFlip[4];
    std::uint64_t eight, eightFlip;
    bool isLife;  // B3/S23, which has a shorter form
};

LifeTileRule LifeTileRuleFor(const LifeLikeRule& rule);

// What stepping a tile found, as bits: the tile differs from its last generation, holds a live
// cell, and (from bit kTileReachShift) which of the nine squares around it, numbered
// 3 * (dy + 1) + (dx + 1), a live cell of it touches.
inline constexpr std::uint32_t kTileChanged = 1;
inline constexpr std::uint32_t kTileLive = 2;
inline constexpr int kTileReachShift = 2;

// kTileLive and the reach of a tile from its top and bottom rows and the OR of all its rows.
// Static: the kernels, built once per instruction set, each keep a copy of their own.
static constexpr std::uint32_t TileLiveAndReach(std::uint64_t top, std::uint64_t columns, std::uint64_t bottom) {
    if (columns == 0) return 0;
    const std::uint64_t reach = (top & 1) | std::uint64_t{top != 0} << 1 | (top >> 63) << 2 | (columns & 1) << 3 |
                                (columns >> 63) << 5 | (bottom & 1) << 6 | std::uint64_t{bottom != 0} << 7 |
                                (bottom >> 63) << 8;
    return kTileLive | static_cast<std::uint32_t>(reach) << kTileReachShift;
}

// Writes the next generation of the tile around[4] into `next` (64 rows) from the rows of the nine
// tiles around[3 * (dy + 1) + (dx + 1)]; none is null (background is a tile of zeros).
using LifeTileFn = std::uint32_t (*)(const LifeTileRule& rule, const std::uint64_t* const around[9],
                                     std::uint64_t* next);

// Through the variant CpuFeatureLevel picks.
std::uint32_t StepLifeTile(const LifeTileRule& rule, const std::uint64_t* const around[9], std::uint64_t* next);

}  // namespace core
