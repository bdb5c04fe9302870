#include "shell/pattern_frames.h"

#include <algorithm>

#include "shell/theme.h"

namespace shell {

using namespace theme;

void PatternFrames::Draw(Canvas& canvas) {
    if (!ctx_.grid.FramesShown()) return;
    const Layout& layout = ctx_.layout;
    const authoring::Editor& editor = ctx_.editor;
    const auto& tab = *ctx_.SelectedTab();
    const bool randomizer = editor.FrameRandomizerActive() && randomizerTab_ == editor.Doc().selectedTab;
    for (int k = 0; k < layout.visibleFrames; ++k) {
        const bool focused = ctx_.view.focus == Focus::Panel && ctx_.view.focusedFrame == k;
        ctx_.grid.Draw(canvas, HitSurface{false, k}, focused, randomizer && k == layout.visibleFrames - 1);
        const RectF& outer = layout.frameOuter[static_cast<std::size_t>(k)];
        const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + std::uint64_t(k);
        const RectF label{outer.left + 8, outer.top + 4, outer.right - 8, outer.top + 22};
        DrawPlatedLabel(canvas, label, Format("G%llu", static_cast<unsigned long long>(g)),
                        k == 0 ? TextFormat::Label : TextFormat::CompactLabel, k == 0 ? kAccent : kMutedText);
        if (const std::optional<std::uint64_t> guard = authoring::LockGuardGeneration(tab.locks, g)) {
            const RectF second{outer.left + 8, outer.top + 23, outer.right - 8, outer.top + 39};
            DrawPlatedLabel(canvas, second,
                            Format("%zu/%zu locked", static_cast<std::size_t>(tab.locks.CountLocked(*guard)),
                                   static_cast<std::size_t>(tab.locks.Base().EntryCount())),
                            TextFormat::CompactLabel, kMutedText);
        }
    }
}

bool PatternFrames::Press(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    const auto hit = ctx_.grid.HitTest(x, y);
    if (!hit || hit->viewer) return false;
    const Modifiers& m = event.modifiers;
    GridPanes& grid = ctx_.grid;
    switch (event.button) {
        case MouseButton::Left:
            if (event.doubleClick && m.ctrl) grid.BeginStroke(*hit, Drag::MarkerPaint, MouseButton::Left, x, y, m.shift);
            else if (event.doubleClick) JumpToLockAt(*hit, x, y);
            else if (m.ctrl && m.shift) grid.BeginSelection(*hit, x, y);
            else if (m.ctrl) grid.BeginStroke(*hit, Drag::MarkerPaint, MouseButton::Left, x, y, m.shift);
            else grid.BeginPan(*hit, MouseButton::Left);
            return true;
        case MouseButton::Right:
            if (event.doubleClick) {
                JumpToLockAt(*hit, x, y);
                return true;
            }
            {
                // A right press on a broken marker removes it; anywhere else it paints.
                const auto [cx, cy] = grid.CellAt(*hit, x, y);
                if (ctx_.editor.RemoveBrokenMarker(static_cast<std::size_t>(hit->frame), cx, cy) ==
                    authoring::EditOutcome::Changed) {
                    ctx_.Redraw();
                    return true;
                }
            }
            grid.BeginStroke(*hit, Drag::StatePaint, MouseButton::Right, x, y, m.shift);
            return true;
        case MouseButton::Middle: grid.BeginPan(*hit, MouseButton::Middle); return true;
    }
    return false;
}

bool PatternFrames::Wheel(float x, float y, bool up, Modifiers modifiers) {
    const auto hit = ctx_.grid.HitTest(x, y);
    if (!hit || hit->viewer) return false;
    if (!modifiers.ctrl) {
        ctx_.grid.Zoom(*hit, x, y, up);
        return true;
    }
    const authoring::PatternSequence& tab = *ctx_.SelectedTab();
    const int step = ctx_.GenerationStep();
    const int next = std::max(0, tab.currentGeneration + (up ? -step : step));
    if (next == tab.currentGeneration) return true;
    ctx_.Guarded([&] {
        ctx_.editor.SetCurrentGeneration(next);
        if (ctx_.editor.FrameRandomizerActive() && ctx_.view.focus == Focus::Panel) ctx_.editor.RandomizeViewerFrames();
    });
    return true;
}

void PatternFrames::FollowClick(float x, float y) {
    const Layout& layout = ctx_.layout;
    ViewState& view = ctx_.view;
    Focus nextFocus = view.focus;
    int nextFrame = view.focusedFrame;
    const auto hit = ctx_.grid.HitTest(x, y);
    if (layout.viewerLaidOut && (layout.viewerControls.Contains(x, y) || layout.viewerGrid.Contains(x, y))) {
        nextFocus = Focus::GridArea;
        nextFrame = -1;
    } else if (hit && !hit->viewer) {
        nextFocus = Focus::Panel;
        nextFrame = hit->frame;
    } else if (ctx_.PagesShown() && !ctx_.grid.FramesShown() && layout.page.Contains(x, y)) {
        nextFocus = Focus::Panel;
        nextFrame = -1;
    }
    if (nextFocus == view.focus && nextFrame == view.focusedFrame) return;
    view.focus = nextFocus;
    view.focusedFrame = nextFrame;
    ctx_.Redraw();
}

void PatternFrames::FitFocus() {
    const Layout& layout = ctx_.layout;
    if (!layout.viewerLaidOut && !layout.ruleColumnLaidOut) ctx_.view.focusedFrame = -1;
    if (ctx_.view.focusedFrame >= layout.visibleFrames) ctx_.view.focusedFrame = -1;
}

void PatternFrames::StartFrameRandomizer(bool untilEnd) {
    const ViewState& view = ctx_.view;
    const int visible = ctx_.layout.viewerLaidOut ? 9 : 15;
    const authoring::PatternSequence* tab = ctx_.SelectedTab();
    if (view.focus != Focus::Panel || !tab || !tab->IsPattern() || view.focusedFrame < 0 ||
        (view.flags.viewerShown && view.flags.viewerMaximized) || view.focusedFrame >= visible) {
        ctx_.Refuse();
        return;
    }
    ctx_.Guarded([&] {
        authoring::Editor& editor = ctx_.editor;
        const std::int32_t first = tab->currentGeneration + view.focusedFrame;
        if (editor.RandomizeFrames(first, untilEnd ? authoring::kOpenGenerationEnd : first) ==
            authoring::EditOutcome::Refused)
            ctx_.Refuse();
        else randomizerTab_ = editor.Doc().selectedTab;
    });
}

void PatternFrames::JumpToLockAt(const HitSurface& surface, float x, float y) {
    const auto cell = ctx_.grid.CellAt(surface, x, y);
    const std::int32_t cx = cell.first, cy = cell.second;
    std::optional<authoring::LockJumpTarget> target;
    ctx_.Guarded([&] { target = ctx_.editor.JumpToLock(static_cast<std::size_t>(surface.frame), cx, cy, ctx_.GenerationStep()); });
    if (!target || !target->cell) return;
    ctx_.grid.SetHover({true, HitSurface{false, static_cast<int>(target->frame)}, target->cell->first,
                        target->cell->second});
    ctx_.window.KeepCurrentTabVisible();
}

}  // namespace shell
