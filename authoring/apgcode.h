#pragma once

#include <string>
#include <vector>

#include "authoring/census_cells.h"
#include "core/rule_table.h"

namespace authoring {

// The extended Wechsler code of the cells of `state` (0: any live cell) in a width x height box
// of normalized cells; see census.h.
std::string WechslerCode(const CellList& cells, int width, int height, int state);

// The code of normalized cells: one Wechsler layer for two states, layers 1..n-1 joined by "_"
// for more, an empty layer written "0".
std::string PatternCode(const CellList& cells, int stateCount);

struct CanonicalForm {
    std::string code;
    CellList cells;     // the winning phase in the winning orientation, normalized
    int dx = 0, dy = 0;  // the displacement per period turned the same way
};

// The shortest code (then the alphabetically smallest) over the phases of one period and the
// orientations the rule's symmetry allows. `phases` hold normalized cells; (dx, dy) is their
// displacement per period as given.
CanonicalForm CanonicalCode(const std::vector<CellList>& phases, int stateCount, core::RuleSymmetry symmetry,
                            int dx, int dy);

}  // namespace authoring
