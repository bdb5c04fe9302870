#include "shell/frame_locks.h"

#include <algorithm>

#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"

namespace shell {

const authoring::PatternSequence* FrameLocks::ShownTab(const authoring::Editor& editor) const {
    const authoring::Document& doc = editor.Doc();
    if (doc.tabs.empty() || doc.selectedTab < 0 || doc.selectedTab >= std::int32_t(doc.tabs.size())) return nullptr;
    const authoring::PatternSequence& tab = doc.SelectedTab();
    return tab.IsPattern() ? &tab : nullptr;
}

void FrameLocks::Prepare(const authoring::Editor& editor) {
    const core::Rule& rule = editor.Doc().rule;
    if (cache_.Symmetry() != rule.symmetry || cache_.StateCount() != rule.stateCount)
        cache_.Prepare(rule.symmetry, rule.stateCount);
}

bool FrameLocks::IsCellNeighborhoodLocked(const authoring::Editor& editor, std::size_t frame, std::int32_t x,
                                          std::int32_t y) {
    const authoring::PatternSequence* tab = ShownTab(editor);
    if (!tab) return false;
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab->currentGeneration, 0)) + frame;
    if (g == 0 || g > tab->generations.size()) return false;
    // The neighbourhood one generation earlier produced the cell.
    Prepare(editor);
    const std::uint64_t index =
        authoring::NeighborhoodIndexAt(tab->generations[g - 1], editor.Doc().rule.stateCount, x, y);
    return authoring::LockedForGeneration(tab->locks, g, cache_.Canonical(index));
}

void FrameLocks::ForEachProducedCell(const authoring::Editor& editor, std::size_t frame,
                                     const std::function<void(std::int32_t, std::int32_t, bool)>& visit) {
    const authoring::PatternSequence* tab = ShownTab(editor);
    if (!tab) return;
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab->currentGeneration, 0)) + frame;
    if (g == 0 || g > tab->generations.size()) return;
    const std::optional<std::uint64_t> guard = authoring::LockGuardGeneration(tab->locks, g);
    if (!guard) return;
    Prepare(editor);
    authoring::ScanNeighborhoods(tab->generations[g - 1], editor.Doc().rule.stateCount, scratch_,
                                 [&](std::int32_t x, std::int32_t y, std::uint64_t index) {
                                     if (index == 0) return;
                                     visit(x, y, tab->locks.Contains(cache_.Canonical(index), *guard));
                                 });
}

FrameLockState FrameLocks::StateOf(const authoring::Editor& editor, std::size_t frame, const VisibleCells& visible) {
    bool visibleUnlocked = false, allLocked = true;
    ForEachProducedCell(editor, frame, [&](std::int32_t x, std::int32_t y, bool locked) {
        if (locked) return;
        allLocked = false;
        if (visible.Contains(x, y)) visibleUnlocked = true;
    });
    if (visibleUnlocked) return FrameLockState::SomeVisibleUnlocked;
    return allLocked ? FrameLockState::AllLocked : FrameLockState::Partial;
}

}  // namespace shell
