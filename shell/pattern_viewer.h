#pragma once

#include "shell/grid_panes.h"
#include "shell/panel.h"
#include "shell/playback.h"

namespace shell {

inline constexpr int kMaxSpeedIndex = 7;

// The pattern viewer: its title, the nine controls, its grid pane, and playback with the timer
// and clock behind it.
class PatternViewer final : public Panel {
public:
    explicit PatternViewer(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    // Enter, Backspace, Space and R while the grid area has the focus.
    bool Key(const KeyEvent& event) override;
    int HoverAt(float x, float y) const override;

    void TogglePlay();
    void StopPlaying();
    void StepForward();
    void StepBack();
    void Reset();
    // A new soup of `size` cells square; a new size brings the whole soup into view.
    void Randomize(int size, double density, bool rebuildTabs);
    void ChangeSpeed(int delta);
    void TimerTick();
    void SetActive(bool active);
    int SpeedIndex() const { return speedIndex_; }
    void SetSpeedIndex(int index);

private:
    void PressButton(int button);
    void SizePrompt();
    void UpdatePlaybackTimer();

    const PanelContext& ctx_;
    int speedIndex_ = kDefaultSpeedIndex;
    bool timerRunning_ = false;
    bool windowActive_ = true;
    PlaybackClock clock_;
};

}  // namespace shell
