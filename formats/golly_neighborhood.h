#pragma once

// Internal to the Golly ruletable reader: Golly's neighbourhoods and symmetries, described on
// our Moore slots (0 NW, 1 N, 2 NE, 3 W, 4 C, 5 E, 6 SW, 7 S, 8 SE).

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/rule_table.h"

namespace formats::golly {

// New slot j takes the state of old slot perm[j]; the centre never moves.
using SlotPermutation = std::array<std::uint8_t, 9>;

struct Neighborhood {
    std::string_view name;  // as Golly spells it
    // The slots of a line's cells after the centre, in the order Golly lists them. The other
    // slots around the centre are cells the neighbourhood ignores.
    std::span<const std::uint8_t> cells;
};

struct Symmetry {
    // Every image a line stands for, identity first; for `permute` only the identity, the
    // images being every arrangement of the cells.
    std::vector<SlotPermutation> permutations;
    bool permute = false;
    // The largest of our groups whose images Golly's expansion always agrees on.
    core::RuleSymmetry editorGroup = 0;
};

// The neighbourhood named `lowerName` (lower-cased), or nullptr when Golly has none such.
const Neighborhood* FindNeighborhood(std::string_view lowerName);

// True when some neighbourhood offers the symmetry `lowerName`.
bool IsSymmetryName(std::string_view lowerName);

// The symmetry `lowerName` of `neighborhood`; false when that neighbourhood does not offer it.
bool FindSymmetry(const Neighborhood& neighborhood, std::string_view lowerName, Symmetry& out);

}  // namespace formats::golly
