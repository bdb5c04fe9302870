// Mouse input: hit surfaces, focus, presses in priority order, drags, wheel and hover.
#include <algorithm>
#include <cmath>

#include "shell/constraint_page.h"
#include "shell/coverage_bar.h"
#include "shell/main_window_view_impl.h"
#include "shell/state_bar.h"
#include "shell/surface_camera.h"

namespace shell {

namespace {

authoring::SurfaceRef RefOf(const HitSurface& surface) {
    if (surface.viewer) return {authoring::Surface::Viewer, 0};
    return {authoring::Surface::TabFrame, static_cast<std::size_t>(std::max(surface.frame, 0))};
}

float Centre(const RectF& r) { return (r.left + r.right) / 2; }

}  // namespace

std::vector<std::uint64_t> MainWindowViewImpl::CoverageCounts() const {
    std::vector<std::uint64_t> counts;
    for (const authoring::PatternSequence& tab : editor.Doc().tabs) counts.push_back(tab.ownLockedTransitions.size());
    return counts;
}

bool MainWindowViewImpl::FramesShown() const {
    if (!layout.ruleColumnLaidOut || flags.colorEditorOpen || RuleEditorPage() || TabCount() == 0) return false;
    return editor.Doc().SelectedTab().IsPattern();
}

std::optional<HitSurface> MainWindowViewImpl::HitTest(float x, float y) const {
    if (layout.viewerLaidOut && layout.viewerGrid.Contains(x, y)) return HitSurface{true, -1};
    if (!FramesShown()) return std::nullopt;
    for (int k = 0; k < layout.visibleFrames; ++k)
        if (layout.frameOuter[k].Contains(x, y)) return HitSurface{false, k};
    return std::nullopt;
}

authoring::Camera MainWindowViewImpl::CameraOf(const HitSurface& surface) const {
    if (surface.viewer || TabCount() == 0) return viewerCamera;
    return editor.Doc().SelectedTab().camera;
}

const RectF& MainWindowViewImpl::GridRectOf(const HitSurface& surface) const {
    if (surface.viewer) return layout.viewerGrid;
    return layout.frameGrid[static_cast<std::size_t>(std::clamp(surface.frame, 0, int(kFrameCount) - 1))];
}

void MainWindowViewImpl::StoreCamera(const HitSurface& surface, const authoring::Camera& camera) {
    if (surface.viewer) {
        viewerCamera = camera;
        return;
    }
    if (!RuleEditorPage()) editor.SetTabCamera(static_cast<std::size_t>(editor.Doc().selectedTab), camera);
}

std::pair<std::int32_t, std::int32_t> MainWindowViewImpl::CellAt(const HitSurface& surface, float x, float y) const {
    return CellUnderPoint(CameraOf(surface), GridRectOf(surface), x, y);
}

void MainWindowViewImpl::UpdateFocusFromClick(float x, float y) {
    Focus nextFocus = focus;
    int nextFrame = focusedFrame;
    const auto hit = HitTest(x, y);
    if (layout.viewerLaidOut && (layout.viewerControls.Contains(x, y) || layout.viewerGrid.Contains(x, y))) {
        nextFocus = Focus::GridArea;
        nextFrame = -1;
    } else if (hit && !hit->viewer) {
        nextFocus = Focus::Panel;
        nextFrame = hit->frame;
    } else if (layout.ruleColumnLaidOut && !flags.colorEditorOpen && !FramesShown() && layout.page.Contains(x, y)) {
        nextFocus = Focus::Panel;
        nextFrame = -1;
    }
    if (nextFocus == focus && nextFrame == focusedFrame) return;
    focus = nextFocus;
    focusedFrame = nextFrame;
    Redraw();
}

void MainWindowViewImpl::MousePress(const MouseEvent& event) {
    ctrlHeld = event.modifiers.ctrl;
    if (startScreenShown) {
        if (event.button == MouseButton::Left) StartScreenPress(event.x, event.y);
        return;
    }
    UpdateFocusFromClick(event.x, event.y);
    mouseX = event.x;
    mouseY = event.y;
    switch (event.button) {
        case MouseButton::Left: LeftPress(event); break;
        case MouseButton::Right: RightPress(event); break;
        case MouseButton::Middle: MiddlePress(event); break;
    }
}

void MainWindowViewImpl::LeftPress(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    const Modifiers& m = event.modifiers;
    if (event.doubleClick) {
        if (ViewerButtonPress(x, y)) return;
        if (ColorEditorPress(x, y)) return;
        if (RuleEditorPagePress(x, y, m.shift)) return;
        if (ConstraintPagePress(x, y, MouseButton::Left, m, true)) return;
        const auto hit = HitTest(x, y);
        if (m.ctrl) {
            if (!hit || (hit->viewer && playing)) return;
            drag = Drag::None;
            editor.BeginStroke();
            drag = Drag::MarkerPaint;
            dragButton = MouseButton::Left;
            dragSurface = *hit;
            PaintAt(x, y, m.shift);
            return;
        }
        if (hit && !hit->viewer) {
            JumpToLockAt(*hit, x, y);
            return;
        }
        if (layout.ruleColumnLaidOut && !flags.colorEditorOpen && layout.tabStrip.Contains(x, y)) {
            for (std::size_t i = 0; i < layout.tabs.size(); ++i)
                if (layout.tabs[i].Contains(x, y) && !layout.closeBoxes[i].Contains(x, y)) {
                    tabDrag = {};
                    StartRename(static_cast<int>(i));
                    return;
                }
        }
        return;
    }
    if (CoverageBarPress(x, y)) return;
    if (ViewerButtonPress(x, y)) return;
    if (StateBarPress(x, y)) return;
    if (ColorEditorPress(x, y)) return;
    if (RuleEditorPagePress(x, y, m.shift)) return;
    if (ConstraintPagePress(x, y, MouseButton::Left, m, false)) return;
    if (TabBarPress(x, y)) return;
    const auto hit = HitTest(x, y);
    // While playing, Ctrl and Shift clicks only work on the viewer frames.
    if (playing && (m.ctrl || m.shift) && (!hit || hit->viewer)) {
        Refuse();
        return;
    }
    if (!hit) return;
    if (m.ctrl && m.shift) {
        const auto [cx, cy] = CellAt(*hit, x, y);
        selection = {};
        selection.exists = true;
        selection.dragging = true;
        selection.surface = *hit;
        if (!hit->viewer) {
            const auto& doc = editor.Doc();
            selection.generation = doc.SelectedTab().currentGeneration + hit->frame;
        }
        selection.anchorX = selection.endX = cx;
        selection.anchorY = selection.endY = cy;
        Redraw();
        return;
    }
    if (hit->viewer && playing) return;
    dragButton = MouseButton::Left;
    dragSurface = *hit;
    if (m.ctrl) {
        editor.BeginStroke();
        drag = Drag::MarkerPaint;
        PaintAt(x, y, m.shift);
        return;
    }
    drag = Drag::Pan;
}

void MainWindowViewImpl::RightPress(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    const auto hit = HitTest(x, y);
    if (event.doubleClick) {
        drag = Drag::None;
        if (ConstraintPagePress(x, y, MouseButton::Right, event.modifiers, true)) return;
        if (hit && !hit->viewer) {
            JumpToLockAt(*hit, x, y);
            return;
        }
    } else {
        if (layout.viewerLaidOut && layout.viewerButtons[kRandomize].Contains(x, y)) {
            SizePrompt();
            return;
        }
        if (IsTabBarContextArea(x, y)) return;  // the toolkit shows the tab bar's menu
        if (ConstraintPagePress(x, y, MouseButton::Right, event.modifiers, false)) return;
        if (hit && !hit->viewer) {
            const auto [cx, cy] = CellAt(*hit, x, y);
            if (editor.RemoveBrokenMarker(static_cast<std::size_t>(hit->frame), cx, cy) ==
                authoring::EditOutcome::Changed) {
                Redraw();
                return;
            }
        }
    }
    if (!hit || (hit->viewer && playing)) return;
    editor.BeginStroke();
    drag = Drag::StatePaint;
    dragButton = MouseButton::Right;
    dragSurface = *hit;
    PaintAt(x, y, event.modifiers.shift);
}

void MainWindowViewImpl::MiddlePress(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    if (layout.ruleColumnLaidOut && !flags.colorEditorOpen && layout.tabStrip.Contains(x, y)) {
        for (std::size_t i = 0; i < layout.tabs.size(); ++i)
            if (layout.tabs[i].Contains(x, y)) {
                if (playing) return;
                CommitRename();
                Guarded([&] { editor.CloseTab(i); });
                return;
            }
    }
    const auto hit = HitTest(x, y);
    if (!hit || (hit->viewer && playing)) return;
    drag = Drag::Pan;
    dragButton = MouseButton::Middle;
    dragSurface = *hit;
}

bool MainWindowViewImpl::ViewerButtonPress(float x, float y) {
    if (!layout.viewerLaidOut) return false;
    for (int i = 0; i < int(kViewerButtonCount); ++i) {
        if (!layout.viewerButtons[static_cast<std::size_t>(i)].Contains(x, y)) continue;
        const auto& source = editor.Doc().source;
        switch (i) {
            case kPlayPause: TogglePlay(); break;
            case kReset: ResetViewer(); break;
            case kRandomize: RandomizeViewer(source.patternSize, source.density, false); break;
            case kStepBack: StepBack(); break;
            case kStepForward: StepForward(); break;
            case kSpeedDown: ChangeSpeed(-1); break;
            case kSpeedUp: ChangeSpeed(+1); break;
            default: break;
        }
        return true;
    }
    return false;
}

bool MainWindowViewImpl::StateBarPress(float x, float y) {
    if (!flags.stateBarShown || !layout.stateBar.Contains(x, y)) return false;
    const RectF pages = StateBarPageSwitch(layout.stateBar);
    if (pages.Contains(x, y)) {
        statePageMarkers = x >= Centre(pages);
        digits.Clear();
        Redraw();
        return true;
    }
    if (statePageMarkers) {
        for (int marker = 1; marker <= 8; ++marker)
            if (MarkerRow(layout.stateBar, marker).Contains(x, y)) {
                markerValue = marker;
                Redraw();
            }
        return true;
    }
    for (int s = 0; s < StateCount(); ++s)
        if (StateSwatch(layout.stateBar, StateCount(), s).Contains(x, y)) {
            selectedState = s;
            digits.Clear();
            SyncView();
            Redraw();
        }
    return true;
}

bool MainWindowViewImpl::CoverageBarPress(float x, float y) {
    if (!layout.coverageBar.Contains(x, y)) return false;
    const int i = CoverageSegmentAt(
        CoverageSegments(layout.coverageBar, CoverageCounts(), core::RuleTableSize(StateCount())), x, y);
    if (i < 0) return false;
    SelectTabFromBar(static_cast<std::size_t>(i));
    return true;
}

void MainWindowViewImpl::MouseMove(float x, float y, Modifiers modifiers) {
    ctrlHeld = modifiers.ctrl;
    if (startScreenShown) {
        StartScreenHover(x, y);
        return;
    }
    const float dx = x - mouseX, dy = y - mouseY;
    mouseX = x;
    mouseY = y;
    if (tabDrag.pressed) {
        TabDragMove(x);
        return;
    }
    if (entryDrag.entry) {
        EntryDragMove(x, y);
        return;
    }
    if (selection.dragging) {
        // The selection stays on the pane where it began.
        const RectF& grid = GridRectOf(selection.surface);
        const float px = std::clamp(x, grid.left, std::nextafter(grid.right, grid.left));
        const float py = std::clamp(y, grid.top, std::nextafter(grid.bottom, grid.top));
        const auto [cx, cy] = CellAt(selection.surface, px, py);
        if (cx != selection.endX || cy != selection.endY) {
            selection.endX = cx;
            selection.endY = cy;
            Redraw();
        }
        return;
    }
    if (drag == Drag::Pan) {
        authoring::Camera camera = CameraOf(dragSurface);
        camera.centreX -= dx / camera.cellSize;
        camera.centreY -= dy / camera.cellSize;
        StoreCamera(dragSurface, camera);
        Redraw();
        return;
    }
    if (drag == Drag::StatePaint || drag == Drag::MarkerPaint) {
        PaintAt(x, y, modifiers.shift);
        return;
    }
    HoverCell next;
    if (const auto hit = HitTest(x, y)) {
        const auto [cx, cy] = CellAt(*hit, x, y);
        next = {true, *hit, cx, cy};
    }
    const int control = HoverControlAt(x, y);
    if (next == hover && control == hoverControl) return;
    hover = next;
    hoverControl = control;
    Redraw();
}

void MainWindowViewImpl::PaintAt(float x, float y, bool shift) {
    // Named copies, not a structured binding: lambdas capture those only from clang 16 on.
    const auto cell = CellAt(dragSurface, x, y);
    const std::int32_t cx = cell.first, cy = cell.second;
    Guarded([&] {
        authoring::EditOutcome outcome;
        if (drag == Drag::MarkerPaint) {
            outcome = editor.PaintMarker(RefOf(dragSurface), cx, cy, static_cast<std::uint8_t>(markerValue),
                                         PaintBrush());
        } else {
            outcome = editor.PaintCell(RefOf(dragSurface), cx, cy, shift, PaintBrush());
        }
        if (outcome == authoring::EditOutcome::Refused) Refuse();
    });
}

void MainWindowViewImpl::MouseRelease(const MouseEvent& event) {
    if (startScreenShown) return;
    mouseX = event.x;
    mouseY = event.y;
    if (event.button == MouseButton::Left) {
        if (tabDrag.pressed) TabRelease(event.x, event.y);
        selection.dragging = false;
        entryDrag = {};
    }
    if (drag != Drag::None && dragButton == event.button) drag = Drag::None;
    AfterChange();
}

void MainWindowViewImpl::JumpToLockAt(const HitSurface& surface, float x, float y) {
    const auto cell = CellAt(surface, x, y);
    const std::int32_t cx = cell.first, cy = cell.second;
    std::optional<authoring::LockJumpTarget> target;
    Guarded([&] { target = editor.JumpToLock(static_cast<std::size_t>(surface.frame), cx, cy, ScrollStep()); });
    if (!target || !target->cell) return;
    hover = {true, HitSurface{false, static_cast<int>(target->frame)}, target->cell->first, target->cell->second};
    KeepCurrentTabVisible();
}

void MainWindowViewImpl::CancelDrags() {
    drag = Drag::None;
    tabDrag = {};
    entryDrag = {};
    selection.dragging = false;
}

void MainWindowViewImpl::CaptureLost() {
    CancelDrags();
    Redraw();
}

void MainWindowViewImpl::MouseLeave() {
    mouseX = mouseY = -1;
    if (!hover.valid && hoverControl == -1) return;
    hover = {};
    hoverControl = -1;
    Redraw();
}

void MainWindowViewImpl::Wheel(float x, float y, int delta, Modifiers modifiers) {
    if (delta == 0 || startScreenShown) return;
    const bool up = delta > 0;
    if (RuleEditorPageWheel(x, y, up) || ConstraintPageWheel(x, y, up)) return;
    const auto hit = HitTest(x, y);
    if (!hit) {
        if (layout.ruleColumnLaidOut && !flags.colorEditorOpen && layout.tabBar.Contains(x, y))
            ScrollTabs(up ? -layout::kTabScrollStep : layout::kTabScrollStep);
        return;
    }
    if (!hit->viewer && modifiers.ctrl) {
        const auto& tab = editor.Doc().SelectedTab();
        if (!tab.IsPattern()) return;
        const int step = ScrollStep();
        const int next = std::max(0, tab.currentGeneration + (up ? -step : step));
        if (next == tab.currentGeneration) return;
        Guarded([&] {
            editor.SetCurrentGeneration(next);
            if (editor.FrameRandomizerActive() && focus == Focus::Panel) editor.RandomizeViewerFrames();
        });
        return;
    }
    authoring::Camera camera = CameraOf(*hit);
    const float minSize = hit->viewer ? kViewerMinCellSize : kFrameMinCellSize;
    if (!ZoomAbout(camera, GridRectOf(*hit), x, y, up, minSize, kMaxCellSize)) return;
    StoreCamera(*hit, camera);
    Redraw();
}

int MainWindowViewImpl::HoverControlAt(float x, float y) const {
    if (layout.ruleColumnLaidOut && !flags.colorEditorOpen) {
        if (layout.scrollLeft.Contains(x, y)) return 0;
        if (layout.scrollRight.Contains(x, y)) return 1;
        if (layout.newTab.Contains(x, y)) return 2;
    }
    if (ShownConstraintTab()) {
        const int id = ConstraintHoverAt(x, y);
        if (id >= 0) return id;
    }
    if (RuleEditorPageShown()) {
        const RuleEditorPageLayout page = PageLayout();
        if (page.checkbox.Contains(x, y)) return 12;
        if (page.takeMinrule.Contains(x, y)) return 13;
        if (page.randomize.Contains(x, y)) return 14;
    }
    if (layout.viewerLaidOut)
        for (int i = 0; i < int(kViewerButtonCount); ++i)
            if (layout.viewerButtons[static_cast<std::size_t>(i)].Contains(x, y)) return 3 + i;
    if (layout.coverageBar.Contains(x, y)) {
        const int i = CoverageSegmentAt(
            CoverageSegments(layout.coverageBar, CoverageCounts(), core::RuleTableSize(StateCount())), x, y);
        if (i >= 0) return 2000 + i;
    }
    if (layout.ruleColumnLaidOut && !flags.colorEditorOpen && layout.tabStrip.Contains(x, y)) {
        for (std::size_t i = 0; i < layout.tabs.size(); ++i) {
            if (layout.closeBoxes[i].Contains(x, y)) return 1000 + static_cast<int>(i);
            if (layout.tabs[i].Contains(x, y)) return 100 + static_cast<int>(i);
        }
        if (layout.directEditorTab.Contains(x, y)) return 100 + static_cast<int>(TabCount());
    }
    return -1;
}

}  // namespace shell
