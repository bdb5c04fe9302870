// The constraint page: entry cards with their slots, variable chips and the state chooser.
#include <algorithm>
#include <cmath>

#include "shell/constraint_page.h"
#include "shell/main_window_view_impl.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;

const authoring::PatternSequence* MainWindowViewImpl::ShownConstraintTab() const {
    if (!layout.ruleColumnLaidOut || flags.colorEditorOpen || RuleEditorPage() || TabCount() == 0) return nullptr;
    const auto& tab = editor.Doc().SelectedTab();
    return tab.IsPattern() ? nullptr : &tab;
}

void MainWindowViewImpl::OpenChooser(int variable) {
    const authoring::PatternSequence* tab = ShownConstraintTab();
    if (!tab) return;
    std::vector<bool> checked(static_cast<std::size_t>(StateCount()), false);
    if (variable < 0) {
        checked[0] = true;
    } else {
        const auto index = static_cast<std::size_t>(variable);
        if (variable == 0 || index >= tab->variables.size() || tab->variables[index].builtIn) {
            Refuse();
            return;
        }
        for (std::uint8_t s : tab->variables[index].allowedStates)
            if (s < checked.size()) checked[s] = true;
    }
    chooser = {true, variable, std::move(checked)};
    Redraw();
}

bool MainWindowViewImpl::ChooserPress(float x, float y) {
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    if (!chooser.open || !page.chooser.Contains(x, y)) return false;
    for (std::size_t s = 0; s < chooser.checked.size(); ++s)
        if (ChooserCheckBox(page, int(s)).Contains(x, y)) {
            chooser.checked[s] = !chooser.checked[s];
            Redraw();
            return true;
        }
    if (ChooserCancel(page).Contains(x, y)) {
        chooser = {};
        Redraw();
    } else if (ChooserConfirm(page).Contains(x, y)) {
        std::vector<std::uint8_t> states;
        for (std::size_t s = 0; s < chooser.checked.size(); ++s)
            if (chooser.checked[s]) states.push_back(static_cast<std::uint8_t>(s));
        const int variable = chooser.variable;
        bool done = false;
        Guarded([&] {
            const authoring::EditOutcome outcome =
                variable < 0 ? editor.MakeVariable(states)
                             : editor.EditVariableStates(static_cast<std::size_t>(variable), states);
            done = outcome != authoring::EditOutcome::Refused;
            if (!done) Refuse();
        });
        if (done) chooser = {};
    }
    return true;
}

bool MainWindowViewImpl::ConstraintPagePress(float x, float y, MouseButton button, Modifiers m, bool doubleClick) {
    const authoring::PatternSequence* tab = ShownConstraintTab();
    if (!tab || !layout.page.Contains(x, y)) return false;
    if (button == MouseButton::Left && ChooserPress(x, y)) return true;
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    auto refuseIf = [&](authoring::EditOutcome outcome) {
        if (outcome == authoring::EditOutcome::Refused) Refuse();
    };
    if (button == MouseButton::Left) {
        if (page.addEntry.Contains(x, y)) {
            Guarded([&] { refuseIf(editor.AddConstraintEntry()); });
            return true;
        }
        if (page.makeVariable.Contains(x, y)) {
            OpenChooser(-1);
            return true;
        }
        if (page.clearVariable.Contains(x, y)) {
            editor.SelectVariable(-1);
            Redraw();
            return true;
        }
        std::vector<std::string> names;
        for (const auto& v : tab->variables) names.push_back(v.name);
        const std::vector<RectF> chips = VariableChips(page, names);
        for (std::size_t i = 0; i < chips.size(); ++i)
            if (chips[i].Contains(x, y)) {
                if (doubleClick) OpenChooser(static_cast<int>(i));
                else editor.SelectVariable(static_cast<std::int32_t>(i));
                Redraw();
                return true;
            }
    }
    if (!page.list.Contains(x, y)) return true;
    for (std::size_t e = 0; e < tab->entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, constraintListScroll);
        if (!card.Contains(x, y)) continue;
        if (button == MouseButton::Left && !doubleClick && EntryDeleteRect(card).Contains(x, y)) {
            Guarded([&] { refuseIf(editor.DeleteConstraintEntry(e)); });
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
            Guarded([&] {
                if (variableSelected && (right || m.ctrl)) refuseIf(editor.SetSlotToVariable(e, slot, m.ctrl));
                else refuseIf(editor.CycleSlotState(e, slot, m.shift, PaintBrush()));
            });
            return true;
        }
        if (button == MouseButton::Left && !doubleClick) entryDrag = {e, x, y, false, false};
        return true;
    }
    return true;
}

void MainWindowViewImpl::EntryDragMove(float x, float y) {
    const authoring::PatternSequence* tab = ShownConstraintTab();
    if (!tab || *entryDrag.entry >= tab->entries.size()) {
        entryDrag = {};
        return;
    }
    if (!entryDrag.dragging) {
        if (std::abs(x - entryDrag.pressX) <= 4 && std::abs(y - entryDrag.pressY) <= 4) return;
        entryDrag.dragging = true;
    }
    // The card position under the pointer; between cards the entry stays where it is.
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    std::size_t target = *entryDrag.entry;
    for (std::size_t e = 0; e < tab->entries.size(); ++e)
        if (EntryCardRect(page, e, constraintListScroll).Contains(x, y)) target = e;
    if (target == *entryDrag.entry) return;
    const bool first = !entryDrag.pushedUndo;
    Guarded([&] {
        if (editor.MoveConstraintEntry(*entryDrag.entry, target, first) == authoring::EditOutcome::Changed) {
            entryDrag.pushedUndo = true;
            entryDrag.entry = target;
        }
    });
}

int MainWindowViewImpl::ConstraintHoverAt(float x, float y) const {
    const authoring::PatternSequence* tab = ShownConstraintTab();
    if (!tab || !layout.page.Contains(x, y)) return -1;
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    if (page.addEntry.Contains(x, y)) return 15;
    if (page.makeVariable.Contains(x, y)) return 16;
    if (page.clearVariable.Contains(x, y)) return 17;
    if (chooser.open || !page.list.Contains(x, y)) return -1;
    for (std::size_t e = 0; e < tab->entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, constraintListScroll);
        if (!card.Contains(x, y)) continue;
        const int base = kEntryHoverBase + static_cast<int>(e) * kEntryHoverStride;
        if (EntryDeleteRect(card).Contains(x, y)) return base + kEntryDeleteHover;
        for (int slot = 0; slot < formats::kConstraintSlotCount; ++slot)
            if (EntrySlotRect(card, slot).Contains(x, y)) return base + slot;
        return -1;
    }
    return -1;
}

bool MainWindowViewImpl::ConstraintPageWheel(float x, float y, bool up) {
    const authoring::PatternSequence* tab = ShownConstraintTab();
    if (!tab) return false;
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    if (!page.list.Contains(x, y)) return false;
    const float maxScroll = std::max(EntryListHeight(page, tab->entries.size()) - page.list.Height(), 0.0f);
    constraintListScroll = std::clamp(constraintListScroll + (up ? -120.0f : 120.0f), 0.0f, maxScroll);
    Redraw();
    return true;
}

void MainWindowViewImpl::DrawConstraintPage(Canvas& canvas) {
    const authoring::PatternSequence& tab = *ShownConstraintTab();
    const ConstraintPageLayout page = LayOutConstraintPage(layout.page);
    canvas.FillRect(layout.page, kBoxFill);
    canvas.OutlineRect(layout.page, kBoxOutline, 1);
    DrawButton(canvas, page.addEntry, "Add Entry", hoverControl == 15, false);
    DrawButton(canvas, page.makeVariable, "Make Variable", hoverControl == 16, false);
    if (tab.selectedVariable < 0) {
        canvas.FillRect(page.clearVariable, kBoxFill);
        canvas.OutlineRect(page.clearVariable, kBoxOutline, 1);
        canvas.DrawText("Clear Variable", page.clearVariable, TextFormat::Label, kDimText, HAlign::Centre,
                        VAlign::Centre);
    } else {
        DrawButton(canvas, page.clearVariable, "Clear Variable", hoverControl == 17, false);
    }

    std::vector<std::string> names;
    for (const auto& v : tab.variables) names.push_back(v.name);
    const std::vector<RectF> chips = VariableChips(page, names);
    canvas.PushClip(page.variables);
    for (std::size_t i = 0; i < chips.size(); ++i)
        DrawButton(canvas, chips[i], names[i], false, static_cast<int>(i) == tab.selectedVariable);
    canvas.PopClip();

    const auto& colors = editor.Doc().colors;
    auto stateColor = [&](int state) {
        const authoring::Color& c = colors[static_cast<std::size_t>(std::clamp(state, 0, 15))];
        return ColorF{c.red, c.green, c.blue, 1};
    };
    canvas.PushClip({page.list.left - 2, page.list.top, page.list.right + 2, page.list.bottom});
    for (std::size_t e = 0; e < tab.entries.size(); ++e) {
        const RectF card = EntryCardRect(page, e, constraintListScroll);
        if (card.bottom < page.list.top || card.top > page.list.bottom) continue;
        canvas.FillRect(card, kBackground);
        canvas.OutlineRect(card, kBoxOutline, 1);
        canvas.DrawText(Format("Constraint %zu", e + 1), {card.left + 12, card.top + 6, card.right - 36, card.top + 28},
                        TextFormat::CompactLabel, kMutedText, HAlign::Leading, VAlign::Centre);
        const int hoverBase = kEntryHoverBase + static_cast<int>(e) * kEntryHoverStride;
        const bool dragged = entryDrag.dragging && entryDrag.entry == e;
        if (dragged) canvas.OutlineRect(card, kAccent, 2);
        const RectF del = EntryDeleteRect(card);
        canvas.FillRect(del, hoverControl == hoverBase + kEntryDeleteHover ? kCloseHover : kCloseFill);
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
            if (hoverControl == hoverBase + slot) canvas.OutlineRect(r, kPanelText, 1.5f);
        }
        const RectF out = EntrySlotRect(card, formats::kConstraintOutputSlot);
        canvas.DrawText("->", {out.left - 34, out.top, out.left - 4, out.bottom}, TextFormat::Label, kPanelText,
                        HAlign::Centre, VAlign::Centre);
        if (e < tab.expansions.size() && tab.expansions[e].touchesLocked && tab.expansions[e].changes.empty())
            canvas.OutlineRect(out, {0.85f, 0.35f, 0.35f, 1}, 2);
    }
    canvas.PopClip();

    if (!chooser.open) return;
    const RectF& box = page.chooser;
    canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.97f});
    canvas.OutlineRect(box, kAccent, 1.5f);
    canvas.DrawText(chooser.variable < 0 ? "Choose states for the new variable" : "Edit variable states",
                    {box.left + 14, box.top + 8, box.right - 14, box.top + 34}, TextFormat::CompactLabel, kPanelText,
                    HAlign::Leading, VAlign::Centre);
    for (std::size_t s = 0; s < chooser.checked.size(); ++s) {
        const RectF r = ChooserCheckBox(page, int(s));
        canvas.FillRect(r, chooser.checked[s] ? kButtonActive : kButtonFill);
        canvas.OutlineRect(r, chooser.checked[s] ? kAccent : kBoxOutline, 1);
        canvas.DrawText(Format("%d", int(s)), r, TextFormat::CompactLabel, kPanelText, HAlign::Centre,
                        VAlign::Centre);
    }
    DrawButton(canvas, ChooserConfirm(page), chooser.variable < 0 ? "Create" : "Save", false, true);
    DrawButton(canvas, ChooserCancel(page), "Cancel", false, false);
}

}  // namespace shell
