#include "shell/playback.h"

#include <gtest/gtest.h>

#include "shell/digit_entry.h"

namespace shell {
namespace {

TEST(PlaybackTest, TickCatchesUpAtMostFourAndSlowStepsRunOne) {
    struct Case {
        double seconds;
        int speed;
        double lastStepMs;
        int steps;
        double accumulatorAfter;
    } cases[] = {
        {0.1, 3, 0, 1, 0.0},        // 10 gen/s * 0.1 s = 1
        {0.05, 3, 0, 0, 0.5},       // owed half a generation: nothing yet
        {10.0, 3, 0, 4, 0.0},       // capped at 4
        {0.25, 3, 0, 2, 0.5},       // 2.5 owed: 2 now
        {10.0, 3, 85.0, 1, 0.0},    // 85 % of the 100 ms period: one step, the rest dropped
        {10.0, 3, 84.9, 4, 0.0},
        {0.0, 3, 0, 0, 0.0},        // no time passed
    };
    for (const Case& c : cases) {
        PlaybackClock clock;
        clock.Reset(1000);
        const int steps = clock.Tick(1000 + static_cast<std::int64_t>(c.seconds * 1e9), c.speed, c.lastStepMs);
        EXPECT_EQ(steps, c.steps) << c.seconds << " " << c.lastStepMs;
        EXPECT_NEAR(clock.accumulator, c.accumulatorAfter, 1e-9) << c.seconds;
    }
}

TEST(DigitEntryTest, OneAndTwoDigitStates) {
    struct Case {
        int states;
        std::vector<int> digits;
        std::vector<int> selected;  // -1: pending, -2: refused
    } cases[] = {
        {12, {1, 1}, {-1, 11}},
        {12, {1, 5}, {-1, -2}},
        {12, {3}, {3}},
        {12, {0, 0}, {-1, 0}},
        {12, {1, 0}, {-1, 10}},
        {11, {1, 0, 1, 1}, {-1, 10, -1, -2}},
        {3, {3}, {-2}},
        {3, {2}, {2}},
        {3, {1, 1}, {1, 1}},
        {10, {9}, {9}},
        {2, {1, 2}, {1, -2}},
    };
    for (const Case& c : cases) {
        DigitEntry entry;
        for (std::size_t i = 0; i < c.digits.size(); ++i) {
            const DigitEntry::Result r = entry.Enter(c.digits[i], c.states);
            const int got = r.refused ? -2 : r.state;
            EXPECT_EQ(got, c.selected[i]) << c.states << " step " << i;
        }
    }
}

}  // namespace
}  // namespace shell
