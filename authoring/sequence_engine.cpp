#include "authoring/sequence_engine.h"

#include <algorithm>

#include "authoring/neighborhood_scan.h"

namespace authoring {

void ExtendSequence(PatternSequence& tab, std::uint64_t count, std::uint64_t, const SequenceSteps& steps) {
    if (tab.generations.empty()) {
        tab.generations.push_back(tab.startGrid);
        tab.generations.back().EnsureUnique();
    }
    if (tab.histories.empty()) tab.histories.emplace_back();
    if (tab.histories.size() > tab.generations.size()) tab.histories.resize(tab.generations.size());
    if (tab.lineages.empty()) {
        tab.lineages.push_back(tab.startLineage);
        tab.lineages.back().EnsureUnique();
    }
    if (tab.lineages.size() > tab.generations.size()) tab.lineages.resize(tab.generations.size());
    tab.locks.Truncate(tab.generations.size());

    auto appendLocks = [&](const core::ChunkGrid& grid) {
        tab.locks.AppendGeneration(
            [&](PackedLockTable& table, std::vector<std::uint64_t>& added) { steps.locks(grid, table, added); });
    };
    while (tab.locks.GenerationCount() < tab.generations.size())
        appendLocks(tab.generations[static_cast<std::size_t>(tab.locks.GenerationCount())]);

    while (tab.generations.size() < count) {
        core::ChunkGrid next;
        steps.grid(tab.generations.back(), next);
        const std::uint64_t index = tab.generations.size();
        for (const KeyframeOverride& pinned : tab.keyframeOverrides)
            if (pinned.generation == index) next = pinned.grid;
        // Missing overlays of older generations (a truncated cache) count as empty.
        const core::HistoryLayer& lastHistory =
            tab.histories.size() == tab.generations.size() ? tab.histories.back() : core::HistoryLayer();
        core::HistoryLayer nextHistory;
        steps.history(tab.generations.back(), lastHistory, next, nextHistory);
        const core::LineageLayer& lastLineage =
            tab.lineages.size() == tab.generations.size() ? tab.lineages.back() : core::LineageLayer();
        core::LineageLayer nextLineage;
        steps.lineage(tab.generations.back(), lastLineage, next, nextLineage);
        tab.generations.push_back(next);
        tab.histories.resize(tab.generations.size() - 1);
        tab.histories.push_back(nextHistory);
        tab.lineages.resize(tab.generations.size() - 1);
        tab.lineages.push_back(nextLineage);
        appendLocks(tab.generations.back());
    }
}

void GenerateSequence(PatternSequence& tab, std::uint64_t entryCount, const PackedLockTable& locks,
                      const SequenceSteps& steps) {
    tab.generations.clear();
    tab.histories.clear();
    tab.lineages.clear();
    tab.locks.Reset(locks);
    tab.currentGeneration = std::max(tab.currentGeneration, 0);
    tab.generationTarget = std::max(tab.generationTarget, 1);
    ExtendSequence(tab, static_cast<std::uint64_t>(tab.generationTarget), entryCount, steps);
}

void LockBookkeeping::RefreshPatternLockDeltaSources(PatternSequence& tab, const PackedLockTable& base) {
    const int n = cache_.StateCount();
    tab.firstUses.Clear();
    for (std::size_t g = 0; g < tab.generations.size(); ++g)
        ScanNeighborhoods(tab.generations[g], n, scratch_, [&](std::int32_t x, std::int32_t y, std::uint64_t index) {
            const std::uint64_t c = cache_.Canonical(index);
            if (!tab.firstUses.Find(c)) tab.firstUses.Add({c, g, x, y});
        });

    tab.ownLockedTransitions.clear();
    tab.lockDeltas.Clear();
    if (!tab.locks.Empty())
        tab.locks.Last().ForEachIndex([&](std::uint64_t i) {
            if (base.Contains(i)) return;
            tab.ownLockedTransitions.push_back(i);
            tab.lockDeltas.Add({i, tab.locks.EntryGeneration(i).value_or(0), 0, 0});
        });
    std::uint64_t target = 1;
    for (const LockDeltaSource& delta : tab.lockDeltas.items) target = std::max(target, delta.generation + 1);
    tab.generationTarget = static_cast<std::int32_t>(target);
}

std::vector<BrokenMarker> LockBookkeeping::FindMarkers(const core::ChunkGrid& grid, std::uint64_t transition,
                                                       std::uint64_t generation) {
    std::vector<BrokenMarker> found;
    ScanNeighborhoods(grid, cache_.StateCount(), scratch_, [&](std::int32_t x, std::int32_t y, std::uint64_t index) {
        if (cache_.Canonical(index) == transition) found.push_back({transition, generation, generation + 1, x, y, true});
    });
    return found;
}

void LockBookkeeping::MarkBrokenTransition(PatternSequence& tab, std::uint64_t transition) {
    const LockDeltaSource* source = tab.firstUses.Find(transition);
    if (!source) source = tab.lockDeltas.Find(transition);
    if (!source) return;
    const std::uint64_t g = source->generation;
    std::erase_if(tab.brokenMarkers, [&](const BrokenMarker& m) { return m.transition == transition; });
    std::vector<BrokenMarker> found;
    if (g < tab.generations.size() && tab.generations[g].ChunkCount() > 0)
        found = FindMarkers(tab.generations[g], transition, g);
    if (found.empty()) found.push_back({transition, g, g + 1, 0, 0, false});
    tab.brokenMarkers.insert(tab.brokenMarkers.end(), found.begin(), found.end());
}

void LockBookkeeping::ResolvePendingMarkers(PatternSequence& tab) {
    std::vector<BrokenMarker> resolved;
    resolved.reserve(tab.brokenMarkers.size());
    for (const BrokenMarker& marker : tab.brokenMarkers) {
        std::vector<BrokenMarker> found;
        if (!marker.hasCell && marker.sourceGeneration < tab.generations.size())
            found = FindMarkers(tab.generations[marker.sourceGeneration], marker.transition, marker.sourceGeneration);
        if (found.empty()) resolved.push_back(marker);
        else resolved.insert(resolved.end(), found.begin(), found.end());
    }
    tab.brokenMarkers = std::move(resolved);
}

}  // namespace authoring
