#include "authoring/editor.h"

#include <gtest/gtest.h>

#include <random>

#include "core/symmetry.h"
#include "formats/session_file.h"

namespace authoring {
namespace {

std::vector<std::uint8_t> SessionBytes(const Editor& editor) { return formats::SerializeSession(editor.ToSession()); }

// A small editor: 3 states, D8, empty rule, one empty tab.
Editor SmallEditor() {
    Editor editor(ViewSize{800, 600}, 7);
    return editor;
}

void DrawBlinkerish(Editor& editor) {
    editor.BeginStroke();
    editor.PaintStartCell(0, 0, false);
    editor.PaintStartCell(1, 0, false);
    editor.PaintStartCell(2, 0, false);
}

TEST(Editor, StartsWithThreeStatesD8AndOneTab) {
    Editor editor = SmallEditor();
    EXPECT_EQ(editor.Rule().stateCount, 3);
    EXPECT_EQ(editor.Rule().symmetry, core::kSymmetryD8);
    EXPECT_EQ(editor.Rule().table.size(), 19683u);
    ASSERT_EQ(editor.Tabs().size(), 1u);
    EXPECT_EQ(editor.Tabs()[0].camera.cellSize, 150.0f);
    // An empty start pattern still has one generation and one lock table.
    EXPECT_EQ(editor.Tabs()[0].generations.size(), 9u);
    EXPECT_EQ(editor.Doc().source.patternSize, 32);
    EXPECT_FALSE(editor.UnsavedChanges());
}

TEST(Editor, EmptyRuleLocksWhatTheFirstGenerationUses) {
    Editor editor = SmallEditor();
    DrawBlinkerish(editor);
    const PatternSequence& tab = editor.Tabs()[0];
    // Under the empty rule the row dies: generation 1 is empty and uses only background.
    EXPECT_EQ(tab.generations[1].ChunkCount() > 0, true);
    EXPECT_EQ(tab.generations[1].Chunks().begin()->second.liveCount, 0u);
    EXPECT_EQ(tab.generationTarget, 1);
    EXPECT_FALSE(tab.ownLockedTransitions.empty());
    // Every own lock holds a whole orbit.
    for (std::uint64_t index : tab.ownLockedTransitions)
        for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, core::DecodeNeighborhoodIndex(index, 3)))
            EXPECT_NE(std::find(tab.ownLockedTransitions.begin(), tab.ownLockedTransitions.end(), member),
                      tab.ownLockedTransitions.end());
    EXPECT_TRUE(editor.UnsavedChanges());
    EXPECT_EQ(editor.UndoDepth(), 1u);
}

TEST(Editor, PaintingAFrameChangesTheTransitionOrbitAndUndoRestoresIt) {
    Editor editor = SmallEditor();
    DrawBlinkerish(editor);
    const std::vector<std::uint8_t> before = SessionBytes(editor);
    editor.BeginStroke();
    // Frame 1 shows generation 1; the centre of the row is produced by its neighbourhood in generation 0.
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);
    const core::Neighborhood digits{0, 0, 0, 1, 1, 1, 0, 0, 0};
    for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, digits)) EXPECT_EQ(editor.Rule().table[member], 1);
    EXPECT_EQ(editor.Tabs()[0].generations[1].CellAt(1, 0), 1);
    // The same cell again in the same stroke is ignored.
    EXPECT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Unchanged);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(SessionBytes(editor), before);
    ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex(digits, 3)], 1);
}

TEST(Editor, AllBackgroundTransitionIsAlwaysLocked) {
    Editor editor = SmallEditor();
    DrawBlinkerish(editor);
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintFrameCell(1, 10, 10, false), EditOutcome::Refused);
}

TEST(Editor, UndefinedCountAndMinrule) {
    Editor editor = SmallEditor();
    DrawBlinkerish(editor);
    editor.SelectTab(1);  // the rule editor page
    const std::uint64_t classes = 2862;  // classes of 3-state neighbourhoods under D8
    std::uint64_t locked = 0;
    for (std::uint64_t i : editor.Undefined().lockUnion.ListIndices())
        locked += core::IsCanonicalIndex(4, 3, i);
    EXPECT_EQ(editor.Undefined().count, classes - locked);
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

TEST(Editor, CloseTabRules) {
    Editor editor = SmallEditor();
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Refused);
    EXPECT_EQ(editor.UndoDepth(), 0u);
    editor.NewPatternTab();
    ASSERT_EQ(editor.Tabs().size(), 2u);
    EXPECT_EQ(editor.Doc().selectedTab, 1);
    EXPECT_EQ(editor.Tabs()[1].camera.cellSize, 75.0f);
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().selectedTab, 0);
}

TEST(Editor, ExtendRuleKeepsTransitionsAndClearsUndo) {
    Editor editor(ViewSize{}, 3);
    editor.CreateRule("", 2, 0, "creating this rule");
    DrawBlinkerish(editor);
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, false), EditOutcome::Changed);
    const std::uint64_t old = core::NeighborhoodIndex({0, 0, 0, 1, 1, 1, 0, 0, 0}, 2);
    ASSERT_EQ(editor.Rule().table[old], 1);
    EXPECT_FALSE(editor.ExtendRule(2));
    ASSERT_TRUE(editor.ExtendRule(3));
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex({0, 0, 0, 1, 1, 1, 0, 0, 0}, 3)], 1);
    EXPECT_EQ(editor.Rule().table[core::NeighborhoodIndex({0, 0, 0, 2, 1, 1, 0, 0, 0}, 3)], 0);
    EXPECT_EQ(editor.Undo(), EditOutcome::Refused);
    EXPECT_EQ(editor.Redo(), EditOutcome::Refused);
}

TEST(Editor, SessionRoundTripIsByteForByteAndLoadFailureChangesNothing) {
    Editor editor = SmallEditor();
    DrawBlinkerish(editor);
    editor.NewPatternTab();
    editor.BeginStroke();
    editor.PaintStartCell(5, 5, false);
    const std::vector<std::uint8_t> saved = SessionBytes(editor);
    Editor other(ViewSize{}, 99);
    other.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(saved)));
    EXPECT_EQ(SessionBytes(other), saved);
    EXPECT_FALSE(other.UnsavedChanges());
    EXPECT_EQ(other.Tabs()[0].ownLockedTransitions, editor.Tabs()[0].ownLockedTransitions);

    formats::SessionSnapshot huge = editor.ToSession();
    huge.stateCount = 16;  // the memory check refuses a 64 GiB table on this machine or the table fails
    const auto available = core::QueryAvailableMemory();
    if (available && *available < (std::uint64_t{70} << 30)) {
        EXPECT_THROW(other.LoadSession(huge), std::runtime_error);
        EXPECT_EQ(SessionBytes(other), saved);
    }
}

// Random edits, then undo all of them and redo all of them.
TEST(Editor, LongRandomEditSequencesUndoAndRedoExactly) {
    Editor editor = SmallEditor();
    std::mt19937 rng(2024);
    const std::vector<std::uint8_t> start = SessionBytes(editor);
    int edits = 0;
    for (int step = 0; step < 120; ++step) {
        const std::size_t before = editor.UndoDepth();
        editor.BeginStroke();
        switch (rng() % 6) {
            case 0: editor.NewPatternTab(); break;
            case 1: editor.PaintStartCell(int(rng() % 6), int(rng() % 6), rng() % 2); break;
            case 2: editor.PaintFrameCell(1 + rng() % 4, int(rng() % 8) - 1, int(rng() % 8) - 1, rng() % 2); break;
            case 3: editor.SelectTab(rng() % (editor.Tabs().size() + 1)); break;
            case 4: editor.CloseTab(rng() % editor.Tabs().size()); break;
            case 5: editor.RandomizeUndefinedTransitions(rng()); break;
        }
        if (editor.UndoDepth() > before) ++edits;
    }
    ASSERT_GT(edits, 40);
    ASSERT_LE(edits, 128);
    const std::vector<std::uint8_t> end = SessionBytes(editor);
    while (editor.Undo() == EditOutcome::Changed) {}
    EXPECT_EQ(SessionBytes(editor), start);
    while (editor.Redo() == EditOutcome::Changed) {}
    EXPECT_EQ(SessionBytes(editor), end);
}

}  // namespace
}  // namespace authoring

namespace authoring {
namespace {

TEST(EditorSelection, CellsToMarkersAndBack) {
    Editor editor(ViewSize{}, 5);
    editor.BeginStroke();
    editor.PaintStartCell(2, 2, false);
    editor.PaintStartCell(3, 2, false);
    editor.BeginStroke();
    editor.PaintStartCell(3, 2, false);  // state 2
    const SurfaceRef start{Surface::TabFrame, 0};
    ASSERT_EQ(editor.CellsToMarkers(start, {0, 0, 5, 5}, 3), EditOutcome::Changed);
    const PatternSequence& tab = editor.Tabs()[0];
    EXPECT_EQ(tab.startGrid.ChunkCount(), 0u);
    EXPECT_EQ(tab.annotations.ValueAt(2, 2), 0x0103);
    EXPECT_EQ(tab.annotations.ValueAt(3, 2), 0x0203);
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
    editor.BeginStroke();
    editor.PaintStartCell(1, 1, false);
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
    const SurfaceRef viewer{Surface::Viewer, 0};
    std::vector<std::uint16_t> seen;
    for (int i = 0; i < 4; ++i) {
        editor.BeginStroke();
        editor.PaintMarker(viewer, 40, 40, 5, 1);
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
    editor.BeginStroke();
    editor.PaintStartCell(10, 20, false);
    const std::size_t index = editor.CopySelectionToNewTab({Surface::TabFrame, 0}, {12, 22, 9, 19});
    ASSERT_EQ(index, 1u);
    EXPECT_EQ(editor.Doc().selectedTab, 1);
    EXPECT_EQ(editor.Tabs()[1].startGrid.CellAt(1, 1), 1);
    EXPECT_EQ(editor.Tabs()[1].camera.centreX, 2.0f);
}

}  // namespace
}  // namespace authoring
