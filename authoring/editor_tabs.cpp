#include <algorithm>

#include "authoring/editor.h"
#include "core/symmetry.h"

namespace authoring {

void Editor::NewPatternTab() {
    PatternSequence tab;
    tab.camera = NewTabCamera(8.0f);
    InsertTab(std::move(tab));
}

std::size_t Editor::InsertTab(PatternSequence tab) {
    BeginEdit(false);
    const std::size_t at = RuleEditorPageSelected() ? doc_.tabs.size() : static_cast<std::size_t>(doc_.selectedTab) + 1;
    doc_.tabs.insert(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(at), std::move(tab));
    doc_.selectedTab = static_cast<std::int32_t>(at);
    RebuildPatternSequencesFrom(0);
    return at;
}

EditOutcome Editor::CloseTab(std::size_t index) {
    if (doc_.tabs.size() <= 1 || index >= doc_.tabs.size()) return EditOutcome::Refused;
    BeginEdit(false);
    doc_.tabs.erase(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(index));
    if (doc_.selectedTab > static_cast<std::int32_t>(index)) --doc_.selectedTab;
    doc_.selectedTab = std::min(doc_.selectedTab, static_cast<std::int32_t>(doc_.tabs.size()));
    RebuildPatternSequencesFrom(0);
    return EditOutcome::Changed;
}

void Editor::SelectTab(std::size_t index) {
    doc_.selectedTab = static_cast<std::int32_t>(std::min(index, doc_.tabs.size()));
    RebuildPatternSequencesFrom(index);
}

void Editor::MoveTab(std::size_t from, std::size_t to, bool firstMoveOfDrag) {
    if (from >= doc_.tabs.size() || to >= doc_.tabs.size() || from == to) return;
    if (firstMoveOfDrag) BeginEdit(false);
    PatternSequence moved = std::move(doc_.tabs[from]);
    doc_.tabs.erase(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(from));
    doc_.tabs.insert(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
    const auto selected = static_cast<std::size_t>(doc_.selectedTab);
    if (selected == from) doc_.selectedTab = static_cast<std::int32_t>(to);
    else if (from < selected && selected <= to) --doc_.selectedTab;
    else if (to <= selected && selected < from) ++doc_.selectedTab;
}

void Editor::SetCurrentGeneration(std::int32_t generation) {
    CurrentTab().currentGeneration = std::max(generation, 0);
    SyncViewerFrames();
}

void Editor::RenameTab(std::size_t index, const std::string& name) {
    if (index >= doc_.tabs.size() || doc_.tabs[index].name == name) return;
    doc_.tabs[index].name = name;
    unsavedChanges_ = true;
}

void Editor::BeginStroke() {
    strokeSnapshotTaken_ = false;
    strokeCells_.clear();
}

std::uint8_t Editor::NextPaintState(std::uint8_t old, bool shift) const {
    const int n = doc_.rule.stateCount;
    if (!stateBarShown_) return static_cast<std::uint8_t>((old + (shift ? -1 : 1) + n) % n);
    if (shift) return 0;
    return old == brushState_ ? 0 : brushState_;
}

EditOutcome Editor::PaintStartCell(std::int32_t x, std::int32_t y, bool shift) {
    if (RuleEditorPageSelected()) return EditOutcome::Refused;
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern()) return EditOutcome::Refused;
    const std::uint8_t old = tab.startGrid.CellAt(x, y);
    const std::uint8_t next = NextPaintState(old, shift);
    if (next == old) return EditOutcome::Unchanged;
    if (!strokeSnapshotTaken_) {
        BeginEdit(false);
        strokeSnapshotTaken_ = true;
    }
    PatternSequence& edited = CurrentTab();
    edited.startGrid.SetCell(x, y, next);
    RebuildPatternSequencesFrom(static_cast<std::uint64_t>(doc_.selectedTab));
    return EditOutcome::Changed;
}

EditOutcome Editor::PaintFrameCell(std::size_t frame, std::int32_t x, std::int32_t y, bool shift) {
    if (RuleEditorPageSelected()) return EditOutcome::Refused;
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern()) return EditOutcome::Refused;
    const std::uint64_t g = static_cast<std::uint64_t>(tab.currentGeneration) + frame;
    if (g == 0) return PaintStartCell(x, y, shift);
    if (!strokeCells_.insert({frame, x, y}).second) return EditOutcome::Unchanged;
    if (g - 1 >= tab.generations.size()) return EditOutcome::Unchanged;
    core::Neighborhood digits{};
    for (int k = 0; k < 9; ++k) digits[k] = tab.generations[g - 1].CellAt(x + k % 3 - 1, y + k / 3 - 1);
    const std::uint64_t index = core::NeighborhoodIndex(digits, doc_.rule.stateCount);
    const std::uint64_t canonical = canonical_.Canonical(index);
    if (tab.locks.Contains(canonical, g >= 2 ? g - 2 : GenerationLocks::kBase)) return EditOutcome::Refused;
    const std::uint8_t old = doc_.rule.table[index];
    const std::uint8_t next = NextPaintState(old, shift);
    if (next == old) return EditOutcome::Unchanged;
    const std::vector<RuleChange> changes = OrbitChanges(digits, next);
    if (!strokeSnapshotTaken_) {
        PushRuleChangeSnapshot(changes);
        redoStack_.clear();
        strokeSnapshotTaken_ = true;
    }
    std::erase_if(tab.brokenMarkers, [&](const BrokenMarker& m) {
        return m.transition == canonical || (m.hasCell && m.brokenGeneration == g && m.x == x && m.y == y);
    });
    ApplyRuleEdit(changes, canonical, true, static_cast<std::uint64_t>(std::max(doc_.selectedTab, 0)));
    return EditOutcome::Changed;
}

std::vector<RuleChange> Editor::OrbitChanges(const core::Neighborhood& digits, std::uint8_t state) const {
    std::vector<RuleChange> changes;
    for (std::uint64_t index : core::NeighborhoodOrbit(doc_.rule.symmetry, doc_.rule.stateCount, digits))
        changes.push_back({index, state});
    return changes;
}

void Editor::WriteChanges(const std::vector<RuleChange>& changes) {
    for (const RuleChange& change : changes) doc_.rule.table[change.index] = change.state;
}

void Editor::ApplyRuleEdit(const std::vector<RuleChange>& changes, std::uint64_t brokenTransition, bool markBroken,
                           std::uint64_t rebuildFrom) {
    WriteChanges(changes);
    doc_.source.Rewind(doc_.rule);
    if (markBroken) MarkBrokenInLaterTabs(brokenTransition);
    RebuildPatternSequencesFrom(rebuildFrom);
}

void Editor::MarkBrokenInLaterTabs(std::uint64_t transition) {
    if (RuleEditorPageSelected()) return;
    LockBookkeeping bookkeeping(canonical_);
    for (std::size_t j = static_cast<std::size_t>(doc_.selectedTab) + 1; j < doc_.tabs.size(); ++j)
        if (doc_.tabs[j].IsPattern()) bookkeeping.MarkBrokenTransition(doc_.tabs[j], transition);
}

EditOutcome Editor::JumpToBrokenMarker(int generationScrollStep, std::optional<std::pair<std::int32_t, std::int32_t>>& cell) {
    cell.reset();
    if (doc_.tabs.empty() || RuleEditorPageSelected()) return EditOutcome::Refused;
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern() || tab.brokenMarkers.empty()) return EditOutcome::Refused;
    EnsureSequenceGenerations(tab.brokenMarkers.front().brokenGeneration + 1);
    LockBookkeeping(canonical_).ResolvePendingMarkers(tab);
    const BrokenMarker marker = tab.brokenMarkers.front();
    const auto step = static_cast<std::uint64_t>(std::max(generationScrollStep, 1));
    tab.currentGeneration = static_cast<std::int32_t>(marker.brokenGeneration / step * step);
    SyncViewerFrames();
    const auto first = static_cast<std::uint64_t>(tab.currentGeneration);
    if (marker.hasCell && marker.brokenGeneration >= first &&
        marker.brokenGeneration < first + static_cast<std::uint64_t>(lookahead_)) {
        tab.camera.centreX = static_cast<float>(marker.x) + 0.5f;
        tab.camera.centreY = static_cast<float>(marker.y) + 0.5f;
        cell = std::make_pair(marker.x, marker.y);
    }
    return EditOutcome::Changed;
}

}  // namespace authoring
