#include "shell/rule_editor_page.h"

#include <algorithm>
#include <cmath>

namespace shell {

RuleEditorPageLayout LayOutRuleEditorPage(const RectF& page, bool viewerShown) {
    RuleEditorPageLayout out;
    const float w = page.Width();
    const float buttonWidth = std::max(0.16f * w, 120.0f);
    const float checkWidth = std::max(0.32f * w, 240.0f);
    const float left = page.left + 16, right = page.right - 16;
    const float top = page.top + 16;
    float controlsBottom = top + 38;
    if (2 * buttonWidth + checkWidth + 24 <= right - left) {
        out.checkbox = {left, top, left + checkWidth, top + 38};
        out.randomize = {right - buttonWidth, top, right, top + 38};
        out.takeMinrule = {out.randomize.left - 12 - buttonWidth, top, out.randomize.left - 12, top + 38};
    } else {
        out.checkbox = {left, top, left + checkWidth, top + 38};
        const float second = top + 38 + 12;
        const float half = (right - left) / 2 - 6;
        out.takeMinrule = {left, second, left + half, second + 38};
        out.randomize = {right - half, second, right, second + 38};
        controlsBottom = second + 38;
    }
    const float listTop = std::max(controlsBottom + 12, page.top + 92);
    out.list = {left, listTop, right, std::max(listTop, page.bottom - 16)};
    out.status = {left, listTop - 30, right, listTop - 8};
    const int maxColumns = viewerShown ? 5 : 8;
    out.columns = std::clamp(static_cast<int>(std::floor((out.list.Width() + 12) / 188)), 1, maxColumns);
    out.cardWidth = std::max((out.list.Width() - 12 * float(out.columns - 1)) / float(out.columns), 120.0f);
    return out;
}

RectF CardRect(const RuleEditorPageLayout& layout, std::size_t card, float scroll) {
    const auto columns = static_cast<std::size_t>(layout.columns);
    const float left = layout.list.left + float(card % columns) * (layout.cardWidth + 12);
    const float top = layout.list.top - scroll + float(card / columns) * kCardPitch;
    return {left, top, left + layout.cardWidth, top + kCardHeight};
}

float CardListHeight(const RuleEditorPageLayout& layout, std::uint64_t cards) {
    const auto columns = static_cast<std::uint64_t>(layout.columns);
    const std::uint64_t rows = (cards + columns - 1) / columns;
    return rows == 0 ? 0 : float(rows) * kCardPitch - 12;
}

std::int64_t CardAt(const RuleEditorPageLayout& layout, float scroll, float x, float y) {
    if (!layout.list.Contains(x, y)) return -1;
    const float dy = y - layout.list.top + scroll, dx = x - layout.list.left;
    const auto row = static_cast<std::int64_t>(std::floor(dy / kCardPitch));
    const auto column = static_cast<std::int64_t>(std::floor(dx / (layout.cardWidth + 12)));
    if (row < 0 || column < 0 || column >= layout.columns) return -1;
    const RectF card = CardRect(layout, static_cast<std::size_t>(row * layout.columns + column), scroll);
    return card.Contains(x, y) ? row * layout.columns + column : -1;
}

}  // namespace shell
