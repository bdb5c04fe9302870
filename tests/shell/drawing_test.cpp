#include <cmath>
#include <tuple>

#include "shell/coverage_bar.h"
#include "shell/state_bar.h"
#include "shell/surface_painter.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class DrawingTest : public ShellTest {
protected:
    std::vector<std::size_t> ViewerBatches() {
        std::vector<std::size_t> sizes;
        for (const auto& b : Draw().batches)
            if (b.clip == L().viewerGrid) sizes.push_back(b.cells.size());
        return sizes;
    }
};

TEST_F(DrawingTest, TextsOfTheWindow) {
    ExpectTexts({"Pattern Viewer", "Rule Editor", "Play", "Reset", "Randomize", "<", ">", "-", "+", "T 0", "10 gen/s",
                 "Direct Editor", "G0", "G8", "1/19683 locked"});
    EXPECT_EQ(std::tuple(Shows("G9"), Draw().clipDepth), std::tuple(false, 0));  // nine frames
    platform.promptAnswer = Platform::SizeDensity{512, 0.0};
    Click(L().viewerButtons[kRandomize], MouseButton::Right);
    EXPECT_TRUE(Shows("T 0 | 512x512"));
}

TEST_F(DrawingTest, ViewerCellsAreOneBatchOfVisibleCells) {
    const core::ChunkGrid& grid = Model().Doc().source.grid;
    std::size_t live = 0;
    for (int i = 0; i < 32 * 32; ++i) live += grid.CellAt(i % 32, i / 32) != 0;
    EXPECT_EQ(ViewerBatches(), std::vector<std::size_t>{live});
    // Zoomed in on cell (8, 8), only the cells in view are sent.
    const RectF g = L().viewerGrid;
    const float size = std::min(g.Width(), g.Height()) / 32;
    for (int i = 0; i < 100; ++i) view.Wheel(MidX(g) - 8 * size, MidY(g) - 8 * size, 1, {});
    const std::vector<std::size_t> zoomed = ViewerBatches();
    ASSERT_EQ(zoomed.size(), 1u);
    EXPECT_LT(zoomed[0], live);
}

// Zoomed far out, the viewer sends one image, a pixel per visible cell, in the palette's colours.
TEST_F(DrawingTest, TinyViewerCellsAreOneImage) {
    const RectF view_grid = L().viewerGrid;
    const float px = MidX(view_grid), py = MidY(view_grid);
    for (int i = 0; i < 100; ++i) view.Wheel(px, py, -1, {});  // one pixel a cell
    const RecordingCanvas canvas = Draw();
    ASSERT_EQ(canvas.images.size(), 1u);
    for (const auto& b : canvas.batches) EXPECT_NE(b.clip, view_grid);
    const CellImage& image = canvas.images[0];
    EXPECT_FLOAT_EQ(image.dest.Width(), float(image.columns));
    // The image's first column and row, from the cell under the middle.
    const auto middle = view.CellAt(px, py).value();
    const int x0 = middle.first - int(std::floor(px - image.dest.left));
    const int y0 = middle.second - int(std::floor(py - image.dest.top));
    const auto pixelOf = [&](const CellImage& im, int x, int y) {
        return im.pixels[std::size_t((y - y0) * im.columns + (x - x0))];
    };
    const core::ChunkGrid& grid = Model().Doc().source.grid;
    const auto& palette = Model().Doc().colors;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint8_t state = grid.CellAt(x, y);
            const std::uint32_t pixel = pixelOf(image, x, y);
            const auto red = state ? static_cast<std::uint32_t>(std::lround(palette[state].red * 255)) : 0u;
            ASSERT_EQ(std::tuple(pixel & 0xFF, pixel >> 24), std::tuple(red, state ? 255u : 0u)) << x << "," << y;
        }
    // A step later the cells that died leave translucent trails in the image.
    view.KeyDown(Press(Key::Space));
    const CellImage after = Draw().images.at(0);
    const core::HistoryLayer& history = Model().Doc().source.history;
    int trails = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint16_t value = history.ValueAt(x, y);
            if (grid.CellAt(x, y) != 0 || (value & 0xFF) == 0 || (value >> 8) == 255) continue;
            const std::uint32_t alpha = pixelOf(after, x, y) >> 24;
            EXPECT_TRUE(alpha > 0 && alpha < 255) << x << "," << y;
            ++trails;
        }
    EXPECT_GT(trails, 0);
}

// Focus follows clicks and widens the frame; colours tell locks and what is out of view.
TEST_F(DrawingTest, FrameColoursOfASmallSession) {
    view.KeyDown(Press(Key::R, true));  // the frame randomizer needs a focused frame
    EXPECT_EQ(platform.beeps, 1);
    const auto [cx, cy] = CentreCell();
    for (int frame : {0, 1}) RightClickCell(frame);  // one live cell that survives: its transition now outputs 1
    ASSERT_EQ(Model().Frames()[1].grid.CellAt(cx, cy), 1);
    RecordingCanvas canvas = Draw();
    const ColorF cyan{0, 1, 1, 1}, green{0, 0.749f, 0, 1}, blue{0, 0, 1, 1};
    for (const auto& [frame, color] : {std::pair{0, green}, {1, cyan}, {2, green}, {3, green}}) {
        const auto outline = FrameOutline(canvas, L().frameOuter[static_cast<std::size_t>(frame)]);
        ASSERT_TRUE(outline) << frame;  // the last click focused frame 1
        EXPECT_EQ(std::tuple(outline->color, outline->stroke), std::tuple(color, frame == 1 ? 8 : 4)) << frame;
    }
    // Frame 2's 3x3 block of locked neighbourhoods gets the grey overlay.
    const ColorF overlay = LockedOverlayColor(Appearance{});
    std::size_t overlayCells = 0;
    for (const auto& b : canvas.batches)
        if (b.clip == L().frameGrid[2] && !b.cells.empty() && b.cells[0].color == overlay)
            overlayCells += b.cells.size();
    EXPECT_EQ(overlayCells, 9u);
    ClickAt(MidX(L().viewerGrid), MidY(L().viewerGrid));  // the viewer takes the focus
    EXPECT_EQ(FrameOutline(Draw(), L().frameOuter[1])->stroke, 4);
    // The unlocked cells of frame 1 panned out of view: blue.
    const RectF grid = L().frameGrid[1];
    Drag(MidX(grid), MidY(grid), MidX(grid) + 3000, MidY(grid) + 3000);
    EXPECT_EQ(FrameOutline(Draw(), L().frameOuter[1])->color, blue);
}

TEST_F(DrawingTest, StateBarPages) {
    view.Command(command::kShowStateBar);
    ExpectTexts({"S", "A", "0", "1", "2"});
    Click(StateBarPageSwitch(L().stateBar));  // the middle is the right half: the markers
    EXPECT_TRUE(Shows("8"));
    Click(MarkerRow(L().stateBar, 4));
    std::vector<int> chosen;
    for (int marker = 1; marker <= 8; ++marker)
        if (Outlined(MarkerRow(L().stateBar, marker), 2.5f)) chosen.push_back(marker);
    EXPECT_EQ(chosen, std::vector{4});
}

// Two tabs that share the transition of a lone live cell.
class FramesTest : public ShellTest {
protected:
    void SetUpTwoTabs() {
        RightClickCell(0);  // a lone cell in tab 0
        RightClickCell(1);  // that survives
        view.KeyDown(Press(Key::N, true));
        RightClickCell(0);  // tab 1 draws the same lone cell
        ASSERT_EQ(Model().Doc().selectedTab, 1);
    }
};

TEST_F(FramesTest, LocksMarkersAndJumps) {
    SetUpTwoTabs();
    RightClickCell(1);  // tab 0 locks the transition: the paint is refused with a beep
    EXPECT_EQ(platform.beeps, 1);
    // A double-click on the cell jumps to the tab that locks its transition and points at the cell.
    const auto [cx, cy] = CentreCell();
    const auto [x, y] = PointOfCell(1, cx, cy);
    DoubleClickAt(x, y);
    EXPECT_EQ(Model().Doc().selectedTab, 0);
    EXPECT_TRUE(HoverOutline(Draw()));
    RightClickCell(1);  // changes the shared transition again: tab 1 is marked
    ASSERT_FALSE(Model().Doc().tabs[1].brokenMarkers.empty());
    // Clicking the current tab again jumps to its broken marker.
    Click(L().tabs[1]);
    view.MouseLeave();
    Click(L().tabs[1]);
    EXPECT_TRUE(HoverOutline(Draw()));
    // A right press on the marked cell removes the marker.
    const auto& markers = Model().Doc().tabs[1].brokenMarkers;
    const std::size_t before = markers.size();
    ASSERT_TRUE(markers.front().hasCell);
    const int frame = static_cast<int>(markers.front().brokenGeneration) - CurrentTab().currentGeneration;
    ASSERT_GE(frame, 1);
    const auto [mx, my] = PointOfCell(frame, markers.front().x, markers.front().y);
    ClickAt(mx, my, MouseButton::Right);
    EXPECT_EQ(Model().Doc().tabs[1].brokenMarkers.size(), before - 1);
}

TEST_F(FramesTest, CoverageBarSelectsTabsAndNamesThemOnHover) {
    SetUpTwoTabs();
    std::vector<std::uint64_t> counts;
    for (const auto& tab : Model().Doc().tabs) counts.push_back(tab.ownLockedTransitions.size());
    ASSERT_GT(counts[0], 0u);
    const RectF bar = L().coverageBar;
    const std::vector<RectF> segments = CoverageSegments(bar, counts, core::RuleTableSize(3));
    EXPECT_FLOAT_EQ(segments[1].left, segments[0].right);
    const float x = MidX(segments[0]);
    view.MouseMove(x, MidY(bar), {});
    EXPECT_TRUE(std::ranges::any_of(Draw().texts, [](const auto& t) { return t.text.starts_with("Pattern 1: "); }));
    ClickAt(x, MidY(bar));
    EXPECT_EQ(Model().Doc().selectedTab, 0);
}

TEST_F(FramesTest, ControlsLightUnderThePointerUntilItLeaves) {
    Draw();  // tabs take the widths the canvas measures
    struct Case {
        RectF rect;
        ColorF fill;
    } cases[] = {
        {L().scrollLeft, theme::kButtonHover},      {L().newTab, theme::kButtonHover},
        {L().viewerButtons[kSpeedUp], theme::kButtonHover}, {L().closeBoxes[0], theme::kCloseHover},
        {L().directEditorTab, theme::kButtonHover},
    };
    for (const Case& c : cases) {
        view.MouseMove(MidX(c.rect), MidY(c.rect), {});
        EXPECT_TRUE(Filled(Draw(), c.rect, c.fill)) << c.rect.left;
    }
    view.MouseMove(MidX(L().viewerGrid), MidY(L().viewerGrid), {});
    EXPECT_TRUE(HoverOutline(Draw()));
    const int redraws = platform.redraws;
    view.MouseLeave();
    EXPECT_EQ(std::tuple(HoverOutline(Draw()).has_value(), platform.redraws), std::tuple(false, redraws + 1));
}

TEST_F(FramesTest, CtrlMTakesTheMinruleAndShiftMNeedsTheFirstGeneration) {
    SetUpTwoTabs();
    view.KeyDown(Press(Key::M, true));
    EXPECT_EQ(Model().Undefined().count, 0u);
    const RectF grid = L().frameGrid[2];
    ClickAt(grid.left + 2, grid.top + 2, MouseButton::Left, true, true);
    const int beeps = platform.beeps;
    view.KeyDown(Press(Key::M, false, true));
    EXPECT_EQ(platform.beeps, beeps + 1);
}

TEST_F(FramesTest, FrameRandomizerEndIsMagenta) {
    SetUpTwoTabs();
    ClickAt(MidX(L().frameOuter[1]), L().frameOuter[1].top + 1);
    view.KeyDown(Press(Key::R, true));  // one frame: done at once
    EXPECT_FALSE(Model().FrameRandomizerActive());
    view.KeyDown(Press(Key::R, true, true));  // stays active for frames that come into view
    ASSERT_TRUE(Model().FrameRandomizerActive());
    const RectF last = L().frameOuter[8];
    bool magenta = false;
    for (const auto& o : Draw().outlines)
        magenta = magenta || (o.rect.left == last.left + 2 && o.color == ColorF{1, 0, 1, 1});
    EXPECT_TRUE(magenta);
    view.KeyDown(Press(Key::M, true));  // ends it and takes the minrule
    EXPECT_FALSE(Model().FrameRandomizerActive());
}

TEST_F(FramesTest, EditColorsLeavesTheMaximizedViewerAndEscapeCloses) {
    view.Command(command::kMaximizePatternViewer);
    view.Command(command::kEditColors);
    EXPECT_EQ(std::tuple(Checked(command::kMaximizePatternViewer), Shows("Color Editor")), std::tuple(false, true));
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(Shows("Color Editor"));
}

}  // namespace
}  // namespace shell::testing
