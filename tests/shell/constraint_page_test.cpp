#include "shell/constraint_page.h"

#include <algorithm>
#include <random>
#include <tuple>

#include "authoring/constraint_tab.h"
#include "formats/golly_tabbed_export.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class ConstraintPageTest : public ShellTest {
protected:
    ConstraintPageTest() { view.Command(command::kNewConstraintTab); }
    ConstraintPageLayout Page() const { return LayOutConstraintPage(view.layout.page); }
    const authoring::PatternSequence& Tab() const { return *view.ShownConstraintTab(); }
    RectF Slot(std::size_t entry, int slot) const {
        return EntrySlotRect(EntryCardRect(Page(), entry, view.constraintListScroll), slot);
    }
};

TEST(ConstraintPageLayoutTest, ButtonsRowsAndCards) {
    const ConstraintPageLayout l = LayOutConstraintPage({100, 200, 900, 1000});
    EXPECT_EQ(l.addEntry, (RectF{116, 216, 246, 254}));
    EXPECT_EQ(std::tuple(l.makeVariable.left, l.clearVariable.left), std::tuple(l.addEntry.right + 10, l.makeVariable.right + 10));
    // Buttons, then the variable chips, then the list down to the page's bottom margin.
    EXPECT_TRUE(l.addEntry.bottom < l.variables.top && l.variables.bottom < l.list.top && l.list.bottom < 1000);
    EXPECT_EQ(l.chooser, (RectF{132, 270, 460, 410}));
    EXPECT_TRUE(ChooserConfirm(l).right < ChooserCancel(l).left && ChooserCancel(l).bottom < l.chooser.bottom);
    EXPECT_FLOAT_EQ(ChooserCheckBox(l, 1).left - ChooserCheckBox(l, 0).left, 40);
}

// The page numbers occurrences the way the editor and the export do.
TEST(ConstraintPageLayoutTest, OccurrenceNumbersAgreeWithTheEditorAndTheExport) {
    std::mt19937 rng(12);
    for (int trial = 0; trial < 500; ++trial) {
        formats::ConstraintEntry entry;
        for (auto& slot : entry.slots)
            if (rng() % 3 != 0)
                slot = {true, 0, static_cast<std::int32_t>(rng() % 4) - 1, static_cast<std::int32_t>(rng() % 4) - 1};
        const std::size_t variables = 1 + rng() % 3;
        const auto numbers = OccurrenceNumbers(entry, variables);
        ASSERT_EQ(numbers, formats::GollyOccurrenceNumbers(entry, variables)) << trial;
        const auto editor = authoring::OccurrenceNumbers(entry, variables);
        ASSERT_TRUE(std::equal(numbers.begin(), numbers.end(), editor.begin(), editor.end())) << trial;
    }
}

TEST_F(ConstraintPageTest, EntriesSlotsVariablesAndDelete) {
    ASSERT_NE(view.ShownConstraintTab(), nullptr);
    const std::size_t entries = Tab().entries.size();
    Click(Page().addEntry);
    ASSERT_EQ(Tab().entries.size(), entries + 1);
    Click(Slot(0, 4));
    EXPECT_FALSE(Tab().entries[0].slots[4].isVariable);
    EXPECT_EQ(Tab().entries[0].slots[4].state, 1);

    Click(Page().makeVariable);
    ASSERT_TRUE(view.chooser.open);
    EXPECT_TRUE(view.chooser.checked[0]);
    Click(ChooserCheckBox(Page(), 2));
    Click(ChooserConfirm(Page()));
    EXPECT_FALSE(view.chooser.open);
    const std::size_t variables = Tab().variables.size();
    ASSERT_GE(variables, 2u);
    EXPECT_EQ(Tab().selectedVariable, static_cast<std::int32_t>(variables - 1));
    EXPECT_EQ(Tab().variables.back().allowedStates, (std::vector<std::uint8_t>{0, 2}));

    Click(Slot(0, 0), MouseButton::Right);
    EXPECT_TRUE(Tab().entries[0].slots[0].isVariable);
    EXPECT_EQ(Tab().entries[0].slots[0].variable, Tab().selectedVariable);

    const RecordingCanvas canvas = Draw();
    for (const char* text : {"Add Entry", "Make Variable", "Clear Variable", "Constraint 1", "->"})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;

    Click(Page().clearVariable);
    EXPECT_EQ(Tab().selectedVariable, -1);
    Click(EntryDeleteRect(EntryCardRect(Page(), 0, 0)));
    EXPECT_EQ(Tab().entries.size(), entries);
}

// Dragging a card by its title moves the entry through the cards it passes; one Undo restores
// the order; a 3-pixel wiggle is no drag. Slots and the delete control light up under the pointer.
TEST_F(ConstraintPageTest, EntryDragReordersWithOneUndoStep) {
    Click(Page().addEntry);
    Click(Page().addEntry);
    ASSERT_EQ(Tab().entries.size(), 3u);
    Click(Slot(0, 4));  // entry 0 is the one with a live centre
    const auto card = [&](std::size_t e) { return EntryCardRect(Page(), e, view.constraintListScroll); };
    const RectF title = card(0);
    const float x = title.left + 40, y = title.top + 10;
    view.MousePress(Mouse(x, y));
    view.MouseMove(x + 3, y + 3, {});
    EXPECT_FALSE(view.entryDrag.dragging);
    for (std::size_t to : {1, 2}) view.MouseMove(MidX(card(to)), card(to).top + 10, {});
    view.MouseRelease(Mouse(MidX(card(2)), card(2).top + 10));
    EXPECT_FALSE(Tab().entries[0].slots[4].state == 1 && !Tab().entries[0].slots[4].isVariable);
    EXPECT_EQ(Tab().entries[2].slots[4].state, 1);
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Tab().entries[0].slots[4].state, 1);

    view.MouseMove(MidX(Slot(1, 4)), MidY(Slot(1, 4)), {});
    EXPECT_EQ(view.hoverControl, kEntryHoverBase + kEntryHoverStride + 4);
    const RectF del = EntryDeleteRect(card(1));
    view.MouseMove(MidX(del), MidY(del), {});
    EXPECT_EQ(view.hoverControl, kEntryHoverBase + kEntryHoverStride + kEntryDeleteHover);
}

TEST_F(ConstraintPageTest, TheBuiltInVariableCannotBeEdited) {
    std::vector<std::string> names;
    for (const auto& v : Tab().variables) names.push_back(v.name);
    ASSERT_FALSE(names.empty());
    const RectF chip = VariableChips(Page(), names)[0];
    view.MousePress(Mouse(MidX(chip), MidY(chip), MouseButton::Left, false, false, true));
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_FALSE(view.chooser.open);
    // Creating a variable without states is refused.
    Click(Page().makeVariable);
    Click(ChooserCheckBox(Page(), 0));
    Click(ChooserConfirm(Page()));
    EXPECT_EQ(platform.beeps, 2);
    EXPECT_TRUE(view.chooser.open);
    Click(ChooserCancel(Page()));
    EXPECT_FALSE(view.chooser.open);
}

}  // namespace
}  // namespace shell::testing
