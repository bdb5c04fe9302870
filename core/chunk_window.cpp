#include "core/chunk_window.h"

#include <cstring>

namespace core {

ChunkNeighbours FindChunkNeighbours(const ChunkGrid& grid, std::int32_t cx, std::int32_t cy) {
    ChunkNeighbours around;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            around[row * 3 + column] = grid.FindChunk(cx - 1 + column, cy - 1 + row);
    return around;
}

void BuildChunkWindow(const ChunkNeighbours& around, std::uint8_t* window) {
    constexpr int kSide = kChunkWindowSide, kLast = kChunkSide - 1;
    auto cell = [](const Chunk64* c, int index) -> std::uint8_t { return c ? c->cells[index] : 0; };
    auto row = [](const Chunk64* c, int y, std::uint8_t* to) {
        if (c) std::memcpy(to, c->cells.data() + y * kChunkSide, kChunkSide);
        else std::memset(to, 0, kChunkSide);
    };
    const auto [nw, n, ne, w, centre, e, sw, s, se] = around;
    window[0] = cell(nw, kChunkCells - 1);
    row(n, kLast, window + 1);
    window[kSide - 1] = cell(ne, kLast * kChunkSide);
    for (int y = 0; y < kChunkSide; ++y) {
        std::uint8_t* to = window + (y + 1) * kSide;
        to[0] = cell(w, y * kChunkSide + kLast);
        row(centre, y, to + 1);
        to[kSide - 1] = cell(e, y * kChunkSide);
    }
    std::uint8_t* bottom = window + (kSide - 1) * kSide;
    bottom[0] = cell(sw, kLast);
    row(s, 0, bottom + 1);
    bottom[kSide - 1] = cell(se, 0);
}

void BuildChunkWindow(const ChunkGrid& grid, std::int32_t cx, std::int32_t cy, std::uint8_t* window) {
    BuildChunkWindow(FindChunkNeighbours(grid, cx, cy), window);
}

const ChunkNeighbours& NeighbourCursor::At(ChunkCoord c) {
    if (valid_ && c.y == at_.y && std::int64_t{c.x} == std::int64_t{at_.x} + 1) {
        for (int row = 0; row < 3; ++row) {
            around_[row * 3] = around_[row * 3 + 1];
            around_[row * 3 + 1] = around_[row * 3 + 2];
            around_[row * 3 + 2] = grid_->FindChunk(c.x + 1, c.y - 1 + row);
        }
    } else {
        around_ = FindChunkNeighbours(*grid_, c.x, c.y);
    }
    at_ = c;
    valid_ = true;
    return around_;
}

}  // namespace core
