#include "shell/constraint_page.h"

#include <algorithm>
#include <cmath>
#include <map>

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
