#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/color.h"
#include "core/rule_table.h"

namespace formats {

struct ImportedStateColor {
    std::uint8_t state = 0;
    core::Color color;
};

struct ImportedGollyRule {
    int stateCount = 0;
    core::RuleSymmetry symmetry = 0;
    core::RuleTable table;
    // In file order; a later entry for the same state wins when they are applied.
    std::vector<ImportedStateColor> colors;
};

// Reads a Golly ruletable (.rule or .table text; a .rule file with only an @TREE section is
// expanded from its tree) so that the result runs the way Golly runs
// the same file. Throws std::runtime_error with a user-facing message on bad input.
ImportedGollyRule ParseGollyRuletableText(std::string_view text);
// The same, checking the table's memory against `availableMemory` instead of the machine's.
ImportedGollyRule ParseGollyRuletableText(std::string_view text, const core::MemoryQuery& availableMemory);

}  // namespace formats
