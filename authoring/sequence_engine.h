#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "authoring/canonical_index_cache.h"
#include "authoring/pattern_sequence.h"

namespace authoring {

// The four step functions of the generation engine, so that it does not depend on the editor.
struct SequenceSteps {
    std::function<void(const core::ChunkGrid&, core::ChunkGrid&)> grid;
    std::function<void(const core::ChunkGrid&, const core::HistoryLayer&, const core::ChunkGrid&, core::HistoryLayer&)>
        history;
    std::function<void(const core::ChunkGrid&, const core::LineageLayer&, const core::ChunkGrid&, core::LineageLayer&)>
        lineage;
    // Grows the lock table in place by what the grid uses, listing each index it inserts.
    std::function<void(const core::ChunkGrid&, PackedLockTable&, std::vector<std::uint64_t>&)> locks;
};

// Computes the missing generations of `tab` up to `count`, with their overlays and lock tables;
// the tables take their size from the tab's base locks.
void ExtendSequence(PatternSequence& tab, std::uint64_t count, std::uint64_t entryCount, const SequenceSteps& steps);
// Recomputes `tab` from its start grid on top of `locks`, to its generation target.
void GenerateSequence(PatternSequence& tab, std::uint64_t entryCount, const PackedLockTable& locks,
                      const SequenceSteps& steps);

// Scans that look at the canonical neighbourhood of every cell of a generation.
class LockBookkeeping {
public:
    explicit LockBookkeeping(CanonicalIndexCache& cache) : cache_(cache) {}

    // Where the tab first uses each transition and at which generation each own lock entered;
    // the tab's generation target becomes one past the last generation that added a lock.
    void RefreshPatternLockDeltaSources(PatternSequence& tab, const PackedLockTable& base);
    // Flags the cells of `tab` that use `transition` (a canonical index).
    void MarkBrokenTransition(PatternSequence& tab, std::uint64_t transition);
    // Markers found without cells get their cells once their generation is computed.
    void ResolvePendingMarkers(PatternSequence& tab);

private:
    // Cell markers for every cell of `grid` whose neighbourhood falls in the class of `transition`.
    std::vector<BrokenMarker> FindMarkers(const core::ChunkGrid& grid, std::uint64_t transition,
                                          std::uint64_t generation);

    CanonicalIndexCache& cache_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace authoring
