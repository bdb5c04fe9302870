#pragma once

#include <cstdint>
#include <string>

#include "shell/canvas.h"
#include "shell/panel.h"

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
// The cards in view, counted from 1 ({0, 0} for none).
struct CardSpan {
    std::uint64_t first = 0, last = 0;
};
CardSpan VisibleCards(const RuleEditorPageLayout& layout, float scroll, std::uint64_t cards);
// 65823 as "65,823".
std::string GroupDigits(std::uint64_t value);
// Height of all rows of `cards` cards.
float CardListHeight(const RuleEditorPageLayout& layout, std::uint64_t cards);
// The card under a point of the list, or -1.
std::int64_t CardAt(const RuleEditorPageLayout& layout, float scroll, float x, float y);

// The rule editor page: the Ctrl+M checkbox, Take Minrule, Randomize, and the undefined
// transitions as cards that load as the list scrolls to them.
class RuleEditorPage final : public Panel {
public:
    explicit RuleEditorPage(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    int HoverAt(float x, float y) const override;
    bool Shown() const;

private:
    RuleEditorPageLayout PageLayout() const;
    // Recounts when stale and loads the cards the rows in view need.
    void Prepare();

    const PanelContext& ctx_;
    float scroll_ = 0;
};

}  // namespace shell
