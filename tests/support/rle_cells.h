#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "formats/rle.h"

namespace testsupport {

// Cells of an RLE written by our writer, at the absolute position of its "#CXRLE Pos" line,
// sorted by (y, x) like the oracle's results. Throws when the position line is missing.
inline std::vector<formats::RleCell> AbsoluteRleCells(const std::string& rle) {
    int x0 = 0, y0 = 0;
    if (std::sscanf(rle.c_str(), "#CXRLE Pos=%d,%d", &x0, &y0) != 2) throw std::runtime_error("no position line");
    std::vector<formats::RleCell> cells = formats::ParseRle(rle).cells;
    for (auto& c : cells) c.x += x0, c.y += y0;
    std::sort(cells.begin(), cells.end(),
              [](const auto& a, const auto& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
    return cells;
}

}  // namespace testsupport
