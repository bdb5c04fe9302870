#pragma once

namespace core {

// A colour with straight alpha, each channel 0..1: a state's colour in the editor, in sessions and
// in Golly's @COLORS.
struct Color {
    float red = 0, green = 0, blue = 0, alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace core
