#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "core/generations_kernel.h"
#include "core/life_like_kernel.h"
#include "core/neighbour_count_rule.h"
#include "core/rule_table.h"

namespace core {

// How a rule steps a padded window, chosen once per rule: bitwise for two-state count rules and
// the Generations family, by a small table for other rules of neighbour counts, else by the full
// table, with 64-bit indices for tables of 2^31 entries and more. A caller stepping a run passes
// its rule key (see StepGrid): reading a table of many states to recognise a family is then done
// once per key, not on every step.
class WindowKernel {
public:
    explicit WindowKernel(const Rule& rule, std::uint64_t ruleKey = 0);

    // StepDenseKernel's layout: a width x height window with rows `stride` apart; the next states
    // of its inner cells, rows width - 2 apart.
    void Step(int width, int height, int stride, const std::uint8_t* window, std::uint8_t* result) const;
    bool Bitwise() const { return lifeLike_.has_value() || generations_.has_value(); }
    bool CountsNeighbours() const { return counts_ != nullptr; }

private:
    const Rule& rule_;
    std::optional<LifeLikeRule> lifeLike_;
    std::optional<GenerationsRule> generations_;
    std::shared_ptr<const NeighbourCountRule> counts_;
    bool largeIndices_ = false;
};

// The same mapping as the dense kernel, in its layout, with 64-bit indices.
void StepLargeStateWindow(const Rule& rule, int width, int height, int stride, const std::uint8_t* window,
                          std::uint8_t* result);

}  // namespace core
