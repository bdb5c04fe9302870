#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/chunk_grid.h"

namespace core {

inline constexpr int kChunkWindowSide = kChunkSide + 2;
inline constexpr int kChunkWindowCells = kChunkWindowSide * kChunkWindowSide;

// The chunks around and at (cx, cy), row by row from the north-west; null where none is stored.
using ChunkNeighbours = std::array<const Chunk64*, 9>;
ChunkNeighbours FindChunkNeighbours(const ChunkGrid& grid, std::int32_t cx, std::int32_t cy);

// kChunkWindowCells bytes: chunk (cx, cy) with a one-cell border from its neighbours.
void BuildChunkWindow(const ChunkNeighbours& around, std::uint8_t* window);
void BuildChunkWindow(const ChunkGrid& grid, std::int32_t cx, std::int32_t cy, std::uint8_t* window);

// Every chunk a grid stores in a box of chunks and the ring around it, gathered in one pass over
// the grid, so that the neighbours of the chunks inside are read without a lookup each.
class ChunkBoxIndex {
public:
    // The box is [cx0, cx1] x [cy0, cy1]; `slots` is the caller's storage, reused between boxes.
    ChunkBoxIndex(const ChunkGrid& grid, std::int32_t cx0, std::int32_t cy0, std::int32_t cx1, std::int32_t cy1,
                  std::vector<const Chunk64*>& slots);

    // For a chunk inside the box.
    ChunkNeighbours At(ChunkCoord c) const;

private:
    std::int64_t left_, top_, width_;
    const Chunk64* const* slots_;
};

}  // namespace core
