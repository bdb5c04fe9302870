#include "authoring/constraint_tab.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "authoring/editor.h"
#include "core/symmetry.h"
#include "formats/session_file.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using formats::ConstraintEntry;
using formats::ConstraintSlot;

ConstraintSlot Var(std::int32_t variable, std::int32_t link = 0) { return {true, 0, variable, link}; }

PatternSequence ConstraintWith(std::vector<formats::ConstraintVariable> variables) {
    PatternSequence tab;
    tab.kind = PatternKind::Constraint;
    tab.variables = std::move(variables);
    return tab;
}

// Sessions may hold a variable without states; an entry that uses it describes nothing.
TEST(ConstraintTab, AVariableWithoutStatesExpandsToNothing) {
    CanonicalIndexCache cache;
    cache.Prepare(0, 3);
    ConstraintEntry entry;
    entry.slots[4] = Var(1);
    entry.slots[kOutputSlot] = Var(0);
    const PatternSequence tab = ConstraintWith({BuiltInVariable(3), {false, "b", {}}});
    EXPECT_TRUE(ExpandConstraintEntry(tab, entry, PackedLockTable(19683), 0, cache).changes.empty());
}

TEST(ConstraintTab, OccurrenceNumbersAndOutputStepping) {
    PatternSequence tab = ConstraintWith({BuiltInVariable(2), {false, "b", {0, 1}}});
    tab.selectedVariable = 1;
    ConstraintEntry entry;
    entry.slots[1] = Var(1);     // N
    entry.slots[0] = Var(1, 4);  // NW, linked
    entry.slots[7] = Var(1, 4);  // S, same link
    // Linked pairs are numbered first (S comes before NW in Golly order), then the rest.
    EXPECT_EQ(OccurrenceNumbers(entry, tab.variables.size()), (std::array<int, 10>{1, 2, 0, 0, 0, 0, 0, 1, 0, 0}));
    tab.nextLinkGroup = 9;
    StepOutputLink(tab, entry);  // follows occurrence 1: the linked group
    EXPECT_EQ(entry.slots[kOutputSlot].linkGroup, 4);
    StepOutputLink(tab, entry);  // occurrence 2: N gets a fresh group shared with the output
    EXPECT_EQ(std::tuple(entry.slots[kOutputSlot].linkGroup, entry.slots[1].linkGroup, tab.nextLinkGroup),
              std::tuple(9, 9, 10u));
}

TEST(ConstraintTab, PositionalNamesAndUnification) {
    EXPECT_EQ(std::tuple(PositionalVariableName(1), PositionalVariableName(25), PositionalVariableName(26)),
              std::tuple("b", "z", "v27"));
    std::vector<PatternSequence> tabs = {ConstraintWith({BuiltInVariable(3), {false, "x", {1}}}),
                                         ConstraintWith({BuiltInVariable(3), {false, "y", {2}}, {false, "x", {0}}})};
    ConstraintEntry entry;
    entry.slots[0] = Var(2);
    tabs[1].entries = {entry};
    UnifyConstraintVariables(tabs, 3);
    ASSERT_EQ(tabs[0].variables.size(), 3u);
    EXPECT_EQ(tabs[1].variables, tabs[0].variables);
    EXPECT_EQ(tabs[0].variables[1], (formats::ConstraintVariable{false, "x", {1}}));  // first occurrence wins
    EXPECT_EQ(tabs[1].entries[0].slots[0].variable, 1);  // remapped from the second tab's "x"
}

TEST(EditorConstraints, EditingThroughTheEditorRoundTripsAndUndoes) {
    Editor editor = testing::NewRule(2, 4, 3);
    editor.NewTab(PatternKind::Constraint);
    const std::size_t depth = editor.UndoDepth();
    // N alive -> 1 through two clicks on fixed slots.
    ASSERT_EQ(editor.CycleSlotState(0, 1, false), EditOutcome::Changed);
    ASSERT_EQ(editor.CycleSlotState(0, kOutputSlot, false), EditOutcome::Changed);
    EXPECT_EQ(editor.UndoDepth(), depth + 2);
    const std::uint64_t north = core::NeighborhoodIndex({0, 1, 0, 0, 0, 0, 0, 0, 0}, 2);
    EXPECT_EQ(std::tuple(editor.Doc().rule.table[north], editor.Doc().rule.table[2]), std::tuple(1, 1));  // the orbit: S alone
    // A second entry describing the same transition sees it locked; its output click beeps.
    ASSERT_EQ(editor.AddConstraintEntry(), EditOutcome::Changed);
    ASSERT_EQ(editor.CycleSlotState(1, 1, false), EditOutcome::Changed);
    EXPECT_EQ(editor.CycleSlotState(1, kOutputSlot, false), EditOutcome::Refused);
    // Minrule keeps what the constraint sets: the rebuild writes it again.
    editor.TakeMinrule();
    EXPECT_EQ(editor.Doc().rule.table[north], 1);
    // The session keeps the constraint data.
    const std::vector<std::uint8_t> saved = formats::SerializeSession(editor.ToSession());
    Editor loaded;
    loaded.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(saved)));
    EXPECT_EQ(formats::SerializeSession(loaded.ToSession()), saved);
    EXPECT_EQ(loaded.Doc().rule.table[north], 1);
    while (editor.Undo() == EditOutcome::Changed) {}
    EXPECT_EQ(editor.Doc().rule.table[north], 0);
}

TEST(EditorConstraints, VariablesLinkChainsDeleteAndMove) {
    Editor editor = testing::NewRule(3, 0, 3);
    editor.SelectVariable(0);  // a pattern tab: nothing to select
    EXPECT_EQ(editor.Doc().tabs[0].selectedVariable, -1);
    editor.NewTab(PatternKind::Constraint);
    // Variables take only the rule's states, and at least one.
    for (const std::vector<std::uint8_t>& states : {std::vector<std::uint8_t>{}, {1, 3}, {255}})
        EXPECT_EQ(editor.MakeVariable(states), EditOutcome::Refused);
    ASSERT_EQ(editor.MakeVariable({2, 1, 2}), EditOutcome::Changed);
    for (const std::vector<std::uint8_t>& states : {std::vector<std::uint8_t>{}, {0, 7}})
        EXPECT_EQ(editor.EditVariableStates(1, states), EditOutcome::Refused);
    const PatternSequence* tab = &editor.Doc().tabs[1];
    EXPECT_EQ(std::tuple(tab->variables.size(), tab->variables[1].name, tab->variables[1].allowedStates, tab->selectedVariable),
              std::tuple(2u, "b", std::vector<std::uint8_t>{1, 2}, 1));
    for (const auto& [asked, selected] : {std::pair{0, 0}, {2, -1}, {-5, -1}, {1, 1}}) {
        editor.SelectVariable(asked);
        EXPECT_EQ(editor.Doc().tabs[1].selectedVariable, selected) << asked;
    }
    // One chain links N, S and the output: two assignments, not eight.
    for (int slot : {1, 7, kOutputSlot}) ASSERT_EQ(editor.SetSlotToVariable(0, slot, true), EditOutcome::Changed);
    editor.SelectVariable(editor.Doc().tabs[1].selectedVariable);  // Ctrl released
    tab = &editor.Doc().tabs[1];
    const std::int32_t group = tab->entries[0].slots[1].linkGroup;
    EXPECT_GE(group, 1);
    EXPECT_EQ(std::tuple(tab->entries[0].slots[7].linkGroup, tab->entries[0].slots[kOutputSlot].linkGroup),
              std::tuple(group, group));
    ASSERT_EQ(tab->expansions[0].changes.size(), 2u);
    const std::uint64_t both2 = core::NeighborhoodIndex({0, 2, 0, 0, 0, 0, 0, 2, 0}, 3);
    EXPECT_EQ(editor.Doc().rule.table[both2], 2);
    // After the chain ends, and after a selection, a link starts a new group.
    editor.SetSlotToVariable(0, 3, true);
    editor.SelectVariable(1);
    editor.SetSlotToVariable(0, 5, true);
    const auto& slots = editor.Doc().tabs[1].entries[0].slots;
    EXPECT_EQ(std::tuple(slots[3].linkGroup != group, slots[5].linkGroup != slots[3].linkGroup), std::tuple(true, true));
    // Unlinked, a slot just takes the variable; the output steps to its next occurrence.
    ASSERT_EQ(editor.SetSlotToVariable(0, 0, false), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(slots[0].isVariable, slots[0].variable, slots[0].linkGroup), std::tuple(true, 1, 0));
    // Each link group and each unlinked slot takes its own value: 2^4 transitions.
    EXPECT_EQ(editor.Doc().tabs[1].expansions[0].changes.size(), 16u);
    // Narrowing the variable rewrites what the tab set.
    ASSERT_EQ(editor.EditVariableStates(1, {1}), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().rule.table[both2], 0);
    EXPECT_EQ(editor.EditVariableStates(0, {1}), EditOutcome::Refused);  // the built-in variable
    // A second entry, moved before the first, takes its transitions first; deleting it gives them back.
    editor.AddConstraintEntry();
    ASSERT_EQ(editor.MoveConstraintEntry(1, 0, true), EditOutcome::Changed);
    ASSERT_EQ(editor.DeleteConstraintEntry(0), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.Doc().tabs[1].entries.size(), editor.DeleteConstraintEntry(5)),
              std::tuple(1u, EditOutcome::Refused));
    editor.SelectVariable(-1);
    EXPECT_EQ(editor.SetSlotToVariable(0, 1, false), EditOutcome::Refused);  // no variable selected
    editor.SelectTab(0);
    EXPECT_EQ(editor.AddConstraintEntry(), EditOutcome::Refused);  // a pattern tab
}

}  // namespace
}  // namespace authoring
