#include <cmath>
#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class InputTest : public ShellTest {
protected:
    void FocusPanel() {
        view.MousePress(Mouse(MidX(view.layout.frameOuter[1]), view.layout.frameOuter[1].top + 1));
        view.MouseRelease(Mouse(0, 0));
    }
    void NameTabs(std::size_t count) {
        while (view.editor.Doc().tabs.size() < count) view.KeyDown(Press(Key::N, true));
        for (std::size_t i = 0; i < count; ++i) view.editor.RenameTab(i, std::string(1, char('a' + i)));
        view.Relayout();
    }
    std::string Order() const {
        std::string order;
        for (const auto& tab : view.editor.Doc().tabs) order += tab.name;
        return order;
    }
};

TEST_F(InputTest, DigitsWithThreeStates) {
    view.KeyDown(DigitKey(3));
    EXPECT_EQ(std::tuple(platform.beeps, view.selectedState), std::tuple(1, 1));
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(std::tuple(view.selectedState, view.PaintBrush().state), std::tuple(2, 2));
    EXPECT_FALSE(view.toast.shown);  // no state bar, no toast
}

TEST_F(InputTest, DigitToastWithTheStateBar) {
    view.Command(command::kShowStateBar);
    view.MouseMove(300, 400, {});
    view.KeyDown(DigitKey(2));
    ASSERT_TRUE(view.toast.shown);
    EXPECT_EQ(view.toast.state, 2);
    const RecordingCanvas canvas = Draw();
    const RecordingCanvas::Text* text = canvas.FindText("State 2");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect, (RectF{318, 422, 318 + 92, 422 + 30}));
    platform.tickMs += 1200;
    const RecordingCanvas later = Draw();
    EXPECT_EQ(later.FindText("State 2"), nullptr);
}

TEST_F(InputTest, MarkerKeys) {
    view.KeyDown(DigitKey(5, true));
    EXPECT_EQ(view.markerValue, 5);
    view.KeyDown(DigitKey(0, true));
    view.KeyDown(DigitKey(9, true));
    EXPECT_EQ(std::tuple(view.markerValue, platform.beeps), std::tuple(5, 1));
}

TEST_F(InputTest, KeysRefusedWhilePlayingUnlessFocusInPanel) {
    view.KeyDown(Press(Key::Enter));
    ASSERT_TRUE(view.playing);
    view.KeyDown(Press(Key::Enter));
    EXPECT_TRUE(view.playing);
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(std::tuple(platform.beeps, view.selectedState), std::tuple(2, 1));
    // The Ctrl key alone only redraws.
    view.KeyDown(Press(Key::Control, true));
    EXPECT_EQ(platform.beeps, 2);
    FocusPanel();
    ASSERT_EQ(view.focus, Focus::Panel);
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(view.selectedState, 2);
    view.KeyDown(Press(Key::Enter));  // Enter needs the grid focus: nothing
    EXPECT_EQ(std::tuple(view.playing, platform.beeps), std::tuple(true, 2));
    // The Pause button stops playback.
    Click(view.layout.viewerButtons[kPlayPause]);
    EXPECT_FALSE(view.playing);
}

TEST_F(InputTest, PaintingAndPanningTheViewerDoNothingWhilePlaying) {
    view.KeyDown(Press(Key::Enter));
    const std::uint64_t before = view.editor.UndoDepth();
    const RectF& grid = view.layout.viewerGrid;
    for (MouseButton button : {MouseButton::Right, MouseButton::Left}) {
        view.MousePress(Mouse(MidX(grid), MidY(grid), button));
        EXPECT_EQ(view.drag, Drag::None);
    }
    view.MousePress(Mouse(MidX(grid), MidY(grid), MouseButton::Left, true));
    EXPECT_EQ(std::tuple(platform.beeps, view.editor.UndoDepth()), std::tuple(1, before));
}

TEST_F(InputTest, ViewerZoomIsAnchoredAndClamped) {
    const RectF grid = view.layout.viewerGrid;
    const float x = grid.left + 40, y = grid.top + 70;
    auto pointUnder = [&] {
        const auto& c = view.viewerCamera;
        return std::pair{(x - MidX(grid)) / c.cellSize + c.centreX, (y - MidY(grid)) / c.cellSize + c.centreY};
    };
    const auto before = pointUnder();
    const float size = view.viewerCamera.cellSize;
    view.Wheel(x, y, 120, {});
    EXPECT_FLOAT_EQ(view.viewerCamera.cellSize, size * 1.15f);
    EXPECT_NEAR(pointUnder().first, before.first, 1e-3);  // the point under the pointer stays
    EXPECT_NEAR(pointUnder().second, before.second, 1e-3);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, -120, {});
    EXPECT_FLOAT_EQ(view.viewerCamera.cellSize, 1);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, 120, {});
    EXPECT_FLOAT_EQ(view.viewerCamera.cellSize, 72);
}

TEST_F(InputTest, FrameZoomStopsAtFourAndLeavesTheCameraAlone) {
    const RectF grid = view.layout.frameGrid[4];
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, -1, {});
    const authoring::Camera atMin = CurrentTab().camera;
    EXPECT_FLOAT_EQ(atMin.cellSize, 4);
    view.Wheel(grid.left + 30, grid.top + 50, -1, {});
    EXPECT_EQ(CurrentTab().camera, atMin);
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, 1, {});
    EXPECT_FLOAT_EQ(CurrentTab().camera.cellSize, 72);
}

TEST_F(InputTest, CtrlWheelScrollsGenerations) {
    const RectF grid = view.layout.frameGrid[0];
    view.Wheel(MidX(grid), MidY(grid), -1, {true, false, false});
    EXPECT_EQ(CurrentTab().currentGeneration, 3);
    view.Wheel(MidX(grid), MidY(grid), 1, {true, false, false});
    view.Wheel(MidX(grid), MidY(grid), 1, {true, false, false});
    EXPECT_EQ(CurrentTab().currentGeneration, 0);
}

TEST_F(InputTest, CellUnderPointAndPanning) {
    const RectF grid = view.layout.viewerGrid;
    view.viewerCamera = {10, 20, 8};
    view.MouseMove(MidX(grid) + 17, MidY(grid) - 1, {});
    EXPECT_EQ(std::tuple(view.hover.valid, view.hover.x, view.hover.y), std::tuple(true, 12, 19));
    view.MousePress(Mouse(MidX(grid), MidY(grid)));
    view.MouseMove(MidX(grid) - 16, MidY(grid) + 8, {});
    EXPECT_EQ(std::tuple(view.viewerCamera.centreX, view.viewerCamera.centreY), std::tuple(12.0f, 19.0f));
    view.CaptureLost();
    view.MouseMove(MidX(grid) - 40, MidY(grid), {});
    EXPECT_FLOAT_EQ(view.viewerCamera.centreX, 12);
}

TEST_F(InputTest, FocusFollowsClicks) {
    FocusPanel();
    EXPECT_EQ(std::tuple(view.focus, view.focusedFrame), std::tuple(Focus::Panel, 1));
    view.MousePress(Mouse(MidX(view.layout.viewerGrid), MidY(view.layout.viewerGrid)));
    EXPECT_EQ(std::tuple(view.focus, view.focusedFrame), std::tuple(Focus::GridArea, -1));
}

TEST_F(InputTest, ThreePixelTabDragIsAClick) {
    NameTabs(3);
    view.KeyDown(Press(Key::Escape));
    const RectF tab = view.layout.tabs[0];
    const float x = MidX(tab) - 20, y = MidY(tab);
    view.MousePress(Mouse(x, y));
    view.MouseMove(x + 3, y, {});
    view.MouseRelease(Mouse(x + 3, y));
    EXPECT_EQ(std::tuple(Order(), view.editor.Doc().selectedTab), std::tuple("abc", 0));
}

TEST_F(InputTest, MultiPlaceTabDragIsOneUndoStep) {
    NameTabs(3);
    view.editor.SelectTab(0);
    view.Relayout();
    const std::size_t depth = view.editor.UndoDepth();
    const float y = MidY(view.layout.tabs[0]);
    view.MousePress(Mouse(MidX(view.layout.tabs[0]) - 20, y));
    view.MouseMove(view.layout.tabs[2].right - 5, y, {});
    view.MouseRelease(Mouse(view.layout.tabs[2].right - 5, y));
    EXPECT_EQ(std::tuple(Order(), view.editor.UndoDepth(), view.editor.Doc().selectedTab),
              std::tuple("bca", depth + 1, 2));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Order(), "abc");
}

TEST_F(InputTest, TabClickSelectsAndCloseBoxCloses) {
    NameTabs(3);
    Click(view.layout.tabs[0]);
    EXPECT_EQ(view.editor.Doc().selectedTab, 0);
    Click(view.layout.closeBoxes[1]);
    EXPECT_EQ(Order(), "ac");
    view.MousePress(Mouse(MidX(view.layout.tabs[1]), MidY(view.layout.tabs[1]), MouseButton::Middle));
    EXPECT_EQ(Order(), "a");
    Click(view.layout.closeBoxes[0]);  // the last tab stays
    view.MousePress(Mouse(MidX(view.layout.tabs[0]), MidY(view.layout.tabs[0]), MouseButton::Middle));
    EXPECT_EQ(Order(), "a");
    Click(view.layout.directEditorTab);
    EXPECT_TRUE(view.RuleEditorPage());
    Click(view.layout.newTab);
    EXPECT_EQ(view.editor.Doc().tabs.size(), 2u);
}

TEST_F(InputTest, RenameCommitAndCancel) {
    view.KeyDown(Press(Key::F2));
    ASSERT_TRUE(platform.textInputActive);
    EXPECT_EQ(view.rename.tab, 0);
    view.RenameTextChanged("Glider");
    EXPECT_EQ(std::tuple(view.TabName(0), view.editor.Doc().tabs[0].name), std::tuple("Glider", ""));
    view.CommitRename();
    EXPECT_EQ(std::tuple(platform.textInputActive, view.editor.Doc().tabs[0].name, platform.titles.back()),
              std::tuple(false, "Glider", "* Tavrix"));

    view.KeyDown(Press(Key::F2));
    view.RenameTextChanged("Other");
    view.CancelRename();
    EXPECT_EQ(std::tuple(view.editor.Doc().tabs[0].name, view.rename.tab), std::tuple("Glider", -1));

    // A double-click on a tab renames it too.
    const RectF tab = view.layout.tabs[0];
    view.MousePress(Mouse(tab.left + 20, MidY(tab), MouseButton::Left, false, false, true));
    EXPECT_EQ(view.rename.tab, 0);
    view.CommitRename();
}

TEST_F(InputTest, TabStripScrolls) {
    view.width = 800;
    view.Relayout();
    for (int i = 0; i < 8; ++i) view.KeyDown(Press(Key::N, true));
    ASSERT_GT(view.layout.maxTabScroll, 0);
    view.editor.SetTabBarScroll(0);
    view.Relayout();
    Click(view.layout.scrollRight);
    EXPECT_FLOAT_EQ(view.layout.tabBarScroll, std::min(220.0f, view.layout.maxTabScroll));
    view.Wheel(MidX(view.layout.tabStrip), MidY(view.layout.tabStrip), 1, {});
    EXPECT_FLOAT_EQ(view.layout.tabBarScroll, 0);
}

TEST_F(InputTest, SelectionDeleteAndEscape) {
    const RectF grid = view.layout.viewerGrid;
    view.MousePress(Mouse(grid.left + 5, grid.top + 5, MouseButton::Left, true, true));
    view.MouseMove(grid.right - 5, grid.bottom - 5, {true, true, false});
    view.MouseRelease(Mouse(grid.right - 5, grid.bottom - 5));
    ASSERT_TRUE(view.selection.exists && !view.selection.dragging);
    view.KeyDown(Press(Key::Delete));
    EXPECT_EQ(view.editor.Doc().source.grid.CellAt(16, 16), 0);
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(view.selection.exists);
}

TEST_F(InputTest, SelectionStaysOnItsPane) {
    const RectF grid = view.layout.frameGrid[0];
    view.editor.SetTabCamera(0, {0, 0, 10});
    view.MousePress(Mouse(MidX(grid), MidY(grid), MouseButton::Left, true, true));
    view.MouseMove(view.layout.frameGrid[1].right - 2, grid.bottom + 500, {true, true, false});
    const auto corner = CellUnderPoint(CurrentTab().camera, grid, grid.right - 0.01f, grid.bottom - 0.01f);
    EXPECT_EQ(std::pair(view.selection.endX, view.selection.endY), corner);
    EXPECT_EQ(std::tuple(view.selection.surface.viewer, view.selection.surface.frame), std::tuple(false, 0));
}

TEST_F(InputTest, FrameRandomizerNeedsAFocusedFrame) {
    view.KeyDown(Press(Key::R, true));
    EXPECT_EQ(platform.beeps, 1);
}

}  // namespace
}  // namespace shell::testing
