#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/rule_table.h"

namespace core {

// A rule whose next state depends only on the centre and on how many of the eight neighbours
// hold each state, as a table written with Golly's `permute` symmetry is. Its table has one
// entry per centre and count key (CountKeyRange): some 33,000 for five states against the full
// table's two million, so lookups stay in the processor's nearest caches.
struct NeighbourCountRule {
    int stateCount = 3;
    std::vector<std::uint8_t> table;
};

// The counts table of a rule of four to six states that behaves exactly so. Reads every entry of
// a table that passes, so callers keep the answer for a rule that does not change.
std::optional<NeighbourCountRule> AsNeighbourCount(const Rule& rule);

// The layout and cells of StepDenseKernel with the equivalent full table.
void StepNeighbourCountWindow(const NeighbourCountRule& rule, int width, int height, int stride,
                              const std::uint8_t* window, std::uint8_t* result);

}  // namespace core
