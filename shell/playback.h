#pragma once

#include <array>
#include <cstdint>

namespace shell {

// Generations per second by speed index.
inline constexpr std::array<int, 8> kPlaybackSpeedTable = {2, 4, 6, 10, 15, 24, 30, 60};
inline constexpr int kDefaultSpeedIndex = 3;

int PlaybackRate(int speedIndex);
// Timer 1's period: 1000 / r ms, halved from 60 gen/s on so ticks keep up, at least 1.
int PlaybackTimerPeriodMs(int speedIndex);

// The playback clock: when the last tick ran and the generations owed since.
struct PlaybackClock {
    std::int64_t lastNs = 0;
    double accumulator = 0;

    void Reset(std::int64_t nowNs) {
        lastNs = nowNs;
        accumulator = 0;
    }
    // How many generations this tick runs (0: nothing to do, no redraw). At most 4 are owed; a
    // step that took 85 % of the frame period or more allows one step and drops the rest.
    int Tick(std::int64_t nowNs, int speedIndex, double lastStepMs);
};

}  // namespace shell
