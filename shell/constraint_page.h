#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/constraint_records.h"
#include "shell/canvas.h"

namespace shell {

// The constraint page: its three buttons, the row of variable chips, the entry cards and the
// state chooser box.
struct ConstraintPageLayout {
    RectF addEntry, makeVariable, clearVariable;
    RectF variables;
    RectF list;
    RectF chooser;
    int columns = 1;
};

inline constexpr float kEntryCardWidth = 236;
inline constexpr float kEntryCardHeight = 156;
inline constexpr float kEntryCardGap = 12;
inline constexpr float kSlotSide = 34;

ConstraintPageLayout LayOutConstraintPage(const RectF& page);
RectF EntryCardRect(const ConstraintPageLayout& layout, std::size_t entry, float scroll);
// Slot 0..8 of the neighbourhood (NW..SE) or 9, the output, inside a card.
RectF EntrySlotRect(const RectF& card, int slot);
RectF EntryDeleteRect(const RectF& card);
float EntryListHeight(const ConstraintPageLayout& layout, std::size_t entries);
// The chips of the variables row, one per name, left to right.
std::vector<RectF> VariableChips(const ConstraintPageLayout& layout, const std::vector<std::string>& names);
RectF ChooserCheckBox(const ConstraintPageLayout& layout, int state);
RectF ChooserConfirm(const ConstraintPageLayout& layout);
RectF ChooserCancel(const ConstraintPageLayout& layout);

// Occurrence number of each slot's variable within one entry (0 for fixed slots).
std::array<int, formats::kConstraintSlotCount> OccurrenceNumbers(const formats::ConstraintEntry& entry,
                                                                  std::size_t variableCount);

}  // namespace shell
