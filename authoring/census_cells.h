#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/rle.h"

namespace authoring {

// One live cell of a census object, in plane coordinates or relative to its box: what an RLE
// pattern holds.
using CensusCell = formats::RleCell;

using CellList = std::vector<CensusCell>;

struct CellBox {
    std::int32_t minX = 0, minY = 0, maxX = -1, maxY = -1;
    std::int32_t Width() const { return maxX - minX + 1; }
    std::int32_t Height() const { return maxY - minY + 1; }
};

inline CellBox BoxOf(const CellList& cells) {
    if (cells.empty()) return {};
    CellBox box{cells[0].x, cells[0].y, cells[0].x, cells[0].y};
    for (const CensusCell& c : cells) {
        box.minX = std::min(box.minX, c.x);
        box.maxX = std::max(box.maxX, c.x);
        box.minY = std::min(box.minY, c.y);
        box.maxY = std::max(box.maxY, c.y);
    }
    return box;
}

// Moves the cells so that their box starts at (0, 0), sorted by row then column, so that equal
// shapes compare equal; returns where the box was.
inline CellBox Normalize(CellList& cells) {
    const CellBox box = BoxOf(cells);
    for (CensusCell& c : cells) {
        c.x -= box.minX;
        c.y -= box.minY;
    }
    std::sort(cells.begin(), cells.end(),
              [](const CensusCell& a, const CensusCell& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return box;
}

}  // namespace authoring
