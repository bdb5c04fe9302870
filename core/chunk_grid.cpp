#include "core/chunk_grid.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace core {

namespace {

std::uint64_t Fnv1a32(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int i = 0; i < 4; ++i) {
        h = (h ^ (bits & 0xFFu)) * 0x100000001b3ull;
        bits >>= 8;
    }
    return h;
}

std::uint32_t CountLive(const std::uint8_t* cells) {
    std::uint32_t live = 0;
    for (int i = 0; i < kChunkCells; ++i) live += cells[i] != 0;
    return live;
}

}  // namespace

std::uint64_t HashChunkCoord(ChunkCoord coord) {
    const std::uint64_t hx = Fnv1a32(coord.x);
    const std::uint64_t hy = Fnv1a32(coord.y);
    return hx ^ (hy + 0x9e3779b9ull + (hx << 6) + (hx >> 2));
}

ChunkGrid::ChunkGrid() : map_(std::make_shared<Map>()) { map_->max_load_factor(1.0f); }

void ChunkGrid::EnsureUnique() {
    // Every caller is about to change the grid, which ends what its history says of it.
    history_ = StepHistory();
    if (map_.use_count() != 1) map_ = std::make_shared<Map>(*map_);
}

std::uint8_t ChunkGrid::CellAt(std::int32_t x, std::int32_t y) const {
    const Chunk64* chunk = FindChunk(ChunkOf(x), ChunkOf(y));
    return chunk ? chunk->cells[LocalOf(y) * kChunkSide + LocalOf(x)] : 0;
}

void ChunkGrid::SetCell(std::int32_t x, std::int32_t y, std::uint8_t state) { CellWriter(*this).Set(x, y, state); }

void ChunkGrid::StoreChunk(std::int32_t cx, std::int32_t cy, const std::uint8_t* cells) {
    EnsureUnique();
    const std::uint32_t live = cells && IsPlaneChunk(cx, cy) ? CountLive(cells) : 0;
    if (live == 0) {
        map_->erase(ChunkCoord{cx, cy});
        return;
    }
    Chunk64& chunk = (*map_)[ChunkCoord{cx, cy}];
    std::memcpy(chunk.cells.data(), cells, kChunkCells);
    chunk.liveCount = live;
    chunk.emptyAge = 0;
}

void ChunkGrid::StoreEmptyChunk(std::int32_t cx, std::int32_t cy, std::uint8_t emptyAge, std::uint64_t changed1,
                                std::uint64_t changed2, const Chunk64* previous) {
    EnsureUnique();
    if (!IsPlaneChunk(cx, cy)) return;
    Chunk64& chunk = (*map_)[ChunkCoord{cx, cy}];
    chunk.cells.fill(0);
    chunk.liveCount = 0;
    chunk.emptyAge = emptyAge;
    chunk.changedSince1 = changed1;
    chunk.changedSince2 = changed2;
    chunk.previous = previous;
}

void ChunkGrid::RemoveChunk(std::int32_t cx, std::int32_t cy) {
    EnsureUnique();
    map_->erase(ChunkCoord{cx, cy});
}

void ChunkGrid::EraseEmptyChunks() {
    EnsureUnique();
    std::erase_if(*map_, [](const auto& entry) { return entry.second.liveCount == 0; });
}

const Chunk64* ChunkGrid::FindChunk(std::int32_t cx, std::int32_t cy) const {
    const auto it = map_->find(ChunkCoord{cx, cy});
    return it == map_->end() ? nullptr : &it->second;
}

void ChunkGrid::Reserve(std::size_t chunkCount) {
    EnsureUnique();
    map_->reserve(chunkCount);
}

bool CellWriter::Seek(ChunkCoord key, bool create) {
    if (map_ == nullptr) map_ = &grid_.MutableChunks();
    chunk_ = nullptr;
    if (create) {
        chunk_ = &(*map_)[key];
    } else {
        const auto it = map_->find(key);
        if (it == map_->end()) return false;
        chunk_ = &it->second;
    }
    key_ = key;
    return true;
}

void CellWriter::Drop() {
    map_->erase(key_);
    chunk_ = nullptr;
}

LiveChunkBounds GetLiveChunkBounds(const ChunkGrid& grid) {
    LiveChunkBounds b;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        if (!b.valid) {
            b = {cx, cy, cx, cy, true};
            return;
        }
        b.minX = std::min(b.minX, cx);
        b.minY = std::min(b.minY, cy);
        b.maxX = std::max(b.maxX, cx);
        b.maxY = std::max(b.maxY, cy);
    });
    return b;
}

namespace {

// Which of the eight chunks around a live one it can reach: those facing a border row, column or
// corner cell of it that is live. Bit (dy + 1) * 3 + (dx + 1); the chunk itself always.
std::uint32_t ReachedNeighbours(const Chunk64& chunk) {
    const std::uint8_t* cells = chunk.cells.data();
    constexpr int kLast = kChunkSide - 1;
    auto anyInRow = [&](int y) {
        for (int x = 0; x < kChunkSide; ++x)
            if (cells[y * kChunkSide + x]) return true;
        return false;
    };
    auto anyInColumn = [&](int x) {
        for (int y = 0; y < kChunkSide; ++y)
            if (cells[y * kChunkSide + x]) return true;
        return false;
    };
    std::uint32_t reached = 1u << 4;
    if (anyInRow(0)) reached |= 1u << 1;
    if (anyInRow(kLast)) reached |= 1u << 7;
    if (anyInColumn(0)) reached |= 1u << 3;
    if (anyInColumn(kLast)) reached |= 1u << 5;
    if (cells[0]) reached |= 1u << 0;
    if (cells[kLast]) reached |= 1u << 2;
    if (cells[kLast * kChunkSide]) reached |= 1u << 6;
    if (cells[kChunkCells - 1]) reached |= 1u << 8;
    return reached;
}

}  // namespace

std::vector<ChunkCoord> CollectAutomatonCandidateChunks(const ChunkGrid& grid) {
    std::unordered_set<ChunkCoord, ChunkCoordHasher> seen;
    seen.reserve(grid.ChunkCount() * 4);
    std::vector<ChunkCoord> result;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        const std::uint32_t reached = ReachedNeighbours(chunk);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                // An empty chunk stays empty unless a live cell touches it; nothing is ever born
                // past the plane's edge.
                if (!(reached >> ((dy + 1) * 3 + dx + 1) & 1u)) continue;
                if (!IsPlaneChunk(std::int64_t{cx} + dx, std::int64_t{cy} + dy)) continue;
                const ChunkCoord c{cx + dx, cy + dy};
                if (seen.insert(c).second) result.push_back(c);
            }
    });
    return result;
}

void CopyGridRegionToBuffer(const ChunkGrid& grid, std::int64_t x0, std::int64_t y0, std::int32_t width,
                            std::int32_t height, std::vector<std::uint8_t>& buffer) {
    if (width < 1 || height < 1) {
        buffer.clear();
        return;
    }
    buffer.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const std::int64_t x1 = x0 + width;  // exclusive
    const std::int64_t y1 = y0 + height;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        const std::int64_t chunkX = std::int64_t{cx} * kChunkSide;
        const std::int64_t chunkY = std::int64_t{cy} * kChunkSide;
        const std::int64_t left = std::max<std::int64_t>(chunkX, x0);
        const std::int64_t right = std::min<std::int64_t>(chunkX + kChunkSide, x1);
        const std::int64_t top = std::max<std::int64_t>(chunkY, y0);
        const std::int64_t bottom = std::min<std::int64_t>(chunkY + kChunkSide, y1);
        if (left >= right || top >= bottom) return;
        for (std::int64_t y = top; y < bottom; ++y)
            std::memcpy(buffer.data() + (y - y0) * width + (left - x0),
                        chunk.cells.data() + (y - chunkY) * kChunkSide + (left - chunkX),
                        static_cast<std::size_t>(right - left));
    });
}

void GridFromRegionBuffer(ChunkGrid& target, std::int32_t x0, std::int32_t y0, std::int32_t width,
                          std::int32_t height, const std::vector<std::uint8_t>& buffer) {
    ChunkGrid grid;
    if (width < 1 || height < 1 ||
        buffer.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        target = grid;
        return;
    }
    const auto lastX = static_cast<std::int32_t>(std::min(std::int64_t{x0} + width - 1, kPlaneMax));
    const auto lastY = static_cast<std::int32_t>(std::min(std::int64_t{y0} + height - 1, kPlaneMax));
    const std::int32_t cx0 = ChunkOf(x0), cx1 = ChunkOf(lastX);
    const std::int32_t cy0 = ChunkOf(y0), cy1 = ChunkOf(lastY);
    grid.Reserve(static_cast<std::size_t>(std::int64_t{cx1} - cx0 + 1) *
                 static_cast<std::size_t>(std::int64_t{cy1} - cy0 + 1));
    ChunkGrid::Map& map = grid.MutableChunks();
    for (std::int32_t cy = cy0; cy <= cy1; ++cy) {
        const std::int64_t chunkY = std::int64_t{cy} * kChunkSide;
        const std::int64_t top = std::max<std::int64_t>(chunkY, y0);
        const std::int64_t bottom = std::min<std::int64_t>(chunkY + kChunkSide, std::int64_t{lastY} + 1);
        for (std::int32_t cx = cx0; cx <= cx1; ++cx) {
            const std::int64_t chunkX = std::int64_t{cx} * kChunkSide;
            const std::int64_t left = std::max<std::int64_t>(chunkX, x0);
            const std::int64_t right = std::min<std::int64_t>(chunkX + kChunkSide, std::int64_t{lastX} + 1);
            const std::size_t span = static_cast<std::size_t>(right - left);
            // Built in place; a chunk that stays empty is dropped again.
            const auto [it, inserted] = map.try_emplace(ChunkCoord{cx, cy});
            Chunk64& chunk = it->second;
            for (std::int64_t y = top; y < bottom; ++y)
                std::memcpy(chunk.cells.data() + (y - chunkY) * kChunkSide + (left - chunkX),
                            buffer.data() + (y - y0) * width + (left - x0), span);
            const std::uint32_t live = CountLive(chunk.cells.data());
            if (live == 0) map.erase(it);
            else chunk.liveCount = live;
        }
    }
    target = grid;
}

namespace {

struct LocalBox {
    int minX, minY, maxX, maxY;
};

// The box of a chunk's non-zero cells, read a word at a time; false when it has none.
bool LiveBoxInChunk(const Chunk64& chunk, LocalBox& box) {
    constexpr int kWords = kChunkSide / 8;
    std::uint64_t columns[kWords] = {};  // every row's words or-ed together
    int top = -1, bottom = -1;
    const std::uint8_t* row = chunk.cells.data();
    for (int ly = 0; ly < kChunkSide; ++ly, row += kChunkSide) {
        std::uint64_t any = 0;
        for (int w = 0; w < kWords; ++w) {
            std::uint64_t word;
            std::memcpy(&word, row + 8 * w, sizeof word);
            columns[w] |= word;
            any |= word;
        }
        if (any == 0) continue;
        if (top < 0) top = ly;
        bottom = ly;
    }
    if (top < 0) return false;
    std::uint8_t used[kChunkSide];
    std::memcpy(used, columns, sizeof used);
    int left = 0, right = kChunkSide - 1;
    while (used[left] == 0) ++left;
    while (used[right] == 0) --right;
    box = {left, top, right, bottom};
    return true;
}

}  // namespace

bool TryAccumulateActiveCellBoundsFromGrid(const ChunkGrid& grid, std::int32_t& minX, std::int32_t& minY,
                                           std::int32_t& maxX, std::int32_t& maxY) {
    const LiveChunkBounds chunks = GetLiveChunkBounds(grid);
    if (!chunks.valid) return false;
    bool found = false;
    std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // Each extreme cell lies in a chunk on that side of the live chunks' box, so only the chunks on
    // its border are read, unless one of them turns out to hold no cell after all.
    auto accumulate = [&](bool borderOnly) {
        bool borderEmpty = false;
        grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
            if (chunk.liveCount == 0) return;
            const bool border = cx == chunks.minX || cx == chunks.maxX || cy == chunks.minY || cy == chunks.maxY;
            if (borderOnly && !border) return;
            LocalBox box;
            if (!LiveBoxInChunk(chunk, box)) {
                borderEmpty = borderEmpty || border;
                return;
            }
            const std::int64_t baseX = std::int64_t{cx} * kChunkSide, baseY = std::int64_t{cy} * kChunkSide;
            const auto left = static_cast<std::int32_t>(baseX + box.minX);
            const auto right = static_cast<std::int32_t>(baseX + box.maxX);
            const auto top = static_cast<std::int32_t>(baseY + box.minY);
            const auto bottom = static_cast<std::int32_t>(baseY + box.maxY);
            if (!found) {
                x0 = left, x1 = right, y0 = top, y1 = bottom;
                found = true;
                return;
            }
            x0 = std::min(x0, left);
            x1 = std::max(x1, right);
            y0 = std::min(y0, top);
            y1 = std::max(y1, bottom);
        });
        return !borderEmpty;
    };
    if (!accumulate(true)) {
        found = false;
        accumulate(false);
    }
    if (!found) return false;
    minX = x0;
    minY = y0;
    maxX = x1;
    maxY = y1;
    return true;
}

}  // namespace core
