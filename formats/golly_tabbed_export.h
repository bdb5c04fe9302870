#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/chunk_grid.h"
#include "core/rule_table.h"
#include "formats/constraint_records.h"

namespace formats {

// A transition a pattern tab locked, with the generation whose cells first locked it.
struct TabbedExportLockRecord {
    std::uint64_t transition = 0;
    std::uint64_t generation = 0;
};

inline constexpr std::uint8_t kTabbedExportPatternTab = 0;
inline constexpr std::uint8_t kTabbedExportConstraintTab = 1;

// What the exports need of one tab; pattern tabs use the grid and lock records, constraint tabs
// the variables and entries.
struct TabbedExportTab {
    std::uint8_t kind = kTabbedExportPatternTab;
    std::string name;  // UTF-8
    core::ChunkGrid startGrid;
    std::vector<TabbedExportLockRecord> lockRecords;
    std::vector<ConstraintVariable> variables;
    std::vector<ConstraintEntry> entries;
};

// The rule grouped by the tabs that justify it, as ruletable text starting with "@TABLE".
// `annotated` adds the unlocked transitions as optional lines and the closing catch-all; without
// it the text is the lock table. `lockedIndices` is the ascending global lock union (empty when
// there are no tabs). Locked blocks a later line could claim first (the all-background block,
// pattern locks with output 0) are written ahead of it, and an output variable linked to no cell
// as the state it leaves, so Golly reads back the rule itself.
// Throws std::runtime_error for symmetries Golly cannot express.
std::string BuildTabbedGollyRuletable(const core::Rule& rule, const std::vector<TabbedExportTab>& tabs,
                                      const std::vector<std::uint64_t>& lockedIndices, bool annotated);

// One-line picture of the live cells of `grid` for "#P" lines: rows of run-length coded
// cells ('.' for 0, 'A'..'Z' for 1..26, '?' above) separated by '$', ended by '!'.
std::string EncodeGollyPatternText(const core::ChunkGrid& grid);

// The tab name as it may stand between double quotes on one comment line.
std::string GollyTabTitle(std::string_view name);

// A variable name reduced to a ruletable identifier (letters, digits and '_', not starting
// with a digit).
std::string GollyVariableName(std::string_view name);

// Per slot (positions NW..SE, output), the number that tells apart the uses of a variable in
// one entry: linked uses share one, unlinked ones get their own; 0 for fixed slots.
std::array<int, kConstraintSlotCount> GollyOccurrenceNumbers(const ConstraintEntry& entry,
                                                            std::size_t variableCount);

}  // namespace formats
