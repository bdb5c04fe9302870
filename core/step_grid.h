#pragma once

#include <cstdint>
#include <vector>

#include "core/chunk_bands.h"
#include "core/chunk_grid.h"
#include "core/chunk_window.h"
#include "core/rule_table.h"

namespace core {

// Buffers reused by every step so that stepping allocates only the chunks it produces (and the
// candidate list of the chunk strategy).
struct StepScratch {
    std::vector<ChunkCoord> chunks;
    std::vector<const Chunk64*> around;
    BandMaps<ChunkGrid::Map> bands;
};

enum class StepStrategy { None, Chunks, Rectangle };

// Replaces `next` with the generation after `current` under `rule`. Returns the strategy taken.
// Large steps run in bands on the worker pool; the result does not depend on the thread count.
// A caller stepping a run under one rule passes the same non-zero `ruleKey` (from NewRuleKey) on
// every step, and the steps after the first two recompute only where something changed near
// them; a new key whenever the rule's table changes. With 0 every cell is stepped.
StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next, StepScratch& scratch,
                      std::uint64_t ruleKey = 0);
StepStrategy StepGrid(const Rule& rule, const ChunkGrid& current, ChunkGrid& next, std::uint64_t ruleKey = 0);

// A key no other caller has been given.
std::uint64_t NewRuleKey();

// Keeps chunks that just emptied as empty chunks for 15 generations.
void CarryEmptyChunks(ChunkGrid& next, const ChunkGrid& current);

// The plain per-cell Horner lookup; a reference for tests and benchmarks.
void StepNaiveWindow(const Rule& rule, int width, int height, int stride, const std::uint8_t* window,
                     std::uint8_t* result);

}  // namespace core
