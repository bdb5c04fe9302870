#pragma once

#include <cstdint>
#include <utility>

#include "authoring/pattern_sequence.h"
#include "shell/canvas.h"

namespace shell {

inline constexpr float kViewerMinCellSize = 1;
inline constexpr float kFrameMinCellSize = 4;
inline constexpr float kMaxCellSize = 72;
inline constexpr float kZoomFactor = 1.15f;

// The cell under a client point of a grid rectangle seen through `camera`.
std::pair<std::int32_t, std::int32_t> CellUnderPoint(const authoring::Camera& camera, const RectF& grid, float x,
                                                     float y);
// The client rectangle of a cell.
RectF CellRect(const authoring::Camera& camera, const RectF& grid, std::int32_t x, std::int32_t y);
// Zooms one notch about the point so the cell point under it stays; false when the clamped
// size does not change (the camera is then untouched).
bool ZoomAbout(authoring::Camera& camera, const RectF& grid, float x, float y, bool zoomIn, float minSize,
               float maxSize);

// The cells a grid rectangle shows, inclusive.
struct VisibleCells {
    std::int64_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool Contains(std::int64_t x, std::int64_t y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};
VisibleCells VisibleRange(const authoring::Camera& camera, const RectF& grid);

}  // namespace shell
