#include "authoring/undefined_transitions.h"

#include <algorithm>

#include "authoring/symmetry_indexer.h"
#include "core/symmetry.h"

namespace authoring {

namespace {

bool ValidStateCount(int stateCount) {
    return stateCount >= core::kMinStateCount && stateCount <= core::kMaxStateCount;
}

int CycleCount(const std::array<std::uint8_t, 9>& perm) {
    std::array<bool, 9> seen{};
    int cycles = 0;
    for (int start = 0; start < 9; ++start) {
        if (seen[start]) continue;
        ++cycles;
        for (int p = start; !seen[p]; p = perm[p]) seen[p] = true;
    }
    return cycles;
}

std::uint64_t Power(std::uint64_t base, int exponent) {
    std::uint64_t result = 1;
    for (int i = 0; i < exponent; ++i) result *= base;
    return result;
}

// Next neighbourhood in index order, digits as an odometer with SE least significant.
void Increment(core::Neighborhood& digits, std::uint8_t stateCount) {
    for (int k = 8; k >= 0; --k) {
        if (++digits[k] < stateCount) return;
        digits[k] = 0;
    }
}

}  // namespace

std::uint64_t CountSymmetryClasses(core::RuleSymmetry symmetry, int stateCount) {
    if (!ValidStateCount(stateCount)) return 0;
    // Burnside: the classes are the average number of neighbourhoods each transform fixes,
    // and a transform fixes exactly those constant on each of its cycles.
    std::uint64_t fixedSum = 0;
    std::uint64_t groupSize = 0;
    for (int t = 0; t < core::kTransformCount; ++t) {
        if (!core::IsTransformInSymmetry(symmetry, t)) continue;
        fixedSum += Power(static_cast<std::uint64_t>(stateCount), CycleCount(core::kSymmetryTransforms[t]));
        ++groupSize;
    }
    if (groupSize == 0) return core::RuleTableSize(stateCount);
    return fixedSum / groupSize;
}

std::uint64_t CountUndefinedTransitions(const PackedLockTable& lockUnion, core::RuleSymmetry symmetry,
                                        int stateCount) {
    if (!ValidStateCount(stateCount) || lockUnion.EntryCount() == 0) return 0;
    const SymmetryIndexer indexer(symmetry, stateCount);
    const std::uint64_t size = core::RuleTableSize(stateCount);
    if (lockUnion.EntryCount() >= size) {
        std::uint64_t lockedClasses = 0;
        lockUnion.ForEachIndex([&](std::uint64_t index) {
            if (index < size && indexer.IsCanonical(index)) ++lockedClasses;
        });
        return CountSymmetryClasses(symmetry, stateCount) - lockedClasses;
    }
    // A table smaller than the rule cuts classes apart, so only a scan gives the count.
    std::uint64_t count = 0;
    core::Neighborhood digits{};
    const auto n = static_cast<std::uint8_t>(stateCount);
    for (std::uint64_t i = 0; i < lockUnion.EntryCount(); ++i, Increment(digits, n))
        if (!lockUnion.Contains(i) && indexer.IsCanonical(digits)) ++count;
    return count;
}

std::uint64_t LoadUndefinedEntries(const PackedLockTable& lockUnion, const core::Rule& rule,
                                   std::uint64_t scanCursor, std::size_t count, std::vector<UndefinedEntry>& out) {
    if (count == 0 || !ValidStateCount(rule.stateCount)) return scanCursor;
    const std::uint64_t limit = std::min<std::uint64_t>(rule.table.size(), lockUnion.EntryCount());
    if (scanCursor >= limit) return scanCursor;
    const SymmetryIndexer indexer(rule.symmetry, rule.stateCount);
    const auto n = static_cast<std::uint8_t>(rule.stateCount);
    core::Neighborhood digits = indexer.Decode(scanCursor);
    std::size_t appended = 0;
    while (scanCursor < limit && appended < count) {
        const std::uint64_t i = scanCursor++;
        if (!lockUnion.Contains(i) && indexer.IsCanonical(digits)) {
            out.push_back({i, digits, rule.table[static_cast<std::size_t>(i)]});
            ++appended;
        }
        Increment(digits, n);
    }
    return scanCursor;
}

}  // namespace authoring
