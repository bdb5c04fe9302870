#pragma once

#include <cstdint>

#include "core/chunk_grid.h"

namespace core {

// A side x side square at (0, 0): each cell is live with probability `density`, its state
// uniform in 1..stateCount-1, drawn from MT19937 seeded with `seed`.
ChunkGrid MakeRandomSoup(int side, double density, int stateCount, std::uint32_t seed);

}  // namespace core
