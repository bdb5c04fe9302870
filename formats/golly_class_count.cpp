#include "formats/golly_class_count.h"

#include <algorithm>
#include <array>

#include "core/symmetry.h"

namespace formats {

namespace {

// Bytes of [p, p + count) that differ from `value`; a loop the compiler vectorises.
std::uint64_t CountDiffering(const std::uint8_t* p, std::uint64_t count, std::uint8_t value) {
    std::uint64_t differing = 0;
    for (std::uint64_t i = 0; i < count; ++i) differing += p[i] != value;
    return differing;
}

// The identity keeps every block: scan the table in runs of n^4 entries, within which the
// centre (the fifth digit from the top) is fixed.
SymmetryClassCounts CountAll(const std::uint8_t* table, std::uint64_t size, int n) {
    const auto states = static_cast<std::uint64_t>(n);
    const std::uint64_t run = states * states * states * states;
    SymmetryClassCounts counts;
    for (std::uint64_t start = 0, k = 0; start < size; start += run, ++k) {
        const auto centre = static_cast<std::uint8_t>(k % states);
        const std::uint64_t length = std::min(run, size - start);
        counts.nonZero += CountDiffering(table + start, length, 0);
        counts.changed += CountDiffering(table + start, length, centre);
    }
    return counts;
}

// The blocks transform t keeps are constant on each of its cycles: every assignment of a
// state to each cycle, walked like an odometer.
SymmetryClassCounts CountFixed(const std::uint8_t* table, std::uint64_t size, int n, int t) {
    const auto& perm = core::kSymmetryTransforms[t];
    std::array<std::uint64_t, 9> place{};
    for (std::uint64_t p = 1, j = 9; j-- > 0; p *= static_cast<std::uint64_t>(n)) place[j] = p;
    std::array<std::uint64_t, 9> cycleStep{};  // index step per unit of the cycle's state
    std::array<bool, 9> cycleHasCentre{};
    std::array<bool, 9> seen{};
    int cycles = 0;
    for (int start = 0; start < 9; ++start) {
        if (seen[start]) continue;
        for (int j = start; !seen[j]; j = perm[j]) {
            seen[j] = true;
            cycleStep[cycles] += place[j];
            cycleHasCentre[cycles] = cycleHasCentre[cycles] || j == 4;
        }
        ++cycles;
    }
    SymmetryClassCounts counts;
    std::array<int, 9> digit{};
    std::uint64_t index = 0;
    int centre = 0;
    while (true) {
        if (index < size) {
            counts.nonZero += table[index] != 0;
            counts.changed += table[index] != centre;
        }
        int c = 0;
        while (c < cycles && digit[c] == n - 1) {
            index -= cycleStep[c] * static_cast<std::uint64_t>(n - 1);
            if (cycleHasCentre[c]) centre = 0;
            digit[c++] = 0;
        }
        if (c == cycles) break;
        ++digit[c];
        index += cycleStep[c];
        if (cycleHasCentre[c]) centre = digit[c];
    }
    return counts;
}

}  // namespace

SymmetryClassCounts CountSymmetryClasses(const core::Rule& rule) {
    const int n = rule.stateCount;
    const std::uint64_t size = std::min<std::uint64_t>(rule.table.size(), core::RuleTableSize(n));
    SymmetryClassCounts sum = CountAll(rule.table.data(), size, n);
    std::uint64_t members = 1;
    for (int t = 1; t < core::kTransformCount; ++t) {
        if (!core::IsTransformInSymmetry(rule.symmetry, t)) continue;
        const SymmetryClassCounts fixed = CountFixed(rule.table.data(), size, n, t);
        sum.nonZero += fixed.nonZero;
        sum.changed += fixed.changed;
        ++members;
    }
    return {sum.nonZero / members, sum.changed / members};
}

}  // namespace formats
