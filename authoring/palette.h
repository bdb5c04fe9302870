#pragma once

#include <array>

namespace authoring {

struct Color {
    float red = 0, green = 0, blue = 0, alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr int kPaletteSize = 16;
using Palette = std::array<Color, kPaletteSize>;

// Black for state 0, then well separated colours from a walk over an ever finer RGB lattice.
Palette DefaultPalette();

}  // namespace authoring
