#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/canonical_index_cache.h"
#include "authoring/pattern_sequence.h"

namespace authoring {

inline constexpr int kConstraintSlots = 10;
inline constexpr int kOutputSlot = 9;
// Slot order of occurrence numbers: C, N, NE, E, SE, S, SW, W, NW, output.
inline constexpr std::array<int, kConstraintSlots> kGollySlotOrder = {4, 1, 2, 5, 8, 7, 6, 3, 0, 9};

// "b".."z" for indices 1..25, then "v" followed by index + 1.
std::string PositionalVariableName(std::size_t index);

// The built-in variable 0: any state.
formats::ConstraintVariable BuiltInVariable(int stateCount);

// Ensures variable 0 is the built-in one (creating it, and selecting it, in an empty list).
void NormalizeConstraintTab(PatternSequence& tab, int stateCount);

// Makes every constraint tab share one variable list, matching variables by name.
void UnifyConstraintVariables(std::vector<PatternSequence>& tabs, int stateCount);

// Occurrence number of each slot of an entry (0 for fixed slots).
std::array<int, kConstraintSlots> OccurrenceNumbers(const formats::ConstraintEntry& entry,
                                                     std::size_t variableCount);

// The transitions an entry describes that `locks` leaves free, with the outputs it writes.
ConstraintEntryExpansion ExpandConstraintEntry(const PatternSequence& tab, const formats::ConstraintEntry& entry,
                                               const PackedLockTable& locks, core::RuleSymmetry symmetry,
                                               CanonicalIndexCache& canonical);

// Expands every entry over `lockUnion`; each entry sees the classes earlier ones took as locked.
void EvaluateConstraintTab(PatternSequence& tab, const PackedLockTable& lockUnion, const core::Rule& rule,
                           CanonicalIndexCache& canonical);

// Sets the output slot of an entry to the selected variable, stepping through the occurrences of
// that variable in the entry: the output follows the next one.
void StepOutputLink(PatternSequence& tab, formats::ConstraintEntry& entry);

}  // namespace authoring
