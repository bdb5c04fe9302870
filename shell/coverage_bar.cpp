#include "shell/coverage_bar.h"

#include <algorithm>

namespace shell {

std::vector<RectF> CoverageSegments(const RectF& bar, const std::vector<std::uint64_t>& counts, std::uint64_t total) {
    const RectF inner{bar.left + 2, bar.top + 2, bar.right - 2, bar.bottom - 2};
    std::vector<RectF> segments;
    float x = inner.left;
    const double t = static_cast<double>(std::max<std::uint64_t>(total, 1));
    for (std::uint64_t c : counts) {
        const float w = static_cast<float>(static_cast<double>(c) * inner.Width() / t);
        segments.push_back({x, inner.top, x + w, inner.bottom});
        x += w;
    }
    return segments;
}

int CoverageSegmentAt(const std::vector<RectF>& segments, float x, float y) {
    for (std::size_t i = 0; i < segments.size(); ++i)
        if (segments[i].Width() > 0 && segments[i].Contains(x, y)) return static_cast<int>(i);
    return -1;
}

double CoverageShare(const std::vector<std::uint64_t>& counts, std::uint64_t total) {
    if (total == 0) return 0;
    std::uint64_t sum = 0;
    for (std::uint64_t c : counts) sum += c;
    return 100.0 * static_cast<double>(std::min(sum, total)) / static_cast<double>(total);
}

}  // namespace shell
