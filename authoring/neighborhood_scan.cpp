#include "authoring/neighborhood_scan.h"

#include "authoring/symmetry_indexer.h"

namespace authoring {

namespace {

// Large enough for the distinct neighbourhoods of a busy chunk; a collision only costs a recheck.
constexpr std::size_t kMemoBits = 14;

}  // namespace

void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount, LockScanScratch& scratch) {
    if (&previous == &next) {
        const PackedLockTable copy = previous;
        AdvanceLockTable(grid, copy, next, symmetry, stateCount, scratch);
        return;
    }
    next = previous;
    if (stateCount < core::kMinStateCount || stateCount > core::kMaxStateCount) return;

    const SymmetryIndexer indexer(symmetry, stateCount);
    std::array<std::uint64_t, core::kTransformCount> orbit{};
    // The outcome for a raw index depends only on that index, so each is handled once per call.
    auto handle = [&](const std::uint8_t* nw, std::size_t stride) {
        const core::Neighborhood digits = {nw[0],          nw[1],          nw[2],
                                           nw[stride],     nw[stride + 1], nw[stride + 2],
                                           nw[2 * stride], nw[2 * stride + 1], nw[2 * stride + 2]};
        const int count = indexer.Images(digits, orbit);
        std::uint64_t canonical = orbit[0];
        for (int k = 1; k < count; ++k) canonical = std::min(canonical, orbit[k]);
        if (previous.Contains(canonical)) return;
        for (int k = 0; k < count; ++k) next.Insert(orbit[k]);
    };

    const std::uint64_t size = core::RuleTableSize(stateCount);
    if (size <= PackedLockTable::kDenseLimit) {
        scratch.seen.resize(static_cast<std::size_t>((size + 63) / 64));
        std::uint64_t* seen = scratch.seen.data();
        scratch.touched.clear();
        ScanNeighborhoodBlocks(grid, stateCount, scratch.cells,
                               [&](std::int32_t, std::int32_t, std::uint64_t index, const std::uint8_t* nw,
                                   std::size_t stride) {
                                   std::uint64_t& word = seen[index >> 6];
                                   const std::uint64_t bit = std::uint64_t{1} << (index & 63);
                                   if (word & bit) return;
                                   word |= bit;
                                   scratch.touched.push_back(index);
                                   handle(nw, stride);
                               });
        for (std::uint64_t index : scratch.touched) seen[index >> 6] = 0;
        scratch.touched.clear();
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
                      core::RuleSymmetry symmetry, int stateCount) {
    LockScanScratch scratch;
    AdvanceLockTable(grid, previous, next, symmetry, stateCount, scratch);
}

}  // namespace authoring
