// The tab chain, broken markers and the undo stack on small known patterns.
#include <gtest/gtest.h>

#include <tuple>

#include "formats/golly_ruletable.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

TEST(EditorChain, DrivingTabAndLookahead) {
    Editor editor = RowEditor();
    EXPECT_EQ(editor.Tabs()[0].generations.size(), 9u);
    editor.SetLookaheadFrameCount(0);
    editor.RebuildPatternSequencesFrom(0);
    // Maximized viewer: only max(target, current) generations.
    EXPECT_EQ(editor.Tabs()[0].generations.size(), 1u);
    editor.SetLookaheadFrameCount(15);
    editor.NewPatternTab();
    editor.SelectTab(2);  // the rule editor page drives the last tab
    EXPECT_EQ(editor.Tabs()[1].generations.size(), 15u);
    EXPECT_TRUE(editor.Tabs()[0].generations.empty());
    EXPECT_EQ(editor.Undefined().lockUnion, editor.Tabs()[1].locks.Last());
}

TEST(EditorChain, KeyframeOverrideReplacesTheComputedGrid) {
    Editor editor = RowEditor();
    core::ChunkGrid pinned;
    pinned.SetCell(7, 7, 1);
    const_cast<PatternSequence&>(editor.Tabs()[0]).SetKeyframeOverride(2, pinned);
    editor.RebuildPatternSequencesFrom(0);
    EXPECT_EQ(editor.Tabs()[0].generations[2].CellAt(7, 7), 1);
    // The lock table of generation 2 comes from the override: a cell alone is new there.
    const std::uint64_t alone = Index2({0, 0, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_TRUE(editor.Tabs()[0].locks.Contains(alone, 2));
    EXPECT_FALSE(editor.Tabs()[0].locks.Contains(alone, 1));
}

TEST(EditorChain, ChangingATransitionMarksLaterTabsUntilRepainted) {
    Editor editor = MarkedEditor(0, 0);
    ASSERT_EQ(editor.Tabs()[1].brokenMarkers.size(), 1u);
    const BrokenMarker pending = editor.Tabs()[1].brokenMarkers[0];
    // The row's centre in generation 1 comes from neighbourhood W, C, E alive.
    EXPECT_EQ(pending.transition, Index2({0, 0, 0, 1, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(pending.hasCell);  // tab 1's generations are not in memory
    // Selecting tab 1 resolves the marker to the cell that uses the transition.
    editor.SelectTab(1);
    ASSERT_EQ(editor.Tabs()[1].brokenMarkers.size(), 1u);
    const BrokenMarker m = editor.Tabs()[1].brokenMarkers[0];
    EXPECT_EQ(std::tuple(m.hasCell, m.x, m.y, m.brokenGeneration), std::tuple(true, 1, 5, 1u));
    std::optional<std::pair<std::int32_t, std::int32_t>> cell;
    ASSERT_EQ(editor.JumpToBrokenMarker(3, cell), EditOutcome::Changed);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->second, 5);
    // Tab 0 locks the transition now, so tab 1 cannot repaint it; a marker goes only with it.
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintFrameCell(1, 1, 5, false), EditOutcome::Refused);
    EXPECT_EQ(editor.Tabs()[1].brokenMarkers.size(), 1u);
}

TEST(EditorChain, UndoStackKeeps128Steps) {
    Editor editor(ViewSize{}, 5);
    for (int i = 0; i < 129; ++i) PaintStart(editor, {{i, 0}});
    EXPECT_EQ(editor.UndoDepth(), 128u);
    while (editor.Undo() == EditOutcome::Changed) {}
    // The first cell's edit can no longer be undone.
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(0, 0), 1);
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(1, 0), 0);
}

TEST(EditorChain, MinruleKeepsLockedOutputsIncludingTheBackground) {
    Editor editor = RowEditor();
    editor.SelectTab(1);
    ASSERT_EQ(editor.RandomizeUndefinedTransitions(4), EditOutcome::Changed);
    const std::uint8_t background = editor.Rule().table[0];
    editor.TakeMinrule();
    EXPECT_EQ(editor.Rule().table[0], background);
    // Every unlocked entry is 0; every locked one kept its output.
    for (std::uint64_t i = 0; i < 512; ++i)
        EXPECT_TRUE(editor.Undefined().lockUnion.Contains(i) || editor.Rule().table[i] == 0) << i;
    EXPECT_NE(editor.UndefinedStatusText().find(" (50 loaded)  |  C1 (asymmetric)"), std::string::npos);
    editor.LoadMoreUndefinedEntries(10000);
    EXPECT_EQ(editor.Undefined().entries.size(), editor.Undefined().count);
    EXPECT_EQ(editor.UndefinedStatusText(),
              std::to_string(editor.Undefined().count) + " undefined transitions  |  C1 (asymmetric)");
    // Card clicks cycle both ways.
    const std::uint64_t index = editor.Undefined().entries[0].index;
    ASSERT_EQ(editor.ClickUndefinedCard(0, true), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[index], 1);  // 0 - 1 wraps to 1 with two states
    ASSERT_EQ(editor.ClickUndefinedCard(0, false), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[index], 0);
}

TEST(EditorChain, NewRuleMakesADenseSoupAndResetKeepsTheStateCount) {
    Editor editor(ViewSize{}, 5);
    editor.CreateRuleFromStartScreen(5, 0);
    EXPECT_FALSE(editor.UnsavedChanges());
    EXPECT_EQ(editor.UndoDepth(), 1u);
    std::uint64_t live = 0;
    editor.Doc().source.grid.ForEachChunk([&](int, int, const core::Chunk64& c) { live += c.liveCount; });
    EXPECT_NEAR(static_cast<double>(live) / 1024.0, 0.8, 0.06);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().stateCount, 3);

    Editor row = RowEditor();
    row.NewPatternTab();
    row.ResetToStartScreen();
    EXPECT_EQ(std::tuple(row.Rule().stateCount, row.Rule().symmetry, row.Tabs().size(), row.Doc().selectedTab),
              std::tuple(2, core::kSymmetryD8, 1u, 0));
    EXPECT_EQ(row.Tabs()[0].startGrid.ChunkCount() + row.Doc().source.grid.ChunkCount(), 0u);
}

TEST(EditorChain, ImportedRuleBecomesANewSessionAndUndoBringsTheOldRuleBack) {
    Editor editor = RowEditor();
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);
    const core::RuleTable before = editor.Rule().table;
    editor.AdoptImportedRule(formats::ParseGollyRuletableText(
        "@TABLE\nn_states:4\nsymmetries:rotate4\n0,1,0,0,0,0,0,0,0,3\n@COLORS\n2 0 0 255\n"));
    EXPECT_EQ(std::tuple(editor.Rule().stateCount, editor.Rule().symmetry, editor.Tabs().size()),
              std::tuple(4, core::kSymmetryC4, 1u));
    EXPECT_EQ(editor.Tabs()[0].name, "Imported Rule");
    EXPECT_EQ(editor.Doc().colors[2], (Color{0, 0, 1, 1}));
    EXPECT_EQ(editor.Doc().colors[1], DefaultPalette()[1]);
    EXPECT_FALSE(editor.UnsavedChanges());
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().stateCount, 2);
    EXPECT_EQ(editor.Rule().table, before);
}

}  // namespace
}  // namespace authoring
