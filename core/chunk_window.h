#pragma once

#include <array>
#include <cstdint>

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

// Looks up the neighbours of chunk after chunk, reusing two columns of the last lookup when the
// next chunk lies one to the east, as along the rows of a rectangle.
class NeighbourCursor {
public:
    explicit NeighbourCursor(const ChunkGrid& grid) : grid_(&grid) {}

    const ChunkNeighbours& At(ChunkCoord c);

private:
    const ChunkGrid* grid_;
    ChunkNeighbours around_{};
    ChunkCoord at_;
    bool valid_ = false;
};

}  // namespace core
