#include "shell/surface_camera.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace shell {

namespace {

std::int32_t ToCell(double value) {
    return static_cast<std::int32_t>(std::clamp(std::floor(value), double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace

std::pair<std::int32_t, std::int32_t> CellUnderPoint(const authoring::Camera& camera, const RectF& grid, float x,
                                                     float y) {
    const double midX = (double(grid.left) + grid.right) / 2, midY = (double(grid.top) + grid.bottom) / 2;
    const double size = std::max(double(camera.cellSize), 1e-3);
    return {ToCell((x - midX) / size + camera.centreX), ToCell((y - midY) / size + camera.centreY)};
}

RectF CellRect(const authoring::Camera& camera, const RectF& grid, std::int32_t x, std::int32_t y) {
    const float midX = (grid.left + grid.right) / 2, midY = (grid.top + grid.bottom) / 2;
    const float left = (float(x) - camera.centreX) * camera.cellSize + midX;
    const float top = (float(y) - camera.centreY) * camera.cellSize + midY;
    return {left, top, left + camera.cellSize, top + camera.cellSize};
}

bool ZoomAbout(authoring::Camera& camera, const RectF& grid, float x, float y, bool zoomIn, float minSize,
               float maxSize) {
    const float old = camera.cellSize;
    const float next = std::clamp(zoomIn ? old * kZoomFactor : old / kZoomFactor, minSize, maxSize);
    if (next == old) return false;
    const float dx = x - (grid.left + grid.right) / 2, dy = y - (grid.top + grid.bottom) / 2;
    camera.centreX += dx / old - dx / next;
    camera.centreY += dy / old - dy / next;
    camera.cellSize = next;
    return true;
}

VisibleCells VisibleRange(const authoring::Camera& camera, const RectF& grid) {
    if (grid.Width() <= 0 || grid.Height() <= 0) return {};
    const auto a = CellUnderPoint(camera, grid, grid.left, grid.top);
    const auto b = CellUnderPoint(camera, grid, grid.right, grid.bottom);
    return {a.first, a.second, b.first, b.second};
}

}  // namespace shell
