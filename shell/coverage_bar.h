#pragma once

#include <cstdint>
#include <vector>

#include "shell/canvas.h"

namespace shell {

// The nominal segment of each tab in the coverage bar (inset 2 px): widths proportional to the
// transitions each tab uses out of `total`; tabs using none get an empty segment.
std::vector<RectF> CoverageSegments(const RectF& bar, const std::vector<std::uint64_t>& counts, std::uint64_t total);
// The tab whose segment holds x, skipping empty segments; -1 for none.
int CoverageSegmentAt(const std::vector<RectF>& segments, float x, float y);
// 100 * min(sum, total) / total.
double CoverageShare(const std::vector<std::uint64_t>& counts, std::uint64_t total);

}  // namespace shell
