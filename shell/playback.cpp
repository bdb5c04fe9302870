#include "shell/playback.h"

#include <algorithm>
#include <cmath>

namespace shell {

int PlaybackRate(int speedIndex) {
    const int index = std::clamp(speedIndex, 0, int(kPlaybackSpeedTable.size()) - 1);
    return std::max(kPlaybackSpeedTable[static_cast<std::size_t>(index)], 1);
}

int PlaybackTimerPeriodMs(int speedIndex) {
    const int rate = PlaybackRate(speedIndex);
    int period = 1000 / rate;
    if (rate >= 60) period /= 2;
    return std::max(period, 1);
}

int PlaybackClock::Tick(std::int64_t nowNs, int speedIndex, double lastStepMs) {
    const double dt = static_cast<double>(nowNs - lastNs) / 1e9;
    lastNs = nowNs;
    if (dt <= 0) return 0;
    int rate = PlaybackRate(speedIndex);
    if (rate < 2) rate = 1;
    const double budget = 1000.0 / rate * 0.85;
    const bool slow = lastStepMs >= budget;
    accumulator = std::min(4.0, accumulator + rate * dt);
    if (std::floor(accumulator) < 1) return 0;
    const int steps = slow ? 1 : static_cast<int>(std::floor(accumulator));
    accumulator -= steps;
    if (slow) accumulator = 0;
    return steps;
}

}  // namespace shell
