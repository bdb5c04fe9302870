#pragma once

#include <cstdint>
#include <optional>

#include "core/life_tile.h"
#include "core/rule_table.h"

namespace core {

// A two-state rule given by live-neighbour counts: bit k of `birth` turns a dead cell with k live
// neighbours on, bit k of `survive` keeps a live one on (k = 0..8).
struct LifeLikeRule {
    std::uint16_t birth = 0;
    std::uint16_t survive = 0;
};

// The counts of a two-state table whose next state depends only on the centre and how many of
// its eight neighbours live. B0 tables are refused: they light the empty background.
std::optional<LifeLikeRule> AsLifeLike(const Rule& rule);

// The layout and cells of StepDenseKernel with the equivalent table, for windows of 0s and 1s,
// computed 64 cells per bitwise operation. Writes nothing when width or height is below 3.
void StepLifeLikeWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                        std::uint8_t* result);
// The same for windows of any states, of which state 1 is live and every other dead: whether each
// cell would live by its live neighbours (what the Generations family builds on).
void StepLiveCellsWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                         std::uint8_t* result);

}  // namespace core
