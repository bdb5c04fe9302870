#pragma once

#include <cstdint>
#include <optional>

#include "core/rule_table.h"

namespace core {

// A rule of the Generations family (Brian's Brain, Star Wars): state 1 is alive and only live
// neighbours count; a dead cell with k live neighbours is born when bit k of `birth` is set, a
// live one stays alive when bit k of `survive` is, else starts dying as state 2; a dying state s
// becomes s + 1, and the last one becomes 0.
struct GenerationsRule {
    int stateCount = 3;
    std::uint16_t birth = 0;
    std::uint16_t survive = 0;
};

// The counts of a table of three or more states that behaves exactly so; B0 tables are refused.
// Reads every entry of a table that passes, so callers keep the answer for a rule that does not
// change.
std::optional<GenerationsRule> AsGenerations(const Rule& rule);

// The layout and cells of StepDenseKernel with the equivalent table: the live cells are stepped
// bitwise and the rest follow from their state.
void StepGenerationsWindow(const GenerationsRule& rule, int width, int height, int stride,
                           const std::uint8_t* window, std::uint8_t* result);

}  // namespace core
