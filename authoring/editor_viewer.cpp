// The operations the window calls around the document: the source grid the pattern viewer
// runs, cameras, markers, the lock jump, pasted patterns and the palette.
#include <algorithm>
#include <cstdint>
#include <string>

#include "authoring/editor_edit.h"
#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"
#include "core/symmetry.h"
#include "formats/rle.h"

namespace authoring {

EditOutcome Editor::PaintSourceCell(std::int32_t x, std::int32_t y, bool back, const Brush& brush) {
    const StrokeCell key{kViewerStrokeKey, x, y};
    if (!strokeCells_.insert(key).second) return EditOutcome::Unchanged;
    const std::uint8_t old = doc_.source.grid.CellAt(x, y);
    const std::uint8_t next = NextPaintState(old, back, brush);
    if (next == old) return EditOutcome::Unchanged;
    std::optional<Edit> edit;
    Edit::OfStroke(edit, *this, [&] { return CaptureEditorState(false); });
    edit->ForgetOnRollback(key);
    // The drawn grid becomes the run's generation 0.
    doc_.source.Rewind(doc_.rule);
    doc_.source.grid.SetCell(x, y, next);
    doc_.source.ResetHistory(doc_.rule);
    edit->Commit();
    return EditOutcome::Changed;
}

bool Editor::StepSource(SourceStep step) {
    switch (step) {
        case SourceStep::Forward: doc_.source.Step(doc_.rule); return true;
        case SourceStep::Back: return doc_.source.StepBack(doc_.rule);
        case SourceStep::Rewind: doc_.source.Rewind(doc_.rule); return true;
    }
    return false;
}

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
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return EditOutcome::Refused;
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
    if (!ShowsPatternTab()) return std::nullopt;
    const PatternSequence& shown = CurrentTab();
    const std::uint64_t g = static_cast<std::uint64_t>(std::max(shown.currentGeneration, 0)) + frame;
    if (g == 0 || g > shown.generations.size()) return std::nullopt;
    const std::uint64_t c = canonical_.Canonical(NeighborhoodIndexAt(shown.generations[g - 1], x, y));
    if (!LockedForGeneration(shown.locks, g, c)) return std::nullopt;
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

std::string Editor::PatternStateRefusal(const formats::RlePattern& pattern, int stateCount) {
    int highest = 0;
    for (const formats::RleCell& cell : pattern.cells) highest = std::max<int>(highest, cell.state);
    if (highest < stateCount) return {};
    return "This RLE uses state " + std::to_string(highest) + ", but the current rule only has " +
           std::to_string(stateCount) + " states.";
}

core::ChunkGrid Editor::PatternGrid(const formats::RlePattern& pattern) {
    core::ChunkGrid grid;
    core::SetCells(grid, pattern.cells);
    CheckGridScannable(grid);
    return grid;
}

Camera Editor::CameraOnPattern(const formats::RlePattern& pattern, Camera camera) const {
    if (pattern.cells.empty()) return camera;
    std::int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (const formats::RleCell& cell : pattern.cells) {
        left = std::min<std::int64_t>(left, cell.x);
        right = std::max<std::int64_t>(right, cell.x + std::int64_t{1});
        top = std::min<std::int64_t>(top, cell.y);
        bottom = std::max<std::int64_t>(bottom, cell.y + std::int64_t{1});
    }
    camera.centreX = static_cast<float>((left + right) / 2.0);
    camera.centreY = static_cast<float>((top + bottom) / 2.0);
    // Smaller cells when the pattern would not fit, though never below what a frame can zoom out to.
    const float fit = std::min(std::max(gridArea_.width, 1.0f) / static_cast<float>(right - left),
                               std::max(gridArea_.height, 1.0f) / static_cast<float>(bottom - top));
    camera.cellSize = std::max(std::min(camera.cellSize, fit), 4.0f);
    return camera;
}

EditOutcome Editor::PastePattern(const formats::RlePattern& pattern, std::string& refusal) {
    if (std::string why = PatternStateRefusal(pattern, doc_.rule.stateCount); !why.empty()) {
        refusal = std::move(why);
        return EditOutcome::Refused;
    }
    if (!CurrentTab().IsPattern()) throw std::runtime_error("Patterns can only be pasted into a pattern tab.");
    core::ChunkGrid grid = PatternGrid(pattern);
    Edit edit(*this, CaptureEditorState(false));
    PatternSequence& tab = CurrentTab();
    tab.camera = CameraOnPattern(pattern, tab.camera);
    tab.startGrid = std::move(grid);
    tab.annotations = core::AnnotationLayer();
    tab.startLineage = core::LineageLayer();
    tab.currentGeneration = 0;
    RebuildPatternSequencesFrom(static_cast<std::uint64_t>(std::max(doc_.selectedTab, 0)));
    doc_.source.Rewind(doc_.rule);
    edit.Commit();
    return EditOutcome::Changed;
}

void Editor::SetColors(const Palette& colors) {
    Edit edit(*this, CaptureEditorState(false));
    doc_.colors = colors;
    edit.Commit();
}

std::uint64_t Editor::NeighborhoodIndexAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) const {
    return authoring::NeighborhoodIndexAt(grid, doc_.rule.stateCount, x, y);
}

}  // namespace authoring
