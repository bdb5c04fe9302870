#include "core/chunk_step.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "core/block_masks.h"
#include "core/chunk_bands.h"

namespace core {

namespace {

constexpr int kMostBlocks = 40;
constexpr int kChurning = 32;

// Blocks of generation t that may differ from the generation `back` steps before it. A place
// with no chunk was not live then either: a chunk that empties is kept, empty, for longer.
std::uint64_t ChangedSince(const Chunk64* now, int back) {
    if (!now) return 0;
    return back == 1 ? now->changedSince1 : now->changedSince2;
}

std::array<std::uint64_t, 9> ChangedAround(const ChunkNeighbours& around, int back) {
    std::array<std::uint64_t, 9> masks;
    for (std::size_t i = 0; i < masks.size(); ++i) masks[i] = ChangedSince(around[i], back);
    return masks;
}

void CopyBlock(const Chunk64* from, int block, std::uint8_t* cells) {
    const int first = (block / kBlocksPerSide) * kBlockSide * kChunkSide + (block % kBlocksPerSide) * kBlockSide;
    for (int y = 0; y < kBlockSide; ++y) {
        std::uint8_t* to = cells + first + y * kChunkSide;
        if (from) std::memcpy(to, from->cells.data() + first + y * kChunkSide, kBlockSide);
        else std::memset(to, 0, kBlockSide);
    }
}

void CopyChunk(const Chunk64& from, Chunk64& to) {
    to.cells = from.cells;
    to.liveCount = from.liveCount;
}

// Cells [left, right) x [top, bottom) of the chunk from its padded window.
void StepRegion(const ChunkStepper& stepper, const std::uint8_t* window, int left, int top, int right, int bottom,
                std::uint8_t* cells) {
    const int width = right - left, height = bottom - top;
    if (width == kChunkSide) {
        // Whole rows: the kernel's rows are the chunk's rows.
        stepper.kernel.Step(kChunkWindowSide, height + 2, kChunkWindowSide, window + top * kChunkWindowSide,
                            cells + top * kChunkSide);
        return;
    }
    alignas(64) std::uint8_t part[kChunkCells];
    stepper.kernel.Step(width + 2, height + 2, kChunkWindowSide, window + top * kChunkWindowSide + left, part);
    for (int y = 0; y < height; ++y)
        std::memcpy(cells + (top + y) * kChunkSide + left, part + y * width, static_cast<std::size_t>(width));
}

// Steps the part of chunk c inside `box`, all of it.
bool StepWhole(const ChunkStepper& stepper, const CellBox& box, const std::uint8_t* window, ChunkCoord c,
               std::uint8_t* cells) {
    const std::int64_t x0 = std::int64_t{c.x} * kChunkSide, y0 = std::int64_t{c.y} * kChunkSide;
    auto local = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, kChunkSide)); };
    const int left = local(box.left - x0), right = local(box.right + 1 - x0);
    const int top = local(box.top - y0), bottom = local(box.bottom + 1 - y0);
    if (right <= left || bottom <= top) return false;
    if (right - left < kChunkSide || bottom - top < kChunkSide) std::memset(cells, 0, kChunkCells);
    StepRegion(stepper, window, left, top, right, bottom, cells);
    return true;
}

// Steps the blocks of `compute`: each run of block rows that need work is stepped as one
// rectangle spanning their columns. Returns the blocks actually stepped.
std::uint64_t StepBlocks(const ChunkStepper& stepper, const std::uint8_t* window, std::uint64_t compute,
                         std::uint8_t* cells) {
    auto rowBits = [compute](int row) { return static_cast<unsigned>((compute >> (row * kBlocksPerSide)) & 0xFFu); };
    std::uint64_t stepped = 0;
    for (int row = 0; row < kBlocksPerSide;) {
        if (!rowBits(row)) {
            ++row;
            continue;
        }
        unsigned columns = 0;
        const int first = row;
        for (; row < kBlocksPerSide && rowBits(row); ++row) columns |= rowBits(row);
        const int left = __builtin_ctz(columns), right = 32 - __builtin_clz(columns);
        StepRegion(stepper, window, left * kBlockSide, first * kBlockSide, right * kBlockSide, row * kBlockSide, cells);
        const std::uint64_t span = ((std::uint64_t{1} << right) - 1) & ~((std::uint64_t{1} << left) - 1);
        for (int r = first; r < row; ++r) stepped |= span << (r * kBlocksPerSide);
    }
    return stepped;
}

}  // namespace

bool ChunkStepper::Step(const ChunkNeighbours& around, ChunkCoord c, Chunk64& chunk) const {
    alignas(64) std::uint8_t window[kChunkWindowCells];
    std::uint8_t* cells = chunk.cells.data();
    const Chunk64* now = around[4];
    if (!reuse.track) {
        BuildChunkWindow(around, window);
        if (!StepWhole(*this, box, window, c, cells)) return false;
        chunk.liveCount = CountNonZero(cells);
        return chunk.liveCount != 0;
    }
    const Chunk64* before = reuse.known && now ? now->previous : nullptr;
    const std::uint64_t since1 = reuse.known ? ChangedSince(now, 1) : kAllBlocks;
    const std::uint64_t keep = reuse.keepCurrent ? ~SpreadBlocks(ChangedAround(around, 1)) : 0;
    const std::uint64_t take = reuse.takeEarlier ? ~SpreadBlocks(ChangedAround(around, 2)) & ~keep : 0;
    const std::uint64_t compute = ~(keep | take);
    chunk.previous = now;

    std::uint64_t stepped = 0;
    if (keep == kAllBlocks || take == kAllBlocks) {
        const Chunk64* from = keep == kAllBlocks ? now : before;
        if (!HasLiveCells(from)) return false;
        CopyChunk(*from, chunk);
    } else {
        if (compute) {
            BuildChunkWindow(around, window);
            // Most of the chunk to step: one call over all of it beats many small ones.
            if (std::popcount(compute) <= kMostBlocks) {
                stepped = StepBlocks(*this, window, compute, cells);
            } else {
                stepped = kAllBlocks;
                if (!StepWhole(*this, box, window, c, cells)) std::memset(cells, 0, kChunkCells);
            }
        }
        for (std::uint64_t copied = ~stepped; copied; copied &= copied - 1) {
            const int block = std::countr_zero(copied);
            CopyBlock((keep >> block) & 1u ? now : before, block, cells);
        }
        chunk.liveCount = CountNonZero(cells);
    }
    // A kept block differs from t - 1 where generation t did; a taken one from t likewise. A
    // stepped block that differs from t, where t differed from t - 1, is compared with t - 1.
    // A chunk that churns is taken as changed unread but for the odd recheck.
    const bool churns = !reuse.recheck && std::popcount(since1 & stepped) > kChurning;
    const std::uint64_t differs1 = churns ? stepped : DifferingBlocks(&chunk, now, stepped);
    const std::uint64_t unsure = differs1 & since1;
    const std::uint64_t differs2 =
        !reuse.known ? stepped
                     : ((differs1 ^ since1) & stepped) |
                           (std::popcount(unsure) > kChurning ? unsure : DifferingBlocks(&chunk, before, unsure));
    chunk.changedSince1 = (take & since1) | differs1;
    chunk.changedSince2 = (keep & since1) | differs2;
    return chunk.liveCount != 0;
}

}  // namespace core
