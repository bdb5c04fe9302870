#include "shell/pattern_viewer.h"

#include <algorithm>

#include "shell/theme.h"

namespace shell {

using namespace theme;

namespace {

constexpr HitSurface kViewer{true, -1};
constexpr int kButtonHoverBase = 3;

bool Plain(const Modifiers& m) { return !m.ctrl && !m.alt; }

}  // namespace

void PatternViewer::Draw(Canvas& canvas) {
    const Layout& layout = ctx_.layout;
    if (!layout.viewerLaidOut) return;
    canvas.DrawText("Pattern Viewer", layout.viewerTitle, TextFormat::Title, kPanelText, HAlign::Leading,
                    VAlign::Centre);
    static constexpr const char* kLabels[] = {"Play", "Reset", "Randomize", "<", ">", "", "-", "", "+"};
    const auto& source = ctx_.editor.Doc().source;
    for (int i = 0; i < int(kViewerButtonCount); ++i) {
        const RectF& r = layout.viewerButtons[static_cast<std::size_t>(i)];
        if (i == kGenerationBox) {
            DrawReadoutBox(canvas, r,
                           source.patternSize < 512
                               ? Format("T %d", source.generation)
                               : Format("T %d | %dx%d", source.generation, source.patternSize, source.patternSize));
        } else if (i == kSpeedBox) {
            DrawReadoutBox(canvas, r, Format("%d gen/s", PlaybackRate(speedIndex_)));
        } else {
            const bool pause = i == kPlayPause && ctx_.view.playing;
            DrawButton(canvas, r, pause ? "Pause" : kLabels[i], ctx_.view.hoverControl == kButtonHoverBase + i, pause);
        }
    }
    ctx_.grid.Draw(canvas, kViewer, false, false);
}

bool PatternViewer::Press(const MouseEvent& event) {
    const Layout& layout = ctx_.layout;
    const float x = event.x, y = event.y;
    const Modifiers& m = event.modifiers;
    const bool playing = ctx_.view.playing;
    if (layout.viewerLaidOut) {
        for (int i = 0; i < int(kViewerButtonCount); ++i) {
            if (!layout.viewerButtons[static_cast<std::size_t>(i)].Contains(x, y)) continue;
            if (event.button == MouseButton::Left) {
                PressButton(i);
                return true;
            }
            if (event.button == MouseButton::Right && !event.doubleClick && i == kRandomize) {
                SizePrompt();
                return true;
            }
        }
    }
    const bool inGrid = layout.viewerLaidOut && layout.viewerGrid.Contains(x, y);
    switch (event.button) {
        case MouseButton::Left:
            if (event.doubleClick) {
                if (!inGrid || !m.ctrl || playing) return inGrid;
                ctx_.grid.BeginStroke(kViewer, Drag::MarkerPaint, MouseButton::Left, x, y, m.shift);
                return true;
            }
            // While playing, Ctrl and Shift clicks only work on the viewer frames.
            if (playing && (m.ctrl || m.shift)) {
                ctx_.Refuse();
                return true;
            }
            if (!inGrid) return false;
            if (m.ctrl && m.shift) ctx_.grid.BeginSelection(kViewer, x, y);
            else if (playing) return true;
            else if (m.ctrl) ctx_.grid.BeginStroke(kViewer, Drag::MarkerPaint, MouseButton::Left, x, y, m.shift);
            else ctx_.grid.BeginPan(kViewer, MouseButton::Left);
            return true;
        case MouseButton::Right:
            if (!inGrid) return false;
            if (!playing) ctx_.grid.BeginStroke(kViewer, Drag::StatePaint, MouseButton::Right, x, y, m.shift);
            return true;
        case MouseButton::Middle:
            if (!inGrid) return false;
            if (!playing) ctx_.grid.BeginPan(kViewer, MouseButton::Middle);
            return true;
    }
    return false;
}

bool PatternViewer::Wheel(float x, float y, bool up, Modifiers) {
    if (!ctx_.layout.viewerLaidOut || !ctx_.layout.viewerGrid.Contains(x, y)) return false;
    ctx_.grid.Zoom(kViewer, x, y, up);
    return true;
}

bool PatternViewer::Key(const KeyEvent& event) {
    const Modifiers& m = event.modifiers;
    if (!Plain(m) || ctx_.view.focus == Focus::Panel) return false;
    switch (event.key) {
        case Key::Enter: TogglePlay(); return true;
        case Key::Backspace: StepBack(); return true;
        case Key::Space: StepForward(); return true;
        case Key::R: {
            const auto& source = ctx_.editor.Doc().source;
            if (m.shift) Randomize(source.patternSize, source.density, true);
            else Reset();
            return true;
        }
        default: return false;
    }
}

int PatternViewer::HoverAt(float x, float y) const {
    if (!ctx_.layout.viewerLaidOut) return -1;
    for (int i = 0; i < int(kViewerButtonCount); ++i)
        if (ctx_.layout.viewerButtons[static_cast<std::size_t>(i)].Contains(x, y)) return kButtonHoverBase + i;
    return -1;
}

void PatternViewer::PressButton(int button) {
    const auto& source = ctx_.editor.Doc().source;
    switch (button) {
        case kPlayPause: TogglePlay(); break;
        case kReset: Reset(); break;
        case kRandomize: Randomize(source.patternSize, source.density, false); break;
        case kStepBack: StepBack(); break;
        case kStepForward: StepForward(); break;
        case kSpeedDown: ChangeSpeed(-1); break;
        case kSpeedUp: ChangeSpeed(+1); break;
        default: break;
    }
}

void PatternViewer::TogglePlay() {
    ctx_.view.playing = !ctx_.view.playing;
    if (ctx_.view.playing) {
        clock_.Reset(ctx_.platform.NowNanoseconds());
        ctx_.window.CancelDrags();
    }
    UpdatePlaybackTimer();
    ctx_.Redraw();
}

void PatternViewer::StopPlaying() {
    ctx_.view.playing = false;
    UpdatePlaybackTimer();
    clock_.Reset(ctx_.platform.NowNanoseconds());
}

void PatternViewer::UpdatePlaybackTimer() {
    Platform& platform = ctx_.platform;
    if (windowActive_ && ctx_.view.playing) {
        if (!timerRunning_) clock_.Reset(platform.NowNanoseconds());
        platform.SetPlaybackTimer(PlaybackTimerPeriodMs(speedIndex_));
        timerRunning_ = true;
        return;
    }
    if (timerRunning_) {
        platform.SetPlaybackTimer(0);
        timerRunning_ = false;
        clock_.Reset(platform.NowNanoseconds());
    }
}

void PatternViewer::SetActive(bool active) {
    windowActive_ = active;
    if (!active) {
        ctx_.view.ctrlHeld = false;
        ctx_.EndLinkChain();
    }
    UpdatePlaybackTimer();
    ctx_.Redraw();
}

void PatternViewer::SetSpeedIndex(int index) {
    speedIndex_ = std::clamp(index, 0, kMaxSpeedIndex);
    UpdatePlaybackTimer();
}

void PatternViewer::TimerTick() {
    if (!windowActive_) return;
    if (!ctx_.view.playing) {
        clock_.Reset(ctx_.platform.NowNanoseconds());
        return;
    }
    const int steps =
        clock_.Tick(ctx_.platform.NowNanoseconds(), speedIndex_, ctx_.editor.Doc().source.lastStepMilliseconds);
    if (steps <= 0) return;
    try {
        for (int i = 0; i < steps; ++i) ctx_.editor.StepSource(authoring::SourceStep::Forward);
    } catch (const std::exception& error) {
        StopPlaying();
        ctx_.window.ShowError(error.what(), kTitle);
    }
    ctx_.Redraw();
}

void PatternViewer::StepForward() {
    StopPlaying();
    ctx_.Guarded([&] { ctx_.editor.StepSource(authoring::SourceStep::Forward); });
}

void PatternViewer::StepBack() {
    StopPlaying();
    if (!ctx_.editor.StepSource(authoring::SourceStep::Back)) ctx_.Refuse();
    ctx_.Redraw();
}

void PatternViewer::Reset() {
    StopPlaying();
    ctx_.Guarded([&] { ctx_.editor.StepSource(authoring::SourceStep::Rewind); });
}

void PatternViewer::Randomize(int size, double density, bool rebuildTabs) {
    StopPlaying();
    const int before = ctx_.editor.Doc().source.patternSize;
    ctx_.Guarded([&] {
        ctx_.editor.RandomizeSource(size, density, ctx_.platform.TickCountMs(), rebuildTabs);
        const int side = ctx_.editor.Doc().source.patternSize;
        if (side == before) return;
        // A new size brings the whole square into view; the same size keeps the user's camera.
        const RectF& grid = ctx_.layout.viewerGrid;
        const float s = static_cast<float>(side);
        ctx_.grid.SetViewerCamera({s / 2, s / 2, std::max(1.0f, std::min(grid.Height() / s, grid.Width() / s))});
    });
}

void PatternViewer::ChangeSpeed(int delta) {
    const int next = std::clamp(speedIndex_ + delta, 0, kMaxSpeedIndex);
    if (next == speedIndex_) {
        ctx_.Refuse();
        return;
    }
    speedIndex_ = next;
    ctx_.window.SaveSettings();
    clock_.Reset(ctx_.platform.NowNanoseconds());
    UpdatePlaybackTimer();
    ctx_.Redraw();
}

void PatternViewer::SizePrompt() {
    const auto& source = ctx_.editor.Doc().source;
    const std::optional<Platform::SizeDensity> chosen =
        ctx_.platform.PromptPatternSize(source.patternSize, source.density);
    if (!chosen) {
        ctx_.Redraw();
        return;
    }
    Randomize(chosen->size, chosen->density, false);
}

}  // namespace shell
