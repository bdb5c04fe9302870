#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <tuple>

#include "authoring/constraint_tab.h"
#include "formats/golly_tabbed_export.h"
#include "shell/color_editor.h"
#include "shell/constraint_page.h"
#include "shell/rule_editor_page.h"
#include "shell/start_screen.h"
#include "shell/state_bar.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

TEST(StartScreenLayoutTest, SymmetryCycleVisitsAllEight) {
    int s = 4;
    for (int i = 0; i < 8; ++i) s = StepSymmetry(s, 1);
    EXPECT_EQ(std::tuple(s, StepSymmetry(4, 1), StepSymmetry(0, 1), StepSymmetry(0, -1)), std::tuple(4, 0, 5, 4));
}

TEST_F(StartScreenTest, NewRuleThenCreate) {
    ExpectTexts({"Tavrix", "New Rule", "Load Rule", "Import Rule",
                 "Start a new rule, load a saved session, or import a Golly rule."});
    // The editor behind ignores the mouse.
    view.MouseMove(MidX(L().viewerGrid), MidY(L().viewerGrid), {});
    EXPECT_FALSE(HoverOutline(Draw()));
    view.KeyDown(Press(Key::Enter));
    EXPECT_TRUE(Shows("Choose the state count and neighborhood symmetry."));
    for (int i = 0; i < 20; ++i) Act(StartAction::CountDown);
    EXPECT_TRUE(Shows("2 states"));
    for (int i = 0; i < 4; ++i) Act(StartAction::CountUp);
    EXPECT_TRUE(Checked(command::kShowStateBar));  // from 6 states on
    Act(StartAction::CountDown);
    EXPECT_FALSE(Checked(command::kShowStateBar));
    Act(StartAction::SymmetryUp);
    EXPECT_TRUE(Shows("5 states") && Shows("C1 (asymmetric)"));
    Act(StartAction::CreateRule);
    // A new rule, saved as far as the title goes, with its first tab up for renaming.
    EXPECT_EQ(std::tuple(Shows("New Rule"), Model().Doc().rule.stateCount, Model().Doc().rule.symmetry, platform.titles.back(),
                         platform.textInputActive),
              std::tuple(false, 5, 0, "Tavrix", true));
    view.CommitRename();
}

TEST_F(StartScreenTest, EscapeAndBackAndOpenPage) {
    view.KeyDown(Press(Key::Escape));
    EXPECT_TRUE(Shows("New Rule"));
    Act(StartAction::NewRule, StartPage::Main);
    Act(StartAction::Back);
    EXPECT_TRUE(Shows("Start a new rule, load a saved session, or import a Golly rule."));
    view.KeyDown(Press(Key::O, true));
    EXPECT_TRUE(Shows("Choose how you want to open an existing rule."));
    view.KeyDown(DigitKey(2));  // keys do not reach the editor
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(Shows("Load Rule"));
    view.Command(command::kShowStateBar);
    EXPECT_TRUE(Outlined(StateSwatch(L().stateBar, 3, 1), 3));  // the digit did not choose state 2
}

TEST_F(StartScreenTest, CancelledLoadStays) {
    for (StartAction action : {StartAction::LoadRule, StartAction::ImportRule}) {
        Act(action, StartPage::Main);
        EXPECT_TRUE(Shows("Load Rule") && platform.boxes.empty());
    }
}

class ColorEditorTest : public ShellTest {
protected:
    ColorEditorTest() { view.Command(command::kEditColors); }
    ColorEditorLayout Editor() const {
        const Layout& l = L();
        return LayOutColorEditor({l.ruleColumn.left, l.tabBar.top, l.ruleColumn.right, l.ruleColumn.bottom}, 3);
    }
};

TEST_F(ColorEditorTest, SwatchesTextsAndDone) {
    ExpectTexts({"Color Editor", "Click a state color to edit it.", "Broken marker appearance",
                 "Locked cell appearance", "Trail appearance", "Tint", "Keyframe", "45%", "62%", "30%", "T+32",
                 "Restore Default Colors", "Done", "2"});
    Click(Editor().done);
    EXPECT_FALSE(Shows("Color Editor"));
}

TEST_F(ColorEditorTest, PickingAColourIsUndoable) {
    const authoring::Color before = Model().Doc().colors[2];
    platform.pickAnswer = Rgb{255, 0, 0};
    Click(Editor().swatches[2]);
    EXPECT_EQ(std::tuple(platform.pickInitial, Model().Doc().colors[2]),
              std::tuple(std::vector<Rgb>{{0, 255, 255}}, authoring::Color{1, 0, 0, 1}));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Model().Doc().colors[2], before);
    platform.pickAnswer.reset();
    Click(Editor().swatches[1]);
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1, 1, 1, 1}));
    platform.pickAnswer = Rgb{1, 2, 3};
    Click(Editor().swatches[1]);
    Click(Editor().restore);
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1, 1, 1, 1}));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1 / 255.0f, 2 / 255.0f, 3 / 255.0f, 1}));
}

TEST_F(ColorEditorTest, SteppersSaveTheSettingsOrBeep) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_colors.ini";
    std::remove(path.c_str());
    view.UseSettingsFile(path);
    Click(Editor().plus[2]);
    EXPECT_TRUE(Shows("35%") && std::filesystem::exists(path));
    for (int i = 0; i < 10; ++i) Click(Editor().plus[4]);  // trail opacity 50 % to 100 %
    std::remove(path.c_str());
    Click(Editor().plus[4]);
    EXPECT_EQ(std::tuple(platform.beeps, std::filesystem::exists(path)), std::tuple(1, false));
    // While playing, presses in the editor are ignored.
    view.KeyDown(Press(Key::Enter));
    Click(Editor().minus[2]);
    EXPECT_TRUE(Shows("35%"));
}

class ConstraintPageTest : public ShellTest {
protected:
    ConstraintPageTest() { view.Command(command::kNewConstraintTab); }
    ConstraintPageLayout Page() const { return LayOutConstraintPage(L().page); }
    const authoring::PatternSequence& Tab() const { return CurrentTab(); }
    RectF Card(std::size_t entry) const { return EntryCardRect(Page(), entry, 0); }
    RectF Slot(std::size_t entry, int slot) const { return EntrySlotRect(Card(entry), slot); }
    bool ChooserOpen() { return Shows("Choose states for the new variable"); }
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
    // The new variable, after the built-in one, is selected.
    EXPECT_EQ(std::tuple(ChooserOpen(), Tab().variables.size(), Tab().selectedVariable,
                         Tab().variables.back().allowedStates),
              std::tuple(false, 2u, 1, std::vector<std::uint8_t>{0, 2}));

    Click(Slot(0, 0), MouseButton::Right);
    EXPECT_EQ(std::tuple(Tab().entries[0].slots[0].isVariable, Tab().entries[0].slots[0].variable),
              std::tuple(true, Tab().selectedVariable));
    ExpectTexts({"Add Entry", "Make Variable", "Clear Variable", "Constraint 1", "->"});
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
    EXPECT_TRUE(Outlined(Slot(1, 4), 1.5f));
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
    EXPECT_EQ(std::tuple(platform.beeps, Shows("Edit variable states")), std::tuple(1, false));
    // Creating a variable without states is refused.
    Click(Page().makeVariable);
    Click(ChooserCheckBox(Page(), 0));
    Click(ChooserConfirm(Page()));
    EXPECT_EQ(std::tuple(platform.beeps, ChooserOpen()), std::tuple(2, true));
    Click(ChooserCancel(Page()));
    EXPECT_FALSE(ChooserOpen());
}

// A point between two rows of cards is on none of them; scrolled, the rows move up.
TEST(RuleEditorPageLayoutTest, CardsUnderAPoint) {
    const RuleEditorPageLayout l = LayOutRuleEditorPage({0, 0, 1000, 800}, false);
    EXPECT_EQ(std::tuple(CardAt(l, 0, l.list.left + 5, l.list.top + 5), CardAt(l, 0, l.list.left + 5, l.list.top + 115)),
              std::tuple(0, -1));
    const RectF second = CardRect(l, std::size_t(l.columns) + 1, 50);
    EXPECT_EQ(CardAt(l, 50, second.left + 1, second.top + 1), l.columns + 1);
}

class RuleEditorPageTest : public ShellTest {
protected:
    RuleEditorPageTest() { Click(L().directEditorTab); }
    RuleEditorPageLayout Page() const { return LayOutRuleEditorPage(L().page, L().viewerLaidOut); }
};

TEST_F(RuleEditorPageTest, StatusCardsAndMinrule) {
    ExpectTexts({authoring::UndefinedStatusText(Model().Undefined(), Model().Doc().rule.symmetry),
                 "Enable Ctrl+M Minrule", "Take Minrule"});
    ASSERT_FALSE(Model().Undefined().entries.empty());
    const authoring::UndefinedEntry first = Model().Undefined().entries[0];
    Click(CardRect(Page(), 0, 0));
    EXPECT_NE(Model().Doc().rule.table[first.index], first.output);
    Click(Page().takeMinrule);  // every free transition goes to 0; they stay free
    EXPECT_EQ(std::tuple(Model().Doc().rule.table[first.index], Model().Undefined().entries[0].output,
                         Model().UnsavedChanges()),
              std::tuple(0, 0, true));
    EXPECT_GT(Model().Undefined().count, 0u);
    Click(Page().checkbox);  // the box guards Ctrl+M
    view.KeyDown(Press(Key::M, true));
    EXPECT_EQ(platform.beeps, 1);
}

TEST_F(RuleEditorPageTest, WheelScrollsTheListAndLoadsCards) {
    const RuleEditorPageLayout page = Page();
    const auto firstCardShown = [&] { return Outlined(CardRect(page, 0, 0)); };
    ASSERT_TRUE(firstCardShown());
    const std::size_t loaded = Model().Undefined().entries.size();
    for (int i = 0; i < 40; ++i) view.Wheel(MidX(page.list), MidY(page.list), -1, {});
    EXPECT_TRUE(!firstCardShown() && Model().Undefined().entries.size() > loaded);
    for (int i = 0; i < 100; ++i) view.Wheel(MidX(page.list), MidY(page.list), 1, {});
    EXPECT_TRUE(firstCardShown());
}

}  // namespace
}  // namespace shell::testing
