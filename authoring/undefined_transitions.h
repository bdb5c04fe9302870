#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "authoring/packed_lock_table.h"
#include "core/rule_table.h"

namespace authoring {

// One card of the undefined-transition list.
struct UndefinedEntry {
    std::uint64_t index = 0;  // canonical
    core::Neighborhood digits{};
    std::uint8_t output = 0;
    friend bool operator==(const UndefinedEntry&, const UndefinedEntry&) = default;
};

// Number of symmetry classes of stateCount^9 neighbourhoods, that is of canonical indices.
std::uint64_t CountSymmetryClasses(core::RuleSymmetry symmetry, int stateCount);

// Canonical indices below min(stateCount^9, lockUnion.EntryCount()) that lockUnion does not hold.
// A full-size union costs one pass over its members, not over the table.
std::uint64_t CountUndefinedTransitions(const PackedLockTable& lockUnion, core::RuleSymmetry symmetry,
                                        int stateCount);

// Scans from scanCursor, appending each unlocked canonical index below
// min(rule size, lockUnion.EntryCount()) with the rule's output, until count cards were appended
// or the table ends; returns the next cursor. Callers that know how many cards are still missing
// should not ask for more, or the scan runs to the end of the table.
std::uint64_t LoadUndefinedEntries(const PackedLockTable& lockUnion, const core::Rule& rule,
                                   std::uint64_t scanCursor, std::size_t count, std::vector<UndefinedEntry>& out);

}  // namespace authoring
