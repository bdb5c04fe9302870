#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "shell/canvas.h"
#include "shell/text_fit.h"

// The window's dark theme: shared colours and the button and readout styles.
namespace shell::theme {

inline constexpr ColorF kBackground{0.07f, 0.10f, 0.14f, 1};
inline constexpr ColorF kPanelText{0.97f, 0.97f, 0.97f, 1};
inline constexpr ColorF kMutedText{0.70f, 0.74f, 0.79f, 1};
inline constexpr ColorF kDimText{0.52f, 0.57f, 0.63f, 1};
inline constexpr ColorF kBoxFill{0.09f, 0.12f, 0.16f, 1};
inline constexpr ColorF kBoxOutline{0.28f, 0.36f, 0.42f, 1};
inline constexpr ColorF kButtonFill{0.13f, 0.17f, 0.22f, 1};
inline constexpr ColorF kButtonHover{0.17f, 0.23f, 0.29f, 1};
inline constexpr ColorF kButtonActive{0.12f, 0.45f, 0.50f, 1};
inline constexpr ColorF kAccent{0.26f, 0.70f, 0.74f, 1};
inline constexpr ColorF kGridFill{0.03f, 0.04f, 0.06f, 1};
inline constexpr ColorF kTabFill{0.11f, 0.15f, 0.20f, 1};
inline constexpr ColorF kTabCurrent{0.17f, 0.25f, 0.32f, 1};
inline constexpr ColorF kCloseFill{0.20f, 0.25f, 0.31f, 1};
inline constexpr ColorF kCloseHover{0.62f, 0.22f, 0.24f, 1};
inline constexpr ColorF kDarkLabel{0.04f, 0.05f, 0.07f, 1};
inline constexpr ColorF kLightLabel{0.98f, 0.99f, 1.0f, 1};

inline std::string Format(const char* format, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

inline ColorF Scaled(ColorF c, float factor) { return {c.red * factor, c.green * factor, c.blue * factor, c.alpha}; }

inline void DrawButton(Canvas& canvas, const RectF& r, std::string_view label, bool hovered, bool active) {
    canvas.FillRect(r, active ? kButtonActive : hovered ? kButtonHover : kButtonFill);
    canvas.OutlineRect(r, active ? kAccent : kBoxOutline, 1);
    canvas.DrawText(FitText(canvas, label, r.Width() - 6, TextFormat::Label), r, TextFormat::Label, kPanelText,
                    HAlign::Centre, VAlign::Centre);
}

inline void DrawReadoutBox(Canvas& canvas, const RectF& r, std::string_view text) {
    canvas.FillRect(r, kBoxFill);
    canvas.OutlineRect(r, kBoxOutline, 1);
    canvas.DrawText(FitText(canvas, text, r.Width() - 8, TextFormat::CompactLabel), r, TextFormat::CompactLabel,
                    kPanelText, HAlign::Centre, VAlign::Centre);
}

// A label over live cells: on a dark plate the size of its measured text, so it reads on any state.
inline void DrawPlatedLabel(Canvas& canvas, const RectF& r, std::string_view text, TextFormat format,
                            const ColorF& color) {
    const std::string shown = FitText(canvas, text, r.Width(), format);
    if (shown.empty()) return;
    const float width = canvas.MeasureTextWidth(shown, format);
    canvas.FillRect({r.left - 4, r.top, r.left + width + 4, r.bottom}, {0.02f, 0.03f, 0.05f, 0.8f});
    canvas.DrawText(shown, r, format, color, HAlign::Leading, VAlign::Centre);
}

}  // namespace shell::theme
