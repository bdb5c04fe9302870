#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "authoring/palette.h"
#include "core/overlay_layer.h"
#include "shell/appearance.h"
#include "shell/canvas.h"
#include "shell/frame_locks.h"
#include "shell/surface_camera.h"

namespace shell {

inline constexpr ColorF kViewerFrameColor{0.26f, 0.70f, 0.74f, 1};

// Alpha factor of a trail of the given age: 1 when fresh, the keyframe brightness at the
// keyframe age, fading to 0.03 at age 254; damped for large cells.
float TrailFade(int age, float cellSize, const Appearance& appearance);
float TrailSizeDamping(float cellSize);
int TrailKeyframeAge(float cellSize, const Appearance& appearance);
ColorF BrokenMarkerColor(const Appearance& appearance);
ColorF LockedOverlayColor(const Appearance& appearance);
// The locked overlay's inset, growing with the cell size within 1..4 px.
float LockedOverlayMargin(float cellSize);
ColorF FrameOutlineColor(FrameLockState state);

// Buffers kept from frame to frame so drawing a pane allocates nothing once they have grown.
struct PaintScratch {
    std::vector<CellInstance> batch;
    CellImage image;
    std::vector<std::int32_t> sampleChunk;
    std::vector<std::uint8_t> sampleLocal;
    std::vector<const core::Chunk64*> rowCells;
    std::vector<const core::HistoryLayer::Chunk*> rowTrails;
};

// Below this cell size trails and cells go out as one image rather than a rectangle per cell.
inline constexpr float kImageMaxCellSize = 4;

// Draws the layers of one grid pane through a camera: trails, cells and markers as batches.
class SurfacePainter {
public:
    SurfacePainter(Canvas& canvas, const authoring::Palette& palette, int stateCount, const Appearance& appearance,
                   const authoring::Camera& camera, const RectF& grid, PaintScratch& scratch);

    const VisibleCells& Visible() const { return visible_; }
    // Trails, then the cells over them.
    void DrawTrailsAndCells(const core::HistoryLayer& history, const core::ChunkGrid& grid);
    void DrawAnnotations(const core::AnnotationLayer& annotations);
    // Lineage ids as small squares in the marker colours, once cells are large enough to hold them.
    void DrawLineage(const core::LineageLayer& lineage);
    // Cell rectangles inset by `margin`, one batch.
    void DrawCellBoxes(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells, float margin, ColorF color);

private:
    RectF CellRectAt(std::int64_t x, std::int64_t y, float margin) const;
    void DrawTrails(const core::HistoryLayer& history);
    void DrawCells(const core::ChunkGrid& grid);
    void DrawImage(const core::HistoryLayer& history, const core::ChunkGrid& grid);
    void DrawSampledImage(const core::HistoryLayer& history, const core::ChunkGrid& grid, std::int64_t width,
                          std::int64_t height, const std::array<std::uint32_t, 256>& cellColors, bool opaque,
                          bool trails);
    void FillTrailAlphas();

    Canvas& canvas_;
    const authoring::Palette& palette_;
    int stateCount_;
    const Appearance& appearance_;
    authoring::Camera camera_;
    RectF grid_;
    VisibleCells visible_;
    float midX_, midY_;
    std::vector<CellInstance>& batch_;
    CellImage& image_;
    std::array<float, 256> trailAlpha_{};  // by age, before the state colour's own alpha
    std::vector<std::uint32_t> trailColors_;
    // The sampled image's column map and the chunks of the row being sampled.
    std::vector<std::int32_t>& sampleChunk_;
    std::vector<std::uint8_t>& sampleLocal_;
    std::vector<const core::Chunk64*>& rowCells_;
    std::vector<const core::HistoryLayer::Chunk*>& rowTrails_;
};

}  // namespace shell
