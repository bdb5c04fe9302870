#include "shell/grid_panes.h"

#include <algorithm>
#include <cmath>

#include "shell/surface_camera.h"
#include "shell/theme.h"

namespace shell {

namespace {

authoring::SurfaceRef RefOf(const HitSurface& surface) {
    if (surface.viewer) return {authoring::Surface::Viewer, 0};
    return {authoring::Surface::TabFrame, static_cast<std::size_t>(std::max(surface.frame, 0))};
}

std::int64_t FirstGeneration(const authoring::Editor& editor) {
    const auto& doc = editor.Doc();
    if (doc.tabs.empty()) return 0;
    const auto selected = std::min<std::size_t>(std::size_t(std::max(doc.selectedTab, 0)), doc.tabs.size() - 1);
    return doc.tabs[selected].currentGeneration;
}

}  // namespace

bool GridPanes::FramesShown() const {
    if (!ctx_.PagesShown()) return false;
    const authoring::PatternSequence* tab = ctx_.SelectedTab();
    return tab && tab->IsPattern();
}

std::optional<HitSurface> GridPanes::HitTest(float x, float y) const {
    const Layout& layout = ctx_.layout;
    if (layout.viewerLaidOut && layout.viewerGrid.Contains(x, y)) return HitSurface{true, -1};
    if (!FramesShown()) return std::nullopt;
    for (int k = 0; k < layout.visibleFrames; ++k)
        if (layout.frameOuter[static_cast<std::size_t>(k)].Contains(x, y)) return HitSurface{false, k};
    return std::nullopt;
}

authoring::Camera GridPanes::CameraOf(const HitSurface& surface) const {
    const std::size_t count = ctx_.TabCount();
    if (surface.viewer || count == 0) return viewerCamera_;
    const auto& doc = ctx_.editor.Doc();
    return doc.tabs[std::min<std::size_t>(static_cast<std::size_t>(std::max(doc.selectedTab, 0)), count - 1)].camera;
}

const RectF& GridPanes::GridRectOf(const HitSurface& surface) const {
    if (surface.viewer) return ctx_.layout.viewerGrid;
    return ctx_.layout.frameGrid[static_cast<std::size_t>(std::clamp(surface.frame, 0, int(kFrameCount) - 1))];
}

std::pair<std::int32_t, std::int32_t> GridPanes::CellAt(const HitSurface& surface, float x, float y) const {
    return CellUnderPoint(CameraOf(surface), GridRectOf(surface), x, y);
}

void GridPanes::CentreViewerCamera() {
    const RectF& grid = ctx_.layout.viewerGrid;
    const float w = std::max(grid.Width(), 1.0f), h = std::max(grid.Height(), 1.0f);
    viewerCamera_ = {16, 16, std::max(1.0f, std::min(w / 32, h / 32))};
    viewerCameraSet_ = grid.Width() > 0;
}

void GridPanes::StoreCamera(const HitSurface& surface, const authoring::Camera& camera) {
    if (surface.viewer) {
        viewerCamera_ = camera;
        return;
    }
    if (!ctx_.RuleEditorTabSelected())
        ctx_.editor.SetTabCamera(static_cast<std::size_t>(ctx_.editor.Doc().selectedTab), camera);
}

void GridPanes::BeginStroke(const HitSurface& surface, Drag kind, MouseButton button, float x, float y, bool shift) {
    ctx_.editor.BeginStroke();
    drag_ = kind;
    dragButton_ = button;
    dragSurface_ = surface;
    PaintAt(x, y, shift);
}

void GridPanes::BeginPan(const HitSurface& surface, MouseButton button) {
    drag_ = Drag::Pan;
    dragButton_ = button;
    dragSurface_ = surface;
}

void GridPanes::BeginSelection(const HitSurface& surface, float x, float y) {
    const auto [cx, cy] = CellAt(surface, x, y);
    selection_ = {};
    selection_.exists = true;
    selection_.dragging = true;
    selection_.surface = surface;
    if (!surface.viewer) selection_.generation = FirstGeneration(ctx_.editor) + surface.frame;
    selection_.anchorX = selection_.endX = cx;
    selection_.anchorY = selection_.endY = cy;
    ctx_.Redraw();
}

bool GridPanes::DragMove(float x, float y, float dx, float dy, Modifiers modifiers) {
    if (selection_.dragging) {
        // The selection stays on the pane where it began.
        const RectF& grid = GridRectOf(selection_.surface);
        const float px = std::clamp(x, grid.left, std::nextafter(grid.right, grid.left));
        const float py = std::clamp(y, grid.top, std::nextafter(grid.bottom, grid.top));
        const auto [cx, cy] = CellAt(selection_.surface, px, py);
        if (cx != selection_.endX || cy != selection_.endY) {
            selection_.endX = cx;
            selection_.endY = cy;
            ctx_.Redraw();
        }
        return true;
    }
    if (drag_ == Drag::Pan) {
        authoring::Camera camera = CameraOf(dragSurface_);
        camera.centreX -= dx / camera.cellSize;
        camera.centreY -= dy / camera.cellSize;
        StoreCamera(dragSurface_, camera);
        ctx_.Redraw();
        return true;
    }
    if (drag_ == Drag::StatePaint || drag_ == Drag::MarkerPaint) {
        PaintAt(x, y, modifiers.shift);
        return true;
    }
    return false;
}

void GridPanes::PaintAt(float x, float y, bool shift) {
    // Named copies, not a structured binding: lambdas capture those only from clang 16 on.
    const auto cell = CellAt(dragSurface_, x, y);
    const std::int32_t cx = cell.first, cy = cell.second;
    ctx_.Guarded([&] {
        authoring::Editor& editor = ctx_.editor;
        authoring::EditOutcome outcome;
        if (drag_ == Drag::MarkerPaint)
            outcome = editor.PaintMarker(RefOf(dragSurface_), cx, cy, static_cast<std::uint8_t>(ctx_.view.markerValue),
                                         ctx_.PaintBrush());
        else outcome = editor.PaintCell(RefOf(dragSurface_), cx, cy, shift, ctx_.PaintBrush());
        ctx_.RefuseIf(outcome, drag_ == Drag::MarkerPaint ? kNotPossible : "This transition is locked");
    });
}

void GridPanes::Release(MouseButton button) {
    if (button == MouseButton::Left) selection_.dragging = false;
    if (drag_ != Drag::None && dragButton_ == button) drag_ = Drag::None;
}

void GridPanes::CancelDrag() {
    drag_ = Drag::None;
    selection_.dragging = false;
}

bool GridPanes::Zoom(const HitSurface& surface, float x, float y, bool up) {
    authoring::Camera camera = CameraOf(surface);
    const float minSize = surface.viewer ? kViewerMinCellSize : kFrameMinCellSize;
    if (!ZoomAbout(camera, GridRectOf(surface), x, y, up, minSize, kMaxCellSize)) return false;
    StoreCamera(surface, camera);
    ctx_.Redraw();
    return true;
}

bool GridPanes::Hover(float x, float y) {
    HoverCell next;
    if (const auto hit = HitTest(x, y)) {
        const auto [cx, cy] = CellAt(*hit, x, y);
        next = {true, *hit, cx, cy};
    }
    if (next == hover_) return false;
    hover_ = next;
    return true;
}

authoring::SurfaceRef GridPanes::SelectionSurface() const {
    // Frames are named by their place on screen: the selection keeps its generation through scrolls.
    if (selection_.surface.viewer) return {authoring::Surface::Viewer, 0};
    const std::int64_t frame = std::max<std::int64_t>(selection_.generation - FirstGeneration(ctx_.editor), 0);
    return {authoring::Surface::TabFrame, static_cast<std::size_t>(frame)};
}

authoring::CellRect GridPanes::SelectionRect() const {
    return {selection_.anchorX, selection_.anchorY, selection_.endX, selection_.endY};
}

void GridPanes::Draw(Canvas& canvas, const HitSurface& surface, bool focused, bool randomizerEnd) {
    using namespace theme;
    const RectF& grid = GridRectOf(surface);
    if (grid.Width() <= 0 || grid.Height() <= 0) return;
    const authoring::Editor& editor = ctx_.editor;
    const authoring::Camera camera = CameraOf(surface);
    const authoring::Document& doc = editor.Doc();
    const Appearance& appearance = ctx_.view.appearance;
    canvas.FillRect(grid, kGridFill);
    SurfacePainter painter(canvas, doc.colors, ctx_.StateCount(), appearance, camera, grid, paintScratch_);
    const core::ChunkGrid* cells = &doc.source.grid;
    const core::HistoryLayer* history = &doc.source.history;
    const core::AnnotationLayer* annotations = &doc.source.annotations;
    const core::LineageLayer* lineage = &doc.source.lineage;
    if (!surface.viewer) {
        const authoring::ViewerFrame& frame = editor.Frames()[static_cast<std::size_t>(surface.frame)];
        cells = &frame.grid;
        history = &frame.history;
        annotations = &frame.annotations;
        lineage = &frame.lineage;
    }
    painter.DrawTrailsAndCells(*history, *cells);
    painter.DrawAnnotations(*annotations);
    painter.DrawLineage(*lineage);

    FrameLockState lockState = FrameLockState::AllLocked;
    if (!surface.viewer) {
        std::vector<std::pair<std::int32_t, std::int32_t>> locked;
        bool visibleUnlocked = false, allLocked = true;
        const std::size_t k = static_cast<std::size_t>(surface.frame);
        frameLocks_.ForEachProducedCell(editor, k, [&](std::int32_t x, std::int32_t y, bool isLocked) {
            const bool visible = painter.Visible().Contains(x, y);
            if (isLocked) {
                if (visible) locked.emplace_back(x, y);
                return;
            }
            allLocked = false;
            visibleUnlocked = visibleUnlocked || visible;
        });
        painter.DrawCellBoxes(locked, LockedOverlayMargin(camera.cellSize), LockedOverlayColor(appearance));
        lockState = randomizerEnd     ? FrameLockState::RandomizerEnd
                    : visibleUnlocked ? FrameLockState::SomeVisibleUnlocked
                    : allLocked       ? FrameLockState::AllLocked
                                      : FrameLockState::Partial;

        const auto& tab = doc.SelectedTab();
        const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + k;
        std::vector<std::pair<std::int32_t, std::int32_t>> broken;
        for (const authoring::BrokenMarker& marker : tab.brokenMarkers)
            if (marker.hasCell && marker.brokenGeneration == g) broken.emplace_back(marker.x, marker.y);
        painter.DrawCellBoxes(broken, std::clamp(0.12f * camera.cellSize, 1.0f, 3.0f), BrokenMarkerColor(appearance));
    }

    canvas.PushClip(grid);
    if (selection_.exists && selection_.surface.viewer == surface.viewer &&
        (surface.viewer || selection_.generation == FirstGeneration(editor) + surface.frame)) {
        const RectF a = CellRect(camera, grid, std::min(selection_.anchorX, selection_.endX),
                                 std::min(selection_.anchorY, selection_.endY));
        const RectF b = CellRect(camera, grid, std::max(selection_.anchorX, selection_.endX),
                                 std::max(selection_.anchorY, selection_.endY));
        const RectF r{a.left, a.top, b.right, b.bottom};
        canvas.FillRect(r, {0.26f, 0.70f, 0.74f, 0.16f});
        canvas.OutlineRect(r, {0.45f, 0.90f, 0.95f, 0.95f}, 1.5f);
    }
    if (hover_.valid && hover_.surface == surface) {
        const RectF r = CellRect(camera, grid, hover_.x, hover_.y);
        canvas.OutlineRect(r, {1, 1, 1, 0.85f}, camera.cellSize >= 8 ? 2.0f : 1.0f);
    }
    canvas.PopClip();

    if (surface.viewer) {
        canvas.OutlineRect(grid, kViewerFrameColor, 2.5f);
    } else {
        const float stroke = focused ? 8.0f : 4.0f;
        const RectF& outer = ctx_.layout.frameOuter[static_cast<std::size_t>(surface.frame)];
        const RectF inner{outer.left + stroke / 2, outer.top + stroke / 2, outer.right - stroke / 2,
                          outer.bottom - stroke / 2};
        canvas.OutlineRect(inner, FrameOutlineColor(lockState), stroke);
    }
}

}  // namespace shell
