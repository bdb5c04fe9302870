#include "core/neighbour_count_rule.h"

#include <array>

#include "core/step_kernels.h"

namespace core {

namespace {

// A three-state table of 19,683 entries already fits the nearest cache, and looks up faster.
constexpr int kMinStates = 4;
constexpr int kMaxStates = 6;
constexpr std::uint8_t kUnset = 0xFF;

}  // namespace

std::optional<NeighbourCountRule> AsNeighbourCount(const Rule& rule) {
    const int n = rule.stateCount;
    if (n < kMinStates || n > kMaxStates || rule.table.size() != RuleTableSize(n)) return std::nullopt;
    const std::uint32_t range = CountKeyRange(n);
    std::vector<std::uint8_t> table(static_cast<std::size_t>(n) * range, kUnset);
    // What a digit adds to an entry's key: the centre its state times the range, a neighbour in
    // state s its place in the base-9 count, 9^(s - 1).
    std::array<std::uint32_t, kMaxStates> place{};
    for (int s = 1; s < n; ++s) place[static_cast<std::size_t>(s)] = CountKeyRange(s);
    auto weight = [&](int k, int state) {
        return k == 4 ? static_cast<std::uint32_t>(state) * range : place[static_cast<std::size_t>(state)];
    };
    NeighborhoodCounter digits(n);
    std::uint32_t key = 0;
    for (const std::uint8_t next : rule.table) {
        std::uint8_t& entry = table[key];
        if (entry == kUnset) entry = next;
        else if (entry != next) return std::nullopt;
        digits.Next([&](int k, int before, int after) { key = key - weight(k, before) + weight(k, after); });
    }
    // Keys no neighbourhood has (more than eight neighbours counted) are never looked up.
    for (std::uint8_t& entry : table)
        if (entry == kUnset) entry = 0;
    return NeighbourCountRule{n, std::move(table)};
}

void StepNeighbourCountWindow(const NeighbourCountRule& rule, int width, int height, int stride,
                              const std::uint8_t* window, std::uint8_t* result) {
    StepCountKernel(width, height, stride, rule.stateCount, window, rule.table.data(), result);
}

}  // namespace core
