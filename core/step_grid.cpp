#include "core/step_grid.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "core/heap_retention.h"
#include "core/step_kernels.h"

namespace core {

namespace {

constexpr std::uint64_t kLargeTableEntries = std::uint64_t{1} << 31;
constexpr std::uint8_t kMaxEmptyAge = 16;
constexpr std::int64_t kMaxRectangleCells = std::int64_t{1} << 32;

bool NeedsLargeIndices(const Rule& rule) { return RuleTableSize(rule.stateCount) >= kLargeTableEntries; }

// Chunks from lo - 1 to hi + 1 that lie on the plane.
std::int64_t GrownSpan(std::int32_t lo, std::int32_t hi) {
    const std::int64_t first = std::max(std::int64_t{lo} - 1, std::int64_t{kMinChunk});
    const std::int64_t last = std::min(std::int64_t{hi} + 1, std::int64_t{kMaxChunk});
    return last - first + 1;
}

// The cells a step computes, inclusive: the whole plane for the chunk strategy, the live chunks'
// box grown by one cell for the rectangle strategy. Cells of a chunk outside it stay background.
struct CellBox {
    std::int64_t left = kPlaneMin, top = kPlaneMin, right = kPlaneMax, bottom = kPlaneMax;
};

// Steps the part of chunk c inside `box` from its padded window straight into the new chunk.
bool StepChunk(const Rule& rule, bool large, const CellBox& box, const ChunkNeighbours& around, ChunkCoord c,
               Chunk64& chunk) {
    alignas(64) std::uint8_t window[kChunkWindowCells];
    alignas(64) std::uint8_t part[kChunkCells];
    BuildChunkWindow(around, window);
    const std::int64_t x0 = std::int64_t{c.x} * kChunkSide, y0 = std::int64_t{c.y} * kChunkSide;
    auto local = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, kChunkSide)); };
    const int left = local(box.left - x0), right = local(box.right + 1 - x0);
    const int top = local(box.top - y0), bottom = local(box.bottom + 1 - y0);
    const int width = right - left, height = bottom - top;
    std::uint8_t* cells = chunk.cells.data();
    if (width <= 0 || height <= 0) return false;
    if (width < kChunkSide || height < kChunkSide) std::memset(cells, 0, kChunkCells);
    if (large) {
        StepLargeStateWindow(rule, kChunkWindowSide, kChunkWindowSide, kChunkSide, window, part);
        for (int y = top; y < bottom; ++y)
            std::memcpy(cells + y * kChunkSide + left, part + y * kChunkSide + left, static_cast<std::size_t>(width));
    } else if (width == kChunkSide) {
        // Whole rows: the kernel's rows are the chunk's rows.
        StepDenseKernel(kChunkWindowSide, height + 2, kChunkWindowSide, rule.stateCount,
                        window + top * kChunkWindowSide, rule.table.data(), cells + top * kChunkSide);
    } else {
        StepDenseKernel(width + 2, height + 2, kChunkWindowSide, rule.stateCount,
                        window + top * kChunkWindowSide + left, rule.table.data(), part);
        for (int y = 0; y < height; ++y)
            std::memcpy(cells + (top + y) * kChunkSide + left, part + y * width, static_cast<std::size_t>(width));
    }
    chunk.liveCount = CountNonZero(cells);
    return chunk.liveCount != 0;
}

// Steps every chunk of `chunks`, in bands on the worker pool, into `result`; neighbours(c) gives
// the chunks around c.
template <class Neighbours>
void StepChunks(const Rule& rule, const CellBox& box, const std::vector<ChunkCoord>& chunks, Neighbours neighbours,
                ChunkGrid& result, StepScratch& scratch) {
    const bool large = NeedsLargeIndices(rule);
    BuildChunksInBands(chunks, result.MutableChunks(), scratch.bands, [&](ChunkCoord c, Chunk64& chunk) {
        return StepChunk(rule, large, box, neighbours(c), c, chunk);
    });
}

// The candidates of the chunk strategy lie anywhere: each looks its neighbours up.
void StepCandidates(const Rule& rule, const ChunkGrid& current, const std::vector<ChunkCoord>& candidates,
                    ChunkGrid& result, StepScratch& scratch) {
    StepChunks(rule, CellBox(), candidates,
               [&current](ChunkCoord c) { return FindChunkNeighbours(current, c.x, c.y); }, result, scratch);
}

// Steps the live chunks' box grown by one cell, cut to the plane, as one block: every chunk it
// touches, row by row, whether or not a live cell is near. Returns false, changing nothing, when
// the block is too large to be stepped whole.
bool StepRectangle(const Rule& rule, const ChunkGrid& current, const LiveChunkBounds& b, ChunkGrid& result,
                   StepScratch& scratch) {
    CellBox box;
    box.left = std::max(std::int64_t{b.minX} * kChunkSide - 1, kPlaneMin);
    box.top = std::max(std::int64_t{b.minY} * kChunkSide - 1, kPlaneMin);
    box.right = std::min((std::int64_t{b.maxX} + 1) * kChunkSide, kPlaneMax);
    box.bottom = std::min((std::int64_t{b.maxY} + 1) * kChunkSide, kPlaneMax);
    const std::int64_t w = box.right - box.left + 1, h = box.bottom - box.top + 1;
    if (w + 2 > INT32_MAX || h + 2 > INT32_MAX || (w + 2) * (h + 2) > kMaxRectangleCells) return false;
    const auto cx0 = ChunkOf(static_cast<std::int32_t>(box.left)), cx1 = ChunkOf(static_cast<std::int32_t>(box.right));
    const auto cy0 = ChunkOf(static_cast<std::int32_t>(box.top)), cy1 = ChunkOf(static_cast<std::int32_t>(box.bottom));
    scratch.chunks.clear();
    for (std::int32_t cy = cy0; cy <= cy1; ++cy)
        for (std::int32_t cx = cx0; cx <= cx1; ++cx) scratch.chunks.push_back({cx, cy});
    const ChunkBoxIndex index(current, cx0, cy0, cx1, cy1, scratch.around);
    StepChunks(rule, box, scratch.chunks, [&index](ChunkCoord c) { return index.At(c); }, result, scratch);
    return true;
}

}  // namespace

void StepLargeStateWindow(const Rule& rule, int width, int height, int resultStride, const std::uint8_t* window,
                          std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    const auto n = static_cast<std::uint64_t>(rule.stateCount);
    const std::uint64_t n3 = n * n * n;
    for (int y = 1; y + 1 < height; ++y) {
        const std::uint8_t* above = window + static_cast<std::ptrdiff_t>(y - 1) * width;
        const std::uint8_t* row = above + width;
        const std::uint8_t* below = row + width;
        std::uint8_t* out = result + static_cast<std::ptrdiff_t>(y - 1) * resultStride;
        for (int x = 1; x + 1 < width; ++x) {
            const std::uint64_t top = (above[x - 1] * n + above[x]) * n + above[x + 1];
            const std::uint64_t mid = (row[x - 1] * n + row[x]) * n + row[x + 1];
            const std::uint64_t bottom = (below[x - 1] * n + below[x]) * n + below[x + 1];
            out[x - 1] = rule.table[(top * n3 + mid) * n3 + bottom];
        }
    }
}

void StepNaiveWindow(const Rule& rule, int width, int height, int stride, const std::uint8_t* window,
                     std::uint8_t* result) {
    const auto n = static_cast<std::uint32_t>(rule.stateCount);
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x) {
            std::uint32_t index = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) index = index * n + window[(y + dy) * stride + x + dx];
            result[(y - 1) * (width - 2) + (x - 1)] = rule.table[index];
        }
}

void CarryEmptyChunks(ChunkGrid& next, const ChunkGrid& current) {
    current.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        const Chunk64* after = next.FindChunk(cx, cy);
        if (after && after->liveCount != 0) return;
        const int age = chunk.liveCount == 0 ? chunk.emptyAge + 1 : 1;
        if (age >= kMaxEmptyAge) {
            if (after) next.RemoveChunk(cx, cy);
            return;
        }
        next.StoreEmptyChunk(cx, cy, static_cast<std::uint8_t>(age));
    });
}

StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next, StepScratch& scratch) {
    RetainFreedMemory();
    ChunkGrid result;
    StepStrategy strategy = StepStrategy::None;
    const LiveChunkBounds b = GetLiveChunkBounds(current);
    if (b.valid && !rule.table.empty()) {
        // The live chunks' box grown by one chunk, as much of it as lies on the plane.
        const std::int64_t grownArea = GrownSpan(b.minY, b.maxY) * GrownSpan(b.minX, b.maxX);
        // Candidates number at least the live chunks, so a box that small is stepped whole
        // without gathering them.
        std::int64_t liveChunks = 0;
        current.ForEachChunk([&](std::int32_t, std::int32_t, const Chunk64& c) { liveChunks += c.liveCount != 0; });
        std::vector<ChunkCoord> candidates;
        bool chunkWise = false;
        if (rule.table[0] == 0 && 2 * liveChunks < grownArea) {
            candidates = CollectAutomatonCandidateChunks(current);
            chunkWise = 2 * static_cast<std::int64_t>(candidates.size()) < grownArea;
        }
        if (chunkWise) {
            StepCandidates(rule, current, candidates, result, scratch);
            strategy = StepStrategy::Chunks;
        } else if (StepRectangle(rule, current, b, result, scratch)) {
            strategy = StepStrategy::Rectangle;
        } else if (rule.table[0] == 0) {
            // With the background kept empty only the candidates can change: step them one by one.
            if (candidates.empty()) candidates = CollectAutomatonCandidateChunks(current);
            StepCandidates(rule, current, candidates, result, scratch);
            strategy = StepStrategy::Chunks;
        } else {
            throw std::runtime_error(
                "The live area is too large to step under a rule that does not keep empty neighbourhoods empty.");
        }
    }
    CarryEmptyChunks(result, current);
    next = result;
    return strategy;
}

StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next) {
    thread_local StepScratch scratch;
    return StepGrid(rule, current, next, scratch);
}

}  // namespace core
