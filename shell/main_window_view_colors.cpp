// The colour editor: state colours through the colour picker, the default palette and the
// overlay settings.
#include <cmath>

#include "shell/color_editor.h"
#include "shell/main_window_view_impl.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;

RectF MainWindowViewImpl::ColorEditorArea() const {
    return {layout.ruleColumn.left, layout.tabBar.top, layout.ruleColumn.right, layout.ruleColumn.bottom};
}

bool MainWindowViewImpl::ColorEditorPress(float x, float y) {
    if (!flags.colorEditorOpen || !layout.ruleColumnLaidOut || !ColorEditorArea().Contains(x, y)) return false;
    if (playing) return true;
    const ColorEditorLayout editorLayout = LayOutColorEditor(ColorEditorArea(), StateCount());
    for (std::size_t s = 0; s < editorLayout.swatches.size(); ++s) {
        if (!editorLayout.swatches[s].Contains(x, y)) continue;
        const authoring::Color old = editor.Doc().colors[s];
        auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
        const std::optional<Rgb> picked = platform.PickColor({byte(old.red), byte(old.green), byte(old.blue)});
        if (picked) {
            const authoring::Color color{picked->red / 255.0f, picked->green / 255.0f, picked->blue / 255.0f, old.alpha};
            if (color != old) {
                authoring::Palette colors = editor.Doc().colors;
                colors[s] = color;
                Guarded([&] { editor.SetColors(colors); });
            }
        }
        return true;
    }
    for (int row = 0; row < kColorSettingCount; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int direction = editorLayout.minus[r].Contains(x, y) ? -1 : editorLayout.plus[r].Contains(x, y) ? 1 : 0;
        if (direction == 0) continue;
        if (!StepColorSetting(appearance, row, direction)) {
            Refuse();
            return true;
        }
        SaveSettings();
        Redraw();
        return true;
    }
    if (editorLayout.restore.Contains(x, y)) {
        Guarded([&] { editor.SetColors(authoring::DefaultPalette()); });
    } else if (editorLayout.done.Contains(x, y)) {
        flags.colorEditorOpen = false;
        AfterChange();
    }
    return true;
}

void MainWindowViewImpl::DrawColorEditor(Canvas& canvas) {
    const RectF area = ColorEditorArea();
    canvas.FillRect(area, kBoxFill);
    canvas.OutlineRect(area, kBoxOutline, 1);
    const ColorEditorLayout l = LayOutColorEditor(area, StateCount());
    canvas.DrawText("Click a state color to edit it.", l.hint, TextFormat::Label, kPanelText, HAlign::Centre,
                    VAlign::Centre);
    for (std::size_t s = 0; s < l.swatches.size(); ++s) {
        const authoring::Color& c = editor.Doc().colors[s];
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
        const float value = ColorSettingValue(appearance, row);
        DrawReadoutBox(canvas, l.values[r],
                       kColorSettings[r].isAge ? Format("T+%d", int(value))
                                               : Format("%d%%", int(std::lround(value * 100))));
    }
    DrawButton(canvas, l.restore, "Restore Default Colors", false, false);
    DrawButton(canvas, l.done, "Done", false, true);
}

}  // namespace shell
