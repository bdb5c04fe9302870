#include <algorithm>

#include "authoring/constraint_tab.h"
#include "authoring/editor_edit.h"
#include "authoring/generation_locks.h"
#include "core/symmetry.h"

namespace authoring {

void Editor::NewTab(PatternKind kind) {
    PatternSequence tab;
    tab.kind = kind;
    tab.camera = NewTabCamera(8.0f);
    if (kind == PatternKind::Constraint) {
        tab.name = "Constraint";
        NormalizeConstraintTab(tab, doc_.rule.stateCount);
        tab.entries.emplace_back();
    }
    InsertTab(std::move(tab));
}

std::size_t Editor::InsertTab(PatternSequence tab) {
    Edit edit(*this, CaptureEditorState(false));
    const std::size_t at =
        doc_.RuleEditorPageSelected() ? doc_.tabs.size() : static_cast<std::size_t>(doc_.selectedTab) + 1;
    doc_.tabs.insert(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(at), std::move(tab));
    doc_.selectedTab = static_cast<std::int32_t>(at);
    RebuildPatternSequencesFrom(0);
    edit.Commit();
    return at;
}

EditOutcome Editor::CloseTab(std::size_t index) {
    if (doc_.tabs.size() <= 1 || index >= doc_.tabs.size()) return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(false));
    // The randomizer is bound to a tab position that is about to change.
    EndFrameRandomizer();
    doc_.tabs.erase(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(index));
    if (doc_.selectedTab > static_cast<std::int32_t>(index)) --doc_.selectedTab;
    doc_.selectedTab = std::min(doc_.selectedTab, static_cast<std::int32_t>(doc_.tabs.size()));
    RebuildPatternSequencesFrom(0);
    edit.Commit();
    return EditOutcome::Changed;
}

void Editor::SelectTab(std::size_t index) {
    doc_.selectedTab = static_cast<std::int32_t>(std::min(index, doc_.tabs.size()));
    RebuildPatternSequencesFrom(index);
}

void Editor::MoveTab(std::size_t from, std::size_t to, bool firstMoveOfDrag) {
    if (from >= doc_.tabs.size() || to >= doc_.tabs.size() || from == to) return;
    std::optional<Edit> edit;
    // The moves of one drag join the record of its first.
    if (firstMoveOfDrag || !strokeRecordOnTop_ || undoStack_.empty())
        edit.emplace(*this, CaptureEditorState(false), true);
    else
        edit.emplace(*this);
    EndFrameRandomizer();
    PatternSequence moved = std::move(doc_.tabs[from]);
    doc_.tabs.erase(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(from));
    doc_.tabs.insert(doc_.tabs.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
    const auto selected = static_cast<std::size_t>(doc_.selectedTab);
    if (selected == from) doc_.selectedTab = static_cast<std::int32_t>(to);
    else if (from < selected && selected <= to) --doc_.selectedTab;
    else if (to <= selected && selected < from) ++doc_.selectedTab;
    edit->Commit();
}

void Editor::EndTabDrag() {
    // The rule outputs the reordered constraint tabs write belong to the drag's record.
    std::optional<Edit> edit;
    if (strokeRecordOnTop_ && !undoStack_.empty()) edit.emplace(*this);
    RebuildPatternSequencesFrom(0);
    if (edit) edit->Commit();
}

void Editor::SetCurrentGeneration(std::int32_t generation) {
    CurrentTab().currentGeneration = std::max(generation, 0);
    SyncViewerFrames();
}

void Editor::RenameTab(std::size_t index, const std::string& name) {
    if (index >= doc_.tabs.size() || doc_.tabs[index].name == name) return;
    doc_.tabs[index].name = name;
    MarkEdited();
}

void Editor::BeginStroke() {
    strokeRecordOnTop_ = false;
    strokeCells_.clear();
}

std::uint8_t Editor::NextPaintState(std::uint8_t old, bool back, const Brush& brush) const {
    const int n = doc_.rule.stateCount;
    if (!brush.stateBarShown) return static_cast<std::uint8_t>((old + (back ? -1 : 1) + n) % n);
    if (back) return 0;
    const auto state = static_cast<std::uint8_t>(std::min<int>(brush.state, n - 1));
    return old == state ? 0 : state;
}

EditOutcome Editor::PaintCell(const SurfaceRef& where, std::int32_t x, std::int32_t y, bool back, const Brush& brush) {
    if (where.surface == Surface::Viewer) return PaintSourceCell(x, y, back, brush);
    return PaintFrameCell(where.frame, x, y, back, brush);
}

EditOutcome Editor::PaintStartCell(std::int32_t x, std::int32_t y, bool back, const Brush& brush) {
    if (!ShowsPatternTab()) return EditOutcome::Refused;
    // The window repeats the call on every mouse move: a stroke changes each cell once.
    const StrokeCell key{kStartGridStrokeKey, x, y};
    if (!strokeCells_.insert(key).second) return EditOutcome::Unchanged;
    const std::uint8_t old = CurrentTab().startGrid.CellAt(x, y);
    const std::uint8_t next = NextPaintState(old, back, brush);
    if (next == old) return EditOutcome::Unchanged;
    std::optional<Edit> edit;
    Edit::OfStroke(edit, *this, [&] { return CaptureEditorState(false); });
    edit->ForgetOnRollback(key);
    CurrentTab().startGrid.SetCell(x, y, next);
    RebuildPatternSequencesFrom(static_cast<std::uint64_t>(doc_.selectedTab));
    edit->Commit();
    return EditOutcome::Changed;
}

EditOutcome Editor::PaintFrameCell(std::size_t frame, std::int32_t x, std::int32_t y, bool back, const Brush& brush) {
    if (!ShowsPatternTab()) return EditOutcome::Refused;
    PatternSequence& tab = CurrentTab();
    const std::uint64_t g = static_cast<std::uint64_t>(tab.currentGeneration) + frame;
    if (g == 0) return PaintStartCell(x, y, back, brush);
    const StrokeCell key{frame, x, y};
    if (!strokeCells_.insert(key).second) return EditOutcome::Unchanged;
    if (g - 1 >= tab.generations.size()) return EditOutcome::Unchanged;
    const std::uint64_t index = NeighborhoodIndexAt(tab.generations[g - 1], x, y);
    const std::uint64_t canonical = canonical_.Canonical(index);
    if (LockedForGeneration(tab.locks, g, canonical)) return EditOutcome::Refused;
    const std::uint8_t old = doc_.rule.table[index];
    const std::uint8_t next = NextPaintState(old, back, brush);
    if (next == old) return EditOutcome::Unchanged;
    const std::vector<RuleChange> changes = OrbitChanges(core::DecodeNeighborhoodIndex(index, doc_.rule.stateCount), next);
    std::optional<Edit> edit;
    Edit::OfStroke(edit, *this, [&] { return RuleChangeRecord(changes); });
    edit->ForgetOnRollback(key);
    std::erase_if(CurrentTab().brokenMarkers, [&](const BrokenMarker& m) {
        return m.transition == canonical || (m.hasCell && m.brokenGeneration == g && m.x == x && m.y == y);
    });
    ApplyRuleEdit(changes, canonical, true, static_cast<std::uint64_t>(std::max(doc_.selectedTab, 0)));
    edit->Commit();
    return EditOutcome::Changed;
}

std::vector<RuleChange> Editor::OrbitChanges(const core::Neighborhood& digits, std::uint8_t state) const {
    std::vector<RuleChange> changes;
    for (std::uint64_t index : core::NeighborhoodOrbit(doc_.rule.symmetry, doc_.rule.stateCount, digits))
        changes.push_back({index, state});
    return changes;
}

void Editor::ApplyRuleEdit(const std::vector<RuleChange>& changes, std::uint64_t brokenTransition, bool markBroken,
                           std::uint64_t rebuildFrom) {
    WriteChanges(changes);
    doc_.source.Rewind(doc_.rule);
    if (markBroken) MarkBrokenInLaterTabs(brokenTransition);
    RebuildPatternSequencesFrom(rebuildFrom);
}

void Editor::MarkBrokenInLaterTabs(std::uint64_t transition) {
    if (doc_.RuleEditorPageSelected()) return;
    LockBookkeeping bookkeeping(canonical_);
    for (std::size_t j = static_cast<std::size_t>(doc_.selectedTab) + 1; j < doc_.tabs.size(); ++j)
        if (doc_.tabs[j].IsPattern()) bookkeeping.MarkBrokenTransition(doc_.tabs[j], transition);
}

EditOutcome Editor::JumpToBrokenMarker(int generationScrollStep, std::optional<std::pair<std::int32_t, std::int32_t>>& cell) {
    cell.reset();
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return EditOutcome::Refused;
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
