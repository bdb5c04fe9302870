#include <tuple>

#include "shell/coverage_bar.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

// Two tabs that share the transition of a lone live cell.
class FramesTest : public ShellTest {
protected:
    void RightClickCell(int frame, bool doubleClick = false) {
        const auto [cx, cy] = CentreCell();
        const auto [x, y] = PointOfCell(frame, cx, cy);
        if (doubleClick) DoubleClickAt(x, y, MouseButton::Right);
        else ClickAt(x, y, MouseButton::Right);
    }
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
    ASSERT_FALSE(Model().Tabs()[1].brokenMarkers.empty());
    // Clicking the current tab again jumps to its broken marker.
    Click(L().tabs[1]);
    view.MouseLeave();
    Click(L().tabs[1]);
    EXPECT_TRUE(HoverOutline(Draw()));
    // A right press on the marked cell removes the marker.
    const auto& markers = Model().Tabs()[1].brokenMarkers;
    const std::size_t before = markers.size();
    ASSERT_TRUE(markers.front().hasCell);
    const int frame = static_cast<int>(markers.front().brokenGeneration) - CurrentTab().currentGeneration;
    ASSERT_GE(frame, 1);
    const auto [mx, my] = PointOfCell(frame, markers.front().x, markers.front().y);
    ClickAt(mx, my, MouseButton::Right);
    EXPECT_EQ(Model().Tabs()[1].brokenMarkers.size(), before - 1);
}

TEST_F(FramesTest, CoverageBarSelectsTabsAndNamesThemOnHover) {
    SetUpTwoTabs();
    std::vector<std::uint64_t> counts;
    for (const auto& tab : Model().Tabs()) counts.push_back(tab.ownLockedTransitions.size());
    ASSERT_GT(counts[0], 0u);
    const RectF bar = L().coverageBar;
    const std::vector<RectF> segments = CoverageSegments(bar, counts, core::RuleTableSize(3));
    EXPECT_FLOAT_EQ(segments[1].left, segments[0].right);
    const float x = MidX(segments[0]);
    view.MouseMove(x, MidY(bar), {});
    bool named = false;
    for (const auto& t : Draw().texts) named = named || t.text.rfind("Pattern 1: ", 0) == 0;
    EXPECT_TRUE(named);
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
    EXPECT_FALSE(view.QueryMenuItem(command::kMaximizePatternViewer).checked);
    EXPECT_NE(Draw().FindText("Color Editor"), nullptr);
    view.KeyDown(Press(Key::Escape));
    EXPECT_EQ(Draw().FindText("Color Editor"), nullptr);
}

}  // namespace
}  // namespace shell::testing
