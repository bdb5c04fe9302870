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
    ConstraintPageLayout Page() const { return LayOutConstraintPage(L().page); }
    const authoring::PatternSequence& Tab() const { return CurrentTab(); }
    RectF Card(std::size_t entry) const { return EntryCardRect(Page(), entry, 0); }
    RectF Slot(std::size_t entry, int slot) const { return EntrySlotRect(Card(entry), slot); }
    bool ChooserOpen() { return Draw().FindText("Choose states for the new variable") != nullptr; }
};

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
    ASSERT_FALSE(Tab().IsPattern());
    const std::size_t entries = Tab().entries.size();
    Click(Page().addEntry);
    ASSERT_EQ(Tab().entries.size(), entries + 1);
    Click(Slot(0, 4));
    EXPECT_EQ(std::tuple(Tab().entries[0].slots[4].isVariable, Tab().entries[0].slots[4].state), std::tuple(false, 1));

    Click(Page().makeVariable);
    ASSERT_TRUE(ChooserOpen());
    Click(ChooserCheckBox(Page(), 2));  // state 0 comes checked
    Click(ChooserConfirm(Page()));
    EXPECT_FALSE(ChooserOpen());
    const std::size_t variables = Tab().variables.size();
    ASSERT_GE(variables, 2u);
    EXPECT_EQ(Tab().selectedVariable, static_cast<std::int32_t>(variables - 1));
    EXPECT_EQ(Tab().variables.back().allowedStates, (std::vector<std::uint8_t>{0, 2}));

    Click(Slot(0, 0), MouseButton::Right);
    EXPECT_EQ(std::tuple(Tab().entries[0].slots[0].isVariable, Tab().entries[0].slots[0].variable),
              std::tuple(true, Tab().selectedVariable));
    const RecordingCanvas canvas = Draw();
    for (const char* text : {"Add Entry", "Make Variable", "Clear Variable", "Constraint 1", "->"})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    Click(Page().clearVariable);
    EXPECT_EQ(Tab().selectedVariable, -1);
    Click(EntryDeleteRect(Card(0)));
    EXPECT_EQ(Tab().entries.size(), entries);
}

// Dragging a card by its title moves the entry through the cards it passes; one Undo restores
// the order; a 3-pixel wiggle is no drag. Slots and the delete control light up under the pointer.
TEST_F(ConstraintPageTest, EntryDragReordersWithOneUndoStep) {
    Click(Page().addEntry);
    Click(Page().addEntry);
    ASSERT_EQ(Tab().entries.size(), 3u);
    Click(Slot(0, 4));  // entry 0 is the one with a live centre
    const auto liveCentre = [&](std::size_t e) {
        return !Tab().entries[e].slots[4].isVariable && Tab().entries[e].slots[4].state == 1;
    };
    const float x = Card(0).left + 40, y = Card(0).top + 10;
    Drag(x, y, x + 3, y + 3);
    ASSERT_TRUE(liveCentre(0));
    view.MousePress(Mouse(x, y));
    for (std::size_t to : {1, 2}) view.MouseMove(MidX(Card(to)), Card(to).top + 10, {});
    view.MouseRelease(Mouse(MidX(Card(2)), Card(2).top + 10));
    EXPECT_EQ(std::tuple(liveCentre(0), liveCentre(2)), std::tuple(false, true));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_TRUE(liveCentre(0));

    view.MouseMove(MidX(Slot(1, 4)), MidY(Slot(1, 4)), {});
    bool lit = false;
    for (const auto& o : Draw().outlines) lit = lit || (o.rect == Slot(1, 4) && o.stroke == 1.5f);
    EXPECT_TRUE(lit);
    const RectF del = EntryDeleteRect(Card(1));
    view.MouseMove(MidX(del), MidY(del), {});
    EXPECT_TRUE(Filled(Draw(), del, theme::kCloseHover));
}

TEST_F(ConstraintPageTest, TheBuiltInVariableCannotBeEdited) {
    std::vector<std::string> names;
    for (const auto& v : Tab().variables) names.push_back(v.name);
    ASSERT_FALSE(names.empty());
    const RectF chip = VariableChips(Page(), names)[0];
    DoubleClickAt(MidX(chip), MidY(chip));
    EXPECT_EQ(std::tuple(platform.beeps, Draw().FindText("Edit variable states")), std::tuple(1, nullptr));
    // Creating a variable without states is refused.
    Click(Page().makeVariable);
    Click(ChooserCheckBox(Page(), 0));
    Click(ChooserConfirm(Page()));
    EXPECT_EQ(std::tuple(platform.beeps, ChooserOpen()), std::tuple(2, true));
    Click(ChooserCancel(Page()));
    EXPECT_FALSE(ChooserOpen());
}

}  // namespace
}  // namespace shell::testing
