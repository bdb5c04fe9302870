// The rule editor page: minrule controls and the cards of the undefined transitions.
#include <algorithm>
#include <cmath>

#include "shell/main_window_view_impl.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;

RuleEditorPageLayout MainWindowViewImpl::PageLayout() const {
    return LayOutRuleEditorPage(layout.page, layout.viewerLaidOut);
}

bool MainWindowViewImpl::RuleEditorPageShown() const {
    return layout.ruleColumnLaidOut && !flags.colorEditorOpen && RuleEditorPage() && TabCount() > 0;
}

void MainWindowViewImpl::PrepareRuleEditorPage() {
    if (!RuleEditorPageShown()) return;
    editor.UpdateUndefinedList();
    const RuleEditorPageLayout page = PageLayout();
    const std::uint64_t count = editor.Undefined().count;
    const float maxScroll = std::max(CardListHeight(page, count) - page.list.Height(), 0.0f);
    ruleListScroll = std::clamp(ruleListScroll, 0.0f, maxScroll);
    // Cards load lazily, as far as the rows in view need them.
    const auto rows = static_cast<std::uint64_t>(std::ceil((ruleListScroll + page.list.Height()) / kCardPitch)) + 1;
    const std::uint64_t needed = std::min(count, rows * static_cast<std::uint64_t>(page.columns));
    while (editor.Undefined().entries.size() < needed) {
        const std::size_t before = editor.Undefined().entries.size();
        editor.UpdateUndefinedList(authoring::kUndefinedPageSize);
        if (editor.Undefined().entries.size() == before) break;
    }
}

bool MainWindowViewImpl::RuleEditorPagePress(float x, float y, bool shift) {
    if (!RuleEditorPageShown() || !layout.page.Contains(x, y)) return false;
    PrepareRuleEditorPage();
    const RuleEditorPageLayout page = PageLayout();
    auto refuseIf = [&](authoring::EditOutcome outcome) {
        if (outcome == authoring::EditOutcome::Refused) Refuse();
    };
    if (page.checkbox.Contains(x, y)) {
        ctrlMinruleEnabled = !ctrlMinruleEnabled;
        Redraw();
    } else if (page.takeMinrule.Contains(x, y)) {
        Guarded([&] { editor.TakeMinrule(); });
    } else if (page.randomize.Contains(x, y)) {
        Guarded([&] { refuseIf(editor.RandomizeUndefinedTransitions(platform.TickCountMs())); });
    } else if (const std::int64_t card = CardAt(page, ruleListScroll, x, y);
               card >= 0 && static_cast<std::size_t>(card) < editor.Undefined().entries.size()) {
        Guarded([&] { refuseIf(editor.CycleUndefinedOutput(static_cast<std::size_t>(card), shift, PaintBrush())); });
    }
    PrepareRuleEditorPage();
    return true;
}

bool MainWindowViewImpl::RuleEditorPageWheel(float x, float y, bool up) {
    if (!RuleEditorPageShown() || !PageLayout().list.Contains(x, y)) return false;
    ruleListScroll += up ? -kListScrollStep : kListScrollStep;
    PrepareRuleEditorPage();
    Redraw();
    return true;
}

void MainWindowViewImpl::DrawRuleEditorPage(Canvas& canvas) {
    PrepareRuleEditorPage();
    const RuleEditorPageLayout page = PageLayout();
    canvas.FillRect(layout.page, kBoxFill);
    canvas.OutlineRect(layout.page, kBoxOutline, 1);

    const RectF& check = page.checkbox;
    canvas.FillRect(check, hoverControl == 12 ? kButtonHover : kButtonFill);
    canvas.OutlineRect(check, kBoxOutline, 1);
    const float box = 18, boxTop = check.top + (check.Height() - box) / 2;
    const RectF tick{check.left + 10, boxTop, check.left + 10 + box, boxTop + box};
    canvas.FillRect(tick, kGridFill);
    canvas.OutlineRect(tick, kAccent, 1.5f);
    if (ctrlMinruleEnabled) canvas.FillRect({tick.left + 4, tick.top + 4, tick.right - 4, tick.bottom - 4}, kAccent);
    canvas.DrawText("Enable Ctrl+M Minrule", {tick.right + 10, check.top, check.right - 6, check.bottom},
                    TextFormat::Label, kPanelText, HAlign::Leading, VAlign::Centre);
    DrawButton(canvas, page.takeMinrule, "Take Minrule", hoverControl == 13, false);
    DrawButton(canvas, page.randomize, "Randomize", hoverControl == 14, false);

    canvas.DrawText(UndefinedStatus(), page.status, TextFormat::CompactLabel, {0.78f, 0.81f, 0.86f, 1},
                    HAlign::Leading, VAlign::Centre);
    const authoring::UndefinedList& undefined = editor.Undefined();
    if (undefined.count == 0) {
        canvas.DrawText("No undefined transitions remain.", page.list, TextFormat::Label, kPanelText, HAlign::Centre,
                        VAlign::Centre);
        return;
    }
    const auto& colors = editor.Doc().colors;
    auto stateColor = [&](int state) {
        const authoring::Color& c = colors[static_cast<std::size_t>(std::clamp(state, 0, 15))];
        return ColorF{c.red, c.green, c.blue, 1};
    };
    // A little wider than the list so the outer card outlines stay whole.
    canvas.PushClip({page.list.left - 2, page.list.top, page.list.right + 2, page.list.bottom});
    const float side = std::min(std::max(page.cardWidth - 104, 16.0f), 58.0f) / 3;
    for (std::size_t i = 0; i < undefined.entries.size(); ++i) {
        const RectF card = CardRect(page, i, ruleListScroll);
        if (card.bottom < page.list.top) continue;
        if (card.top > page.list.bottom) break;
        const authoring::UndefinedEntry& entry = undefined.entries[i];
        canvas.FillRect(card, kBackground);
        canvas.OutlineRect(card, kBoxOutline, 1);
        const float gridLeft = card.left + 12, gridTop = card.top + 12;
        for (int k = 0; k < 9; ++k) {
            const RectF cell{gridLeft + float(k % 3) * side, gridTop + float(k / 3) * side,
                             gridLeft + float(k % 3 + 1) * side, gridTop + float(k / 3 + 1) * side};
            canvas.FillRect(cell, stateColor(entry.digits[static_cast<std::size_t>(k)]));
            canvas.OutlineRect(cell, {0.16f, 0.18f, 0.23f, 1}, 1);
        }
        const float slotLeft = gridLeft + 3 * side;
        canvas.DrawText("->", {slotLeft, card.top + 20, slotLeft + 24, card.top + 48}, TextFormat::Label, kPanelText,
                        HAlign::Centre, VAlign::Centre);
        const RectF swatch{slotLeft + 28, card.top + 18, slotLeft + 60, card.top + 50};
        const ColorF out = stateColor(entry.output);
        canvas.FillRect(swatch, out);
        canvas.OutlineRect(swatch, kPanelText, 1);
        const bool dark = 0.299f * out.red + 0.587f * out.green + 0.114f * out.blue >= 0.56f;
        canvas.DrawText(Format("%d", int(entry.output)), swatch, TextFormat::CompactLabel,
                        dark ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
    }
    canvas.PopClip();
}

}  // namespace shell
