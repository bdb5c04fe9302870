#include <tuple>

#include "shell/state_bar.h"
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
    // The swatch the state bar outlines as the brush.
    int Brush() {
        const RectF bar = L().stateBar;
        for (const auto& o : Draw().outlines)
            for (int s = 0; s < 3; ++s)
                if (o.stroke == 3 && o.rect == StateSwatch(bar, 3, s)) return s;
        return -1;
    }
    void NameTabs(std::size_t count) {
        while (Model().Tabs().size() < count) view.KeyDown(Press(Key::N, true));
        for (std::size_t i = 0; i < count; ++i) {
            const RectF tab = L().tabs[i];
            DoubleClickAt(tab.left + 20, MidY(tab));
            view.RenameTextChanged(std::string(1, char('a' + i)));
            view.CommitRename();
        }
    }
    std::string Order() const {
        std::string order;
        for (const auto& tab : Model().Tabs()) order += tab.name;
        return order;
    }
};

TEST_F(InputTest, DigitsChooseTheBrushAndCtrlDigitsTheMarker) {
    const auto [x, y] = EmptyViewerPoint();
    view.KeyDown(DigitKey(3));  // three states: refused
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(Draw().FindText("State 2"), nullptr);  // no state bar, no toast
    view.Command(command::kShowStateBar);  // the brush paints while the state bar shows
    ClickAt(x, y, MouseButton::Right);
    EXPECT_EQ(std::tuple(platform.beeps, SourceCellAt(x, y)), std::tuple(1, 2));
    view.KeyDown(DigitKey(5, true));
    view.KeyDown(DigitKey(0, true));  // refused
    view.KeyDown(DigitKey(9, true));  // ignored
    ClickAt(x + 40, y, MouseButton::Left, true);
    const auto cell = view.CellAt(x + 40, y).value();
    EXPECT_EQ(Model().Doc().source.annotations.ValueAt(cell.first, cell.second) & 0xFF, 5);
    EXPECT_EQ(platform.beeps, 2);
}

TEST_F(InputTest, DigitToastWithTheStateBar) {
    view.Command(command::kShowStateBar);
    view.MouseMove(300, 400, {});
    view.KeyDown(DigitKey(2));
    EXPECT_NE(Draw().FindText("State 2"), nullptr);
    EXPECT_EQ(Brush(), 2);
    platform.tickMs += 1200;
    EXPECT_EQ(Draw().FindText("State 2"), nullptr);
}

TEST_F(InputTest, KeysRefusedWhilePlayingUnlessFocusInPanel) {
    view.Command(command::kShowStateBar);
    view.KeyDown(Press(Key::Enter));
    view.KeyDown(Press(Key::Enter));
    EXPECT_NE(Draw().FindText("Pause"), nullptr);
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(std::tuple(platform.beeps, Brush()), std::tuple(2, 1));
    view.KeyDown(Press(Key::Control, true));  // the Ctrl key alone only redraws
    EXPECT_EQ(platform.beeps, 2);
    FocusFrame(1);
    view.KeyDown(DigitKey(2));
    EXPECT_EQ(Brush(), 2);
    view.KeyDown(Press(Key::Enter));  // Enter needs the grid focus: nothing
    EXPECT_EQ(std::tuple(Draw().FindText("Pause") != nullptr, platform.beeps), std::tuple(true, 2));
    Click(L().viewerButtons[kPlayPause]);
    EXPECT_EQ(Draw().FindText("Pause"), nullptr);
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
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(Model().Doc().source.grid.CellAt(x, y), before.CellAt(x, y));
}

TEST_F(InputTest, ViewerZoomIsAnchoredAndClamped) {
    const RectF grid = L().viewerGrid;
    const float x = grid.left + 40, y = grid.top + 70;
    view.MouseMove(x, y, {});
    const float size = HoverOutline(Draw())->Width();
    const auto under = view.CellAt(x, y);
    view.Wheel(x, y, 120, {});
    EXPECT_NEAR(HoverOutline(Draw())->Width(), size * 1.15f, 1e-3);
    EXPECT_EQ(view.CellAt(x, y), under);  // the point under the pointer stays
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, -120, {});
    EXPECT_FLOAT_EQ(HoverOutline(Draw())->Width(), 1);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, 120, {});
    EXPECT_FLOAT_EQ(HoverOutline(Draw())->Width(), 72);
}

TEST_F(InputTest, FrameZoomStopsAtFourAndLeavesTheCameraAlone) {
    const RectF grid = L().frameGrid[4];
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, -1, {});
    const authoring::Camera atMin = CurrentTab().camera;
    EXPECT_FLOAT_EQ(atMin.cellSize, 4);
    view.Wheel(grid.left + 30, grid.top + 50, -1, {});
    EXPECT_EQ(CurrentTab().camera, atMin);
    for (int i = 0; i < 100; ++i) view.Wheel(grid.left + 10, grid.top + 10, 1, {});
    EXPECT_FLOAT_EQ(CurrentTab().camera.cellSize, 72);
}

TEST_F(InputTest, CtrlWheelScrollsGenerations) {
    const RectF grid = L().frameGrid[0];
    for (auto [delta, generation] : {std::pair{-1, 3}, {1, 0}, {1, 0}}) {
        view.Wheel(MidX(grid), MidY(grid), delta, {true, false, false});
        EXPECT_EQ(CurrentTab().currentGeneration, generation);
    }
}

TEST_F(InputTest, PanningMovesTheViewAndStopsWithTheCapture) {
    const RectF grid = L().viewerGrid;
    const float x = MidX(grid), y = MidY(grid);
    for (int i = 0; i < 100; ++i) view.Wheel(x, y, 120, {});  // 72 px cells
    const auto before = view.CellAt(x, y).value();
    view.MousePress(Mouse(x, y));
    view.MouseMove(x - 144, y + 72, {});
    EXPECT_EQ(view.CellAt(x, y), std::pair(before.first + 2, before.second - 1));
    view.CaptureLost();
    view.MouseMove(x - 400, y, {});
    EXPECT_EQ(view.CellAt(x, y), std::pair(before.first + 2, before.second - 1));
}

TEST_F(InputTest, FocusFollowsClicksAndWidensTheFrame) {
    const auto stroke = [&](int k) {
        const RectF outer = L().frameOuter[k];
        for (const auto& o : Draw().outlines)
            if (o.rect.left == outer.left + o.stroke / 2 && o.rect.top == outer.top + o.stroke / 2) return o.stroke;
        return 0.0f;
    };
    FocusFrame(1);
    EXPECT_EQ(std::tuple(stroke(1), stroke(2)), std::tuple(8, 4));
    ClickAt(MidX(L().viewerGrid), MidY(L().viewerGrid));
    EXPECT_EQ(stroke(1), 4);
}

TEST_F(InputTest, ThreePixelTabDragIsAClick) {
    NameTabs(3);
    const RectF tab = L().tabs[0];
    Drag(MidX(tab) - 20, MidY(tab), MidX(tab) - 17, MidY(tab));
    EXPECT_EQ(std::tuple(Order(), Model().Doc().selectedTab), std::tuple("abc", 0));
}

TEST_F(InputTest, MultiPlaceTabDragIsOneUndoStep) {
    NameTabs(3);
    Click(L().tabs[0]);
    const std::size_t depth = Model().UndoDepth();
    const float y = MidY(L().tabs[0]);
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
    Click(L().tabs[0], MouseButton::Middle);
    EXPECT_EQ(Order(), "a");
    Click(L().directEditorTab);
    EXPECT_TRUE(Model().RuleEditorPageSelected());
    Click(L().newTab);
    EXPECT_EQ(Model().Tabs().size(), 2u);
}

TEST_F(InputTest, RenameCommitAndCancel) {
    view.KeyDown(Press(Key::F2));
    ASSERT_TRUE(platform.textInputActive);
    view.RenameTextChanged("Glider");
    EXPECT_NE(Draw().FindText("Glider"), nullptr);  // the tab shows the typing
    EXPECT_EQ(Model().Tabs()[0].name, "");
    view.CommitRename();
    EXPECT_EQ(std::tuple(platform.textInputActive, Model().Tabs()[0].name, platform.titles.back()),
              std::tuple(false, "Glider", "* Tavrix"));
    view.KeyDown(Press(Key::F2));
    view.RenameTextChanged("Other");
    view.CancelRename();
    EXPECT_EQ(std::tuple(Model().Tabs()[0].name, platform.textInputActive), std::tuple("Glider", false));
    DoubleClickAt(L().tabs[0].left + 20, MidY(L().tabs[0]));  // a double-click renames too
    EXPECT_EQ(std::tuple(platform.textInputActive, platform.textInput), std::tuple(true, "Glider"));
    view.CommitRename();
}

TEST_F(InputTest, TabStripScrolls) {
    view.Resize(800, 1080);
    for (int i = 0; i < 8; ++i) view.KeyDown(Press(Key::N, true));
    ASSERT_GT(L().maxTabScroll, 0);
    for (int i = 0; i < 20; ++i) Click(L().scrollLeft);
    ASSERT_FLOAT_EQ(L().tabBarScroll, 0);
    Click(L().scrollRight);
    EXPECT_FLOAT_EQ(L().tabBarScroll, std::min(220.0f, L().maxTabScroll));
    view.Wheel(MidX(L().tabStrip), MidY(L().tabStrip), 1, {});
    EXPECT_FLOAT_EQ(L().tabBarScroll, 0);
}

TEST_F(InputTest, SelectionDeleteAndEscape) {
    const RectF grid = L().viewerGrid;
    Drag(grid.left + 5, grid.top + 5, grid.right - 5, grid.bottom - 5, MouseButton::Left, true, true);
    view.KeyDown(Press(Key::Escape));
    view.KeyDown(Press(Key::Delete));  // nothing selected any more
    ASSERT_GT(Model().Doc().source.grid.ChunkCount(), 0u);
    Drag(grid.left + 5, grid.top + 5, grid.right - 5, grid.bottom - 5, MouseButton::Left, true, true);
    view.KeyDown(Press(Key::Delete));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(Model().Doc().source.grid.CellAt(x, y), 0);
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

TEST_F(InputTest, FrameRandomizerNeedsAFocusedFrame) {
    view.KeyDown(Press(Key::R, true));
    EXPECT_EQ(platform.beeps, 1);
}

}  // namespace
}  // namespace shell::testing
