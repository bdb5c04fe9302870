#include "shell/state_bar.h"

#include <algorithm>

namespace shell {

RectF StateBarPageSwitch(const RectF& bar) { return {bar.left + 6, bar.top + 6, bar.right - 6, bar.top + 36}; }

RectF StateSwatch(const RectF& bar, int stateCount, int state) {
    const int n = std::max(stateCount, 1);
    const float h = std::max((bar.Height() - 12 - 30 - 6 - 6 * float(n - 1)) / float(n), 20.0f);
    const float top = bar.top + 42 + float(state) * (h + 6);
    const float limit = bar.bottom - 6;
    return {bar.left + 6, std::min(top, limit), bar.right - 6, std::min(top + h, limit)};
}

RectF MarkerRow(const RectF& bar, int marker) {
    const float h = std::max((bar.Height() - 42 - 6 - 42) / 8, 24.0f);
    const float top = bar.top + 42 + float(marker - 1) * (h + 6);
    const float limit = bar.bottom - 6;
    return {bar.left + 6, std::min(top, limit), bar.right - 6, std::min(top + h, limit)};
}

}  // namespace shell
