#pragma once

// The lock step straight from its definition, for the tests of the faster code that computes it.
#include <algorithm>
#include <climits>

#include "authoring/packed_lock_table.h"
#include "core/chunk_grid.h"
#include "core/symmetry.h"

namespace authoring::testing {

inline core::Neighborhood DigitsAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) {
    core::Neighborhood digits{};
    for (int k = 0; k < 9; ++k) digits[k] = grid.CellAt(x + k % 3 - 1, y + k / 3 - 1);
    return digits;
}

// `previous` plus the orbit of every neighbourhood of the box around the grid's chunks, one cell
// wider on every side, whose canonical index `previous` lacks.
inline PackedLockTable DenseLockStep(const core::ChunkGrid& grid, const PackedLockTable& previous,
                                     core::RuleSymmetry symmetry, int states) {
    PackedLockTable next = previous;
    std::int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64&) {
        x0 = std::min(x0, cx), y0 = std::min(y0, cy), x1 = std::max(x1, cx), y1 = std::max(y1, cy);
    });
    for (std::int64_t y = std::int64_t{y0} * 64 - 1; y <= std::int64_t{y1} * 64 + 64; ++y)
        for (std::int64_t x = std::int64_t{x0} * 64 - 1; x <= std::int64_t{x1} * 64 + 64; ++x) {
            const core::Neighborhood digits = DigitsAt(grid, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            if (previous.Contains(core::CanonicalIndex(symmetry, states, digits))) continue;
            for (std::uint64_t member : core::NeighborhoodOrbit(symmetry, states, digits)) next.Insert(member);
        }
    return next;
}

}  // namespace authoring::testing
