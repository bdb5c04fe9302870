// The pattern viewer: playback with its timer and clock, stepping, reset and randomize.
#include <algorithm>

#include "shell/main_window_view_impl.h"

namespace shell {

void MainWindowViewImpl::TogglePlay() {
    playing = !playing;
    if (playing) {
        clock.Reset(platform.NowNanoseconds());
        CancelDrags();
        selection.dragging = false;
    }
    UpdatePlaybackTimer();
    Redraw();
}

void MainWindowViewImpl::StopPlaying() {
    playing = false;
    UpdatePlaybackTimer();
    clock.Reset(platform.NowNanoseconds());
}

void MainWindowViewImpl::UpdatePlaybackTimer() {
    if (windowActive && playing) {
        if (!timerRunning) clock.Reset(platform.NowNanoseconds());
        platform.SetPlaybackTimer(PlaybackTimerPeriodMs(speedIndex));
        timerRunning = true;
        return;
    }
    if (timerRunning) {
        platform.SetPlaybackTimer(0);
        timerRunning = false;
        clock.Reset(platform.NowNanoseconds());
    }
}

void MainWindowViewImpl::SetActive(bool active) {
    windowActive = active;
    if (!active) {
        ctrlHeld = false;
        editor.EndLinkChain();
    }
    UpdatePlaybackTimer();
    Redraw();
}

void MainWindowViewImpl::TimerTick() {
    if (!windowActive) return;
    if (!playing) {
        clock.Reset(platform.NowNanoseconds());
        return;
    }
    const int steps =
        clock.Tick(platform.NowNanoseconds(), speedIndex, editor.Doc().source.lastStepMilliseconds);
    if (steps <= 0) return;
    try {
        for (int i = 0; i < steps; ++i) editor.StepSource(authoring::SourceStep::Forward);
    } catch (const std::exception& error) {
        StopPlaying();
        ShowError(error.what());
    }
    Redraw();
}

void MainWindowViewImpl::StepForward() {
    StopPlaying();
    Guarded([&] { editor.StepSource(authoring::SourceStep::Forward); });
}

void MainWindowViewImpl::StepBack() {
    StopPlaying();
    if (!editor.StepSource(authoring::SourceStep::Back)) Refuse();
    Redraw();
}

void MainWindowViewImpl::ResetViewer() {
    StopPlaying();
    Guarded([&] { editor.StepSource(authoring::SourceStep::Rewind); });
}

void MainWindowViewImpl::RandomizeViewer(int size, double density, bool rebuildTabs) {
    StopPlaying();
    const int before = editor.Doc().source.patternSize;
    Guarded([&] {
        editor.RandomizeSource(size, density, platform.TickCountMs(), rebuildTabs);
        const int side = editor.Doc().source.patternSize;
        if (side == before) return;
        // A new size brings the whole square into view; the same size keeps the user's camera.
        const RectF& grid = layout.viewerGrid;
        const float s = static_cast<float>(side);
        viewerCamera.centreX = s / 2;
        viewerCamera.centreY = s / 2;
        viewerCamera.cellSize = std::max(1.0f, std::min(grid.Height() / s, grid.Width() / s));
    });
}

void MainWindowViewImpl::ChangeSpeed(int delta) {
    const int next = std::clamp(speedIndex + delta, 0, kMaxSpeedIndex);
    if (next == speedIndex) {
        Refuse();
        return;
    }
    speedIndex = next;
    SaveSettings();
    clock.Reset(platform.NowNanoseconds());
    UpdatePlaybackTimer();
    Redraw();
}

void MainWindowViewImpl::SizePrompt() {
    const auto& source = editor.Doc().source;
    const std::optional<Platform::SizeDensity> chosen = platform.PromptPatternSize(source.patternSize, source.density);
    if (!chosen) {
        Redraw();
        return;
    }
    RandomizeViewer(chosen->size, chosen->density, false);
}

}  // namespace shell
