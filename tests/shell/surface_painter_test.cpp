#include <gtest/gtest.h>

#include <cmath>

#include "shell/surface_painter.h"
#include "tests/shell/recording_canvas.h"

namespace shell {
namespace {

// A canvas on a desktop scaled by `ratio`.
class ScaledCanvas : public testing::RecordingCanvas {
public:
    explicit ScaledCanvas(float ratio) : ratio_(ratio) {}
    float PixelRatio() const override { return ratio_; }

private:
    float ratio_;
};

// Cells smaller than a device pixel are sampled, one per pixel, each the cell under the pixel's
// centre; cells of a pixel or more go out whole.
TEST(SurfacePainter, TinyCellsAreSampledOncePerDevicePixel) {
    core::ChunkGrid grid;
    auto stateAt = [](std::int32_t x, std::int32_t y) { return static_cast<std::uint8_t>(1 + (x / 3 + y / 5) % 2); };
    for (std::int32_t y = 0; y < 512; ++y)
        for (std::int32_t x = 0; x < 512; ++x) grid.SetCell(x, y, stateAt(x, y));
    const authoring::Palette palette = authoring::DefaultPalette();
    const Appearance appearance;
    const RectF pane{0, 0, 128, 128};
    const struct { float cellSize, ratio; int expectedSide; } cases[] = {
        {0.25f, 1, 128}, {0.25f, 2, 256}, {1.0f, 2, 128}, {2.0f, 1, 64},
    };
    for (const auto& c : cases) {
        ScaledCanvas canvas(c.ratio);
        PaintScratch scratch;
        const authoring::Camera camera{256, 256, c.cellSize};
        SurfacePainter painter(canvas, palette, 3, appearance, camera, pane, scratch);
        painter.DrawTrailsAndCells(core::HistoryLayer{}, grid);
        ASSERT_EQ(canvas.images.size(), 1u) << c.cellSize;
        const CellImage& image = canvas.images[0];
        // The image covers whole cells, which may reach a pixel past the pane.
        ASSERT_NEAR(image.columns, c.expectedSide, 1) << c.cellSize;
        ASSERT_NEAR(image.rows, c.expectedSide, 1) << c.cellSize;
        const VisibleCells& visible = painter.Visible();
        const std::int64_t columns = visible.x1 - visible.x0 + 1, rows = visible.y1 - visible.y0 + 1;
        for (int i = 0; i < image.rows; i += 7)
            for (int j = 0; j < image.columns; j += 5) {
                const auto x = static_cast<std::int32_t>(visible.x0 + (2 * j + 1) * columns / (2 * image.columns));
                const auto y = static_cast<std::int32_t>(visible.y0 + (2 * i + 1) * rows / (2 * image.rows));
                const std::uint32_t pixel = image.pixels[std::size_t(i) * std::size_t(image.columns) + std::size_t(j)];
                const authoring::Color& expected = palette[stateAt(x, y)];
                EXPECT_EQ(pixel & 0xFF, static_cast<std::uint32_t>(std::lround(expected.red * 255)))
                    << c.cellSize << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace shell
