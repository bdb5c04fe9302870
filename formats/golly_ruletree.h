#pragma once

#include <span>
#include <string_view>

#include "core/rule_table.h"
#include "formats/golly_ruletable.h"

namespace formats {

// Expands the lines of a Golly @TREE section (comments removed, lines trimmed, blank lines
// dropped) into the Moore table, checking its memory against `availableMemory`. Four-neighbour
// trees ignore the corners. The symmetry is the largest editor group the table honours; colours
// are left to the caller. Throws std::runtime_error with a user-facing message on bad input.
ImportedGollyRule ExpandGollyRuleTree(std::span<const std::string_view> lines,
                                      const core::MemoryQuery& availableMemory);

// The largest of the editor's eight groups under which every entry of `table` equals the
// entries of its images.
core::RuleSymmetry LargestInvariantSymmetry(const core::RuleTable& table, int stateCount);

}  // namespace formats
