#include "core/step_grid.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "core/step_kernels.h"

namespace core {

namespace {

constexpr std::uint64_t kLargeTableEntries = std::uint64_t{1} << 31;
constexpr int kWindowSide = kChunkSide + 2;
constexpr std::uint8_t kMaxEmptyAge = 16;
constexpr std::int64_t kMaxRectangleCells = std::int64_t{1} << 32;

bool NeedsLargeIndices(const Rule& rule) { return RuleTableSize(rule.stateCount) >= kLargeTableEntries; }

// Chunks from lo - 1 to hi + 1 that lie on the plane.
std::int64_t GrownSpan(std::int32_t lo, std::int32_t hi) {
    const std::int64_t first = std::max(std::int64_t{lo} - 1, std::int64_t{kMinChunk});
    const std::int64_t last = std::min(std::int64_t{hi} + 1, std::int64_t{kMaxChunk});
    return last - first + 1;
}

StepStrategy StepChunks(const Rule& rule, const ChunkGrid& current, const std::vector<ChunkCoord>& candidates,
                        ChunkGrid& next, StepScratch& scratch) {
    scratch.result.resize(kChunkCells);
    for (const ChunkCoord& c : candidates) {
        BuildChunkWindow(current, c.x, c.y, scratch.window);
        if (NeedsLargeIndices(rule))
            StepLargeStateWindow(rule, kWindowSide, kWindowSide, kChunkSide, scratch.window.data(),
                                 scratch.result.data());
        else
            StepDenseKernel(kWindowSide, kWindowSide, kWindowSide, rule.stateCount, scratch.window.data(),
                            rule.table.data(), scratch.result.data());
        next.StoreChunk(c.x, c.y, scratch.result.data());
    }
    return StepStrategy::Chunks;
}

// Steps the live chunks' box grown by one cell, cut to the plane, in one kernel call. Its window
// adds one more cell on every side, which past the plane's edge reads as background. Returns
// false, changing nothing, when that window cannot be held in one buffer.
bool StepRectangle(const Rule& rule, const ChunkGrid& current, const LiveChunkBounds& b, ChunkGrid& next,
                   StepScratch& scratch) {
    const std::int64_t left = std::max(std::int64_t{b.minX} * kChunkSide - 1, kPlaneMin);
    const std::int64_t top = std::max(std::int64_t{b.minY} * kChunkSide - 1, kPlaneMin);
    const std::int64_t right = std::min((std::int64_t{b.maxX} + 1) * kChunkSide, kPlaneMax);
    const std::int64_t bottom = std::min((std::int64_t{b.maxY} + 1) * kChunkSide, kPlaneMax);
    const std::int64_t w64 = right - left + 1, h64 = bottom - top + 1;
    if (w64 + 2 > INT32_MAX || h64 + 2 > INT32_MAX || (w64 + 2) * (h64 + 2) > kMaxRectangleCells) return false;
    const auto w = static_cast<std::int32_t>(w64);
    const auto h = static_cast<std::int32_t>(h64);
    // The kernel writes every result cell, so old contents need no clearing.
    scratch.result.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    CopyGridRegionToBuffer(current, left - 1, top - 1, w + 2, h + 2, scratch.window);
    if (NeedsLargeIndices(rule))
        StepLargeStateWindow(rule, w + 2, h + 2, w, scratch.window.data(), scratch.result.data());
    else
        StepDenseKernel(w + 2, h + 2, w + 2, rule.stateCount, scratch.window.data(), rule.table.data(),
                        scratch.result.data());
    GridFromRegionBuffer(next, static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), w, h,
                         scratch.result);
    return true;
}

}  // namespace

void BuildChunkWindow(const ChunkGrid& grid, std::int32_t cx, std::int32_t cy, std::vector<std::uint8_t>& window) {
    window.assign(static_cast<std::size_t>(kWindowSide) * kWindowSide, 0);
    std::uint8_t* w = window.data();
    if (const Chunk64* c = grid.FindChunk(cx, cy))
        for (int y = 0; y < kChunkSide; ++y)
            std::memcpy(w + (y + 1) * kWindowSide + 1, c->cells.data() + y * kChunkSide, kChunkSide);
    if (const Chunk64* c = grid.FindChunk(cx, cy - 1))
        std::memcpy(w + 1, c->cells.data() + (kChunkSide - 1) * kChunkSide, kChunkSide);
    if (const Chunk64* c = grid.FindChunk(cx, cy + 1))
        std::memcpy(w + (kWindowSide - 1) * kWindowSide + 1, c->cells.data(), kChunkSide);
    if (const Chunk64* c = grid.FindChunk(cx - 1, cy))
        for (int y = 0; y < kChunkSide; ++y) w[(y + 1) * kWindowSide] = c->cells[y * kChunkSide + kChunkSide - 1];
    if (const Chunk64* c = grid.FindChunk(cx + 1, cy))
        for (int y = 0; y < kChunkSide; ++y) w[(y + 1) * kWindowSide + kWindowSide - 1] = c->cells[y * kChunkSide];
    if (const Chunk64* c = grid.FindChunk(cx - 1, cy - 1)) w[0] = c->cells[kChunkCells - 1];
    if (const Chunk64* c = grid.FindChunk(cx + 1, cy - 1))
        w[kWindowSide - 1] = c->cells[(kChunkSide - 1) * kChunkSide];
    if (const Chunk64* c = grid.FindChunk(cx - 1, cy + 1))
        w[(kWindowSide - 1) * kWindowSide] = c->cells[kChunkSide - 1];
    if (const Chunk64* c = grid.FindChunk(cx + 1, cy + 1)) w[kWindowSide * kWindowSide - 1] = c->cells[0];
}

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
            strategy = StepChunks(rule, current, candidates, result, scratch);
        } else if (StepRectangle(rule, current, b, result, scratch)) {
            strategy = StepStrategy::Rectangle;
        } else if (rule.table[0] == 0) {
            // With the background kept empty only the candidates can change: step them one by one.
            if (candidates.empty()) candidates = CollectAutomatonCandidateChunks(current);
            strategy = StepChunks(rule, current, candidates, result, scratch);
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
