#pragma once

#include <utility>
#include <vector>

#include "shell/canvas.h"
#include "shell/panel.h"

namespace shell {

enum class StartPage { Main, NewRule, Open };

enum class StartAction {
    NewRule,
    LoadRule,
    ImportRule,
    CountDown,
    CountUp,
    SymmetryDown,
    SymmetryUp,
    CreateRule,
    Back
};

// The start screen's card and its controls for one page and client size.
struct StartScreenLayout {
    RectF card;
    RectF title;
    RectF subtitle;
    RectF countBox;     // new-rule page only
    RectF symmetryBox;  // new-rule page only
    std::vector<std::pair<StartAction, RectF>> buttons;
};

StartScreenLayout LayOutStartScreen(StartPage page, float width, float height);
// The symmetry after `index` in the start screen's cycle order (direction +1 or -1).
int StepSymmetry(int index, int direction);
const char* StartSubtitle(StartPage page);
const char* StartButtonLabel(StartAction action);

// The start screen over the dimmed editor: new rule, load or import, and the new rule's state
// count and symmetry. While it shows, it takes every event.
class StartScreen final : public Panel {
public:
    explicit StartScreen(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Move(float x, float y, Modifiers modifiers) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    bool Key(const KeyEvent& event) override;

    bool Shown() const { return shown_; }
    void Show(StartPage page);
    void Hide();

private:
    void Act(StartAction action);
    void CreateRule();
    // The brush and the state bar follow a state count the page shows or goes back to.
    void FollowStateCount(int count);

    const PanelContext& ctx_;
    bool shown_ = true;
    StartPage page_ = StartPage::Main;
    int hover_ = -1;
    int newStateCount_ = 3;
    int newSymmetry_ = 4;
};

}  // namespace shell
