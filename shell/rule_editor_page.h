#pragma once

#include <cstdint>

#include "shell/canvas.h"

namespace shell {

inline constexpr float kCardHeight = 110;
inline constexpr float kCardPitch = 122;
inline constexpr float kListScrollStep = 120;

// The rule editor page ("Direct Editor"): the minrule controls, the status line and the grid of
// undefined-transition cards.
struct RuleEditorPageLayout {
    RectF checkbox;
    RectF takeMinrule;
    RectF randomize;
    RectF status;
    RectF list;
    int columns = 1;
    float cardWidth = 120;
};

RuleEditorPageLayout LayOutRuleEditorPage(const RectF& page, bool viewerShown);
RectF CardRect(const RuleEditorPageLayout& layout, std::size_t card, float scroll);
// Height of all rows of `cards` cards.
float CardListHeight(const RuleEditorPageLayout& layout, std::uint64_t cards);
// The card under a point of the list, or -1.
std::int64_t CardAt(const RuleEditorPageLayout& layout, float scroll, float x, float y);

}  // namespace shell
