#pragma once

namespace core {

// Where a grid pane looks: the cell at its centre (in cells) and how large a cell is drawn (in
// pixels). Tabs keep one each; sessions store them.
struct Camera {
    float centreX = 4.5f;
    float centreY = 4.5f;
    float cellSize = 4.0f;
    friend bool operator==(const Camera&, const Camera&) = default;
};

}  // namespace core
