#pragma once

#include <cstdint>

#include "core/chunk_grid.h"
#include "core/chunk_window.h"
#include "core/rule_table.h"
#include "core/window_kernel.h"

namespace core {

// The cells a step computes, inclusive: the whole plane for the chunk strategy, the live chunks'
// box grown by one cell for the rectangle strategy. Cells of a chunk outside it stay background.
struct CellBox {
    std::int64_t left = kPlaneMin, top = kPlaneMin, right = kPlaneMax, bottom = kPlaneMax;
};

// What stepping generation t may take from generations t - 1 and t - 2 (see
// ChunkGrid::StepHistory). A block whose neighbourhood is as it was one generation ago keeps its
// value; as it was two generations ago, it takes the value it had then.
struct ChunkReuse {
    bool track = false;        // record what changed, for the step after
    bool known = false;        // generation t records what changed since t - 1
    bool keepCurrent = false;  // generation t was made from t - 1 by this rule
    bool takeEarlier = false;  // generation t - 1 was made from t - 2 by this rule
    bool recheck = false;      // compare even chunks that churn, to notice them settle
};

struct ChunkStepper {
    CellBox box;
    ChunkReuse reuse;
    WindowKernel kernel;

    // Fills `chunk` (unfilled) with generation t + 1 at c from the chunks around c in generation t.
    // Returns whether it holds a live cell.
    bool Step(const ChunkNeighbours& around, ChunkCoord c, Chunk64& chunk) const;
};

}  // namespace core
