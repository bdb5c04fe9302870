#pragma once

#include <utility>
#include <vector>

#include "shell/canvas.h"

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

}  // namespace shell
