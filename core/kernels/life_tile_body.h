// The two-state tile step, compiled once per instruction set like the rest of kernel_body.h and
// under the same rule: internal linkage, no standard-library templates.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/count_words.h"
#include "core/life_tile.h"

namespace {

// Rows side by side, as many as one register holds: four with AVX, two with SSE2.
#ifdef __AVX__
using Rows = std::uint64_t __attribute__((vector_size(32)));
#else
using Rows = std::uint64_t __attribute__((vector_size(16)));
#endif
constexpr int kLanes = sizeof(Rows) / sizeof(std::uint64_t);

[[gnu::always_inline]] inline Rows LoadRows(const std::uint64_t* p) {
    Rows v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void StoreRows(std::uint64_t* p, Rows v) { std::memcpy(p, &v, sizeof v); }

[[gnu::always_inline]] inline Rows SplatRows(std::uint64_t v) { return Rows{} + v; }

// Window rows 0 .. 65 are tile rows -1 .. 64.
constexpr int kTileWindowRows = 66;

struct TileSums {
    // Per window row, the two bits of the sum of each cell's west and east neighbours (side) and
    // of those and the cell itself (sum).
    alignas(32) std::uint64_t side0[kTileWindowRows], side1[kTileWindowRows];
    alignas(32) std::uint64_t sum0[kTileWindowRows], sum1[kTileWindowRows];
};

// westWord's cell 63 is the west neighbour of cell 0; eastWord's cell 0 the east one of cell 63.
template <class Word>
[[gnu::always_inline]] inline void StoreTileSums(TileSums& s, int r, Word c, Word westWord, Word eastWord) {
    const Word w = (c << 1) | (westWord >> 63);
    const Word e = (c >> 1) | (eastWord << 63);
    const Word we = w ^ e, both = w & e;
    if constexpr (sizeof(Word) == sizeof(Rows)) {
        StoreRows(s.side0 + r, we);
        StoreRows(s.side1 + r, both);
        StoreRows(s.sum0 + r, we ^ c);
        StoreRows(s.sum1 + r, both | (we & c));
    } else {
        s.side0[r] = we, s.side1[r] = both, s.sum0[r] = we ^ c, s.sum1[r] = both | (we & c);
    }
}

// kLife: B3/S23, the rule run most, with its shorter test.
template <bool kLife>
std::uint32_t StepTile(const core::LifeTileRule& rule, const std::uint64_t* const around[9], std::uint64_t* next) {
    constexpr int last = core::kTileRows - 1;
    const std::uint64_t *west = around[3], *centre = around[4], *east = around[5];
    TileSums s;
    // The rows above and below the tile come from the three tiles on each side.
    StoreTileSums(s, 0, around[1][last], around[0][last], around[2][last]);
    StoreTileSums(s, core::kTileRows + 1, around[7][0], around[6][0], around[8][0]);
    for (int y = 0; y < core::kTileRows; y += kLanes)
        StoreTileSums(s, y + 1, LoadRows(centre + y), LoadRows(west + y), LoadRows(east + y));

    const CountWords<Rows> words(rule);
    Rows differs = SplatRows(0), any = SplatRows(0);
    for (int y = 0; y < core::kTileRows; y += kLanes) {
        // Output row y is window row y + 1: the sums of the rows above and below and the sides of its own.
        const Rows live = LoadRows(centre + y);
        const Rows out = NextByCounts<kLife>(LoadRows(s.sum0 + y), LoadRows(s.sum1 + y), LoadRows(s.side0 + y + 1),
                                             LoadRows(s.side1 + y + 1), LoadRows(s.sum0 + y + 2),
                                             LoadRows(s.sum1 + y + 2), live, words);
        StoreRows(next + y, out);
        differs |= out ^ live;
        any |= out;
    }
    std::uint64_t changed = 0, columns = 0;
    for (int lane = 0; lane < kLanes; ++lane) changed |= differs[lane], columns |= any[lane];
    return (changed ? core::kTileChanged : 0) | core::TileLiveAndReach(next[0], columns, next[last]);
}

std::uint32_t LifeTileImpl(const core::LifeTileRule& rule, const std::uint64_t* const around[9],
                           std::uint64_t* next) {
    return rule.isLife ? StepTile<true>(rule, around, next) : StepTile<false>(rule, around, next);
}

}  // namespace
