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
    std::array<std::uint32_t, kMaxStates> weight{};
    for (int s = 1; s < n; ++s) weight[static_cast<std::size_t>(s)] = s == 1 ? 1 : weight[static_cast<std::size_t>(s - 1)] * 9;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(n) * range, kUnset);
    // The nine digits of the index, most significant first (the centre is digit 4), counted up
    // one entry at a time with the entry's key.
    std::array<int, 9> digit{};
    std::uint32_t key = 0;
    for (const std::uint8_t next : rule.table) {
        std::uint8_t& entry = table[key];
        if (entry == kUnset) entry = next;
        else if (entry != next) return std::nullopt;
        for (int k = 8; k >= 0; --k) {
            const int before = digit[static_cast<std::size_t>(k)];
            const int after = before + 1 == n ? 0 : before + 1;
            digit[static_cast<std::size_t>(k)] = after;
            if (k == 4) key = key - static_cast<std::uint32_t>(before) * range + static_cast<std::uint32_t>(after) * range;
            else key = key - weight[static_cast<std::size_t>(before)] + weight[static_cast<std::size_t>(after)];
            if (after != 0) break;
        }
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
