#include "core/step_grid.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "core/block_masks.h"
#include "core/chunk_step.h"
#include "core/heap_retention.h"

namespace core {

namespace {

constexpr std::uint8_t kMaxEmptyAge = 16;
constexpr std::int64_t kMaxRectangleCells = std::int64_t{1} << 32;
constexpr std::uint32_t kRecheckEvery = 4;

// Chunks from lo - 1 to hi + 1 that lie on the plane.
std::int64_t GrownSpan(std::int32_t lo, std::int32_t hi) {
    const std::int64_t first = std::max(std::int64_t{lo} - 1, std::int64_t{kMinChunk});
    const std::int64_t last = std::min(std::int64_t{hi} + 1, std::int64_t{kMaxChunk});
    return last - first + 1;
}

// Steps every chunk of `chunks`, in bands on the worker pool, into `result`; neighbours(c) gives
// the chunks around c.
template <class Neighbours>
void StepChunks(const ChunkStepper& stepper, const std::vector<ChunkCoord>& chunks, Neighbours neighbours,
                ChunkGrid& result, StepScratch& scratch) {
    BuildChunksInBands(chunks, result.MutableChunks(), scratch.bands,
                       [&](ChunkCoord c, Chunk64& chunk) { return stepper.Step(neighbours(c), c, chunk); });
}

// The candidates of the chunk strategy lie anywhere: each looks its neighbours up.
void StepCandidates(const ChunkStepper& stepper, const ChunkGrid& current, const std::vector<ChunkCoord>& candidates,
                    ChunkGrid& result, StepScratch& scratch) {
    StepChunks(stepper, candidates, [&current](ChunkCoord c) { return FindChunkNeighbours(current, c.x, c.y); },
               result, scratch);
}

// Steps the live chunks' box grown by one cell, cut to the plane, as one block: every chunk it
// touches, row by row, whether or not a live cell is near. Returns false, changing nothing, when
// the block is too large to be stepped whole.
bool StepRectangle(ChunkStepper stepper, const ChunkGrid& current, const LiveChunkBounds& b, ChunkGrid& result,
                   StepScratch& scratch) {
    CellBox& box = stepper.box;
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
    StepChunks(stepper, scratch.chunks, [&index](ChunkCoord c) { return index.At(c); }, result, scratch);
    return true;
}

}  // namespace

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
        // Against this generation it changed where it was live; against the one before, where
        // this generation changed (it was empty here, so those blocks were live then).
        const bool live = chunk.liveCount != 0;
        next.StoreEmptyChunk(cx, cy, static_cast<std::uint8_t>(age), live ? kAllBlocks : 0,
                             live ? kAllBlocks : chunk.changedSince1, &chunk);
    });
}

StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next, StepScratch& scratch,
                      std::uint64_t ruleKey) {
    RetainFreedMemory();
    ChunkGrid result;
    StepStrategy strategy = StepStrategy::None;
    ChunkStepper stepper{CellBox(), ChunkReuse(), WindowKernel(rule, ruleKey)};
    const ChunkGrid::StepHistory& history = current.History();
    // Under B0 the background itself changes: every cell of the box is stepped as it always was.
    // A bitwise step costs less than finding out what it could skip, and than copying a chunk.
    if (ruleKey != 0 && !rule.table.empty() && rule.table[0] == 0 && !stepper.kernel.Bitwise())
        stepper.reuse = {true, history.madeBy != 0, history.madeBy == ruleKey, history.previousMadeBy == ruleKey,
                         history.steps % kRecheckEvery == 0};
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
            StepCandidates(stepper, current, candidates, result, scratch);
            strategy = StepStrategy::Chunks;
        } else if (StepRectangle(stepper, current, b, result, scratch)) {
            strategy = StepStrategy::Rectangle;
        } else if (rule.table[0] == 0) {
            // With the background kept empty only the candidates can change: step them one by one.
            if (candidates.empty()) candidates = CollectAutomatonCandidateChunks(current);
            StepCandidates(stepper, current, candidates, result, scratch);
            strategy = StepStrategy::Chunks;
        } else {
            throw std::runtime_error(
                "The live area is too large to step under a rule that does not keep empty neighbourhoods empty.");
        }
    }
    CarryEmptyChunks(result, current);
    if (stepper.reuse.track)
        result.SetHistory({current.SharedChunks(), history.back1, ruleKey, history.madeBy, history.steps + 1});
    next = result;
    return strategy;
}

StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next, std::uint64_t ruleKey) {
    thread_local StepScratch scratch;
    return StepGrid(rule, current, next, scratch, ruleKey);
}

std::uint64_t NewRuleKey() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace core
