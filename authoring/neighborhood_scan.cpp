#include "authoring/neighborhood_scan.h"

#include <climits>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "authoring/symmetry_indexer.h"

namespace authoring {

namespace {

// Large enough for the distinct neighbourhoods of a busy chunk; a collision only costs a recheck.
constexpr std::size_t kMemoBits = 14;

}  // namespace

namespace detail {

void CheckScanBox(std::int64_t width, std::int64_t height) {
    constexpr std::int64_t kMaxSide = std::numeric_limits<std::int32_t>::max() - 2;
    // Below this a copy is always attempted; above it only when the machine has the memory free,
    // since an overcommitted copy would be cleared page by page until the process is killed.
    constexpr std::uint64_t kAlwaysAffordable = std::uint64_t{1} << 30;
    constexpr std::uint64_t kHeadroom = std::uint64_t{256} << 20;
    const auto fail = [] { throw std::length_error("The grid is too spread out to scan."); };
    if (width > kMaxSide || height > kMaxSide) fail();
    const std::uint64_t bytes = static_cast<std::uint64_t>(width + 2) * static_cast<std::uint64_t>(height + 2);
    if (bytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) fail();
    if (bytes > kAlwaysAffordable) {
        const auto available = core::QueryAvailableMemory();
        if (available && bytes + kHeadroom > *available) fail();
    }
}

ScanBox ScanBoxOf(const core::ChunkGrid& grid) {
    std::int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64&) {
        minX = std::min(minX, cx);
        minY = std::min(minY, cy);
        maxX = std::max(maxX, cx);
        maxY = std::max(maxY, cy);
    });
    const ScanBox box{std::int64_t{minX} * core::kChunkSide - 1, std::int64_t{minY} * core::kChunkSide - 1,
                      (std::int64_t{maxX} - minX + 1) * core::kChunkSide + 2,
                      (std::int64_t{maxY} - minY + 1) * core::kChunkSide + 2};
    CheckScanBox(box.width, box.height);
    return box;
}

void CopyPaddedRegion(const core::ChunkGrid& grid, std::int64_t x0, std::int64_t y0, std::int64_t width,
                      std::int64_t height, std::vector<std::uint8_t>& buffer) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kEnd = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    const std::int64_t left = std::max(x0, kMin), right = std::min(x0 + width, kEnd);
    const std::int64_t top = std::max(y0, kMin), bottom = std::min(y0 + height, kEnd);
    if (left == x0 && right == x0 + width && top == y0 && bottom == y0 + height) {
        core::CopyGridRegionToBuffer(grid, static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                                     static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), buffer);
        return;
    }
    // Copy the part inside the plane, then spread its rows out to their places, last row first so
    // no row is overwritten before it moves.
    const auto innerWidth = static_cast<std::size_t>(right - left);
    const auto innerHeight = static_cast<std::size_t>(bottom - top);
    const auto dx = static_cast<std::size_t>(left - x0), dy = static_cast<std::size_t>(top - y0);
    const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    core::CopyGridRegionToBuffer(grid, static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                                 static_cast<std::int32_t>(innerWidth), static_cast<std::int32_t>(innerHeight), buffer);
    buffer.resize(w * h);
    std::uint8_t* cells = buffer.data();
    for (std::size_t r = innerHeight; r-- > 0;)
        std::memmove(cells + (r + dy) * w + dx, cells + r * innerWidth, innerWidth);
    for (std::size_t r = 0; r < h; ++r) {
        std::uint8_t* row = cells + r * w;
        if (r < dy || r >= dy + innerHeight) {
            std::memset(row, 0, w);
            continue;
        }
        std::memset(row, 0, dx);
        std::memset(row + dx + innerWidth, 0, w - dx - innerWidth);
    }
}

}  // namespace detail

void CheckGridScannable(const core::ChunkGrid& grid) {
    if (grid.ChunkCount() != 0) detail::ScanBoxOf(grid);
}

void AdvanceLockTable(const core::ChunkGrid& grid, PackedLockTable& table, std::vector<std::uint64_t>& added,
                      core::RuleSymmetry symmetry, int stateCount, LockScanScratch& scratch) {
    if (stateCount < core::kMinStateCount || stateCount > core::kMaxStateCount) return;

    const SymmetryIndexer indexer(symmetry, stateCount);
    std::array<std::uint64_t, core::kTransformCount> orbit{};
    // The outcome for a raw index depends only on that index, so each is handled once per call.
    // Growing the table in place gives what a separate previous table would: a class found
    // earlier in the same call has its whole orbit in already.
    auto handle = [&](const std::uint8_t* nw, std::size_t stride) {
        const core::Neighborhood digits = {nw[0],          nw[1],          nw[2],
                                           nw[stride],     nw[stride + 1], nw[stride + 2],
                                           nw[2 * stride], nw[2 * stride + 1], nw[2 * stride + 2]};
        const int count = indexer.Images(digits, orbit);
        std::uint64_t canonical = orbit[0];
        for (int k = 1; k < count; ++k) canonical = std::min(canonical, orbit[k]);
        if (table.Contains(canonical)) return;
        for (int k = 0; k < count; ++k) {
            if (table.Contains(orbit[k]) || orbit[k] >= table.EntryCount()) continue;
            // Listed before inserting, so a failed append never leaves an unlisted member.
            added.push_back(orbit[k]);
            table.Insert(orbit[k]);
        }
    };

    const std::uint64_t size = core::RuleTableSize(stateCount);
    if (size <= PackedLockTable::kDenseLimit) {
        scratch.seen.resize(static_cast<std::size_t>((size + 63) / 64));
        std::uint64_t* seen = scratch.seen.data();
        scratch.touched.clear();
        // Bits left set would hide those indices from every later call, also after a throw.
        auto clearSeen = [&] {
            for (std::uint64_t index : scratch.touched) seen[index >> 6] = 0;
            scratch.touched.clear();
        };
        try {
            ScanNeighborhoodBlocks(grid, stateCount, scratch.cells,
                                   [&](std::int32_t, std::int32_t, std::uint64_t index, const std::uint8_t* nw,
                                       std::size_t stride) {
                                       std::uint64_t& word = seen[index >> 6];
                                       const std::uint64_t bit = std::uint64_t{1} << (index & 63);
                                       if (word & bit) return;
                                       scratch.touched.push_back(index);
                                       word |= bit;
                                       handle(nw, stride);
                                   });
        } catch (...) {
            clearSeen();
            throw;
        }
        clearSeen();
        return;
    }

    scratch.memo.resize(std::size_t{1} << kMemoBits);
    if (++scratch.stamp == 0) {
        // After wrapping, old stamps could match again.
        std::fill(scratch.memo.begin(), scratch.memo.end(), LockScanScratch::MemoSlot{});
        scratch.stamp = 1;
    }
    const std::uint32_t stamp = scratch.stamp;
    LockScanScratch::MemoSlot* memo = scratch.memo.data();
    ScanNeighborhoodBlocks(grid, stateCount, scratch.cells,
                           [&](std::int32_t, std::int32_t, std::uint64_t index, const std::uint8_t* nw,
                               std::size_t stride) {
                               LockScanScratch::MemoSlot& slot = memo[(index * 0x9E3779B97F4A7C15ull) >> (64 - kMemoBits)];
                               if (slot.stamp == stamp && slot.index == index) return;
                               slot.index = index;
                               slot.stamp = stamp;
                               handle(nw, stride);
                           });
}

void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount, LockScanScratch& scratch) {
    if (&previous != &next) next = previous;
    scratch.added.clear();
    AdvanceLockTable(grid, next, scratch.added, symmetry, stateCount, scratch);
    scratch.added.clear();
}

void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount) {
    LockScanScratch scratch;
    AdvanceLockTable(grid, previous, next, symmetry, stateCount, scratch);
}

std::uint64_t NeighborhoodIndexAt(const core::ChunkGrid& grid, int stateCount, std::int32_t x, std::int32_t y) {
    std::uint64_t index = 0;
    for (int k = 0; k < 9; ++k) {
        const std::int64_t nx = std::int64_t{x} + k % 3 - 1, ny = std::int64_t{y} + k / 3 - 1;
        const bool inside = nx >= INT32_MIN && nx <= INT32_MAX && ny >= INT32_MIN && ny <= INT32_MAX;
        const std::uint8_t digit =
            inside ? grid.CellAt(static_cast<std::int32_t>(nx), static_cast<std::int32_t>(ny)) : std::uint8_t{0};
        index = index * static_cast<std::uint64_t>(stateCount) + digit;
    }
    return index;
}

}  // namespace authoring
