#include "shell/color_editor.h"

#include <algorithm>
#include <cmath>

#include "shell/theme.h"

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

namespace shell {

using namespace theme;

bool ColorEditor::Open() const { return ctx_.view.flags.colorEditorOpen && ctx_.layout.ruleColumnLaidOut; }

RectF ColorEditor::Area() const {
    const Layout& layout = ctx_.layout;
    return {layout.ruleColumn.left, layout.tabBar.top, layout.ruleColumn.right, layout.ruleColumn.bottom};
}

void ColorEditor::Close() {
    ctx_.view.flags.colorEditorOpen = false;
    ctx_.window.AfterChange();
}

bool ColorEditor::Key(const KeyEvent& event) {
    if (event.key != Key::Escape || !ctx_.view.flags.colorEditorOpen) return false;
    Close();
    return true;
}

bool ColorEditor::Press(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    if (event.button != MouseButton::Left || !Open() || !Area().Contains(x, y)) return false;
    if (ctx_.view.playing) return true;
    authoring::Editor& editor = ctx_.editor;
    const ColorEditorLayout editorLayout = LayOutColorEditor(Area(), ctx_.StateCount());
    for (std::size_t s = 0; s < editorLayout.swatches.size(); ++s) {
        if (!editorLayout.swatches[s].Contains(x, y)) continue;
        const authoring::Color old = editor.Doc().colors[s];
        auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
        const std::optional<Rgb> picked = ctx_.platform.PickColor({byte(old.red), byte(old.green), byte(old.blue)});
        if (picked) {
            const authoring::Color color{picked->red / 255.0f, picked->green / 255.0f, picked->blue / 255.0f, old.alpha};
            if (color != old) {
                authoring::Palette colors = editor.Doc().colors;
                colors[s] = color;
                ctx_.Guarded([&] { editor.SetColors(colors); });
            }
        }
        return true;
    }
    for (int row = 0; row < kColorSettingCount; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int direction = editorLayout.minus[r].Contains(x, y) ? -1 : editorLayout.plus[r].Contains(x, y) ? 1 : 0;
        if (direction == 0) continue;
        if (!StepColorSetting(ctx_.view.appearance, row, direction)) {
            ctx_.Refuse();
            return true;
        }
        ctx_.window.SaveSettings();
        ctx_.Redraw();
        return true;
    }
    if (editorLayout.restore.Contains(x, y)) ctx_.Guarded([&] { editor.SetColors(authoring::DefaultPalette()); });
    else if (editorLayout.done.Contains(x, y)) Close();
    return true;
}

void ColorEditor::Draw(Canvas& canvas) {
    if (!Open()) return;
    const RectF area = Area();
    canvas.FillRect(area, kBoxFill);
    canvas.OutlineRect(area, kBoxOutline, 1);
    const ColorEditorLayout l = LayOutColorEditor(area, ctx_.StateCount());
    canvas.DrawText("Click a state color to edit it.", l.hint, TextFormat::Label, kPanelText, HAlign::Centre,
                    VAlign::Centre);
    for (std::size_t s = 0; s < l.swatches.size(); ++s) {
        const authoring::Color& c = ctx_.editor.Doc().colors[s];
        canvas.FillRect(l.swatches[s], {c.red, c.green, c.blue, 1});
        canvas.OutlineRect(l.swatches[s], kPanelText, 1.5f);
        const bool dark = 0.299f * c.red + 0.587f * c.green + 0.114f * c.blue >= 0.56f;
        canvas.DrawText(Format("%d", int(s)), l.swatches[s], TextFormat::CompactLabel, dark ? kDarkLabel : kLightLabel,
                        HAlign::Centre, VAlign::Centre);
    }
    for (std::size_t section = 0; section < kColorSections.size(); ++section)
        canvas.DrawText(kColorSections[section], l.headings[section], TextFormat::Label, kAccent, HAlign::Leading,
                        VAlign::Centre);
    for (int row = 0; row < kColorSettingCount; ++row) {
        const auto r = static_cast<std::size_t>(row);
        canvas.DrawText(kColorSettings[r].caption, l.captions[r], TextFormat::CompactLabel, kMutedText,
                        HAlign::Leading, VAlign::Centre);
        DrawButton(canvas, l.minus[r], "-", false, false);
        DrawButton(canvas, l.plus[r], "+", false, false);
        const float value = ColorSettingValue(ctx_.view.appearance, row);
        DrawReadoutBox(canvas, l.values[r],
                       kColorSettings[r].isAge ? Format("T+%d", int(value))
                                               : Format("%d%%", int(std::lround(value * 100))));
    }
    DrawButton(canvas, l.restore, "Restore Default Colors", false, false);
    DrawButton(canvas, l.done, "Done", false, true);
}

}  // namespace shell
