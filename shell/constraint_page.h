#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/constraint_records.h"
#include "shell/canvas.h"
#include "shell/panel.h"

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

// A constraint tab's page: Add Entry, Make Variable and Clear Variable, the variable chips, the
// entry cards (whose slots are clicked, and which reorder by drag) and the state chooser.
class ConstraintPage final : public Panel {
public:
    explicit ConstraintPage(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Move(float x, float y, Modifiers modifiers) override;
    void Release(const MouseEvent& event) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    int HoverAt(float x, float y) const override;
    void CancelDrag() override { drag_ = {}; }
    void CloseChooser() { chooser_ = {}; }
    bool Shown() const { return ShownTab() != nullptr; }

private:
    // One check per state, for a new variable (-1) or an edit.
    struct StateChooser {
        bool open = false;
        int variable = -1;
        std::vector<bool> checked;
    };
    // A press on an entry card, which becomes a reorder once the pointer moves 5 pixels.
    struct EntryDrag {
        std::optional<std::size_t> entry;  // where the pressed entry is now
        float pressX = 0, pressY = 0;
        bool dragging = false;
        bool pushedUndo = false;
    };

    const authoring::PatternSequence* ShownTab() const;
    bool PressAt(float x, float y, MouseButton button, Modifiers m, bool doubleClick);
    bool ChooserPress(float x, float y);
    void OpenChooser(int variable);
    void DragTo(float x, float y);

    const PanelContext& ctx_;
    float scroll_ = 0;
    StateChooser chooser_;
    EntryDrag drag_;
};

}  // namespace shell
