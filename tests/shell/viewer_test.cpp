#include <algorithm>
#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class ViewerTest : public ShellTest {
protected:
    int Generation() const { return view.editor.Doc().source.generation; }
};

TEST_F(ViewerTest, TimerPeriodsFollowTheSpeed) {
    view.KeyDown(Press(Key::Enter));
    ASSERT_FALSE(platform.timerPeriods.empty());
    EXPECT_EQ(platform.timerPeriods.back(), 100);  // index 3: 10 gen/s
    // Eight speeds from 500 ms to 8 ms a generation; a step past either end beeps.
    const int periods[] = {500, 250, 166, 100, 66, 41, 33, 8};
    for (int i = 4; i <= 8; ++i) {
        Click(view.layout.viewerButtons[kSpeedUp]);
        EXPECT_EQ(std::tuple(view.speedIndex, platform.timerPeriods.back(), platform.beeps),
                  std::tuple(std::min(i, 7), periods[std::min(i, 7)], i == 8 ? 1 : 0));
    }
    for (int i = 6; i >= -1; --i) {
        Click(view.layout.viewerButtons[kSpeedDown]);
        EXPECT_EQ(platform.timerPeriods.back(), periods[std::max(i, 0)]);
    }
    EXPECT_EQ(platform.beeps, 2);
    view.KeyDown(Press(Key::Enter));  // refused while playing with the grid focus
    EXPECT_EQ(platform.beeps, 3);
    Click(view.layout.viewerButtons[kPlayPause]);
    EXPECT_EQ(platform.timerPeriods.back(), 0);
}

TEST_F(ViewerTest, InactiveWindowStopsTheTimer) {
    view.KeyDown(Press(Key::Enter));
    view.SetActive(false);
    EXPECT_EQ(std::tuple(platform.timerPeriods.back(), view.playing), std::tuple(0, true));
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
    Click(view.layout.viewerButtons[kPlayPause]);
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
    const core::ChunkGrid second = view.editor.Doc().source.grid;
    view.KeyDown(Press(Key::Backspace));
    EXPECT_EQ(Generation(), 1);
    view.KeyDown(Press(Key::Space));
    EXPECT_EQ(Generation(), 2);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(view.editor.Doc().source.grid.CellAt(x, y), second.CellAt(x, y));
    view.KeyDown(Press(Key::R));
    EXPECT_EQ(Generation(), 0);
}

TEST_F(ViewerTest, StepStopsPlayback) {
    view.KeyDown(Press(Key::Enter));
    Click(view.layout.viewerButtons[kStepForward]);
    EXPECT_EQ(std::tuple(view.playing, Generation(), platform.timerPeriods.back()), std::tuple(false, 1, 0));
}

TEST_F(ViewerTest, RandomizeRecentresOnlyForANewSize) {
    view.viewerCamera = {3, 4, 5};
    Click(view.layout.viewerButtons[kRandomize]);
    EXPECT_EQ(view.viewerCamera, (authoring::Camera{3, 4, 5}));
    platform.promptAnswer = Platform::SizeDensity{64, 1.0};
    Click(view.layout.viewerButtons[kRandomize], MouseButton::Right);
    const auto& source = view.editor.Doc().source;
    EXPECT_EQ(std::tuple(source.patternSize, view.viewerCamera.centreX, view.viewerCamera.centreY),
              std::tuple(64, 32.0f, 32.0f));
    const RectF grid = view.layout.viewerGrid;
    EXPECT_FLOAT_EQ(view.viewerCamera.cellSize, std::max(1.0f, std::min(grid.Height() / 64, grid.Width() / 64)));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_NE(source.grid.CellAt(x, y), 0);
    platform.promptAnswer.reset();
    Click(view.layout.viewerButtons[kRandomize], MouseButton::Right);
    EXPECT_EQ(source.patternSize, 64);
}

TEST_F(ViewerTest, PaintingTheViewerEditsTheSourceGrid) {
    view.viewerCamera = {1000.5f, 1000.5f, 10};
    const RectF grid = view.layout.viewerGrid;
    view.MousePress(Mouse(MidX(grid), MidY(grid), MouseButton::Right));
    view.MouseRelease(Mouse(MidX(grid), MidY(grid), MouseButton::Right));
    EXPECT_EQ(view.editor.Doc().source.grid.CellAt(1000, 1000), 1);
}

}  // namespace
}  // namespace shell::testing
