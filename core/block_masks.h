#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "core/chunk_grid.h"

namespace core {

// A chunk as 8 x 8 blocks of 8 x 8 cells, one bit each: bit 8 * row + column, row 0 at the top.
inline constexpr int kBlockSide = 8;
inline constexpr int kBlocksPerSide = kChunkSide / kBlockSide;
inline constexpr int kChunkBlocks = kBlocksPerSide * kBlocksPerSide;
inline constexpr std::uint64_t kAllBlocks = ~std::uint64_t{0};

namespace block_detail {
inline constexpr std::uint64_t kWestColumn = 0x0101010101010101ull;
inline constexpr std::uint64_t kEastColumn = kWestColumn << 7;

// Each block of `centre` marked with its west and east neighbours, across chunk edges.
inline std::uint64_t Across(std::uint64_t west, std::uint64_t centre, std::uint64_t east) {
    return centre | ((centre << 1) & ~kWestColumn) | ((centre >> 1) & ~kEastColumn) | ((west & kEastColumn) >> 7) |
           ((east & kWestColumn) << 7);
}
}  // namespace block_detail

// The blocks of the middle chunk that have a marked block among their eight neighbours or
// themselves; `masks` are the chunks around it, row by row from the north-west.
inline std::uint64_t SpreadBlocks(const std::array<std::uint64_t, 9>& masks) {
    using block_detail::Across;
    const std::uint64_t north = Across(masks[0], masks[1], masks[2]);
    const std::uint64_t middle = Across(masks[3], masks[4], masks[5]);
    const std::uint64_t south = Across(masks[6], masks[7], masks[8]);
    return middle | (middle << 8) | (middle >> 8) | (north >> 56) | (south << 56);
}

inline bool HasLiveCells(const Chunk64* chunk) { return chunk && chunk->liveCount != 0; }

// The blocks of `within` where `a` and `b` differ; a null chunk is all background.
inline std::uint64_t DifferingBlocks(const Chunk64* a, const Chunk64* b, std::uint64_t within = kAllBlocks) {
    if (!within || (!HasLiveCells(a) && !HasLiveCells(b))) return 0;
    if (!a || !b) return within;
    // XOR-OR the rows of each block row into four vectors, then test each block's half.
    std::uint64_t differing = 0;
    const std::uint8_t* rowA = a->cells.data();
    const std::uint8_t* rowB = b->cells.data();
    for (int blockRow = 0; blockRow < kBlocksPerSide; ++blockRow) {
        if (!((within >> (blockRow * kBlocksPerSide)) & 0xFFu)) {
            rowA += kBlockSide * kChunkSide;
            rowB += kBlockSide * kChunkSide;
            continue;
        }
        __m128i any[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
        for (int y = 0; y < kBlockSide; ++y, rowA += kChunkSide, rowB += kChunkSide)
            for (int v = 0; v < 4; ++v) {
                const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA + 16 * v));
                const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB + 16 * v));
                any[v] = _mm_or_si128(any[v], _mm_xor_si128(va, vb));
            }
        std::uint64_t equalBytes = 0;
        for (int v = 0; v < 4; ++v)
            equalBytes |= static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(any[v], _mm_setzero_si128())))
                          << (16 * v);
        for (int x = 0; x < kBlocksPerSide; ++x)
            if (((equalBytes >> (8 * x)) & 0xFFu) != 0xFFu) differing |= std::uint64_t{1} << (blockRow * kBlocksPerSide + x);
    }
    return differing & within;
}

}  // namespace core
