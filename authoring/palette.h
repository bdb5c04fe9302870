#pragma once

#include <array>

#include "core/color.h"

namespace authoring {

using core::Color;

inline constexpr int kPaletteSize = 16;
using Palette = std::array<Color, kPaletteSize>;

// Black for state 0, then well separated colours from a walk over an ever finer RGB lattice.
Palette DefaultPalette();

}  // namespace authoring
