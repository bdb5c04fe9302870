#pragma once

#include <array>
#include <cstdint>

#include "shell/canvas.h"
#include "shell/digit_entry.h"
#include "shell/panel.h"

namespace shell {

// Colours of the annotation markers 1..8 (index 0 is marker 1).
inline constexpr std::array<ColorF, 8> kMarkerColors = {{
    {1.0f, 96 / 255.0f, 96 / 255.0f, 1},
    {1.0f, 1.0f, 96 / 255.0f, 1},
    {96 / 255.0f, 1.0f, 96 / 255.0f, 1},
    {96 / 255.0f, 1.0f, 1.0f, 1},
    {96 / 255.0f, 96 / 255.0f, 1.0f, 1},
    {1.0f, 96 / 255.0f, 1.0f, 1},
    {224 / 255.0f, 224 / 255.0f, 224 / 255.0f, 1},
    {144 / 255.0f, 144 / 255.0f, 144 / 255.0f, 1},
}};

// The state bar's controls inside its rectangle: the "S"/"A" page switch, one swatch per
// state and one row per marker.
RectF StateBarPageSwitch(const RectF& bar);
RectF StateSwatch(const RectF& bar, int stateCount, int state);
RectF MarkerRow(const RectF& bar, int marker);  // marker 1..8

inline constexpr std::uint32_t kToastMs = 1200;

// The state bar with its two pages (states and markers), the digit keys that choose the brush,
// and the toast that names the state typed.
class StateBar final : public Panel {
public:
    explicit StateBar(const PanelContext& context) : ctx_(context) {}

    // The bar; drawn once more over everything while Ctrl is held.
    void Draw(Canvas& canvas) override;
    void DrawToast(Canvas& canvas);
    bool Press(const MouseEvent& event) override;
    // Digits choose the brush; Ctrl with a digit, the marker.
    bool Key(const KeyEvent& event) override;
    void ClearDigits() { digits_.Clear(); }

private:
    void DigitKey(int digit);

    struct Toast {
        bool shown = false;
        int state = 0;
        bool firstDigit = false;
        float x = 0, y = 0;
        std::uint32_t expiresMs = 0;
    };

    const PanelContext& ctx_;
    bool markersPage_ = false;
    DigitEntry digits_;
    Toast toast_;
};

}  // namespace shell
