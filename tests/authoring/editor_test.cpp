#include "authoring/editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

// 3 states, D8, the empty rule; a row of three cells in tab 0.
Editor BlinkerEditor() {
    Editor editor(ViewSize{800, 600}, 7);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
    return editor;
}

TEST(Editor, StartsWithThreeStatesD8AndOneTab) {
    const Editor editor(ViewSize{800, 600}, 7);
    EXPECT_EQ(std::tuple(editor.Rule().stateCount, editor.Rule().symmetry, editor.Rule().table.size()),
              std::tuple(3, core::kSymmetryD8, 19683u));
    ASSERT_EQ(editor.Tabs().size(), 1u);
    EXPECT_EQ(editor.Tabs()[0].camera.cellSize, 150.0f);
    // An empty start pattern still has generations and lock tables.
    EXPECT_EQ(editor.Tabs()[0].generations.size(), 9u);
    EXPECT_EQ(editor.Doc().source.patternSize, 32);
    EXPECT_FALSE(editor.UnsavedChanges());
}

TEST(Editor, EmptyRuleLocksWhatTheFirstGenerationUses) {
    const Editor editor = BlinkerEditor();
    const PatternSequence& tab = editor.Tabs()[0];
    // Under the empty rule the row dies: generation 1 is a kept empty chunk.
    ASSERT_GT(tab.generations[1].ChunkCount(), 0u);
    EXPECT_EQ(tab.generations[1].Chunks().begin()->second.liveCount, 0u);
    EXPECT_EQ(tab.generationTarget, 1);
    EXPECT_FALSE(tab.ownLockedTransitions.empty());
    // Every own lock holds a whole orbit.
    const auto& own = tab.ownLockedTransitions;
    for (std::uint64_t index : own)
        for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, core::DecodeNeighborhoodIndex(index, 3)))
            EXPECT_NE(std::find(own.begin(), own.end(), member), own.end());
    EXPECT_TRUE(editor.UnsavedChanges());
    EXPECT_EQ(editor.UndoDepth(), 1u);
}

TEST(Editor, PaintingAFrameChangesTheTransitionOrbitAndUndoRestoresIt) {
    Editor editor = BlinkerEditor();
    const std::vector<std::uint8_t> before = Saved(editor);
    const core::ChunkGrid sourceBefore = editor.Doc().source.grid;
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintFrameCell(1, 10, 10, false), EditOutcome::Refused);  // all background: always locked
    // Frame 1 shows generation 1; the centre of the row comes from its neighbourhood in generation 0.
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);
    const core::Neighborhood digits{0, 0, 0, 1, 1, 1, 0, 0, 0};
    for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, digits)) EXPECT_EQ(editor.Rule().table[member], 1);
    EXPECT_EQ(editor.Tabs()[0].generations[1].CellAt(1, 0), 1);
    EXPECT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Unchanged);  // once per stroke
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(Saved(editor), before);
    EXPECT_TRUE(editor.Doc().source.grid.SharesStorageWith(sourceBefore));
    ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex(digits, 3)], 1);
    // Shift paints the previous state (0 -> 2) over the orbit of two; a new edit clears the redo.
    editor = BlinkerEditor();
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, true), EditOutcome::Changed);
    const auto orbit = core::NeighborhoodOrbit(4, 3, digits);
    EXPECT_EQ(orbit.size(), 2u);
    for (std::uint64_t member : orbit) EXPECT_EQ(editor.Rule().table[member], 2);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    for (std::uint64_t member : orbit) EXPECT_EQ(editor.Rule().table[member], 0);
    EXPECT_EQ(editor.RedoDepth(), 1u);
    editor.NewPatternTab();
    EXPECT_EQ(std::tuple(editor.RedoDepth(), editor.Redo()), std::tuple(0u, EditOutcome::Refused));
}

TEST(Editor, UndefinedCountAndMinrule) {
    Editor editor = BlinkerEditor();
    editor.SelectTab(1);  // the rule editor page
    std::uint64_t locked = 0;
    for (std::uint64_t i : editor.Undefined().lockUnion.ListIndices()) locked += core::IsCanonicalIndex(4, 3, i);
    EXPECT_EQ(editor.Undefined().count, 2862 - locked);  // 2862 classes of 3-state neighbourhoods under D8
    EXPECT_EQ(editor.Undefined().entries.size(), 50u);
    EXPECT_NE(editor.UndefinedStatusText().find("(50 loaded)  |  D8 (isotropic)"), std::string::npos);
    // A card click cycles its output; minrule puts it back to 0.
    const std::uint64_t card = editor.Undefined().entries[3].index;
    ASSERT_EQ(editor.ClickUndefinedCard(3, false), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[card], 1);
    editor.TakeMinrule();
    EXPECT_EQ(editor.Rule().table[card], 0);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[card], 1);
}

TEST(Editor, ExtendRuleKeepsTransitionsAndClearsUndo) {
    Editor editor = RowEditor();
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);
    ASSERT_EQ(editor.Rule().table[Index2({0, 0, 0, 1, 1, 1, 0, 0, 0})], 1);
    EXPECT_FALSE(editor.ExtendRule(2));
    ASSERT_TRUE(editor.ExtendRule(3));
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex({0, 0, 0, 1, 1, 1, 0, 0, 0}, 3)], 1);
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex({0, 0, 0, 2, 1, 1, 0, 0, 0}, 3)], 0);
    EXPECT_EQ(editor.Undo(), EditOutcome::Refused);
    EXPECT_EQ(editor.Redo(), EditOutcome::Refused);
}

TEST(Editor, SessionRoundTripIsByteForByteAndLoadFailureChangesNothing) {
    Editor editor = BlinkerEditor();
    editor.NewPatternTab();
    PaintStart(editor, {{5, 5}});
    const std::vector<std::uint8_t> saved = Saved(editor);
    Editor other(ViewSize{}, 99);
    other.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(saved)));
    EXPECT_EQ(Saved(other), saved);
    EXPECT_FALSE(other.UnsavedChanges());
    EXPECT_EQ(other.Tabs()[0].ownLockedTransitions, editor.Tabs()[0].ownLockedTransitions);

    formats::SessionSnapshot huge = editor.ToSession();
    huge.stateCount = 16;  // the memory check refuses a 64 GiB table on this machine or the table fails
    const auto available = core::QueryAvailableMemory();
    if (available && *available < (std::uint64_t{70} << 30)) {
        EXPECT_THROW(other.LoadSession(huge), std::runtime_error);
        EXPECT_EQ(Saved(other), saved);
    }
    std::vector<std::uint8_t> broken = saved;
    broken.resize(broken.size() / 2);
    EXPECT_THROW(other.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(broken))), std::runtime_error);
    EXPECT_EQ(Saved(other), saved);
    // A session that reads but cannot be rebuilt (start cells too far apart to scan: past the
    // plane's width, or a copy of 10^18 bytes) leaves the editor, its title and its undo history
    // as they were.
    other.NewPatternTab();
    const std::vector<std::uint8_t> before = Saved(other);
    for (const auto& [farX, farY] : {std::pair{2147483647, -1}, std::pair{1000000000, 1000000000}}) {
        formats::SessionSnapshot spread = editor.ToSession();
        spread.patterns[0].startGrid.SetCell(0, -1, 1);
        spread.patterns[0].startGrid.SetCell(farX, farY, 1);
        EXPECT_THROW(other.LoadSession(spread), std::length_error);
        EXPECT_EQ(Saved(other), before);
    }
    EXPECT_TRUE(other.UnsavedChanges());
    ASSERT_EQ(other.Undo(), EditOutcome::Changed);
    EXPECT_EQ(Saved(other), saved);
}

// Tabs: new, close, move, select, the generation shown.
TEST(EditorTabs, CloseAndNew) {
    Editor editor(ViewSize{800, 600}, 7);
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Refused);  // the last tab stays
    EXPECT_EQ(editor.UndoDepth(), 0u);
    editor.NewPatternTab();
    ASSERT_EQ(editor.Tabs().size(), 2u);
    EXPECT_EQ(editor.Doc().selectedTab, 1);
    EXPECT_EQ(editor.Tabs()[1].camera.cellSize, 75.0f);
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().selectedTab, 0);
    EXPECT_EQ(editor.CloseTab(5), EditOutcome::Refused);
}

TEST(EditorTabs, MoveTabKeepsTheSelectedTabAndIsOneUndoStepPerDrag) {
    struct Case {
        std::size_t from, to, selected;
        const char* order;
        std::size_t selectedAfter;
    };
    const Case cases[] = {
        {0, 3, 0, "bcda", 3}, {0, 3, 2, "bcda", 1}, {3, 0, 1, "dabc", 2}, {3, 1, 2, "adbc", 3},
        {1, 2, 0, "acbd", 0}, {2, 2, 2, "abcd", 2}, {0, 4, 0, "abcd", 0},  // same place, or beyond: nothing
    };
    for (const Case& c : cases) {
        Editor editor(ViewSize{}, 3);
        for (int i = 0; i < 3; ++i) editor.NewPatternTab();
        for (std::size_t i = 0; i < 4; ++i) editor.RenameTab(i, std::string(1, static_cast<char>('a' + i)));
        editor.SelectTab(c.selected);
        const std::size_t depth = editor.UndoDepth();
        editor.MoveTab(c.from, c.to, true);
        std::string order;
        for (const PatternSequence& tab : editor.Tabs()) order += tab.name;
        EXPECT_EQ(order, c.order) << c.from << "->" << c.to;
        EXPECT_EQ(editor.Doc().selectedTab, static_cast<std::int32_t>(c.selectedAfter)) << c.from << "->" << c.to;
        EXPECT_EQ(editor.UndoDepth(), depth + (order == "abcd" ? 0 : 1));
    }
    // The later moves of one drag add no step; one undo puts the tab back.
    Editor editor(ViewSize{}, 3);
    editor.NewPatternTab();
    editor.NewPatternTab();
    editor.RenameTab(0, "x");
    const std::size_t depth = editor.UndoDepth();
    editor.MoveTab(0, 1, true);
    editor.MoveTab(1, 2, false);
    EXPECT_EQ(editor.Tabs()[2].name, "x");
    EXPECT_EQ(editor.UndoDepth(), depth + 1);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Tabs()[0].name, "x");
}

TEST(EditorTabs, SetCurrentGenerationShowsLaterGenerations) {
    Editor editor = RowEditor(core::kSymmetryD8);
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);  // the row's centre lives on
    const std::size_t depth = editor.UndoDepth();
    editor.SetCurrentGeneration(1);  // frame 0 shows generation 1: the centre alone
    EXPECT_EQ(std::tuple(editor.Frames()[0].grid.CellAt(0, 0), editor.Frames()[0].grid.CellAt(1, 0)), std::tuple(0, 1));
    editor.SetCurrentGeneration(12);
    const PatternSequence& tab = editor.Tabs()[0];
    EXPECT_EQ(tab.currentGeneration, 12);
    ASSERT_GE(tab.generations.size(), 12u + 9u);  // the frames from generation 12 on are computed
    EXPECT_TRUE(editor.Frames()[8].grid.SharesStorageWith(tab.generations[20]));
    EXPECT_EQ(editor.UndoDepth(), depth);  // not an edit
    editor.SetCurrentGeneration(-4);
    EXPECT_EQ(editor.Tabs()[0].currentGeneration, 0);
    EXPECT_EQ(editor.Frames()[0].grid.CellAt(0, 0), 1);  // the start pattern again
}

TEST(EditorTabs, SelectVariableClampsAndEndsALinkChain) {
    Editor editor(ViewSize{}, 3);
    editor.SelectVariable(0);  // a pattern tab: nothing to select
    EXPECT_EQ(editor.Tabs()[0].selectedVariable, -1);
    editor.NewConstraintTab();
    ASSERT_EQ(editor.MakeVariable({1, 2}), EditOutcome::Changed);
    for (const auto& [asked, selected] : {std::pair{0, 0}, {1, 1}, {2, -1}, {-5, -1}, {1, 1}}) {
        editor.SelectVariable(asked);
        EXPECT_EQ(editor.Tabs()[1].selectedVariable, selected) << asked;
    }
    // Ctrl-clicks link slots into one group until a selection ends the chain.
    editor.ClickConstraintSlot(0, 1, SlotClick::Left, true, false);
    editor.ClickConstraintSlot(0, 7, SlotClick::Left, true, false);
    editor.SelectVariable(1);
    editor.ClickConstraintSlot(0, 3, SlotClick::Left, true, false);
    const auto& slots = editor.Tabs()[1].entries[0].slots;
    EXPECT_EQ(slots[1].linkGroup, slots[7].linkGroup);
    EXPECT_NE(slots[3].linkGroup, slots[1].linkGroup);
}

TEST(EditorSelection, CellsToMarkersAndBack) {
    Editor editor(ViewSize{}, 5);
    PaintStart(editor, {{2, 2}, {3, 2}});
    PaintStart(editor, {{3, 2}});  // state 2
    const SurfaceRef start{Surface::TabFrame, 0};
    ASSERT_EQ(editor.CellsToMarkers(start, {0, 0, 5, 5}, 3), EditOutcome::Changed);
    const PatternSequence& tab = editor.Tabs()[0];
    EXPECT_EQ(tab.startGrid.ChunkCount(), 0u);
    EXPECT_EQ(std::tuple(tab.annotations.ValueAt(2, 2), tab.annotations.ValueAt(3, 2)), std::tuple(0x0103, 0x0203));
    // Nothing left to turn into markers: refused, and no snapshot stays behind.
    const std::size_t depth = editor.UndoDepth();
    EXPECT_EQ(editor.CellsToMarkers(start, {0, 0, 5, 5}, 3), EditOutcome::Refused);
    EXPECT_EQ(editor.UndoDepth(), depth);
    // Other markers stay; the annotation itself stays.
    EXPECT_EQ(editor.MarkersToCells(start, {0, 0, 5, 5}, 4), EditOutcome::Refused);
    ASSERT_EQ(editor.MarkersToCells(start, {0, 0, 5, 5}, 3), EditOutcome::Changed);
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(3, 2), 2);
    EXPECT_EQ(editor.Tabs()[0].annotations.ValueAt(3, 2), 0x0203);
    // Later frames refuse the marker operations.
    EXPECT_EQ(editor.CellsToMarkers({Surface::TabFrame, 2}, {0, 0, 5, 5}, 3), EditOutcome::Refused);
}

TEST(EditorSelection, DeleteClearsCellsFirstThenOverlays) {
    Editor editor(ViewSize{}, 5);
    PaintStart(editor, {{1, 1}});
    const SurfaceRef start{Surface::TabFrame, 0};
    editor.BeginStroke();
    editor.PaintMarker(start, 1, 1, 2, 1);
    ASSERT_EQ(editor.DeleteSelection(start, {0, 0, 2, 2}), EditOutcome::Changed);
    EXPECT_EQ(editor.Tabs()[0].startGrid.ChunkCount(), 0u);
    EXPECT_EQ(editor.Tabs()[0].annotations.ValueAt(1, 1), 0x0102);
    ASSERT_EQ(editor.DeleteSelection(start, {0, 0, 2, 2}), EditOutcome::Changed);
    EXPECT_EQ(editor.Tabs()[0].annotations.ValueAt(1, 1), 0);
    // Delete keeps its snapshot even when nothing changes.
    const std::size_t depth = editor.UndoDepth();
    EXPECT_EQ(editor.DeleteSelection(start, {0, 0, 2, 2}), EditOutcome::Unchanged);
    EXPECT_EQ(editor.UndoDepth(), depth + 1);
}

TEST(EditorSelection, MarkerPaintingCyclesWithoutTheStateBar) {
    Editor editor(ViewSize{}, 5);
    std::vector<std::uint16_t> seen;
    for (int i = 0; i < 4; ++i) {
        editor.BeginStroke();
        editor.PaintMarker({Surface::Viewer, 0}, 40, 40, 5, 1);
        seen.push_back(editor.Doc().source.annotations.ValueAt(40, 40));
    }
    // none -> state 1, 2, then 0 under marker 5, then none again (3 states).
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{0x0105, 0x0205, 0x0005, 0}));
    editor.SetStateBarShown(true);
    EXPECT_EQ(editor.NextMarkerValue(0, 4, 2), 0x0204);
    EXPECT_EQ(editor.NextMarkerValue(0x0204, 4, 2), 0);
    EXPECT_EQ(editor.NextMarkerValue(0x0204, 0, 2), 0);
}

TEST(EditorSelection, CopySelectionMakesANewTabAtTheOrigin) {
    Editor editor(ViewSize{}, 5);
    PaintStart(editor, {{10, 20}});
    ASSERT_EQ(editor.CopySelectionToNewTab({Surface::TabFrame, 0}, {12, 22, 9, 19}), 1u);
    EXPECT_EQ(editor.Doc().selectedTab, 1);
    EXPECT_EQ(editor.Tabs()[1].startGrid.CellAt(1, 1), 1);
    EXPECT_EQ(editor.Tabs()[1].camera.centreX, 2.0f);
}

}  // namespace
}  // namespace authoring
