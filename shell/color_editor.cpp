#include "shell/color_editor.h"

#include <algorithm>
#include <cmath>

namespace shell {

namespace {

constexpr float kSwatch = 56;
constexpr float kGap = 10;
constexpr float kRow = 30;

// Rows per section: broken marker (2), locked cell (2), trail (3).
constexpr std::array<int, 3> kSectionRows = {2, 2, 3};

float* FloatOf(Appearance& a, int row) {
    switch (row) {
        case 0: return &a.brokenMarkerOpacity;
        case 1: return &a.brokenMarkerBrightness;
        case 2: return &a.lockedOverlayOpacity;
        case 3: return &a.lockedOverlayBrightness;
        case 4: return &a.trailOpacity;
        case 6: return &a.trailKeyframeBrightness;
        default: return nullptr;
    }
}

}  // namespace

ColorEditorLayout LayOutColorEditor(const RectF& area, int stateCount) {
    ColorEditorLayout out;
    const float left = area.left + 16, right = area.right - 16;
    out.hint = {left, area.top + 12, right, area.top + 40};
    float x = left, y = area.top + 52;
    for (int s = 0; s < stateCount; ++s) {
        if (x + kSwatch > right && x > left) {
            x = left;
            y += kSwatch + kGap;
        }
        out.swatches.push_back({x, y, x + kSwatch, y + kSwatch});
        x += kSwatch + kGap;
    }
    y += kSwatch + 20;
    int row = 0;
    for (std::size_t section = 0; section < kSectionRows.size(); ++section) {
        out.headings[section] = {left, y, right, y + 28};
        y += 32;
        for (int k = 0; k < kSectionRows[section]; ++k, ++row) {
            const auto r = static_cast<std::size_t>(row);
            out.captions[r] = {left + 12, y, left + 132, y + kRow};
            out.minus[r] = {left + 140, y, left + 172, y + kRow};
            out.values[r] = {left + 180, y, left + 260, y + kRow};
            out.plus[r] = {left + 268, y, left + 300, y + kRow};
            y += kRow + 6;
        }
        y += 10;
    }
    out.restore = {left, y + 4, left + 220, y + 42};
    out.done = {left + 232, y + 4, left + 352, y + 42};
    return out;
}

float ColorSettingValue(const Appearance& appearance, int row) {
    if (row == 5) return static_cast<float>(appearance.trailKeyframeAge);
    return *FloatOf(const_cast<Appearance&>(appearance), row);
}

bool StepColorSetting(Appearance& appearance, int row, int direction) {
    const ColorSetting& setting = kColorSettings[static_cast<std::size_t>(row)];
    if (setting.isAge) {
        const int next = std::clamp(appearance.trailKeyframeAge + direction, int(setting.min), int(setting.max));
        if (next == appearance.trailKeyframeAge) return false;
        appearance.trailKeyframeAge = next;
        return true;
    }
    float* value = FloatOf(appearance, row);
    const float next = std::clamp(*value + float(direction) * setting.step, setting.min, setting.max);
    if (std::fabs(next - *value) < 0.001f) return false;
    *value = next;
    return true;
}

}  // namespace shell
