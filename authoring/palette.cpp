#include "authoring/palette.h"

#include <algorithm>

namespace authoring {

Palette DefaultPalette() {
    Palette palette{};
    palette[0] = {0, 0, 0, 1};
    int d = 1, s = 3, r = 0, g = 1, b = 1;
    auto clamp = [&](int v) { return std::clamp(v, 0, d); };
    for (int state = 1; state < kPaletteSize;) {
        if ((g != 0 || b != 0) && g < d && b > 0) {
            ++g;
            --b;
        } else if ((g != 0 || b != 0) && r < d) {
            ++r;
            b = clamp(s - r);
            g = clamp(s - r - d);
        } else {
            if (--s == 0) {
                d *= 2;
                s = 3 * d - 1;
            }
            r = clamp(s - 2 * d);
            g = clamp(s - d);
            b = clamp(s);
        }
        if (!((r | g | b) & 1)) continue;  // produced already at a coarser lattice
        const int step = 256 / d;
        auto channel = [&](int v) { return static_cast<float>(std::min(v * step, 255)) / 255.0f; };
        palette[state++] = {channel(r), channel(g), channel(b), 1};
    }
    return palette;
}

}  // namespace authoring
