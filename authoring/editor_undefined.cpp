#include <algorithm>
#include <cstdio>
#include <random>

#include "authoring/editor_edit.h"
#include "authoring/symmetry_indexer.h"
#include "core/symmetry.h"
#include "core/uniform_draw.h"

namespace authoring {

bool CollectLockedTransitions(const std::vector<PatternSequence>& tabs, int stateCount, PackedLockTable& out) {
    if (tabs.empty()) {
        out = PackedLockTable();
        return false;
    }
    out.Reset(core::RuleTableSize(stateCount));
    out.Insert(0);
    for (const PatternSequence& tab : tabs)
        for (std::uint64_t index : tab.ownLockedTransitions) out.Insert(index);
    return true;
}

void Editor::RecountUndefinedTransitions() {
    undefined_.entries.clear();
    undefined_.count = 0;
    undefined_.scanCursor = 0;
    undefined_.stale = false;
    if (!CollectLockedTransitions(doc_.tabs, doc_.rule.stateCount, undefined_.lockUnion)) return;
    undefined_.count = CountUndefinedTransitions(undefined_.lockUnion, doc_.rule.symmetry, doc_.rule.stateCount);
    if (undefined_.count == 0) return;
    const auto page = static_cast<std::size_t>(std::min<std::uint64_t>(kUndefinedPageSize, undefined_.count));
    undefined_.scanCursor = LoadUndefinedEntries(undefined_.lockUnion, doc_.rule, 0, page, undefined_.entries);
}

void Editor::UpdateUndefinedList(std::size_t more) {
    if (undefined_.stale) RecountUndefinedTransitions();
    const std::uint64_t loaded = undefined_.entries.size();
    if (more == 0 || loaded >= undefined_.count) return;
    const std::uint64_t wanted = std::min<std::uint64_t>(more, undefined_.count - loaded);
    undefined_.scanCursor = LoadUndefinedEntries(undefined_.lockUnion, doc_.rule, undefined_.scanCursor,
                                                 static_cast<std::size_t>(wanted), undefined_.entries);
}

std::string UndefinedStatusText(const UndefinedList& list, core::RuleSymmetry symmetry) {
    const std::string name(core::SymmetryDisplayName(symmetry));
    char text[160];
    if (list.entries.size() < list.count)
        std::snprintf(text, sizeof text, "%llu undefined transitions (%zu loaded)  |  %s",
                      static_cast<unsigned long long>(list.count), list.entries.size(), name.c_str());
    else
        std::snprintf(text, sizeof text, "%llu undefined transitions  |  %s",
                      static_cast<unsigned long long>(list.count), name.c_str());
    return text;
}

void Editor::TakeMinrule() {
    PackedLockTable locks;
    if (!CollectLockedTransitions(doc_.tabs, doc_.rule.stateCount, locks)) {
        EndFrameRandomizer();
        return;
    }
    Edit edit(*this, CaptureEditorState(true));
    EndFrameRandomizer();
    const std::uint64_t limit = std::min<std::uint64_t>(locks.EntryCount(), doc_.rule.table.size());
    // Zero everything, then put back what the locks keep: cheaper than testing every index.
    std::vector<RuleChange> kept;
    locks.ForEachIndex([&](std::uint64_t i) {
        if (i < limit) kept.push_back({i, doc_.rule.table[i]});
    });
    std::fill(doc_.rule.table.begin(), doc_.rule.table.begin() + static_cast<std::ptrdiff_t>(limit), 0);
    WriteChanges(kept);
    RebuildPatternSequencesFrom(0);
    doc_.source.Rewind(doc_.rule);
    edit.Commit();
}

EditOutcome Editor::RandomizeUndefinedTransitions(std::uint32_t seed) {
    PackedLockTable locks;
    if (!CollectLockedTransitions(doc_.tabs, doc_.rule.stateCount, locks)) return EditOutcome::Refused;
    std::mt19937 engine(seed);
    const auto n = static_cast<std::uint32_t>(doc_.rule.stateCount);
    const SymmetryIndexer indexer(doc_.rule.symmetry, doc_.rule.stateCount);
    const std::uint64_t limit = std::min<std::uint64_t>(locks.EntryCount(), doc_.rule.table.size());
    std::vector<RuleChange> changes;
    for (std::uint64_t i = 0; i < limit; ++i) {
        if (locks.Contains(i)) continue;
        const core::Neighborhood digits = indexer.Decode(i);
        if (!indexer.IsCanonical(digits)) continue;
        const auto state = static_cast<std::uint8_t>(core::DrawBelow(engine, n));
        for (std::uint64_t member : core::NeighborhoodOrbit(doc_.rule.symmetry, doc_.rule.stateCount, digits))
            changes.push_back({member, state});
    }
    if (changes.empty()) return EditOutcome::Refused;
    Edit edit(*this, RuleChangeRecord(changes));
    ApplyRuleEdit(changes, 0, false, 0);
    edit.Commit();
    return EditOutcome::Changed;
}

EditOutcome Editor::CycleUndefinedOutput(std::size_t card, bool back, const Brush& brush) {
    UpdateUndefinedList();
    if (card >= undefined_.entries.size()) return EditOutcome::Unchanged;
    const UndefinedEntry entry = undefined_.entries[card];
    const std::uint8_t next = NextPaintState(entry.output, back, brush);
    if (next == entry.output) return EditOutcome::Unchanged;
    const std::vector<RuleChange> changes = OrbitChanges(entry.digits, next);
    Edit edit(*this, RuleChangeRecord(changes));
    ApplyRuleEdit(changes, entry.index, true, 0);
    edit.Commit();
    return EditOutcome::Changed;
}

}  // namespace authoring
