#pragma once

#include <array>
#include <vector>

#include "shell/appearance.h"
#include "shell/canvas.h"

namespace shell {

inline constexpr int kColorSettingCount = 7;

// The colour editor over the rule editor column: the hint, one swatch per state, three sections
// of setting rows and the two buttons.
struct ColorEditorLayout {
    RectF hint;
    std::vector<RectF> swatches;
    std::array<RectF, 3> headings{};
    std::array<RectF, kColorSettingCount> captions{}, minus{}, values{}, plus{};
    RectF restore, done;
};

ColorEditorLayout LayOutColorEditor(const RectF& area, int stateCount);

// One stepped appearance setting, in the order of the rows.
struct ColorSetting {
    const char* caption;
    float step, min, max;
    bool isAge;
};
inline constexpr std::array<ColorSetting, kColorSettingCount> kColorSettings = {{
    {"Opacity", 0.05f, 0.05f, 1, false},
    {"Brightness", 0.05f, 0, 1, false},
    {"Opacity", 0.05f, 0, 1, false},
    {"Tint", 0.05f, 0, 1, false},
    {"Opacity", 0.05f, 0, 1, false},
    {"Keyframe", 1, 1, 253, true},
    {"Brightness", 0.05f, 0.03f, 1, false},
}};
inline constexpr std::array<const char*, 3> kColorSections = {"Broken marker appearance", "Locked cell appearance",
                                                               "Trail appearance"};

// The value of row `row`, and a step of it: false (the window beeps) when the clamped value
// does not move.
float ColorSettingValue(const Appearance& appearance, int row);
bool StepColorSetting(Appearance& appearance, int row, int direction);

}  // namespace shell
