// The frame randomizer: random outputs for the free transitions behind the visible frames.
#include <algorithm>
#include <random>

#include "authoring/editor_edit.h"
#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"
#include "core/symmetry.h"
#include "core/uniform_draw.h"

namespace authoring {

EditOutcome Editor::RandomizeFrames(std::int32_t first, std::int32_t last) {
    EndFrameRandomizer();
    if (!ShowsPatternTab() || lookahead_ == 0) return EditOutcome::Refused;
    const std::int32_t shown = CurrentTab().currentGeneration;
    if (first < shown || first - shown >= lookahead_ || last < first) return EditOutcome::Refused;
    TrimSequenceToViewer();
    PatternSequence& tab = CurrentTab();
    tab.keyframeOverrides.clear();
    randomizer_.active = true;
    randomizer_.tab = doc_.selectedTab;
    randomizer_.from = first;
    randomizer_.to = last;
    randomizer_.done.clear();
    const EditOutcome outcome = RandomizeViewerFrames();
    if (last != kOpenGenerationEnd) EndFrameRandomizer();
    return outcome;
}

void Editor::EndFrameRandomizer() {
    if (randomizer_.tab >= 0 && static_cast<std::size_t>(randomizer_.tab) < doc_.tabs.size())
        doc_.tabs[static_cast<std::size_t>(randomizer_.tab)].keyframeOverrides.clear();
    randomizer_.active = false;
    randomizer_.from = randomizer_.to = 0;
    randomizer_.tab = -1;
    randomizer_.done.clear();
}

EditOutcome Editor::RandomizeViewerFrames() {
    if (!randomizer_.active || doc_.selectedTab != randomizer_.tab || !ShowsPatternTab() || lookahead_ == 0)
        return EditOutcome::Unchanged;
    const std::int64_t lower = randomizer_.from < 2 ? 1 : randomizer_.from;
    const std::int64_t upper = randomizer_.to < 1 ? kOpenGenerationEnd : randomizer_.to;
    std::mt19937 engine(++randomizer_.seed);
    const auto n = static_cast<std::uint32_t>(doc_.rule.stateCount);
    const std::int64_t base = CurrentTab().currentGeneration;
    bool changedAny = false;
    for (int i = 0; i < lookahead_; ++i) {
        PatternSequence& tab = CurrentTab();
        const std::int64_t g = base + i;
        if (g < lower || g > upper || g >= static_cast<std::int64_t>(tab.generations.size()) ||
            tab.generations[g - 1].ChunkCount() == 0)
            continue;
        const auto gu = static_cast<std::uint64_t>(g);
        const std::uint64_t guard = LockGuardGeneration(tab.locks, gu).value_or(GenerationLocks::kBase);
        std::unordered_set<std::uint64_t>& done = randomizer_.done[gu];
        std::vector<RuleChange> changes;
        ScanNeighborhoods(tab.generations[gu - 1], doc_.rule.stateCount, randomizerScratch_,
                          [&](std::int32_t, std::int32_t, std::uint64_t index) {
                              const std::uint64_t c = canonical_.Canonical(index);
                              if (tab.locks.Contains(c, guard) || done.count(c)) return;
                              const auto state = static_cast<std::uint8_t>(core::DrawBelow(engine, n));
                              for (const RuleChange& change :
                                   OrbitChanges(core::DecodeNeighborhoodIndex(index, doc_.rule.stateCount), state))
                                  changes.push_back(change);
                              done.insert(c);
                          });
        if (changes.empty()) continue;
        Edit edit(*this, RuleChangeRecord(changes));
        for (std::uint64_t k = 0; k < gu; ++k) CurrentTab().SetKeyframeOverride(k, CurrentTab().generations[k]);
        WriteChanges(changes);
        doc_.source.Rewind(doc_.rule);
        RebuildPatternSequencesFrom(0);
        PatternSequence& rebuilt = CurrentTab();
        if (gu < rebuilt.generations.size()) rebuilt.SetKeyframeOverride(gu, rebuilt.generations[gu]);
        edit.Commit();
        changedAny = true;
    }
    return changedAny ? EditOutcome::Changed : EditOutcome::Unchanged;
}

}  // namespace authoring
