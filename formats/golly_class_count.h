#pragma once

#include <cstdint>

#include "core/rule_table.h"

namespace formats {

// How many symmetry classes of a rule's table the plain export could list: those whose next
// state is not 0, and those whose next state differs from the centre's own state.
struct SymmetryClassCounts {
    std::uint64_t nonZero = 0;
    std::uint64_t changed = 0;
};

// Counted without visiting the classes one by one: by Burnside's lemma, the classes of a set
// closed under the group number the average, over the group's transforms, of the set's
// blocks each transform leaves unchanged. Only the identity needs the whole table; the
// blocks another transform keeps are few (n^6 at most). Exact when the table honours its
// symmetry, as every rule the editor makes does.
SymmetryClassCounts CountSymmetryClasses(const core::Rule& rule);

}  // namespace formats
