#include "authoring/neighborhood_scan.h"

#include "authoring/symmetry_indexer.h"

namespace authoring {

namespace {

// Large enough for the distinct neighbourhoods of a busy chunk; a collision only costs a recheck.
constexpr std::size_t kMemoBits = 12;

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

    scratch.memo.resize(std::size_t{1} << kMemoBits);
    if (++scratch.stamp == 0) {
        // After wrapping, old stamps could match again.
        std::fill(scratch.memo.begin(), scratch.memo.end(), LockScanScratch::MemoSlot{});
        scratch.stamp = 1;
    }
    const std::uint32_t stamp = scratch.stamp;
    LockScanScratch::MemoSlot* memo = scratch.memo.data();
    const SymmetryIndexer indexer(symmetry, stateCount);
    std::array<std::uint64_t, core::kTransformCount> orbit{};

    ScanNeighborhoods(grid, stateCount, scratch.cells, [&](std::int32_t, std::int32_t, std::uint64_t index) {
        LockScanScratch::MemoSlot& slot = memo[(index * 0x9E3779B97F4A7C15ull) >> (64 - kMemoBits)];
        if (slot.stamp == stamp && slot.index == index) return;
        slot.index = index;
        slot.stamp = stamp;
        const int count = indexer.Orbit(indexer.Decode(index), orbit);
        std::uint64_t canonical = orbit[0];
        for (int k = 1; k < count; ++k) canonical = std::min(canonical, orbit[k]);
        if (previous.Contains(canonical)) return;
        for (int k = 0; k < count; ++k) next.Insert(orbit[k]);
    });
}

void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount) {
    LockScanScratch scratch;
    AdvanceLockTable(grid, previous, next, symmetry, stateCount, scratch);
}

}  // namespace authoring
