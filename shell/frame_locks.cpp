#include "shell/frame_locks.h"

#include <algorithm>

#include "authoring/neighborhood_scan.h"

namespace shell {

const authoring::PackedLockTable* FrameLocks::TableFor(const authoring::PatternSequence& tab, std::uint64_t g) {
    if (g < 2) return &tab.baseLocks;
    return g - 2 < tab.lockTables.size() ? &tab.lockTables[g - 2] : nullptr;
}

const authoring::PatternSequence* FrameLocks::ShownTab(const authoring::Editor& editor) const {
    const authoring::Document& doc = editor.Doc();
    if (doc.tabs.empty() || doc.selectedTab < 0 || doc.selectedTab >= std::int32_t(doc.tabs.size())) return nullptr;
    const authoring::PatternSequence& tab = doc.tabs[static_cast<std::size_t>(doc.selectedTab)];
    return tab.IsPattern() ? &tab : nullptr;
}

void FrameLocks::Prepare(const authoring::Editor& editor) {
    const core::Rule& rule = editor.Rule();
    if (cache_.Symmetry() != rule.symmetry || cache_.StateCount() != rule.stateCount)
        cache_.Prepare(rule.symmetry, rule.stateCount);
}

bool FrameLocks::IsCellNeighborhoodLocked(const authoring::Editor& editor, std::size_t frame, std::int32_t x,
                                          std::int32_t y) {
    const authoring::PatternSequence* tab = ShownTab(editor);
    if (!tab) return false;
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab->currentGeneration, 0)) + frame;
    if (g == 0 || g > tab->generations.size()) return false;
    const authoring::PackedLockTable* table = TableFor(*tab, g);
    if (!table) return false;
    Prepare(editor);
    const core::ChunkGrid& previous = tab->generations[g - 1];
    const int n = editor.Rule().stateCount;
    std::uint64_t index = 0;
    for (int k = 0; k < 9; ++k) {
        const std::int64_t nx = std::int64_t{x} + k % 3 - 1, ny = std::int64_t{y} + k / 3 - 1;
        const bool inside = nx >= INT32_MIN && nx <= INT32_MAX && ny >= INT32_MIN && ny <= INT32_MAX;
        const std::uint8_t digit = inside ? previous.CellAt(std::int32_t(nx), std::int32_t(ny)) : 0;
        index = index * static_cast<std::uint64_t>(n) + digit;
    }
    return table->Contains(cache_.Canonical(index));
}

void FrameLocks::ForEachProducedCell(const authoring::Editor& editor, std::size_t frame,
                                     const std::function<void(std::int32_t, std::int32_t, bool)>& visit) {
    const authoring::PatternSequence* tab = ShownTab(editor);
    if (!tab) return;
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab->currentGeneration, 0)) + frame;
    if (g == 0 || g > tab->generations.size()) return;
    const authoring::PackedLockTable* table = TableFor(*tab, g);
    if (!table) return;
    Prepare(editor);
    authoring::ScanNeighborhoods(tab->generations[g - 1], editor.Rule().stateCount, scratch_,
                                 [&](std::int32_t x, std::int32_t y, std::uint64_t index) {
                                     if (index == 0) return;
                                     visit(x, y, table->Contains(cache_.Canonical(index)));
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
