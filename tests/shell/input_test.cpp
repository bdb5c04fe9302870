#include <algorithm>
#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class InputTest : public ShellTest {
protected:
    void FocusFrame(int k) { ClickAt(MidX(L().frameOuter[k]), L().frameOuter[k].top + 1); }
    // Pans the viewer far from the soup: its middle shows empty cells.
    std::pair<float, float> EmptyViewerPoint() {
        const RectF grid = L().viewerGrid;
        Drag(MidX(grid), MidY(grid), MidX(grid) + 2000, MidY(grid) + 2000);
        return {MidX(grid), MidY(grid)};
    }
    std::uint8_t SourceCellAt(float x, float y) const {
        const auto cell = view.CellAt(x, y).value();
        return Model().Doc().source.grid.CellAt(cell.first, cell.second);
    }
    void NameTabs(std::size_t count) {
        while (Model().Doc().tabs.size() < count) view.KeyDown(Press(Key::N, true));
        for (std::size_t i = 0; i < count; ++i) {
            const RectF tab = L().tabs[i];
            DoubleClickAt(tab.left + 20, MidY(tab));
            view.RenameTextChanged(std::string(1, char('a' + i)));
            view.CommitRename();
        }
    }
    std::string Order() const {
        std::string order;
        for (const auto& tab : Model().Doc().tabs) order += tab.name;
        return order;
    }
};

TEST_F(InputTest, DigitsChooseTheBrushAndCtrlDigitsTheMarker) {
    const auto [x, y] = EmptyViewerPoint();
    view.KeyDown(DigitKey(3));  // three states: refused
    view.KeyDown(DigitKey(2));
    EXPECT_FALSE(Shows("State 2"));  // no state bar, no toast
    view.Command(command::kShowStateBar);  // the brush paints while the state bar shows
    ClickAt(x, y, MouseButton::Right);
    EXPECT_EQ(std::tuple(platform.beeps, SourceCellAt(x, y)), std::tuple(1, 2));
    view.KeyDown(DigitKey(5, true));
    view.KeyDown(DigitKey(0, true));  // refused
    view.KeyDown(DigitKey(9, true));  // ignored
    ClickAt(x + 40, y, MouseButton::Left, true);
    const auto cell = view.CellAt(x + 40, y).value();
    EXPECT_EQ(std::tuple(Model().Doc().source.annotations.ValueAt(cell.first, cell.second) & 0xFF, platform.beeps),
              std::tuple(5, 2));
    // With the state bar a digit shows a toast for a while.
    view.KeyDown(DigitKey(2));
    EXPECT_TRUE(Shows("State 2"));
    platform.tickMs += 1200;
    EXPECT_FALSE(Shows("State 2"));
}

TEST_F(InputTest, KeysRefusedWhilePlayingUnlessFocusInPanel) {
    view.Command(command::kShowStateBar);
    view.KeyDown(Press(Key::Enter));
    view.KeyDown(Press(Key::Enter));
    EXPECT_TRUE(Shows("Pause"));
    view.KeyDown(DigitKey(2));
    view.KeyDown(Press(Key::Control, true));  // the Ctrl key alone only redraws
    EXPECT_EQ(std::tuple(platform.beeps, Draw().FindText("State 2")), std::tuple(2, nullptr));
    FocusFrame(1);
    view.KeyDown(DigitKey(2));
    EXPECT_TRUE(Shows("State 2"));
    view.KeyDown(Press(Key::Enter));  // Enter needs the grid focus: nothing
    EXPECT_EQ(std::tuple(Shows("Pause"), platform.beeps), std::tuple(true, 2));
    Click(L().viewerButtons[kPlayPause]);
    EXPECT_FALSE(Shows("Pause"));
}

TEST_F(InputTest, PaintingAndPanningTheViewerDoNothingWhilePlaying) {
    const RectF grid = L().viewerGrid;
    const auto cell = view.CellAt(MidX(grid), MidY(grid));
    const core::ChunkGrid before = Model().Doc().source.grid;
    const std::size_t depth = Model().UndoDepth();
    view.KeyDown(Press(Key::Enter));
    for (MouseButton button : {MouseButton::Right, MouseButton::Left, MouseButton::Middle})
        Drag(MidX(grid), MidY(grid), MidX(grid) + 100, MidY(grid) + 50, button);
    EXPECT_EQ(view.CellAt(MidX(grid), MidY(grid)), cell);
    ClickAt(MidX(grid), MidY(grid), MouseButton::Left, true);  // a marker: refused
    EXPECT_EQ(std::tuple(platform.beeps, Model().UndoDepth()), std::tuple(1, depth));
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(Model().Doc().source.grid.CellAt(i % 32, i / 32), before.CellAt(i % 32, i / 32));
}

// The cell under the pointer stays while zooming, within 1 to 72 px; a pan moves by whole cells
// at 72 px and stops with the capture.
TEST_F(InputTest, ViewerZoomIsAnchoredAndClampedAndPans) {
    const RectF grid = L().viewerGrid;
    const float x = grid.left + 40, y = grid.top + 70;
    view.MouseMove(x, y, {});
    const float size = HoverOutline(Draw())->Width();
    const auto under = view.CellAt(x, y);
    view.Wheel(x, y, 120, {});
    EXPECT_NEAR(HoverOutline(Draw())->Width(), size * 1.15f, 1e-3);
    EXPECT_EQ(view.CellAt(x, y), under);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, -120, {});
    EXPECT_FLOAT_EQ(HoverOutline(Draw())->Width(), 1);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, 120, {});
    EXPECT_FLOAT_EQ(HoverOutline(Draw())->Width(), 72);
    const auto before = view.CellAt(x, y).value();
    view.MousePress(Mouse(x, y));
    view.MouseMove(x - 144, y + 72, {});
    EXPECT_EQ(view.CellAt(x, y), std::pair(before.first + 2, before.second - 1));
    view.CaptureLost();
    view.MouseMove(x - 400, y, {});
    EXPECT_EQ(view.CellAt(x, y), std::pair(before.first + 2, before.second - 1));
}

// Frames zoom down to 4 px cells; with Ctrl the wheel scrolls their generations instead.
TEST_F(InputTest, FrameWheelZoomsToFourOrScrollsGenerations) {
    const RectF grid = L().frameGrid[4];
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, -1, {});
    const authoring::Camera atMin = CurrentTab().camera;
    EXPECT_FLOAT_EQ(atMin.cellSize, 4);
    view.Wheel(grid.left + 30, grid.top + 50, -1, {});
    EXPECT_EQ(CurrentTab().camera, atMin);
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, 1, {});
    EXPECT_FLOAT_EQ(CurrentTab().camera.cellSize, 72);
    for (auto [delta, generation] : {std::pair{-1, 3}, {1, 0}, {1, 0}})
        EXPECT_EQ((view.Wheel(MidX(grid), MidY(grid), delta, {true, false, false}), CurrentTab().currentGeneration), generation);
}

// A drag of three pixels is a click; further, the tab moves through the places it passes.
TEST_F(InputTest, TabDragsReorderWithOneUndoStep) {
    NameTabs(3);
    const float y = MidY(L().tabs[0]);
    Drag(MidX(L().tabs[0]) - 20, y, MidX(L().tabs[0]) - 17, y);
    EXPECT_EQ(std::tuple(Order(), Model().Doc().selectedTab), std::tuple("abc", 0));
    const std::size_t depth = Model().UndoDepth();
    Drag(MidX(L().tabs[0]) - 20, y, L().tabs[2].right - 5, y);
    EXPECT_EQ(std::tuple(Order(), Model().UndoDepth(), Model().Doc().selectedTab), std::tuple("bca", depth + 1, 2));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Order(), "abc");
}

TEST_F(InputTest, TabClickSelectsAndCloseBoxCloses) {
    NameTabs(3);
    Click(L().tabs[0]);
    EXPECT_EQ(Model().Doc().selectedTab, 0);
    Click(L().closeBoxes[1]);
    EXPECT_EQ(Order(), "ac");
    Click(L().tabs[1], MouseButton::Middle);
    EXPECT_EQ(Order(), "a");
    Click(L().closeBoxes[0]);  // the last tab stays
    EXPECT_EQ((Click(L().tabs[0], MouseButton::Middle), Order()), "a");
    EXPECT_TRUE((Click(L().directEditorTab), Model().Doc().RuleEditorPageSelected()));
    EXPECT_EQ((Click(L().newTab), Model().Doc().tabs.size()), 2u);
}

TEST_F(InputTest, RenameCommitAndCancel) {
    view.KeyDown(Press(Key::F2));
    ASSERT_TRUE(platform.textInputActive);
    view.RenameTextChanged("Glider");
    EXPECT_TRUE(Shows("Glider"));  // the tab shows the typing
    EXPECT_EQ(Model().Doc().tabs[0].name, "");
    view.CommitRename();
    EXPECT_EQ(std::tuple(platform.textInputActive, Model().Doc().tabs[0].name, platform.titles.back()),
              std::tuple(false, "Glider", "* Tavrix"));
    view.KeyDown(Press(Key::F2));
    view.RenameTextChanged("Other");
    view.CancelRename();
    EXPECT_EQ(std::tuple(Model().Doc().tabs[0].name, platform.textInputActive), std::tuple("Glider", false));
    DoubleClickAt(L().tabs[0].left + 20, MidY(L().tabs[0]));  // a double-click renames too
    EXPECT_EQ(std::tuple(platform.textInputActive, platform.textInput), std::tuple(true, "Glider"));
    view.CommitRename();
}

// Quick clicks on the scroll buttons all count, double-clicks too; the wheel scrolls back a step.
TEST_F(InputTest, TabStripScrolls) {
    ManyTabs(14);
    ASSERT_TRUE(L().tabBarScroll == 0 && L().maxTabScroll > 4 * layout::kTabScrollStep);
    const RectF right = L().scrollRight;
    for (int i = 0; i < 4; ++i) (i % 2 ? DoubleClickAt(MidX(right), MidY(right)) : Click(right));
    EXPECT_FLOAT_EQ(L().tabBarScroll, 4 * layout::kTabScrollStep);
    view.Wheel(MidX(L().tabStrip), MidY(L().tabStrip), 1, {});
    EXPECT_FLOAT_EQ(L().tabBarScroll, 3 * layout::kTabScrollStep);
    // The selected tab, far off to the right, stays in view while the first is dragged one place on.
    for (int i = 0; i < 20; ++i) Click(L().scrollLeft);
    const int selected = Model().Doc().selectedTab;
    Drag(MidX(L().tabs[0]), MidY(L().tabs[0]), MidX(L().tabs[1]) + 5, MidY(L().tabs[1]));
    EXPECT_EQ(Model().Doc().selectedTab, selected);
    EXPECT_TRUE(L().tabs[1].left >= L().tabStrip.left && L().tabs[1].right <= L().tabStrip.right);
}

TEST_F(InputTest, SelectionDeleteAndEscape) {
    const RectF grid = L().viewerGrid;
    Drag(grid.left + 5, grid.top + 5, grid.right - 5, grid.bottom - 5, MouseButton::Left, true, true);
    view.KeyDown(Press(Key::Escape));
    view.KeyDown(Press(Key::Delete));  // nothing selected any more
    ASSERT_GT(Model().Doc().source.grid.ChunkCount(), 0u);
    Drag(grid.left + 5, grid.top + 5, grid.right - 5, grid.bottom - 5, MouseButton::Left, true, true);
    view.KeyDown(Press(Key::Delete));
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(Model().Doc().source.grid.CellAt(i % 32, i / 32), 0);
}

TEST_F(InputTest, SelectionStaysOnItsPane) {
    const RectF grid = L().frameGrid[0];
    view.MousePress(Mouse(MidX(grid), MidY(grid), MouseButton::Left, true, true));
    view.MouseMove(L().frameGrid[1].right - 2, grid.bottom + 500, {true, true, false});
    int selections = 0;
    const float size = CurrentTab().camera.cellSize;
    for (const auto& [r, c] : Draw().fills)
        if (c == ColorF{0.26f, 0.70f, 0.74f, 0.16f}) {
            ++selections;
            EXPECT_TRUE(r.right >= grid.right && r.right < grid.right + size);
            EXPECT_TRUE(r.bottom >= grid.bottom && r.bottom < grid.bottom + size);
        }
    EXPECT_EQ(selections, 1);
}

class ViewerTest : public ShellTest {
protected:
    int Generation() const { return Model().Doc().source.generation; }
};

TEST_F(ViewerTest, TimerPeriodsFollowTheSpeed) {
    view.KeyDown(Press(Key::Enter));
    ASSERT_FALSE(platform.timerPeriods.empty());
    EXPECT_EQ(platform.timerPeriods.back(), 100);  // index 3: 10 gen/s
    // Eight speeds from 500 ms to 8 ms a generation; a step past either end beeps.
    const int periods[] = {500, 250, 166, 100, 66, 41, 33, 8};
    for (int i = 4; i <= 8; ++i) {
        Click(L().viewerButtons[kSpeedUp]);
        EXPECT_EQ(std::tuple(platform.timerPeriods.back(), platform.beeps), std::tuple(periods[std::min(i, 7)], i == 8 ? 1 : 0));
    }
    for (int i = 6; i >= -1; --i) {
        Click(L().viewerButtons[kSpeedDown]);
        EXPECT_EQ(platform.timerPeriods.back(), periods[std::max(i, 0)]);
    }
    EXPECT_EQ(platform.beeps, 2);
    view.SetActive(false);  // an inactive window stops the timer, not playback
    EXPECT_EQ(std::tuple(platform.timerPeriods.back(), Shows("Pause")), std::tuple(0, true));
    view.SetActive(true);
    EXPECT_EQ(platform.timerPeriods.back(), 500);
    Click(L().viewerButtons[kPlayPause]);
    EXPECT_EQ(platform.timerPeriods.back(), 0);
}

TEST_F(ViewerTest, TicksStepWithTheClock) {
    view.KeyDown(Press(Key::Enter));
    platform.nowNs += 100'000'000;  // 0.1 s at 10 gen/s
    view.TimerTick();
    EXPECT_EQ(Generation(), 1);
    const int before = Generation();
    Click(L().viewerButtons[kStepForward]);  // a step stops playback
    EXPECT_EQ(std::tuple(Draw().FindText("Pause"), Generation(), platform.timerPeriods.back()),
              std::tuple(nullptr, before + 1, 0));
    platform.nowNs += 1'000'000'000;
    view.TimerTick();
    EXPECT_EQ(Generation(), before + 1);
}

TEST_F(ViewerTest, StepBackThenStep) {
    view.KeyDown(Press(Key::Backspace));  // at generation 0: a beep
    EXPECT_EQ(platform.beeps, 1);
    for (int i = 0; i < 2; ++i) view.KeyDown(Press(Key::Space));
    EXPECT_EQ(Generation(), 2);
    const core::ChunkGrid second = Model().Doc().source.grid;
    view.KeyDown(Press(Key::Backspace));
    EXPECT_EQ(Generation(), 1);
    view.KeyDown(Press(Key::Space));
    EXPECT_EQ(Generation(), 2);
    for (int i = 0; i < 40 * 40; ++i) ASSERT_EQ(Model().Doc().source.grid.CellAt(i % 40, i / 40), second.CellAt(i % 40, i / 40));
    view.KeyDown(Press(Key::R));
    EXPECT_EQ(Generation(), 0);
}

TEST_F(ViewerTest, RandomizeRecentresOnlyForANewSize) {
    const RectF grid = L().viewerGrid;
    const float x = MidX(grid), y = MidY(grid);
    Drag(x, y, x + 50, y + 30);
    const auto panned = view.CellAt(x, y);
    Click(L().viewerButtons[kRandomize]);
    EXPECT_EQ(view.CellAt(x, y), panned);
    platform.promptAnswer = Platform::SizeDensity{64, 1.0};
    Click(L().viewerButtons[kRandomize], MouseButton::Right);
    const auto& source = Model().Doc().source;
    EXPECT_EQ(std::tuple(source.patternSize, view.CellAt(x + 0.01f, y + 0.01f)), std::tuple(64, std::pair(32, 32)));
    view.MouseMove(x, y, {});
    EXPECT_NEAR(HoverOutline(Draw())->Width(), std::max(1.0f, std::min(grid.Height() / 64, grid.Width() / 64)), 1e-3);
    for (int i = 0; i < 64 * 64; ++i) ASSERT_NE(source.grid.CellAt(i % 64, i / 64), 0);
    platform.promptAnswer.reset();
    Click(L().viewerButtons[kRandomize], MouseButton::Right);
    EXPECT_EQ(source.patternSize, 64);
}

}  // namespace
}  // namespace shell::testing
