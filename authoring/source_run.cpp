#include "authoring/source_run.h"

#include <algorithm>
#include <chrono>
#include <numeric>

#include "authoring/neighborhood_scan.h"
#include "core/random_soup.h"
#include "core/symmetry.h"

namespace authoring {

void SourceRun::Randomize(const core::Rule& rule, int size, double newDensity, std::uint32_t seed) {
    patternSize = std::clamp(size, 16, 2048);
    density = std::clamp(newDensity, 0.0, 1.0);
    grid = core::MakeRandomSoup(patternSize, density, rule.stateCount, seed);
    history = core::HistoryLayer();
    ResetHistory(rule);
}

void SourceRun::ResetHistory(const core::Rule& rule) {
    ruleKey_ = core::NewRuleKey();
    generation = 0;
    gridSnapshots_.assign(1, grid);
    history = core::HistoryLayer();
    historySnapshots_.assign(1, history);
    ClearCoverage(rule);
    if (Tracks()) SampleCoverage(rule, grid);
    else familiarity = 0;
}

void SourceRun::Rewind(const core::Rule& rule) {
    ruleKey_ = core::NewRuleKey();
    if (gridSnapshots_.empty()) ResetHistory(rule);
    generation = 0;
    grid = gridSnapshots_[0];
    history = historySnapshots_.empty() ? core::HistoryLayer() : historySnapshots_[0];
    if (!Tracks()) {
        history = core::HistoryLayer();
        familiarity = 0;
    }
    Reanchor(rule);
}

void SourceRun::Step(const core::Rule& rule) {
    const auto start = std::chrono::steady_clock::now();
    const auto next = static_cast<std::size_t>(generation) + 1;
    if (next < gridSnapshots_.size()) {
        ++generation;
        grid = gridSnapshots_[next];
        history = next < historySnapshots_.size() ? historySnapshots_[next] : core::HistoryLayer();
    } else {
        core::ChunkGrid nextGrid;
        core::StepGrid(rule, grid, nextGrid, stepScratch_, ruleKey_);
        core::AdvanceHistory(grid, nextGrid, history);
        grid = nextGrid;
        if (Tracks()) {
            gridSnapshots_.push_back(grid);
            historySnapshots_.push_back(history);
        }
        ++generation;
    }
    if (Tracks()) SampleCoverage(rule, grid);
    lastStepMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

bool SourceRun::StepBack(const core::Rule& rule) {
    if (!Tracks() || generation <= 0) return false;
    --generation;
    const auto at = static_cast<std::size_t>(generation);
    grid = gridSnapshots_[at];
    history = at < historySnapshots_.size() ? historySnapshots_[at] : core::HistoryLayer();
    Reanchor(rule);
    return true;
}

void SourceRun::Replace(const core::Rule& rule, core::ChunkGrid newGrid, core::AnnotationLayer newAnnotations,
                        core::LineageLayer newLineage) {
    grid = std::move(newGrid);
    annotations = std::move(newAnnotations);
    lineage = std::move(newLineage);
    history = core::HistoryLayer();
    ResetHistory(rule);
}

void SourceRun::Reanchor(const core::Rule& rule) {
    if (!Tracks()) {
        generation = 0;
        gridSnapshots_.assign(1, grid);
        historySnapshots_.assign(1, history);
        return;
    }
    auto at = static_cast<std::size_t>(std::max(generation, 0));
    if (at >= gridSnapshots_.size()) {
        at = gridSnapshots_.size() - 1;
        generation = static_cast<std::int32_t>(at);
        grid = gridSnapshots_[at];
        history = at < historySnapshots_.size() ? historySnapshots_[at] : core::HistoryLayer();
    }
    gridSnapshots_[at] = grid;
    historySnapshots_.resize(at + 1);
    historySnapshots_[at] = history;
    gridSnapshots_.resize(at + 1);
    ClearCoverage(rule);
    for (std::size_t g = 0; g <= at; ++g) SampleCoverage(rule, gridSnapshots_[g]);
}

void SourceRun::ClearCoverage(const core::Rule& rule) {
    coverage_.Reset(core::RuleTableSize(rule.stateCount));
    coverage_.Insert(0);
    samples_.clear();
    familiarity = 0;
}

void SourceRun::SampleCoverage(const core::Rule& rule, const core::ChunkGrid& sampled) {
    std::uint64_t examined = 0, seen = 0;
    canonical_.Prepare(rule.symmetry, rule.stateCount);
    PackedLockTable grown = coverage_;
    ScanNeighborhoods(sampled, rule.stateCount, scanScratch_, [&](std::int32_t, std::int32_t, std::uint64_t index) {
        ++examined;
        const std::uint64_t canonical = canonical_.Canonical(index);
        if (coverage_.Contains(canonical)) {
            ++seen;
            return;
        }
        // Each new class is added once; its canonical member marks it in the grown set.
        if (grown.Contains(canonical)) return;
        for (std::uint64_t member : core::NeighborhoodOrbit(rule.symmetry, rule.stateCount,
                                                            core::DecodeNeighborhoodIndex(index, rule.stateCount)))
            grown.Insert(member);
    });
    coverage_ = std::move(grown);
    samples_.push_back(examined ? 100.0 * static_cast<double>(seen) / static_cast<double>(examined) : 0.0);
    while (samples_.size() > kMaxCoverageSamples) samples_.pop_front();
    familiarity = std::accumulate(samples_.begin(), samples_.end(), 0.0) / static_cast<double>(samples_.size());
}

}  // namespace authoring
