#include "shell/surface_painter.h"

#include <algorithm>
#include <cmath>

#include "shell/state_bar.h"

namespace shell {

namespace {

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

ColorF ToColor(const authoring::Color& c, float alpha) { return {c.red, c.green, c.blue, alpha}; }

// Calls visit(x, y, value) for every cell of every stored chunk within the visible range.
template <class Chunk, class Read, class Visit>
void ForVisibleCells(std::int32_t cx, std::int32_t cy, const Chunk& chunk, const VisibleCells& visible, Read read,
                     Visit visit) {
    const std::int64_t x0 = std::int64_t{cx} * core::kChunkSide, y0 = std::int64_t{cy} * core::kChunkSide;
    const std::int64_t fromX = std::max(x0, visible.x0), toX = std::min(x0 + core::kChunkSide - 1, visible.x1);
    const std::int64_t fromY = std::max(y0, visible.y0), toY = std::min(y0 + core::kChunkSide - 1, visible.y1);
    for (std::int64_t y = fromY; y <= toY; ++y)
        for (std::int64_t x = fromX; x <= toX; ++x) {
            const auto value = read(chunk, static_cast<int>((y - y0) * core::kChunkSide + (x - x0)));
            if (value != 0) visit(x, y, value);
        }
}

}  // namespace

int TrailKeyframeAge(float cellSize, const Appearance& appearance) {
    const float scale = std::max(6.0f / std::max(cellSize, 1e-3f), 1.0f);
    return std::clamp(static_cast<int>(std::lround(scale * float(appearance.trailKeyframeAge))), 1, 253);
}

float TrailSizeDamping(float cellSize) { return 1 - 0.5f * std::clamp((cellSize - 3) / 11, 0.0f, 1.0f); }

float TrailFade(int age, float cellSize, const Appearance& appearance) {
    const int k = TrailKeyframeAge(cellSize, appearance);
    const float b = std::clamp(appearance.trailKeyframeBrightness, 0.03f, 1.0f);
    if (age <= k) return 1 + (b - 1) * float(age) / float(k);
    return b + (0.03f - b) * float(age - k) / float(254 - k);
}

ColorF BrokenMarkerColor(const Appearance& appearance) {
    const float b = std::clamp(appearance.brokenMarkerBrightness, 0.0f, 1.0f);
    const float o = std::clamp(appearance.brokenMarkerOpacity, 0.05f, 1.0f);
    if (b <= 0.5f) return {Lerp(0.5019608f, 1, 2 * b), 0, 0, o};
    const float g = Lerp(0, 0.49803922f, 2 * (b - 0.5f));
    return {1, g, g, o};
}

ColorF LockedOverlayColor(const Appearance& appearance) {
    const float b = std::clamp(appearance.lockedOverlayBrightness, 0.0f, 1.0f);
    return {b, b, b, std::clamp(appearance.lockedOverlayOpacity, 0.0f, 1.0f)};
}

float LockedOverlayMargin(float cellSize) { return std::clamp(std::floor(cellSize / 8), 1.0f, 4.0f); }

ColorF FrameOutlineColor(FrameLockState state) {
    switch (state) {
        case FrameLockState::RandomizerEnd: return {1, 0, 1, 1};
        case FrameLockState::SomeVisibleUnlocked: return {0, 1, 1, 1};
        case FrameLockState::AllLocked: return {0, 0.749f, 0, 1};
        case FrameLockState::Partial: break;
    }
    return {0, 0, 1, 1};
}

SurfacePainter::SurfacePainter(Canvas& canvas, const authoring::Palette& palette, int stateCount,
                               const Appearance& appearance, const authoring::Camera& camera, const RectF& grid)
    : canvas_(canvas),
      palette_(palette),
      stateCount_(stateCount),
      appearance_(appearance),
      camera_(camera),
      grid_(grid),
      visible_(VisibleRange(camera, grid)),
      midX_((grid.left + grid.right) / 2),
      midY_((grid.top + grid.bottom) / 2) {}

RectF SurfacePainter::CellRectAt(std::int64_t x, std::int64_t y, float margin) const {
    const float size = camera_.cellSize;
    const float left = static_cast<float>(static_cast<double>(x) - camera_.centreX) * size + midX_;
    const float top = static_cast<float>(static_cast<double>(y) - camera_.centreY) * size + midY_;
    return {left + margin, top + margin, left + size - margin, top + size - margin};
}

void SurfacePainter::DrawTrails(const core::HistoryLayer& history) {
    batch_.clear();
    const float opacity = std::clamp(appearance_.trailOpacity, 0.0f, 1.0f) * TrailSizeDamping(camera_.cellSize);
    history.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::HistoryLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::HistoryLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint16_t value) {
                const int state = (value & 0xFF) - 1;
                const int age = value >> 8;
                if (state < 0 || state >= stateCount_ || age == 255) return;
                const authoring::Color& c = palette_[static_cast<std::size_t>(state)];
                const float alpha = TrailFade(age, camera_.cellSize, appearance_) * opacity * c.alpha;
                batch_.push_back({CellRectAt(x, y, 0), ToColor(c, alpha)});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawCells(const core::ChunkGrid& grid) {
    batch_.clear();
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::Chunk64& c, int i) { return c.cells[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint8_t state) {
                const authoring::Color& c = palette_[std::min<std::size_t>(state, authoring::kPaletteSize - 1)];
                batch_.push_back({CellRectAt(x, y, 0), ToColor(c, c.alpha)});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawAnnotations(const core::AnnotationLayer& annotations) {
    batch_.clear();
    const float margin = std::clamp(camera_.cellSize * 0.15f, 0.0f, 3.0f);
    annotations.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::AnnotationLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::AnnotationLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint16_t value) {
                const int marker = value & 0xFF;
                if (marker < 1 || marker > 8) return;
                ColorF color = kMarkerColors[static_cast<std::size_t>(marker - 1)];
                color.alpha = 0.85f;
                batch_.push_back({CellRectAt(x, y, margin), color});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawLineage(const core::LineageLayer& lineage) {
    if (camera_.cellSize < 6) return;
    batch_.clear();
    const float margin = camera_.cellSize * 0.35f;
    lineage.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::LineageLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::LineageLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint8_t id) {
                if (id < 1 || id > 8) return;
                ColorF color = kMarkerColors[static_cast<std::size_t>(id - 1)];
                color.alpha = 0.9f;
                batch_.push_back({CellRectAt(x, y, margin), color});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawCellBoxes(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells, float margin,
                                   ColorF color) {
    batch_.clear();
    for (const auto& [x, y] : cells)
        if (visible_.Contains(x, y)) batch_.push_back({CellRectAt(x, y, margin), color});
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

}  // namespace shell
