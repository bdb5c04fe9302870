#include "shell/constraint_page.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "shell/theme.h"

namespace shell {

ConstraintPageLayout LayOutConstraintPage(const RectF& page) {
    ConstraintPageLayout out;
    const float left = page.left + 16, top = page.top + 16;
    out.addEntry = {left, top, left + 130, top + 38};
    out.makeVariable = {left + 140, top, left + 270, top + 38};
    out.clearVariable = {left + 280, top, left + 410, top + 38};
    out.variables = {left, top + 38 + 10, page.right - 16, top + 38 + 48};
    out.list = {left, out.variables.bottom + 12, page.right - 16, std::max(out.variables.bottom + 12, page.bottom - 16)};
    out.chooser = {page.left + 32, page.top + 70, page.left + 360, page.top + 210};
    out.columns = std::max(1, static_cast<int>(std::floor((out.list.Width() + kEntryCardGap) /
                                                          (kEntryCardWidth + kEntryCardGap))));
    return out;
}

RectF EntryCardRect(const ConstraintPageLayout& layout, std::size_t entry, float scroll) {
    const auto columns = static_cast<std::size_t>(layout.columns);
    const float left = layout.list.left + float(entry % columns) * (kEntryCardWidth + kEntryCardGap);
    const float top = layout.list.top - scroll + float(entry / columns) * (kEntryCardHeight + kEntryCardGap);
    return {left, top, left + kEntryCardWidth, top + kEntryCardHeight};
}

RectF EntrySlotRect(const RectF& card, int slot) {
    const float gridLeft = card.left + 14, gridTop = card.top + 36;
    if (slot == formats::kConstraintOutputSlot) {
        const float left = gridLeft + 3 * kSlotSide + 36;
        const float top = gridTop + kSlotSide;
        return {left, top, left + kSlotSide, top + kSlotSide};
    }
    const float left = gridLeft + float(slot % 3) * kSlotSide, top = gridTop + float(slot / 3) * kSlotSide;
    return {left, top, left + kSlotSide, top + kSlotSide};
}

RectF EntryDeleteRect(const RectF& card) { return {card.right - 30, card.top + 6, card.right - 8, card.top + 28}; }

float EntryListHeight(const ConstraintPageLayout& layout, std::size_t entries) {
    const auto columns = static_cast<std::size_t>(layout.columns);
    const std::size_t rows = (entries + columns - 1) / columns;
    return rows == 0 ? 0 : float(rows) * (kEntryCardHeight + kEntryCardGap) - kEntryCardGap;
}

std::vector<RectF> VariableChips(const ConstraintPageLayout& layout, const std::vector<std::string>& names) {
    std::vector<RectF> chips;
    float x = layout.variables.left;
    for (const std::string& name : names) {
        const float w = std::max(24 + 9 * float(name.size()), 44.0f);
        chips.push_back({x, layout.variables.top, x + w, layout.variables.bottom});
        x += w + 8;
    }
    return chips;
}

RectF ChooserCheckBox(const ConstraintPageLayout& layout, int state) {
    const float left = layout.chooser.left + 14 + float(state) * 40, top = layout.chooser.top + 42;
    return {left, top, left + 36, top + 36};
}

RectF ChooserConfirm(const ConstraintPageLayout& layout) {
    const RectF& box = layout.chooser;
    return {box.left + 14, box.bottom - 48, box.left + 126, box.bottom - 14};
}

RectF ChooserCancel(const ConstraintPageLayout& layout) {
    const RectF& box = layout.chooser;
    return {box.left + 138, box.bottom - 48, box.left + 250, box.bottom - 14};
}

std::array<int, formats::kConstraintSlotCount> OccurrenceNumbers(const formats::ConstraintEntry& entry,
                                                                  std::size_t variableCount) {
    static constexpr std::array<int, formats::kConstraintSlotCount> kOrder = {4, 1, 2, 5, 8, 7, 6, 3, 0, 9};
    std::array<int, formats::kConstraintSlotCount> numbers{};
    std::map<std::int32_t, int> next;
    std::map<std::pair<std::int32_t, std::int32_t>, int> linked;
    auto valid = [&](const formats::ConstraintSlot& s) {
        return s.isVariable && s.variable >= 0 && static_cast<std::size_t>(s.variable) < variableCount;
    };
    for (int slot : kOrder) {
        const formats::ConstraintSlot& s = entry.slots[static_cast<std::size_t>(slot)];
        if (!valid(s) || s.linkGroup < 1) continue;
        const auto key = std::make_pair(s.variable, s.linkGroup);
        const auto it = linked.find(key);
        numbers[static_cast<std::size_t>(slot)] = it != linked.end() ? it->second : (linked[key] = ++next[s.variable]);
    }
    for (int slot : kOrder) {
        const formats::ConstraintSlot& s = entry.slots[static_cast<std::size_t>(slot)];
        if (valid(s) && s.linkGroup < 1) numbers[static_cast<std::size_t>(slot)] = ++next[s.variable];
    }
    return numbers;
}

}  // namespace shell

namespace shell {

using namespace theme;

namespace {

// Hover ids: the three buttons, then per entry its slots (0..9) and its delete control (10).
constexpr int kAddEntryHover = 15, kMakeVariableHover = 16, kClearVariableHover = 17;
constexpr int kEntryHoverBase = 3000;
constexpr int kEntryHoverStride = 16;
constexpr int kEntryDeleteHover = 10;

}  // namespace

const authoring::PatternSequence* ConstraintPage::ShownTab() const {
    if (!ctx_.PagesShown()) return nullptr;
    const authoring::PatternSequence* tab = ctx_.SelectedTab();
    return tab && !tab->IsPattern() ? tab : nullptr;
}

void ConstraintPage::OpenChooser(int variable) {
    const authoring::PatternSequence* tab = ShownTab();
    if (!tab) return;
    std::vector<bool> checked(static_cast<std::size_t>(ctx_.StateCount()), false);
    if (variable < 0) {
        checked[0] = true;
    } else {
        const auto index = static_cast<std::size_t>(variable);
        if (variable == 0 || index >= tab->variables.size() || tab->variables[index].builtIn) {
            ctx_.Refuse();
            return;
        }
        for (std::uint8_t s : tab->variables[index].allowedStates)
            if (s < checked.size()) checked[s] = true;
    }
    chooser_ = {true, variable, std::move(checked)};
    ctx_.Redraw();
}

bool ConstraintPage::ChooserPress(float x, float y) {
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    if (!chooser_.open || !page.chooser.Contains(x, y)) return false;
    for (std::size_t s = 0; s < chooser_.checked.size(); ++s)
        if (ChooserCheckBox(page, int(s)).Contains(x, y)) {
            chooser_.checked[s] = !chooser_.checked[s];
            ctx_.Redraw();
            return true;
        }
    if (ChooserCancel(page).Contains(x, y)) {
        chooser_ = {};
        ctx_.Redraw();
    } else if (ChooserConfirm(page).Contains(x, y)) {
        std::vector<std::uint8_t> states;
        for (std::size_t s = 0; s < chooser_.checked.size(); ++s)
            if (chooser_.checked[s]) states.push_back(static_cast<std::uint8_t>(s));
        const int variable = chooser_.variable;
        bool done = false;
        ctx_.Guarded([&] {
            const authoring::EditOutcome outcome =
                variable < 0 ? ctx_.editor.MakeVariable(states)
                             : ctx_.editor.EditVariableStates(static_cast<std::size_t>(variable), states);
            done = outcome != authoring::EditOutcome::Refused;
            if (!done) ctx_.Refuse();
        });
        if (done) chooser_ = {};
    }
    return true;
}

bool ConstraintPage::PressAt(float x, float y, MouseButton button, Modifiers m, bool doubleClick) {
    const authoring::PatternSequence* tab = ShownTab();
    if (!tab || !ctx_.layout.page.Contains(x, y)) return false;
    if (button == MouseButton::Left && ChooserPress(x, y)) return true;
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    if (button == MouseButton::Left) {
        if (page.addEntry.Contains(x, y)) {
            ctx_.Guarded([&] { ctx_.RefuseIf(ctx_.editor.AddConstraintEntry()); });
            return true;
        }
        if (page.makeVariable.Contains(x, y)) {
            OpenChooser(-1);
            return true;
        }
        if (page.clearVariable.Contains(x, y)) {
            ctx_.editor.SelectVariable(-1);
            ctx_.Redraw();
            return true;
        }
        std::vector<std::string> names;
        for (const auto& v : tab->variables) names.push_back(v.name);
        const std::vector<RectF> chips = VariableChips(page, names);
        for (std::size_t i = 0; i < chips.size(); ++i)
            if (chips[i].Contains(x, y)) {
                if (doubleClick) OpenChooser(static_cast<int>(i));
                else ctx_.editor.SelectVariable(static_cast<std::int32_t>(i));
                ctx_.Redraw();
                return true;
            }
    }
    if (!page.list.Contains(x, y)) return true;
    for (std::size_t e = 0; e < tab->entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, scroll_);
        if (!card.Contains(x, y)) continue;
        if (button == MouseButton::Left && !doubleClick && EntryDeleteRect(card).Contains(x, y)) {
            ctx_.Guarded([&] { ctx_.RefuseIf(ctx_.editor.DeleteConstraintEntry(e)); });
            return true;
        }
        for (int slot = 0; slot < formats::kConstraintSlotCount; ++slot) {
            if (!EntrySlotRect(card, slot).Contains(x, y)) continue;
            const formats::ConstraintSlot& s = tab->entries[e].slots[static_cast<std::size_t>(slot)];
            if (doubleClick && s.isVariable) {
                OpenChooser(s.variable);
                return true;
            }
            // With a variable selected, a right click puts it in and a Ctrl-click links it; other
            // clicks cycle a fixed state.
            const bool variableSelected =
                tab->selectedVariable >= 0 && static_cast<std::size_t>(tab->selectedVariable) < tab->variables.size();
            const bool right = !doubleClick && button == MouseButton::Right;
            ctx_.Guarded([&] {
                if (variableSelected && (right || m.ctrl)) ctx_.RefuseIf(ctx_.editor.SetSlotToVariable(e, slot, m.ctrl));
                else ctx_.RefuseIf(ctx_.editor.CycleSlotState(e, slot, m.shift, ctx_.PaintBrush()));
            });
            return true;
        }
        if (button == MouseButton::Left && !doubleClick) drag_ = {e, x, y, false, false};
        return true;
    }
    return true;
}

bool ConstraintPage::Press(const MouseEvent& event) {
    if (event.button == MouseButton::Middle) return false;
    return PressAt(event.x, event.y, event.button, event.modifiers, event.doubleClick);
}

bool ConstraintPage::Move(float x, float y, Modifiers) {
    if (!drag_.entry) return false;
    DragTo(x, y);
    return true;
}

void ConstraintPage::Release(const MouseEvent& event) {
    if (event.button == MouseButton::Left) drag_ = {};
}

void ConstraintPage::DragTo(float x, float y) {
    const authoring::PatternSequence* tab = ShownTab();
    if (!tab || *drag_.entry >= tab->entries.size()) {
        drag_ = {};
        return;
    }
    if (!drag_.dragging) {
        if (std::abs(x - drag_.pressX) <= 4 && std::abs(y - drag_.pressY) <= 4) return;
        drag_.dragging = true;
    }
    // The card position under the pointer; between cards the entry stays where it is.
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    std::size_t target = *drag_.entry;
    for (std::size_t e = 0; e < tab->entries.size(); ++e)
        if (EntryCardRect(page, e, scroll_).Contains(x, y)) target = e;
    if (target == *drag_.entry) return;
    const bool first = !drag_.pushedUndo;
    ctx_.Guarded([&] {
        if (ctx_.editor.MoveConstraintEntry(*drag_.entry, target, first) == authoring::EditOutcome::Changed) {
            drag_.pushedUndo = true;
            drag_.entry = target;
        }
    });
}

int ConstraintPage::HoverAt(float x, float y) const {
    const authoring::PatternSequence* tab = ShownTab();
    if (!tab || !ctx_.layout.page.Contains(x, y)) return -1;
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    if (page.addEntry.Contains(x, y)) return kAddEntryHover;
    if (page.makeVariable.Contains(x, y)) return kMakeVariableHover;
    if (page.clearVariable.Contains(x, y)) return kClearVariableHover;
    if (chooser_.open || !page.list.Contains(x, y)) return -1;
    for (std::size_t e = 0; e < tab->entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, scroll_);
        if (!card.Contains(x, y)) continue;
        const int base = kEntryHoverBase + static_cast<int>(e) * kEntryHoverStride;
        if (EntryDeleteRect(card).Contains(x, y)) return base + kEntryDeleteHover;
        for (int slot = 0; slot < formats::kConstraintSlotCount; ++slot)
            if (EntrySlotRect(card, slot).Contains(x, y)) return base + slot;
        return -1;
    }
    return -1;
}

bool ConstraintPage::Wheel(float x, float y, bool up, Modifiers) {
    const authoring::PatternSequence* tab = ShownTab();
    if (!tab) return false;
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    if (!page.list.Contains(x, y)) return false;
    const float maxScroll = std::max(EntryListHeight(page, tab->entries.size()) - page.list.Height(), 0.0f);
    scroll_ = std::clamp(scroll_ + (up ? -120.0f : 120.0f), 0.0f, maxScroll);
    ctx_.Redraw();
    return true;
}

void ConstraintPage::Draw(Canvas& canvas) {
    if (!ShownTab()) return;
    const authoring::PatternSequence& tab = *ShownTab();
    const ConstraintPageLayout page = LayOutConstraintPage(ctx_.layout.page);
    canvas.FillRect(ctx_.layout.page, kBoxFill);
    canvas.OutlineRect(ctx_.layout.page, kBoxOutline, 1);
    DrawButton(canvas, page.addEntry, "Add Entry", ctx_.view.hoverControl == kAddEntryHover, false);
    DrawButton(canvas, page.makeVariable, "Make Variable", ctx_.view.hoverControl == kMakeVariableHover, false);
    if (tab.selectedVariable < 0) {
        canvas.FillRect(page.clearVariable, kBoxFill);
        canvas.OutlineRect(page.clearVariable, kBoxOutline, 1);
        canvas.DrawText("Clear Variable", page.clearVariable, TextFormat::Label, kDimText, HAlign::Centre,
                        VAlign::Centre);
    } else {
        DrawButton(canvas, page.clearVariable, "Clear Variable", ctx_.view.hoverControl == kClearVariableHover, false);
    }

    std::vector<std::string> names;
    for (const auto& v : tab.variables) names.push_back(v.name);
    const std::vector<RectF> chips = VariableChips(page, names);
    canvas.PushClip(page.variables);
    for (std::size_t i = 0; i < chips.size(); ++i)
        DrawButton(canvas, chips[i], names[i], false, static_cast<int>(i) == tab.selectedVariable);
    canvas.PopClip();

    const auto& colors = ctx_.editor.Doc().colors;
    auto stateColor = [&](int state) {
        const authoring::Color& c = colors[static_cast<std::size_t>(std::clamp(state, 0, 15))];
        return ColorF{c.red, c.green, c.blue, 1};
    };
    canvas.PushClip({page.list.left - 2, page.list.top, page.list.right + 2, page.list.bottom});
    for (std::size_t e = 0; e < tab.entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, scroll_);
        if (card.bottom < page.list.top || card.top > page.list.bottom) continue;
        canvas.FillRect(card, kBackground);
        canvas.OutlineRect(card, kBoxOutline, 1);
        canvas.DrawText(Format("Constraint %zu", e + 1), {card.left + 12, card.top + 6, card.right - 36, card.top + 28},
                        TextFormat::CompactLabel, kMutedText, HAlign::Leading, VAlign::Centre);
        const int hoverBase = kEntryHoverBase + static_cast<int>(e) * kEntryHoverStride;
        const bool dragged = drag_.dragging && drag_.entry == e;
        if (dragged) canvas.OutlineRect(card, kAccent, 2);
        const RectF del = EntryDeleteRect(card);
        canvas.FillRect(del, ctx_.view.hoverControl == hoverBase + kEntryDeleteHover ? kCloseHover : kCloseFill);
        canvas.DrawText("x", del, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
        const auto numbers = OccurrenceNumbers(tab.entries[e], tab.variables.size());
        for (int slot = 0; slot < formats::kConstraintSlotCount; ++slot) {
            const formats::ConstraintSlot& s = tab.entries[e].slots[static_cast<std::size_t>(slot)];
            const RectF r = EntrySlotRect(card, slot);
            if (!s.isVariable) {
                const ColorF fill = stateColor(s.state);
                canvas.FillRect(r, fill);
                const bool dark = 0.299f * fill.red + 0.587f * fill.green + 0.114f * fill.blue >= 0.56f;
                canvas.DrawText(Format("%d", int(s.state)), r, TextFormat::CompactLabel,
                                dark ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
            } else {
                canvas.FillRect(r, kBoxFill);
                const bool valid = s.variable >= 0 && static_cast<std::size_t>(s.variable) < tab.variables.size();
                const std::string name = valid ? tab.variables[static_cast<std::size_t>(s.variable)].name : "?";
                canvas.DrawText(name + std::to_string(numbers[static_cast<std::size_t>(slot)]), r,
                                TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
                if (s.linkGroup > 0)
                    canvas.DrawText(Format("%d", s.linkGroup), {r.left + 2, r.bottom - 13, r.right - 2, r.bottom},
                                    TextFormat::CompactLabel, kAccent, HAlign::Trailing, VAlign::Far);
            }
            const bool linked = s.isVariable && s.linkGroup > 0;
            canvas.OutlineRect(r, linked ? kAccent : ColorF{0.16f, 0.18f, 0.23f, 1}, linked ? 2.0f : 1.0f);
            if (ctx_.view.hoverControl == hoverBase + slot) canvas.OutlineRect(r, kPanelText, 1.5f);
        }
        const RectF out = EntrySlotRect(card, formats::kConstraintOutputSlot);
        canvas.DrawText("->", {out.left - 34, out.top, out.left - 4, out.bottom}, TextFormat::Label, kPanelText,
                        HAlign::Centre, VAlign::Centre);
        if (e < tab.expansions.size() && tab.expansions[e].touchesLocked && tab.expansions[e].changes.empty())
            canvas.OutlineRect(out, {0.85f, 0.35f, 0.35f, 1}, 2);
    }
    canvas.PopClip();

    if (!chooser_.open) return;
    const RectF& box = page.chooser;
    canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.97f});
    canvas.OutlineRect(box, kAccent, 1.5f);
    canvas.DrawText(chooser_.variable < 0 ? "Choose states for the new variable" : "Edit variable states",
                    {box.left + 14, box.top + 8, box.right - 14, box.top + 34}, TextFormat::CompactLabel, kPanelText,
                    HAlign::Leading, VAlign::Centre);
    for (std::size_t s = 0; s < chooser_.checked.size(); ++s) {
        const RectF r = ChooserCheckBox(page, int(s));
        canvas.FillRect(r, chooser_.checked[s] ? kButtonActive : kButtonFill);
        canvas.OutlineRect(r, chooser_.checked[s] ? kAccent : kBoxOutline, 1);
        canvas.DrawText(Format("%d", int(s)), r, TextFormat::CompactLabel, kPanelText, HAlign::Centre,
                        VAlign::Centre);
    }
    DrawButton(canvas, ChooserConfirm(page), chooser_.variable < 0 ? "Create" : "Save", false, true);
    DrawButton(canvas, ChooserCancel(page), "Cancel", false, false);
}

}  // namespace shell
