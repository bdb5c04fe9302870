#pragma once

// Internal to the Golly ruletable reader: transition lines after tokenising, and their
// expansion into a rule table.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "formats/golly_neighborhood.h"

namespace formats::golly {

// One `var` line once resolved. `values` keeps the order of the declaration (duplicates
// dropped): Golly tries the values of a bound variable in that order.
struct Variable {
    std::string_view name;
    std::uint32_t valuesBegin = 0;
    std::uint32_t valueCount = 0;
    std::uint32_t mask = 0;
};

// A cell of a transition line: a declaration (`variable` >= 0) or a literal state set. A cell
// the neighbourhood ignores holds state 0 and has no place in the table being expanded.
struct Token {
    std::int32_t variable = -1;
    std::uint32_t mask = 0;
};

inline constexpr int kSlotCount = 10;  // NW N NE W C E SW S SE, then the new state
using Line = std::array<Token, kSlotCount>;

// Rotate8reflect has the most images, sixteen.
inline constexpr int kMaxImages = 16;

struct Transitions {
    int stateCount = 0;
    // The index step of each slot: for Moore, n^(8 - slot). Other neighbourhoods expand into
    // a table of their own cells only (the centre and the cells they read, in slot order),
    // their ignored slots stepping 0; BroadcastNeighborhoodTable spreads it out.
    std::array<std::uint64_t, 9> places{};
    // The images of each line, identity first; with `permute`, every arrangement of the
    // states in `permutedSlots` instead.
    std::vector<SlotPermutation> images;
    bool permute = false;
    std::vector<std::uint8_t> permutedSlots;
    std::vector<Variable> variables;
    std::vector<std::uint8_t> values;
    std::vector<Line> lines;
};

// Entries of the table `places` describe: n times the largest step.
std::uint64_t ExpandedTableSize(const Transitions& transitions);

// Writes the centre's own state everywhere, then the lines in order; the first line (and
// within it the first combination) that reaches an index decides it. `assigned` holds one
// clear bit per entry.
void ExpandTransitions(const Transitions& transitions, std::uint8_t* table,
                       std::vector<std::uint64_t>& assigned);

// Fills the Moore table `table` (n^9 entries) from a table expanded with `places` where some
// slots step 0: each Moore block takes the entry of the cells its neighbourhood reads.
void BroadcastNeighborhoodTable(const std::uint8_t* expanded, const std::array<std::uint64_t, 9>& places,
                                int stateCount, std::uint8_t* table);

}  // namespace formats::golly
