#pragma once

#include <array>
#include <vector>

#include "shell/appearance.h"
#include "shell/canvas.h"
#include "shell/panel.h"

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

// The colour editor over the rule column: state colours through the colour picker, the default
// palette and the overlay settings, which are saved at once.
class ColorEditor final : public Panel {
public:
    explicit ColorEditor(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    // Escape closes it.
    bool Key(const KeyEvent& event) override;

private:
    bool Open() const;
    RectF Area() const;
    void Close();

    const PanelContext& ctx_;
};

}  // namespace shell
