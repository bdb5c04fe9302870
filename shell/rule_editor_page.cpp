#include "shell/rule_editor_page.h"

#include <algorithm>
#include <cmath>

#include "shell/theme.h"

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
    // The status line sits below the last row of controls, however many rows they took.
    out.status = {left, controlsBottom + 8, right, controlsBottom + 30};
    const float listTop = out.status.bottom + 8;
    out.list = {left, listTop, right, std::max(listTop, page.bottom - 16)};
    const int maxColumns = viewerShown ? 5 : 8;
    out.columns = std::clamp(static_cast<int>(std::floor((out.list.Width() + 12) / 188)), 1, maxColumns);
    out.cardWidth = std::max((out.list.Width() - 12 * float(out.columns - 1)) / float(out.columns), 120.0f);
    return out;
}

CardSpan VisibleCards(const RuleEditorPageLayout& layout, float scroll, std::uint64_t cards) {
    if (cards == 0 || layout.list.Height() <= 0) return {};
    const auto columns = static_cast<std::uint64_t>(layout.columns);
    const auto firstRow = static_cast<std::uint64_t>(std::max(std::floor(scroll / kCardPitch), 0.0f));
    // Rows whose card top is above the list's bottom show at least in part.
    const auto endRow = static_cast<std::uint64_t>(std::ceil((scroll + layout.list.Height()) / kCardPitch));
    const std::uint64_t first = std::min(firstRow * columns, cards - 1);
    const std::uint64_t last = std::clamp(endRow * columns, first + 1, cards);
    return {first + 1, last};
}

std::string GroupDigits(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
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

namespace shell {

using namespace theme;

namespace {

constexpr int kCheckboxHover = 12, kTakeMinruleHover = 13, kRandomizeHover = 14;

}  // namespace

RuleEditorPageLayout RuleEditorPage::PageLayout() const {
    return LayOutRuleEditorPage(ctx_.layout.page, ctx_.layout.viewerLaidOut);
}

bool RuleEditorPage::Shown() const { return ctx_.PagesShown() && ctx_.RuleEditorTabSelected() && ctx_.TabCount() > 0; }

void RuleEditorPage::Prepare() {
    if (!Shown()) return;
    authoring::Editor& editor = ctx_.editor;
    editor.UpdateUndefinedList();
    const RuleEditorPageLayout page = PageLayout();
    const std::uint64_t count = editor.Undefined().count;
    const float maxScroll = std::max(CardListHeight(page, count) - page.list.Height(), 0.0f);
    scroll_ = std::clamp(scroll_, 0.0f, maxScroll);
    // Cards load lazily, as far as the rows in view need them.
    const auto rows = static_cast<std::uint64_t>(std::ceil((scroll_ + page.list.Height()) / kCardPitch)) + 1;
    const std::uint64_t needed = std::min(count, rows * static_cast<std::uint64_t>(page.columns));
    while (editor.Undefined().entries.size() < needed) {
        const std::size_t before = editor.Undefined().entries.size();
        editor.UpdateUndefinedList(authoring::kUndefinedPageSize);
        if (editor.Undefined().entries.size() == before) break;
    }
}

bool RuleEditorPage::Press(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    if (event.button != MouseButton::Left || !Shown() || !ctx_.layout.page.Contains(x, y)) return false;
    Prepare();
    authoring::Editor& editor = ctx_.editor;
    const RuleEditorPageLayout page = PageLayout();
    if (page.checkbox.Contains(x, y)) {
        ctx_.view.ctrlMinruleEnabled = !ctx_.view.ctrlMinruleEnabled;
        ctx_.Redraw();
    } else if (page.takeMinrule.Contains(x, y)) {
        ctx_.Guarded([&] { editor.TakeMinrule(); });
    } else if (page.randomize.Contains(x, y)) {
        ctx_.Guarded([&] { ctx_.RefuseIf(editor.RandomizeUndefinedTransitions(ctx_.platform.TickCountMs())); });
    } else if (const std::int64_t card = CardAt(page, scroll_, x, y);
               card >= 0 && static_cast<std::size_t>(card) < editor.Undefined().entries.size()) {
        const bool shift = event.modifiers.shift;
        ctx_.Guarded([&] {
            ctx_.RefuseIf(editor.CycleUndefinedOutput(static_cast<std::size_t>(card), shift, ctx_.PaintBrush()));
        });
    }
    Prepare();
    return true;
}

bool RuleEditorPage::Wheel(float x, float y, bool up, Modifiers) {
    if (!Shown() || !PageLayout().list.Contains(x, y)) return false;
    scroll_ += up ? -kListScrollStep : kListScrollStep;
    Prepare();
    ctx_.Redraw();
    return true;
}

int RuleEditorPage::HoverAt(float x, float y) const {
    if (!Shown()) return -1;
    const RuleEditorPageLayout page = PageLayout();
    if (page.checkbox.Contains(x, y)) return kCheckboxHover;
    if (page.takeMinrule.Contains(x, y)) return kTakeMinruleHover;
    if (page.randomize.Contains(x, y)) return kRandomizeHover;
    return -1;
}

void RuleEditorPage::Draw(Canvas& canvas) {
    if (!Shown()) return;
    Prepare();
    const authoring::Editor& editor = ctx_.editor;
    const RuleEditorPageLayout page = PageLayout();
    const RectF& area = ctx_.layout.page;
    const int hover = ctx_.view.hoverControl;
    canvas.FillRect(area, kBoxFill);
    canvas.OutlineRect(area, kBoxOutline, 1);

    const RectF& check = page.checkbox;
    canvas.FillRect(check, hover == kCheckboxHover ? kButtonHover : kButtonFill);
    canvas.OutlineRect(check, kBoxOutline, 1);
    const float box = 18, boxTop = check.top + (check.Height() - box) / 2;
    const RectF tick{check.left + 10, boxTop, check.left + 10 + box, boxTop + box};
    canvas.FillRect(tick, kGridFill);
    canvas.OutlineRect(tick, kAccent, 1.5f);
    if (ctx_.view.ctrlMinruleEnabled)
        canvas.FillRect({tick.left + 4, tick.top + 4, tick.right - 4, tick.bottom - 4}, kAccent);
    canvas.DrawText("Enable Ctrl+M Minrule", {tick.right + 10, check.top, check.right - 6, check.bottom},
                    TextFormat::Label, kPanelText, HAlign::Leading, VAlign::Centre);
    DrawButton(canvas, page.takeMinrule, "Take Minrule", hover == kTakeMinruleHover, false);
    DrawButton(canvas, page.randomize, "Randomize", hover == kRandomizeHover, false);

    const authoring::UndefinedList& undefined = editor.Undefined();
    constexpr ColorF kStatusText{0.78f, 0.81f, 0.86f, 1};
    // Where the list stands: which cards are in view, of how many, and a bar along its right edge.
    float statusRight = page.status.right;
    if (const CardSpan span = VisibleCards(page, scroll_, undefined.count); span.first > 0) {
        const std::string where = "Cards " + GroupDigits(span.first) + "\xE2\x80\x93" + GroupDigits(span.last) +
                                  " of " + GroupDigits(undefined.count);
        canvas.DrawText(where, page.status, TextFormat::CompactLabel, kStatusText, HAlign::Trailing, VAlign::Centre);
        statusRight -= canvas.MeasureTextWidth(where, TextFormat::CompactLabel) + 16;
        const float total = CardListHeight(page, undefined.count);
        if (total > page.list.Height()) {
            const RectF& list = page.list;
            const float thumb = std::max(list.Height() * list.Height() / total, 24.0f);
            const float top = list.top + (list.Height() - thumb) * scroll_ / (total - list.Height());
            canvas.FillRect({list.right + 4, list.top, list.right + 10, list.bottom}, kButtonFill);
            canvas.FillRect({list.right + 4, top, list.right + 10, top + thumb}, kAccent);
        }
    }
    const std::string status = authoring::UndefinedStatusText(undefined, editor.Doc().rule.symmetry);
    canvas.DrawText(FitText(canvas, status, statusRight - page.status.left, TextFormat::CompactLabel),
                    {page.status.left, page.status.top, statusRight, page.status.bottom}, TextFormat::CompactLabel,
                    kStatusText, HAlign::Leading, VAlign::Centre);
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
        const RectF card = CardRect(page, i, scroll_);
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
