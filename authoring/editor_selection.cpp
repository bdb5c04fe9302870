// Marker painting and the operations on a rectangular selection.
#include <algorithm>
#include <limits>

#include "authoring/editor_edit.h"

namespace authoring {

namespace {

// The layers an operation works on: the source grid's, or a tab's start pattern.
struct PatternLayers {
    core::ChunkGrid* grid = nullptr;
    core::AnnotationLayer* annotations = nullptr;
    core::LineageLayer* lineage = nullptr;
};

template <class F>
void ForEachCell(const CellRect& rect, F&& visit) {
    const std::int32_t x0 = std::min(rect.x0, rect.x1), x1 = std::max(rect.x0, rect.x1);
    const std::int32_t y0 = std::min(rect.y0, rect.y1), y1 = std::max(rect.y0, rect.y1);
    for (std::int64_t y = y0; y <= y1; ++y)
        for (std::int64_t x = x0; x <= x1; ++x) visit(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

}  // namespace

std::uint16_t Editor::NextMarkerValue(std::uint16_t old, std::uint8_t marker, const Brush& brush) const {
    const int n = doc_.rule.stateCount;
    const int s = std::clamp<int>(brush.state, 0, n - 1);
    if (brush.stateBarShown) {
        const auto painted = static_cast<std::uint16_t>(s * 256 + marker);
        return (marker == 0 || old == painted) ? 0 : painted;
    }
    if ((old & 0xFF) == 0) return marker == 0 ? 0 : static_cast<std::uint16_t>(256 + marker);
    if (old >= 256) return static_cast<std::uint16_t>((((old >> 8) + 1) % n) * 256 + (old & 0xFF));
    return 0;
}

EditOutcome Editor::PaintMarker(const SurfaceRef& where, std::int32_t x, std::int32_t y, std::uint8_t marker,
                                const Brush& brush) {
    const bool viewer = where.surface == Surface::Viewer;
    if (!viewer && (doc_.tabs.empty() || doc_.RuleEditorPageSelected())) return EditOutcome::Refused;
    const StrokeCell key{viewer ? kViewerStrokeKey : where.frame, x, y};
    if (!strokeCells_.insert(key).second) return EditOutcome::Unchanged;
    core::AnnotationLayer& layer = viewer ? doc_.source.annotations : CurrentTab().annotations;
    const std::uint16_t old = layer.ValueAt(x, y);
    const std::uint16_t next = NextMarkerValue(old, marker, brush);
    if (next == old) return EditOutcome::Unchanged;
    std::optional<Edit> edit;
    Edit::OfStroke(edit, *this, [&] { return CaptureEditorState(false); });
    edit->ForgetOnRollback(key);
    (viewer ? doc_.source.annotations : CurrentTab().annotations).SetValue(x, y, next);
    RefreshFrameAnnotations();
    edit->Commit();
    return EditOutcome::Changed;
}

void Editor::RefreshFrameAnnotations() {
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return;
    for (ViewerFrame& frame : frames_)
        if (frame.grid.ChunkCount() > 0 || frame.annotations.ChunkCount() > 0) frame.annotations = CurrentTab().annotations;
}

EditOutcome Editor::EditSelection(const SurfaceRef& where, bool keepUnchanged, const SelectionEdit& edit) {
    const bool viewer = where.surface == Surface::Viewer;
    if (!viewer && !ShowsPatternTab()) return EditOutcome::Refused;
    // An edit that changes nothing is not committed: it leaves no trace, neither on the undo
    // stack nor in the redo stack.
    Edit transaction(*this, CaptureEditorState(false));
    PatternLayers layers;
    if (viewer) {
        layers = {&doc_.source.grid, &doc_.source.annotations, &doc_.source.lineage};
    } else {
        PatternSequence& tab = CurrentTab();
        layers = {&tab.startGrid, &tab.annotations, &tab.startLineage};
    }
    const bool changed = edit(*layers.grid, *layers.annotations, *layers.lineage);
    if (!changed && !keepUnchanged) return EditOutcome::Refused;
    if (viewer) {
        doc_.source.ResetHistory(doc_.rule);
    } else {
        RebuildPatternSequencesFrom(static_cast<std::uint64_t>(doc_.selectedTab));
        doc_.source.Rewind(doc_.rule);
    }
    transaction.Commit();
    return changed ? EditOutcome::Changed : EditOutcome::Unchanged;
}

EditOutcome Editor::ConvertSelection(const SurfaceRef& where, const CellRect& rect, std::uint8_t marker,
                                     SelectionConversion conversion) {
    if (where.surface == Surface::TabFrame && FrameGeneration(where) != 0) return EditOutcome::Refused;
    if (conversion == SelectionConversion::CellsToMarkers)
        return EditSelection(where, false, [&](core::ChunkGrid& grid, core::AnnotationLayer& annotations,
                                               core::LineageLayer&) {
            bool changed = false;
            ForEachCell(rect, [&](std::int32_t x, std::int32_t y) {
                const std::uint8_t s = grid.CellAt(x, y);
                if (s == 0) return;
                annotations.SetValue(x, y, marker ? static_cast<std::uint16_t>(s * 256 + marker) : 0);
                grid.SetCell(x, y, 0);
                changed = true;
            });
            return changed;
        });
    return EditSelection(where, false, [&](core::ChunkGrid& grid, core::AnnotationLayer& annotations, core::LineageLayer&) {
        bool changed = false;
        ForEachCell(rect, [&](std::int32_t x, std::int32_t y) {
            const std::uint16_t value = annotations.ValueAt(x, y);
            if (value == 0 || (value & 0xFF) != marker) return;
            const auto state = static_cast<std::uint8_t>(value >> 8);
            if (grid.CellAt(x, y) == state) return;
            grid.SetCell(x, y, state);
            changed = true;
        });
        return changed;
    });
}

EditOutcome Editor::DeleteSelection(const SurfaceRef& where, const CellRect& rect) {
    const bool laterFrame = where.surface == Surface::TabFrame && FrameGeneration(where) != 0;
    const core::ChunkGrid* shown = nullptr;
    if (where.surface == Surface::Viewer) shown = &doc_.source.grid;
    else if (!doc_.tabs.empty() && !doc_.RuleEditorPageSelected() &&
             FrameGeneration(where) < CurrentTab().generations.size())
        shown = &CurrentTab().generations[FrameGeneration(where)];
    bool anyLive = false;
    if (shown) ForEachCell(rect, [&](std::int32_t x, std::int32_t y) { anyLive = anyLive || shown->CellAt(x, y) != 0; });
    // Later generations are computed, not drawn: only their tab's annotations can go.
    if (laterFrame && anyLive) return EditOutcome::Refused;
    return EditSelection(where, true, [&](core::ChunkGrid& grid, core::AnnotationLayer& annotations,
                                          core::LineageLayer& lineage) {
        bool changed = false;
        ForEachCell(rect, [&](std::int32_t x, std::int32_t y) {
            if (anyLive) {
                changed = changed || grid.CellAt(x, y) != 0;
                grid.SetCell(x, y, 0);
                return;
            }
            changed = changed || annotations.ValueAt(x, y) != 0 || (!laterFrame && lineage.ValueAt(x, y) != 0);
            annotations.SetValue(x, y, 0);
            if (!laterFrame) lineage.SetValue(x, y, 0);
        });
        return changed;
    });
}

std::size_t Editor::CopySelectionToNewTab(const SurfaceRef& where, const CellRect& rect) {
    const core::ChunkGrid* grid = nullptr;
    const core::AnnotationLayer* annotations = nullptr;
    const core::LineageLayer* lineage = nullptr;
    core::LineageLayer noLineage;
    if (where.surface == Surface::Viewer) {
        grid = &doc_.source.grid;
        annotations = &doc_.source.annotations;
        lineage = &doc_.source.lineage;
    } else {
        PatternSequence& tab = CurrentTab();
        const std::uint64_t g = FrameGeneration(where);
        if (!tab.IsPattern() || g >= tab.generations.size()) throw std::runtime_error("No pattern tabs are available.");
        grid = &tab.generations[g];
        annotations = &tab.annotations;
        lineage = g < tab.lineages.size() ? &tab.lineages[g] : &noLineage;
    }
    PatternSequence copy;
    const std::int32_t left = std::min(rect.x0, rect.x1), top = std::min(rect.y0, rect.y1);
    ForEachCell(rect, [&](std::int32_t x, std::int32_t y) {
        const auto cx = static_cast<std::int32_t>(std::int64_t{x} - left), cy = static_cast<std::int32_t>(std::int64_t{y} - top);
        if (const std::uint8_t s = grid->CellAt(x, y)) copy.startGrid.SetCell(cx, cy, s);
        if (const std::uint16_t a = annotations->ValueAt(x, y)) copy.annotations.SetValue(cx, cy, a);
        if (const std::uint8_t l = lineage->ValueAt(x, y)) copy.startLineage.SetValue(cx, cy, l);
    });
    const std::int64_t width = std::int64_t{std::max(rect.x0, rect.x1)} - left + 1;
    const std::int64_t height = std::int64_t{std::max(rect.y0, rect.y1)} - top + 1;
    copy.camera = NewTabCamera(8.0f);
    copy.camera.centreX = static_cast<float>(width) / 2.0f;
    copy.camera.centreY = static_cast<float>(height) / 2.0f;
    return InsertTab(std::move(copy));
}

std::uint64_t Editor::FrameGeneration(const SurfaceRef& where) const {
    if (doc_.tabs.empty()) return 0;
    const PatternSequence& tab = doc_.SelectedTab();
    return static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + where.frame;
}

}  // namespace authoring
