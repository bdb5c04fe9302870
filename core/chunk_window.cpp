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

ChunkBoxIndex::ChunkBoxIndex(const ChunkGrid& grid, std::int32_t cx0, std::int32_t cy0, std::int32_t cx1,
                             std::int32_t cy1, std::vector<const Chunk64*>& slots)
    : left_(std::int64_t{cx0} - 1), top_(std::int64_t{cy0} - 1), width_(std::int64_t{cx1} - cx0 + 3) {
    const std::int64_t height = std::int64_t{cy1} - cy0 + 3;
    slots.assign(static_cast<std::size_t>(width_ * height), nullptr);
    for (const auto& [c, chunk] : grid.Chunks()) {
        const std::int64_t dx = c.x - left_, dy = c.y - top_;
        if (dx >= 0 && dx < width_ && dy >= 0 && dy < height) slots[static_cast<std::size_t>(dy * width_ + dx)] = &chunk;
    }
    slots_ = slots.data();
}

ChunkNeighbours ChunkBoxIndex::At(ChunkCoord c) const {
    ChunkNeighbours around;
    const Chunk64* const* row = slots_ + (c.y - 1 - top_) * width_ + (c.x - 1 - left_);
    for (int y = 0; y < 3; ++y, row += width_)
        for (int x = 0; x < 3; ++x) around[y * 3 + x] = row[x];
    return around;
}

}  // namespace core
