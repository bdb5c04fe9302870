#include <tuple>

#include "shell/coverage_bar.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

// Two tabs that share the transition of a lone live cell.
class FramesTest : public ShellTest {
protected:
    std::pair<float, float> PointOfCell(int frame, int x, int y) const {
        const RectF grid = view.layout.frameGrid[static_cast<std::size_t>(frame)];
        const auto& c = CurrentTab().camera;
        return {MidX(grid) + (float(x) + 0.5f - c.centreX) * c.cellSize,
                MidY(grid) + (float(y) + 0.5f - c.centreY) * c.cellSize};
    }
    void RightClickCell(int frame, bool doubleClick = false) {
        const auto [x, y] = PointOfCell(frame, 0, 0);
        view.MousePress(Mouse(x, y, MouseButton::Right, false, false, doubleClick));
        view.MouseRelease(Mouse(x, y, MouseButton::Right));
    }
    void ShowCellZero() {
        view.editor.SetTabCamera(static_cast<std::size_t>(view.editor.Doc().selectedTab), {0.5f, 0.5f, 8});
    }
    void SetUpTwoTabs() {
        ShowCellZero();
        RightClickCell(0);  // a lone cell in tab 0
        RightClickCell(1);  // that survives
        view.KeyDown(Press(Key::N, true));
        ShowCellZero();
        RightClickCell(0);  // tab 1 draws the same lone cell
        ASSERT_EQ(view.editor.Doc().selectedTab, 1);
    }
};

TEST_F(FramesTest, LocksMarkersAndJumps) {
    SetUpTwoTabs();
    RightClickCell(1);  // tab 0 locks the transition: the paint is refused with a beep
    EXPECT_EQ(platform.beeps, 1);
    // A double-click on the cell jumps to the tab that locks its transition.
    const auto [x, y] = PointOfCell(1, 0, 0);
    view.MousePress(Mouse(x, y, MouseButton::Left, false, false, true));
    view.MouseRelease(Mouse(x, y));
    EXPECT_EQ(std::tuple(view.editor.Doc().selectedTab, view.hover.valid, view.hover.surface.viewer),
              std::tuple(0, true, false));
    RightClickCell(1);  // changes the shared transition again: tab 1 is marked
    ASSERT_FALSE(view.editor.Doc().tabs[1].brokenMarkers.empty());
    // Clicking the current tab again jumps to its broken marker.
    Click(view.layout.tabs[1]);
    view.hover = {};
    Click(view.layout.tabs[1]);
    EXPECT_TRUE(view.hover.valid);
    // A right press on the marked cell removes the marker.
    const auto& markers = view.editor.Doc().tabs[1].brokenMarkers;
    const std::size_t before = markers.size();
    ASSERT_TRUE(markers.front().hasCell);
    const int frame = static_cast<int>(markers.front().brokenGeneration) - CurrentTab().currentGeneration;
    ASSERT_GE(frame, 1);
    const auto [mx, my] = PointOfCell(frame, markers.front().x, markers.front().y);
    ClickAt(mx, my, MouseButton::Right);
    EXPECT_EQ(view.editor.Doc().tabs[1].brokenMarkers.size(), before - 1);
}

TEST_F(FramesTest, CoverageBarSelectsTabsAndNamesThemOnHover) {
    SetUpTwoTabs();
    const std::vector<std::uint64_t> counts = view.CoverageCounts();
    ASSERT_GT(counts[0], 0u);
    const RectF bar = view.layout.coverageBar;
    const std::vector<RectF> segments = CoverageSegments(bar, counts, core::RuleTableSize(3));
    EXPECT_FLOAT_EQ(segments[0].left, bar.left + 2);
    EXPECT_FLOAT_EQ(segments[1].left, segments[0].right);
    const float x = MidX(segments[0]);
    view.MouseMove(x, MidY(bar), {});
    EXPECT_EQ(view.hoverControl, 2000);
    const RecordingCanvas canvas = Draw();
    bool named = false;
    for (const auto& t : canvas.texts) named = named || t.text.rfind("Pattern 1: ", 0) == 0;
    EXPECT_TRUE(named);
    ClickAt(x, MidY(bar));
    EXPECT_EQ(view.editor.Doc().selectedTab, 0);
}

TEST_F(FramesTest, HoverIdsAndLeaving) {
    struct Case {
        RectF rect;
        int id;
    } cases[] = {
        {view.layout.scrollLeft, 0},   {view.layout.scrollRight, 1}, {view.layout.newTab, 2},
        {view.layout.viewerButtons[kPlayPause], 3}, {view.layout.viewerButtons[kSpeedUp], 11},
        {view.layout.tabs[0], 100},    {view.layout.closeBoxes[0], 1000}, {view.layout.directEditorTab, 101},
    };
    for (const Case& c : cases) {
        view.MouseMove(MidX(c.rect), MidY(c.rect), {});
        EXPECT_EQ(view.hoverControl, c.id);
    }
    view.MouseMove(MidX(view.layout.viewerGrid), MidY(view.layout.viewerGrid), {});
    EXPECT_TRUE(view.hover.valid);
    const int redraws = platform.redraws;
    view.MouseLeave();
    EXPECT_EQ(std::tuple(view.hover.valid, view.hoverControl, platform.redraws), std::tuple(false, -1, redraws + 1));
}

TEST_F(FramesTest, CtrlMTakesTheMinruleAndShiftMNeedsTheFirstGeneration) {
    SetUpTwoTabs();
    view.KeyDown(Press(Key::M, true));
    EXPECT_EQ(view.editor.Undefined().count, 0u);
    const RectF grid = view.layout.frameGrid[2];
    view.MousePress(Mouse(grid.left + 2, grid.top + 2, MouseButton::Left, true, true));
    view.MouseRelease(Mouse(grid.left + 2, grid.top + 2));
    ASSERT_TRUE(view.selection.exists);
    const int beeps = platform.beeps;
    view.KeyDown(Press(Key::M, false, true));
    EXPECT_EQ(platform.beeps, beeps + 1);
}

TEST_F(FramesTest, FrameRandomizerEndIsMagenta) {
    SetUpTwoTabs();
    const RectF frame = view.layout.frameOuter[1];
    ClickAt(MidX(frame), frame.top + 1);
    view.KeyDown(Press(Key::R, true));  // one frame: done at once
    EXPECT_FALSE(view.editor.FrameRandomizerActive());
    view.KeyDown(Press(Key::R, true, true));  // stays active for frames that come into view
    ASSERT_TRUE(view.editor.FrameRandomizerActive());
    const RecordingCanvas canvas = Draw();
    const RectF last = view.layout.frameOuter[8];
    bool magenta = false;
    for (const auto& o : canvas.outlines)
        magenta = magenta || (o.rect.left == last.left + 2 && o.color == ColorF{1, 0, 1, 1});
    EXPECT_TRUE(magenta);
    view.KeyDown(Press(Key::M, true));  // ends it and takes the minrule
    EXPECT_FALSE(view.editor.FrameRandomizerActive());
}

TEST_F(FramesTest, EditColorsLeavesTheMaximizedViewerAndEscapeCloses) {
    view.Command(command::kMaximizePatternViewer);
    view.Command(command::kEditColors);
    EXPECT_EQ(std::tuple(view.flags.colorEditorOpen, view.flags.viewerMaximized), std::tuple(true, false));
    const RecordingCanvas canvas = Draw();
    EXPECT_NE(canvas.FindText("Color Editor"), nullptr);
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(view.flags.colorEditorOpen);
}

}  // namespace
}  // namespace shell::testing
