#pragma once

#include <QFont>
#include <QOpenGLFunctions_3_3_Core>
#include <QRectF>
#include <array>
#include <vector>

#include "shell/canvas.h"

class QPainter;

namespace app {

// shell::Canvas on one frame of the canvas window: QPainter for panels and text, an instanced OpenGL 3.3
// draw for cell batches. Coordinates are device pixels; the painter is scaled to match.
class GlCanvas final : public shell::Canvas {
public:
    GlCanvas();
    ~GlCanvas() override;

    // Needs the widget's context current; throws std::runtime_error when OpenGL 3.3 is missing.
    void InitializeGl();
    // Frees the GL objects while the context is still current.
    void ReleaseGl();
    bool Ready() const { return ready_; }

    // Clears to the background colour and binds `painter`, which draws in logical pixels; GL
    // batches are mapped to the `ratio` times larger device pixels.
    void BeginFrame(QPainter& painter, int pixelWidth, int pixelHeight, qreal ratio);
    void EndFrame();

    void FillRect(const shell::RectF& rect, const shell::ColorF& color) override;
    void OutlineRect(const shell::RectF& rect, const shell::ColorF& color, float strokeWidth) override;
    void DrawWrappedText(std::string_view text, const shell::RectF& rect, shell::TextFormat format,
                         const shell::ColorF& color) override;
    void DrawText(std::string_view text, const shell::RectF& rect, shell::TextFormat format,
                  const shell::ColorF& color, shell::HAlign h, shell::VAlign v) override;
    float MeasureTextWidth(std::string_view text, shell::TextFormat format) override;
    void DrawCells(const std::vector<shell::CellInstance>& cells, const shell::RectF& clip) override;
    void DrawCellImage(const shell::CellImage& image, const shell::RectF& clip) override;
    float PixelRatio() const override { return ratio_; }
    void PushClip(const shell::RectF& rect) override;
    void PopClip() override;

private:
    void MakeFonts();
    void ApplyClip();
    // Clip in GL's bottom-up pixel rows; false when nothing of it is on screen.
    bool BeginGlDraw(const shell::RectF& clip);
    void EndGlDraw();
    const QFont& Font(shell::TextFormat format) const;

    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    bool ready_ = false;
    unsigned program_ = 0;
    unsigned vao_ = 0;
    unsigned instanceBuffer_ = 0;
    std::size_t instanceCapacity_ = 0;  // records; grows by doubling, never shrinks
    int viewportUniform_ = -1;
    unsigned imageProgram_ = 0;
    unsigned imageVao_ = 0;
    unsigned imageTexture_ = 0;
    int imageWidth_ = 0, imageHeight_ = 0;  // of the texture's storage
    int imageViewportUniform_ = -1;
    int imageRectUniform_ = -1;

    QPainter* painter_ = nullptr;
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    float ratio_ = 1;  // device pixels per logical pixel
    std::vector<QRectF> clips_;  // intersected, innermost last
    std::array<QFont, 4> fonts_;
};

}  // namespace app
