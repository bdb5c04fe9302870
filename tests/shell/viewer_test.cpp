#include <algorithm>
#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

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
    view.KeyDown(Press(Key::Enter));  // refused while playing with the grid focus
    EXPECT_EQ(platform.beeps, 3);
    Click(L().viewerButtons[kPlayPause]);
    EXPECT_EQ(platform.timerPeriods.back(), 0);
}

TEST_F(ViewerTest, InactiveWindowStopsTheTimer) {
    view.KeyDown(Press(Key::Enter));
    view.SetActive(false);
    EXPECT_EQ(std::tuple(platform.timerPeriods.back(), Draw().FindText("Pause") != nullptr), std::tuple(0, true));
    view.SetActive(true);
    EXPECT_EQ(platform.timerPeriods.back(), 100);
}

TEST_F(ViewerTest, TicksStepWithTheClock) {
    view.KeyDown(Press(Key::Enter));
    platform.nowNs += 100'000'000;  // 0.1 s at 10 gen/s
    view.TimerTick();
    EXPECT_EQ(Generation(), 1);
    platform.nowNs += 10'000'000'000;
    view.TimerTick();
    EXPECT_LE(Generation(), 5);
    EXPECT_GE(Generation(), 2);
    Click(L().viewerButtons[kPlayPause]);
    const int stopped = Generation();
    platform.nowNs += 1'000'000'000;
    view.TimerTick();
    EXPECT_EQ(Generation(), stopped);
}

TEST_F(ViewerTest, StepBackThenStep) {
    view.KeyDown(Press(Key::Backspace));  // at generation 0: a beep
    EXPECT_EQ(platform.beeps, 1);
    view.KeyDown(Press(Key::Space));
    view.KeyDown(Press(Key::Space));
    EXPECT_EQ(Generation(), 2);
    const core::ChunkGrid second = Model().Doc().source.grid;
    view.KeyDown(Press(Key::Backspace));
    EXPECT_EQ(Generation(), 1);
    view.KeyDown(Press(Key::Space));
    EXPECT_EQ(Generation(), 2);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(Model().Doc().source.grid.CellAt(x, y), second.CellAt(x, y));
    view.KeyDown(Press(Key::R));
    EXPECT_EQ(Generation(), 0);
}

TEST_F(ViewerTest, StepStopsPlayback) {
    view.KeyDown(Press(Key::Enter));
    Click(L().viewerButtons[kStepForward]);
    EXPECT_EQ(std::tuple(Draw().FindText("Pause") != nullptr, Generation(), platform.timerPeriods.back()),
              std::tuple(false, 1, 0));
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
    for (int cy = 0; cy < 64; ++cy)
        for (int cx = 0; cx < 64; ++cx) ASSERT_NE(source.grid.CellAt(cx, cy), 0);
    platform.promptAnswer.reset();
    Click(L().viewerButtons[kRandomize], MouseButton::Right);
    EXPECT_EQ(source.patternSize, 64);
}

TEST_F(ViewerTest, PaintingTheViewerEditsTheSourceGrid) {
    const RectF grid = L().viewerGrid;
    Drag(MidX(grid), MidY(grid), MidX(grid) + 2000, MidY(grid));  // far from the soup
    Click(grid, MouseButton::Right);
    const auto cell = view.CellAt(MidX(grid), MidY(grid)).value();
    EXPECT_EQ(Model().Doc().source.grid.CellAt(cell.first, cell.second), 1);
}

}  // namespace
}  // namespace shell::testing
