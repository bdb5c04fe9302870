#include "core/step_grid.h"

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

StepStrategy StepRectangle(const Rule& rule, const ChunkGrid& current, const LiveChunkBounds& b, ChunkGrid& next,
                           StepScratch& scratch) {
    const std::int64_t w64 = std::int64_t{kChunkSide} * (std::int64_t{b.maxX} - b.minX + 1);
    const std::int64_t h64 = std::int64_t{kChunkSide} * (std::int64_t{b.maxY} - b.minY + 1);
    const std::int64_t left = std::int64_t{b.minX} * kChunkSide - 2;
    const std::int64_t top = std::int64_t{b.minY} * kChunkSide - 2;
    // One buffer covers the whole box here: refuse boxes whose window cannot be addressed
    // rather than overflow the coordinates or the allocation.
    if (left < INT32_MIN || top < INT32_MIN || left + w64 + 4 > std::int64_t{INT32_MAX} + 1 ||
        top + h64 + 4 > std::int64_t{INT32_MAX} + 1 || (w64 + 4) * (h64 + 4) > kMaxRectangleCells)
        throw std::runtime_error(
            "The live area is too large to step under a rule that does not keep empty neighbourhoods empty.");
    const auto w = static_cast<std::int32_t>(w64);
    const auto h = static_cast<std::int32_t>(h64);
    const auto x0 = static_cast<std::int32_t>(left + 2);
    const auto y0 = static_cast<std::int32_t>(top + 2);
    // The kernel writes every result cell, so old contents need no clearing.
    scratch.result.resize(static_cast<std::size_t>(w + 2) * static_cast<std::size_t>(h + 2));
    CopyGridRegionToBuffer(current, x0 - 2, y0 - 2, w + 4, h + 4, scratch.window);
    if (NeedsLargeIndices(rule))
        StepLargeStateWindow(rule, w + 4, h + 4, w + 2, scratch.window.data(), scratch.result.data());
    else
        StepDenseKernel(w + 4, h + 4, w + 4, rule.stateCount, scratch.window.data(), rule.table.data(),
                        scratch.result.data());
    GridFromRegionBuffer(next, x0 - 1, y0 - 1, w + 2, h + 2, scratch.result);
    return StepStrategy::Rectangle;
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
        const std::int64_t grownArea =
            (std::int64_t{b.maxY} - b.minY + 3) * (std::int64_t{b.maxX} - b.minX + 3);
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
        if (chunkWise)
            strategy = StepChunks(rule, current, candidates, result, scratch);
        else
            strategy = StepRectangle(rule, current, b, result, scratch);
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
