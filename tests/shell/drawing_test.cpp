#include <cmath>
#include <tuple>

#include "shell/state_bar.h"
#include "shell/surface_painter.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class DrawingTest : public ShellTest {
protected:
    // The outline drawn around viewer frame k.
    static const RecordingCanvas::Outline* FrameOutline(const RecordingCanvas& canvas, const RectF& outer) {
        for (const auto& o : canvas.outlines)
            if (o.rect.left == outer.left + o.stroke / 2 && o.rect.top == outer.top + o.stroke / 2 &&
                o.rect.right == outer.right - o.stroke / 2)
                return &o;
        return nullptr;
    }
    void RightClickCell(int frame) {
        const RectF grid = view.layout.frameGrid[static_cast<std::size_t>(frame)];
        const auto& c = CurrentTab().camera;
        // The screen point of cell (0, 0)'s middle.
        const float x = MidX(grid) + (0.5f - c.centreX) * c.cellSize;
        const float y = MidY(grid) + (0.5f - c.centreY) * c.cellSize;
        ClickAt(x, y, MouseButton::Right);
    }
};

TEST_F(DrawingTest, TextsOfTheWindow) {
    const RecordingCanvas canvas = Draw();
    for (const char* text : {"Pattern Viewer", "Rule Editor", "Play", "Reset", "Randomize", "<", ">", "-", "+",
                             "T 0", "10 gen/s", "Direct Editor", "G0", "G8", "1/19683 locked"})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    EXPECT_EQ(canvas.FindText("G9"), nullptr);  // nine frames
    EXPECT_EQ(canvas.clipDepth, 0);
}

TEST_F(DrawingTest, PauseLabelWhilePlayingAndLargePatternReadout) {
    view.KeyDown(Press(Key::Enter));
    EXPECT_NE(Draw().FindText("Pause"), nullptr);
    Click(view.layout.viewerButtons[kPlayPause]);
    platform.promptAnswer = Platform::SizeDensity{512, 0.0};
    Click(view.layout.viewerButtons[kRandomize], MouseButton::Right);
    EXPECT_NE(Draw().FindText("T 0 | 512x512"), nullptr);
}

TEST_F(DrawingTest, ViewerCellsAreOneBatchOfVisibleCells) {
    const core::ChunkGrid& grid = view.editor.Doc().source.grid;
    std::size_t live = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) live += grid.CellAt(x, y) != 0;
    const auto viewerBatches = [&] {
        std::vector<std::size_t> sizes;
        for (const auto& b : Draw().batches)
            if (b.clip == view.layout.viewerGrid) sizes.push_back(b.cells.size());
        return sizes;
    };
    EXPECT_EQ(viewerBatches(), std::vector<std::size_t>{live});
    // Zoomed in on one corner, only the cells in view are sent.
    view.viewerCamera = {0, 0, 72};
    const std::vector<std::size_t> zoomed = viewerBatches();
    ASSERT_EQ(zoomed.size(), 1u);
    EXPECT_LT(zoomed[0], live);
}

// Zoomed far out, the viewer sends one image, a pixel per visible cell, in the palette's colours.
TEST_F(DrawingTest, TinyViewerCellsAreOneImage) {
    view.viewerCamera = {16, 16, 2};
    const RecordingCanvas canvas = Draw();
    ASSERT_EQ(canvas.images.size(), 1u);
    for (const auto& b : canvas.batches) EXPECT_NE(b.clip, view.layout.viewerGrid);
    const CellImage& image = canvas.images[0];
    const VisibleCells visible = VisibleRange(view.viewerCamera, view.layout.viewerGrid);
    ASSERT_EQ(std::tuple(image.columns, image.rows), std::tuple(visible.x1 - visible.x0 + 1, visible.y1 - visible.y0 + 1));
    EXPECT_FLOAT_EQ(image.dest.Width(), 2.0f * float(image.columns));
    const core::ChunkGrid& grid = view.editor.Doc().source.grid;
    const auto& palette = view.editor.Doc().colors;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint32_t pixel =
                image.pixels[std::size_t((y - visible.y0) * image.columns + (x - visible.x0))];
            const std::uint8_t state = grid.CellAt(x, y);
            if (state == 0) {
                ASSERT_EQ(pixel, 0u);
                continue;
            }
            const auto red = static_cast<std::uint32_t>(std::lround(palette[state].red * 255));
            ASSERT_EQ(std::tuple(pixel & 0xFF, pixel >> 24), std::tuple(red, 255u)) << x << "," << y;
        }
    // A step later the cells that died leave translucent trails in the image.
    view.StepForward();
    const CellImage after = Draw().images.at(0);
    const core::HistoryLayer& history = view.editor.Doc().source.history;
    int trails = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint16_t value = history.ValueAt(x, y);
            if (view.editor.Doc().source.grid.CellAt(x, y) != 0 || (value & 0xFF) == 0 || (value >> 8) == 255) continue;
            const std::uint32_t alpha = after.pixels[std::size_t((y - visible.y0) * after.columns + (x - visible.x0))] >> 24;
            EXPECT_GT(alpha, 0u);
            EXPECT_LT(alpha, 255u);
            ++trails;
        }
    EXPECT_GT(trails, 0);
}

TEST_F(DrawingTest, FrameColoursOfASmallSession) {
    view.editor.SetTabCamera(0, {0.5f, 0.5f, 8});
    RightClickCell(0);  // one live cell at (0, 0)
    RightClickCell(1);  // it survives: its transition now outputs 1
    ASSERT_EQ(view.editor.Frames()[1].grid.CellAt(0, 0), 1);
    RecordingCanvas canvas = Draw();
    const ColorF cyan{0, 1, 1, 1}, green{0, 0.749f, 0, 1}, blue{0, 0, 1, 1};
    struct Case {
        int frame;
        ColorF color;
    } cases[] = {{0, green}, {1, cyan}, {2, green}, {3, green}};
    for (const Case& c : cases) {
        const auto* outline = FrameOutline(canvas, view.layout.frameOuter[static_cast<std::size_t>(c.frame)]);
        ASSERT_NE(outline, nullptr) << c.frame;
        EXPECT_EQ(outline->color, c.color) << c.frame;
        EXPECT_EQ(outline->stroke, c.frame == 1 ? 8 : 4) << c.frame;  // the last click focused frame 1
    }
    // Frame 2's 3x3 block of locked neighbourhoods gets the grey overlay.
    const ColorF overlay = LockedOverlayColor(view.appearance);
    std::size_t overlayCells = 0;
    for (const auto& b : canvas.batches)
        if (b.clip == view.layout.frameGrid[2] && !b.cells.empty() && b.cells[0].color == overlay)
            overlayCells += b.cells.size();
    EXPECT_EQ(overlayCells, 9u);
    // The unlocked cells of frame 1 out of view: blue.
    view.editor.SetTabCamera(0, {1000, 1000, 8});
    canvas = Draw();
    EXPECT_EQ(FrameOutline(canvas, view.layout.frameOuter[1])->color, blue);
    // A focused frame is drawn 8 px wide.
    view.MousePress(Mouse(MidX(view.layout.frameOuter[2]), view.layout.frameOuter[2].top + 1));
    view.MouseRelease(Mouse(0, 0));
    canvas = Draw();
    EXPECT_EQ(FrameOutline(canvas, view.layout.frameOuter[2])->stroke, 8);
}

TEST_F(DrawingTest, StateBarLabels) {
    view.Command(command::kShowStateBar);
    RecordingCanvas canvas = Draw();
    for (const char* text : {"S", "A", "0", "1", "2"}) EXPECT_NE(canvas.FindText(text), nullptr) << text;
    Click(StateBarPageSwitch(view.layout.stateBar));  // the middle is the right half
    EXPECT_TRUE(view.statePageMarkers);
    canvas = Draw();
    EXPECT_NE(canvas.FindText("8"), nullptr);
}

// The settings steer the trail and marker colours within their ranges.
TEST(SurfacePainterTest, TrailFadeAndMarkerColours) {
    Appearance a;
    const int k = TrailKeyframeAge(8, a);
    EXPECT_EQ(std::tuple(k, TrailKeyframeAge(2, a), TrailKeyframeAge(0.5f, a)), std::tuple(32, 96, 253));
    EXPECT_FLOAT_EQ(TrailFade(0, 8, a), 1);
    EXPECT_FLOAT_EQ(TrailFade(k, 8, a), 0.4f);
    EXPECT_NEAR(TrailFade(254, 8, a), 0.03f, 1e-6);
    EXPECT_EQ(std::tuple(TrailSizeDamping(3), TrailSizeDamping(14), TrailSizeDamping(40)), std::tuple(1, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(BrokenMarkerColor(a).alpha, 0.45f);
    a.brokenMarkerOpacity = 0;
    EXPECT_FLOAT_EQ(BrokenMarkerColor(a).alpha, 0.05f);  // never invisible
    EXPECT_EQ(LockedOverlayColor(Appearance{}), (ColorF{0.5f, 0.5f, 0.5f, 0.3f}));
    EXPECT_EQ(std::tuple(LockedOverlayMargin(2), LockedOverlayMargin(72)), std::tuple(1, 4));
}

}  // namespace
}  // namespace shell::testing
