#include "shell/coverage_bar.h"

#include <algorithm>

#include "core/rule_table.h"
#include "shell/theme.h"

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

namespace shell {

using namespace theme;

namespace {

constexpr int kSegmentHoverBase = 2000;

}  // namespace

std::vector<std::uint64_t> CoverageBar::Counts() const {
    std::vector<std::uint64_t> counts;
    for (const authoring::PatternSequence& tab : ctx_.editor.Doc().tabs) counts.push_back(tab.ownLockedTransitions.size());
    return counts;
}

int CoverageBar::SegmentAt(float x, float y) const {
    const RectF& bar = ctx_.layout.coverageBar;
    if (!bar.Contains(x, y)) return -1;
    return CoverageSegmentAt(CoverageSegments(bar, Counts(), core::RuleTableSize(ctx_.StateCount())), x, y);
}

bool CoverageBar::Press(const MouseEvent& event) {
    if (event.button != MouseButton::Left || event.doubleClick) return false;
    const int i = SegmentAt(event.x, event.y);
    if (i < 0) return false;
    ctx_.window.SelectTab(static_cast<std::size_t>(i));
    return true;
}

int CoverageBar::HoverAt(float x, float y) const {
    const int i = SegmentAt(x, y);
    return i >= 0 ? kSegmentHoverBase + i : -1;
}

void CoverageBar::Draw(Canvas& canvas) {
    const authoring::Editor& editor = ctx_.editor;
    const RectF& bar = ctx_.layout.coverageBar;
    canvas.FillRect(bar, kBoxFill);
    canvas.OutlineRect(bar, kBoxOutline, 1);
    const std::vector<std::uint64_t> counts = Counts();
    const std::uint64_t total = core::RuleTableSize(ctx_.StateCount());
    const std::vector<RectF> segments = CoverageSegments(bar, counts, total);
    const int current = editor.Doc().selectedTab;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (counts[i] == 0) continue;
        RectF r = segments[i];
        r.right += 0.75f;
        if (i > 0) r.left -= 0.75f;
        ColorF c = int(i) < current ? ColorF{0.10f, 0.58f, 0.64f, 1}
                   : int(i) == current ? ColorF{0.08f, 0.90f, 0.94f, 1}
                                       : ColorF{0.08f, 0.38f, 0.68f, 1};
        if (i % 2 == 1) c = Scaled(c, 0.84f);
        canvas.FillRect(r, c);
    }
    const RectF& fam = ctx_.layout.familiarityBar;
    const auto& source = editor.Doc().source;
    canvas.FillRect(fam, kBoxFill);
    const float share = static_cast<float>(std::clamp(source.familiarity / 100.0, 0.0, 1.0));
    canvas.FillRect({fam.left, fam.top, fam.left + fam.Width() * share, fam.bottom}, kAccent);

    const std::string coverage = Format("%.3f%%", CoverageShare(counts, total));
    const std::string viewer =
        source.patternSize < 512
            ? Format("%.3f%% | Pattern Viewer %.2f ms", source.familiarity, source.lastStepMilliseconds)
            : Format("%dx%d Performance | %.2f ms", source.patternSize, source.patternSize,
                     source.lastStepMilliseconds);
    canvas.DrawText(coverage + "   " + viewer, ctx_.layout.readout, TextFormat::CompactLabel, kMutedText,
                    HAlign::Leading, VAlign::Centre);

    const int hovered = ctx_.view.hoverControl - kSegmentHoverBase;
    if (hovered >= 0 && hovered < int(ctx_.TabCount()) && total > 0) {
        const auto i = static_cast<std::size_t>(hovered);
        const std::string name = editor.Doc().tabs[i].name.empty() ? "Pattern " + std::to_string(i + 1)
                                                               : editor.Doc().tabs[i].name;
        const std::string tip = Format("%s: %.2f%%", name.c_str(), 100.0 * double(counts[i]) / double(total));
        const float w = canvas.MeasureTextWidth(tip, TextFormat::CompactLabel) + 20;
        const float left = std::clamp(ctx_.view.mouseX + 12, 14.0f, std::max(14.0f, ctx_.view.width - 14 - w));
        const RectF box{left, bar.bottom + 6, left + w, bar.bottom + 30};
        canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.94f});
        canvas.OutlineRect(box, kBoxOutline, 1);
        canvas.DrawText(tip, box, TextFormat::CompactLabel, kLightLabel, HAlign::Centre, VAlign::Centre);
    }
}

}  // namespace shell
