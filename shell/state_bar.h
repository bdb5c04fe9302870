#pragma once

#include <array>

#include "shell/canvas.h"

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

}  // namespace shell
