#pragma once

#include "shell/grid_panes.h"
#include "shell/panel.h"

namespace shell {

// The viewer frames of the current pattern tab: their labels and panes, the keyboard focus they
// take, painting that rewrites transitions, lock jumps and the frame randomizer.
class PatternFrames final : public Panel {
public:
    explicit PatternFrames(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    // Ctrl scrolls the generations, otherwise the frames zoom.
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;

    // Any press moves the focus: to the grid area (the viewer) or to the panel (a frame, a page).
    void FollowClick(float x, float y);
    // Keeps the focus on a frame still shown.
    void FitFocus();
    // Ctrl+R: randomizes the focused frame's changes, and with Shift the frames after it too.
    void StartFrameRandomizer(bool untilEnd);

private:
    void JumpToLockAt(const HitSurface& surface, float x, float y);

    const PanelContext& ctx_;
    // The tab the frame randomizer was started on: its last frame is drawn magenta.
    int randomizerTab_ = -1;
};

}  // namespace shell
