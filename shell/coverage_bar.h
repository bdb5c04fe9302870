#pragma once

#include <cstdint>
#include <vector>

#include "shell/canvas.h"
#include "shell/panel.h"

namespace shell {

// The nominal segment of each tab in the coverage bar (inset 2 px): widths proportional to the
// transitions each tab uses out of `total`; tabs using none get an empty segment.
std::vector<RectF> CoverageSegments(const RectF& bar, const std::vector<std::uint64_t>& counts, std::uint64_t total);
// The tab whose segment holds x, skipping empty segments; -1 for none.
int CoverageSegmentAt(const std::vector<RectF>& segments, float x, float y);
// 100 * min(sum, total) / total.
double CoverageShare(const std::vector<std::uint64_t>& counts, std::uint64_t total);

// The band at the top: how much of the rule table each tab locks, the viewer's familiarity and
// the readout beside them. A segment selects its tab and names it under the pointer.
class CoverageBar final : public Panel {
public:
    explicit CoverageBar(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    int HoverAt(float x, float y) const override;

private:
    std::vector<std::uint64_t> Counts() const;
    int SegmentAt(float x, float y) const;

    const PanelContext& ctx_;
};

}  // namespace shell
