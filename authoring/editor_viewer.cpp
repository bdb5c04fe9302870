// The operations the window calls around the document: the source grid the pattern viewer
// runs, cameras, markers, the lock jump, pasted patterns and the palette.
#include <algorithm>
#include <string>

#include "authoring/editor.h"
#include "authoring/neighborhood_scan.h"
#include "core/symmetry.h"
#include "formats/rle.h"

namespace authoring {

EditOutcome Editor::PaintSourceCell(std::int32_t x, std::int32_t y, bool shift) {
    if (!strokeCells_.insert({kViewerStrokeKey, x, y}).second) return EditOutcome::Unchanged;
    const std::uint8_t old = doc_.source.grid.CellAt(x, y);
    const std::uint8_t next = NextPaintState(old, shift);
    if (next == old) return EditOutcome::Unchanged;
    if (!strokeSnapshotTaken_) {
        BeginEdit(false);
        strokeSnapshotTaken_ = true;
    }
    // The drawn grid becomes the run's generation 0.
    doc_.source.Rewind(doc_.rule);
    doc_.source.grid.SetCell(x, y, next);
    doc_.source.ResetHistory(doc_.rule);
    return EditOutcome::Changed;
}

void Editor::StepSource() { doc_.source.Step(doc_.rule); }

bool Editor::StepSourceBack() { return doc_.source.StepBack(doc_.rule); }

void Editor::ResetSource() { doc_.source.Rewind(doc_.rule); }

void Editor::RandomizeSource(int size, double density, std::uint32_t seed, bool rebuildTabs) {
    doc_.source.Randomize(doc_.rule, size, density, seed);
    if (!rebuildTabs) return;
    RebuildPatternSequencesFrom(static_cast<std::uint64_t>(std::max(doc_.selectedTab, 0)));
    doc_.source.Rewind(doc_.rule);
}

void Editor::SetTabCamera(std::size_t tab, const Camera& camera) {
    if (tab < doc_.tabs.size()) doc_.tabs[tab].camera = camera;
}

EditOutcome Editor::RemoveBrokenMarker(std::size_t frame, std::int32_t x, std::int32_t y) {
    if (doc_.tabs.empty() || RuleEditorPageSelected()) return EditOutcome::Refused;
    PatternSequence& tab = CurrentTab();
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + frame;
    if (!tab.IsPattern() || g == 0) return EditOutcome::Refused;
    const auto marked = std::find_if(tab.brokenMarkers.begin(), tab.brokenMarkers.end(), [&](const BrokenMarker& m) {
        return m.hasCell && m.brokenGeneration == g && m.x == x && m.y == y;
    });
    if (marked == tab.brokenMarkers.end()) return EditOutcome::Unchanged;
    tab.brokenMarkers.erase(marked);
    return EditOutcome::Changed;
}

std::optional<LockJumpTarget> Editor::JumpToLock(std::size_t frame, std::int32_t x, std::int32_t y,
                                                 int generationScrollStep) {
    if (doc_.tabs.empty() || RuleEditorPageSelected() || !CurrentTab().IsPattern()) return std::nullopt;
    const PatternSequence& shown = CurrentTab();
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(shown.currentGeneration, 0)) + frame;
    if (g == 0 || g > shown.generations.size()) return std::nullopt;
    const std::uint64_t c = canonical_.Canonical(NeighborhoodIndexAt(shown.generations[g - 1], x, y));
    if (!LockedForGeneration(shown, g, c)) return std::nullopt;
    std::size_t owner = doc_.tabs.size();
    for (std::size_t i = 0; i < doc_.tabs.size() && owner == doc_.tabs.size(); ++i) {
        const std::vector<std::uint64_t>& own = doc_.tabs[i].ownLockedTransitions;
        if (std::find(own.begin(), own.end(), c) != own.end()) owner = i;
    }
    // Only the all-background transition is locked without an owner.
    if (owner == doc_.tabs.size()) return std::nullopt;
    LockJumpTarget target{owner, 0, std::nullopt};
    if (static_cast<std::int32_t>(owner) != doc_.selectedTab) SelectTab(owner);
    PatternSequence& tab = doc_.tabs[owner];
    if (!tab.IsPattern()) return target;
    const LockDeltaSource* use = tab.firstUses.Find(c);
    if (!use) return target;
    const auto step = static_cast<std::uint64_t>(std::max(generationScrollStep, 1));
    tab.currentGeneration = static_cast<std::int32_t>(use->generation / step * step);
    SyncViewerFrames();
    target.frame = static_cast<std::size_t>(use->generation - static_cast<std::uint64_t>(tab.currentGeneration));
    target.cell = std::make_pair(use->x, use->y);
    return target;
}

EditOutcome Editor::PastePattern(const formats::RlePattern& pattern, std::string& refusal) {
    int highest = 0;
    for (const formats::RleCell& cell : pattern.cells) highest = std::max<int>(highest, cell.state);
    if (highest >= doc_.rule.stateCount) {
        refusal = "This RLE uses state " + std::to_string(highest) + ", but the current rule only has " +
                  std::to_string(doc_.rule.stateCount) + " states.";
        return EditOutcome::Refused;
    }
    if (!CurrentTab().IsPattern()) throw std::runtime_error("Patterns can only be pasted into a pattern tab.");
    core::ChunkGrid grid;
    for (const formats::RleCell& cell : pattern.cells) grid.SetCell(cell.x, cell.y, cell.state);
    CheckGridScannable(grid);
    BeginEdit(false);
    PatternSequence& tab = CurrentTab();
    tab.startGrid = std::move(grid);
    tab.annotations = core::AnnotationLayer();
    tab.startLineage = core::LineageLayer();
    tab.currentGeneration = 0;
    RebuildPatternSequencesFrom(static_cast<std::uint64_t>(std::max(doc_.selectedTab, 0)));
    doc_.source.Rewind(doc_.rule);
    return EditOutcome::Changed;
}

void Editor::SetStateColor(int state, Color color) {
    if (state < 0 || state >= kPaletteSize || doc_.colors[state] == color) return;
    BeginEdit(false);
    doc_.colors[state] = color;
}

void Editor::RestoreDefaultColors() {
    BeginEdit(false);
    doc_.colors = DefaultPalette();
}

std::uint64_t Editor::NeighborhoodIndexAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) const {
    std::uint64_t index = 0;
    for (int k = 0; k < 9; ++k) {
        // Neighbours beyond the plane's edge are background.
        const std::int64_t nx = std::int64_t{x} + k % 3 - 1, ny = std::int64_t{y} + k / 3 - 1;
        const bool inside = nx >= INT32_MIN && nx <= INT32_MAX && ny >= INT32_MIN && ny <= INT32_MAX;
        const std::uint8_t digit =
            inside ? grid.CellAt(static_cast<std::int32_t>(nx), static_cast<std::int32_t>(ny)) : std::uint8_t{0};
        index = index * static_cast<std::uint64_t>(doc_.rule.stateCount) + digit;
    }
    return index;
}

bool Editor::LockedForGeneration(const PatternSequence& tab, std::uint64_t g, std::uint64_t canonical) const {
    return tab.locks.Contains(canonical, g >= 2 ? g - 2 : GenerationLocks::kBase);
}

}  // namespace authoring
