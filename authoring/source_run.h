#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "authoring/canonical_index_cache.h"
#include "authoring/packed_lock_table.h"
#include "core/overlay_layer.h"
#include "core/rule_table.h"
#include "core/step_grid.h"

namespace authoring {

// The run of the source grid that the pattern viewer shows: its generation counter, the
// generations kept for stepping back, and how much of the rule's neighbourhoods it has seen.
class SourceRun {
public:
    static constexpr int kSnapshotSizeLimit = 512;
    static constexpr std::size_t kMaxCoverageSamples = 5;

    core::ChunkGrid grid;
    core::HistoryLayer history;
    core::AnnotationLayer annotations;
    core::LineageLayer lineage;
    std::int32_t generation = 0;
    std::int32_t patternSize = 32;
    double density = 0.6666666;
    double familiarity = 0;
    double lastStepMilliseconds = 0;

    // A new square soup; the camera handling belongs to the window.
    void Randomize(const core::Rule& rule, int size, double newDensity, std::uint32_t seed);
    // Generation 0 becomes the current grid; history, snapshots and coverage start over.
    void ResetHistory(const core::Rule& rule);
    // Back to generation 0 so that later generations are computed again with the current rule.
    void Rewind(const core::Rule& rule);
    void Step(const core::Rule& rule);
    // False when there is nothing to step back to.
    bool StepBack(const core::Rule& rule);
    // Replaces the grid and its overlays (a load, an undo) and starts the run over.
    void Replace(const core::Rule& rule, core::ChunkGrid newGrid, core::AnnotationLayer newAnnotations,
                 core::LineageLayer newLineage);

    const std::vector<core::ChunkGrid>& GridSnapshots() const { return gridSnapshots_; }
    const std::deque<double>& CoverageSamples() const { return samples_; }

private:
    bool Tracks() const { return patternSize < kSnapshotSizeLimit; }
    void Reanchor(const core::Rule& rule);
    void ClearCoverage(const core::Rule& rule);
    void SampleCoverage(const core::Rule& rule, const core::ChunkGrid& sampled);

    std::vector<core::ChunkGrid> gridSnapshots_;
    std::vector<core::HistoryLayer> historySnapshots_;
    PackedLockTable coverage_;
    std::deque<double> samples_;
    std::vector<std::uint8_t> scanScratch_;
    CanonicalIndexCache canonical_;
    core::StepScratch stepScratch_;
    // Renewed whenever the run goes back to its start, which every change of the rule does.
    std::uint64_t ruleKey_ = core::NewRuleKey();
};

}  // namespace authoring
