#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "shell/frame_locks.h"
#include "shell/panel.h"
#include "shell/surface_painter.h"

namespace shell {

// A grid pane: the pattern viewer, or viewer frame `frame` of the current tab.
struct HitSurface {
    bool viewer = true;
    int frame = -1;
    friend bool operator==(const HitSurface&, const HitSurface&) = default;
};

struct HoverCell {
    bool valid = false;
    HitSurface surface;
    std::int32_t x = 0, y = 0;
    friend bool operator==(const HoverCell&, const HoverCell&) = default;
};

struct Selection {
    bool exists = false;
    bool dragging = false;
    HitSurface surface;
    // A frame's selection belongs to its generation, so it survives scrolling.
    std::int64_t generation = 0;
    std::int32_t anchorX = 0, anchorY = 0, endX = 0, endY = 0;
};

enum class Drag { None, StatePaint, MarkerPaint, Pan };

// What the pattern viewer and the viewer frames share: one pointer, so one cell under it, one
// selection and one stroke or pan, each staying on the pane where it began; and the panes'
// cameras and drawing.
class GridPanes {
public:
    explicit GridPanes(const PanelContext& context) : ctx_(context) {}

    // Whether the rule column shows the frames of a pattern tab.
    bool FramesShown() const;
    std::optional<HitSurface> HitTest(float x, float y) const;
    authoring::Camera CameraOf(const HitSurface& surface) const;
    const RectF& GridRectOf(const HitSurface& surface) const;
    std::pair<std::int32_t, std::int32_t> CellAt(const HitSurface& surface, float x, float y) const;
    void SetViewerCamera(const authoring::Camera& camera) { viewerCamera_ = camera; }
    // The whole 32 x 32 start square in view, once the viewer has a size.
    void CentreViewerCamera();
    bool ViewerCameraSet() const { return viewerCameraSet_; }

    // A press that starts a stroke (painting a state or a marker), a pan or a selection.
    void BeginStroke(const HitSurface& surface, Drag kind, MouseButton button, float x, float y, bool shift);
    void BeginPan(const HitSurface& surface, MouseButton button);
    void BeginSelection(const HitSurface& surface, float x, float y);
    // Continues the drag in progress; false when there is none.
    bool DragMove(float x, float y, float dx, float dy, Modifiers modifiers);
    void Release(MouseButton button);
    void CancelDrag();
    bool Zoom(const HitSurface& surface, float x, float y, bool up);

    // The cell under the pointer: false when it did not change.
    bool Hover(float x, float y);
    void SetHover(const HoverCell& hover) { hover_ = hover; }
    void ClearHover() { hover_ = {}; }
    bool HoverValid() const { return hover_.valid; }
    const Selection& CurrentSelection() const { return selection_; }
    void ClearSelection() { selection_ = {}; }
    // The selection's pane as the model names it, and its corners.
    authoring::SurfaceRef SelectionSurface() const;
    authoring::CellRect SelectionRect() const;

    void Draw(Canvas& canvas, const HitSurface& surface, bool focused, bool randomizerEnd);

private:
    void StoreCamera(const HitSurface& surface, const authoring::Camera& camera);
    void PaintAt(float x, float y, bool shift);

    const PanelContext& ctx_;
    authoring::Camera viewerCamera_{16, 16, 1};
    bool viewerCameraSet_ = false;
    Drag drag_ = Drag::None;
    MouseButton dragButton_ = MouseButton::Left;
    HitSurface dragSurface_;
    Selection selection_;
    HoverCell hover_;
    FrameLocks frameLocks_;
    PaintScratch paintScratch_;
};

}  // namespace shell
