#pragma once

#include <cstdint>
#include <string>

#include "core/rule_table.h"

namespace formats {

// Golly's ruletables can express C1, C4 and D8 here; D2| would need the top-bottom mirror,
// which Golly's "reflect_horizontal" is not, so it is refused with the rest.
bool IsGollyExportableSymmetry(core::RuleSymmetry symmetry);

// True when no image of `digits` under the group has a smaller index.
bool IsGollyCanonicalBlock(core::RuleSymmetry symmetry, const core::Neighborhood& digits);

// First index in [from, size) whose entry is not 0, or `size`; skips zero bytes eight at a time.
std::uint64_t NextNonZeroEntry(const std::uint8_t* data, std::uint64_t from, std::uint64_t size);

// Appends "C N,NE,E,SE,S,SW,W,NW new\n" for the block `digits` (positions NW..SE).
void AppendGollyTransitionLine(std::string& out, const core::Neighborhood& digits, int newState);

// The closing catch-all: declares a1 (unless `anyStateCount` declarations already did) and
// a(K+1)..a9, then maps every block not listed above it to state 0.
void AppendGollyDefaultBlock(std::string& out, int stateCount, int anyStateCount);

// The rule as ruletable text without "@TABLE": header, one line per symmetry class with a
// non-zero next state (and the all-zero block when it stays 0), then the default block.
// Throws std::runtime_error("Golly ruletable export does not support the selected symmetry.").
std::string BuildPlainGollyRuletable(const core::Rule& rule);

}  // namespace formats
