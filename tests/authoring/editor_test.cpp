// The editor's operations on small known patterns: painting, tabs, selections, the viewer.
#include "authoring/editor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "formats/rle.h"
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

TEST(Editor, StartsEmptyAndLocksWhatTheFirstGenerationUses) {
    const Editor fresh(ViewSize{800, 600}, 7);
    EXPECT_EQ(std::tuple(fresh.Doc().rule.stateCount, fresh.Doc().rule.symmetry, fresh.Doc().tabs.size(),
                         fresh.Doc().tabs[0].camera.cellSize, fresh.Doc().tabs[0].generations.size(),
                         fresh.UnsavedChanges()),
              std::tuple(3, core::kSymmetryD8, 1u, 150.0f, 9u, false));
    const Editor editor = BlinkerEditor();
    const PatternSequence& tab = editor.Doc().tabs[0];
    // Under the empty rule the row dies: generation 1 is a kept empty chunk.
    ASSERT_GT(tab.generations[1].ChunkCount(), 0u);
    EXPECT_EQ(std::tuple(tab.generations[1].Chunks().begin()->second.liveCount, tab.generationTarget), std::tuple(0u, 1));
    // Every own lock holds a whole orbit.
    const auto& own = tab.ownLockedTransitions;
    EXPECT_FALSE(own.empty());
    for (std::uint64_t index : own)
        for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, core::DecodeNeighborhoodIndex(index, 3)))
            EXPECT_NE(std::find(own.begin(), own.end(), member), own.end());
    EXPECT_EQ(std::tuple(editor.UnsavedChanges(), editor.UndoDepth()), std::tuple(true, 1u));
}

TEST(Editor, PaintingAFrameChangesTheTransitionOrbitUndoably) {
    Editor editor = BlinkerEditor();
    const std::vector<std::uint8_t> before = Saved(editor);
    const core::ChunkGrid sourceBefore = editor.Doc().source.grid;
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintCell(Frame(1), 10, 10, false), EditOutcome::Refused);  // all background: always locked
    // Frame 1 shows generation 1; the centre of the row comes from its neighbourhood in generation 0.
    ASSERT_EQ(editor.PaintCell(Frame(1), 1, 0, false), EditOutcome::Changed);
    const core::Neighborhood digits{0, 0, 0, 1, 1, 1, 0, 0, 0};
    for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, digits)) EXPECT_EQ(editor.Doc().rule.table[member], 1);
    EXPECT_EQ(editor.Doc().tabs[0].generations[1].CellAt(1, 0), 1);
    EXPECT_EQ(editor.PaintCell(Frame(1), 1, 0, false), EditOutcome::Unchanged);  // once per stroke
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(Saved(editor), before);
    EXPECT_TRUE(editor.Doc().source.grid.SharesStorageWith(sourceBefore));
    ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().rule.table[core::NeighborhoodIndex(digits, 3)], 1);
    // Back paints the previous state (0 -> 2) over the orbit of two; the brush paints its state.
    for (const auto& [brush, back, painted] : {std::tuple(Brush{}, true, 2), std::tuple(Brush{true, 2}, false, 2),
                                               std::tuple(Brush{true, 7}, false, 2), std::tuple(Brush{true, 1}, true, 0)}) {
        editor = BlinkerEditor();
        editor.BeginStroke();
        ASSERT_EQ(editor.PaintCell(Frame(1), 1, 0, back, brush) == EditOutcome::Changed, painted != 0);
        for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, digits)) EXPECT_EQ(editor.Doc().rule.table[member], painted);
    }
    // A new edit clears the redo records.
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintCell(Frame(1), 1, 0, true), EditOutcome::Changed);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    editor.NewTab(PatternKind::Pattern);
    EXPECT_EQ(editor.Redo(), EditOutcome::Refused);
}

TEST(EditorTabs, CloseNewMoveAndTheGenerationShown) {
    Editor editor(ViewSize{800, 600}, 7);
    EXPECT_EQ(std::tuple(editor.CloseTab(0), editor.UndoDepth()), std::tuple(EditOutcome::Refused, 0u));  // the last tab stays
    editor.NewTab(PatternKind::Pattern);
    EXPECT_EQ(std::tuple(editor.Doc().tabs.size(), editor.Doc().selectedTab, editor.Doc().tabs[1].camera.cellSize),
              std::tuple(2u, 1, 75.0f));
    EXPECT_EQ(std::tuple(editor.CloseTab(0), editor.Doc().selectedTab, editor.CloseTab(5)),
              std::tuple(EditOutcome::Changed, 0, EditOutcome::Refused));

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
        Editor tabs(ViewSize{}, 3);
        for (int i = 0; i < 3; ++i) tabs.NewTab(PatternKind::Pattern);
        for (std::size_t i = 0; i < 4; ++i) tabs.RenameTab(i, std::string(1, static_cast<char>('a' + i)));
        tabs.SelectTab(c.selected);
        const std::size_t depth = tabs.UndoDepth();
        tabs.MoveTab(c.from, c.to, true);
        std::string order;
        for (const PatternSequence& tab : tabs.Doc().tabs) order += tab.name;
        EXPECT_EQ(std::tuple(order, tabs.Doc().selectedTab, tabs.UndoDepth()),
                  std::tuple(std::string(c.order), std::int32_t(c.selectedAfter), depth + (order == "abcd" ? 0 : 1)))
            << c.from << "->" << c.to;
    }
    // The later moves of one drag add no step; one undo puts the tab back.
    editor.NewTab(PatternKind::Pattern);
    editor.NewTab(PatternKind::Pattern);
    editor.RenameTab(0, "x");
    const std::size_t depth = editor.UndoDepth();
    editor.MoveTab(0, 1, true);
    editor.MoveTab(1, 2, false);
    editor.EndTabDrag();
    EXPECT_EQ(std::tuple(editor.Doc().tabs[2].name, editor.UndoDepth()), std::tuple("x", depth + 1));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().tabs[0].name, "x");
}

TEST(EditorTabs, SetCurrentGenerationShowsLaterGenerations) {
    Editor editor = RowEditor(core::kSymmetryD8);
    editor.BeginStroke();
    ASSERT_EQ(editor.PaintCell(Frame(1), 1, 0, false), EditOutcome::Changed);  // the row's centre lives on
    const std::size_t depth = editor.UndoDepth();
    editor.SetCurrentGeneration(1);  // frame 0 shows generation 1: the centre alone
    EXPECT_EQ(std::tuple(editor.Frames()[0].grid.CellAt(0, 0), editor.Frames()[0].grid.CellAt(1, 0)), std::tuple(0, 1));
    editor.SetCurrentGeneration(12);
    const PatternSequence& tab = editor.Doc().tabs[0];
    ASSERT_GE(tab.generations.size(), 12u + 9u);  // the frames from generation 12 on are computed
    EXPECT_TRUE(editor.Frames()[8].grid.SharesStorageWith(tab.generations[20]));
    EXPECT_EQ(editor.UndoDepth(), depth);  // not an edit
    editor.SetCurrentGeneration(-4);
    EXPECT_EQ(std::tuple(editor.Doc().tabs[0].currentGeneration, editor.Frames()[0].grid.CellAt(0, 0)), std::tuple(0, 1));
}

TEST(EditorSelection, MarkersCellsDeleteAndCopy) {
    Editor editor(ViewSize{}, 5);
    PaintStart(editor, {{2, 2}, {3, 2}});
    PaintStart(editor, {{3, 2}});  // state 2
    const CellRect all{0, 0, 5, 5};
    using enum SelectionConversion;
    ASSERT_EQ(editor.ConvertSelection(Frame(0), all, 3, CellsToMarkers), EditOutcome::Changed);
    const PatternSequence& tab = editor.Doc().tabs[0];
    EXPECT_EQ(std::tuple(tab.startGrid.ChunkCount(), tab.annotations.ValueAt(2, 2), tab.annotations.ValueAt(3, 2)),
              std::tuple(0u, 0x0103, 0x0203));
    // Nothing left to turn into markers, other markers, later frames: refused, no step stays behind.
    const std::size_t depth = editor.UndoDepth();
    EXPECT_EQ(editor.ConvertSelection(Frame(0), all, 3, CellsToMarkers), EditOutcome::Refused);
    EXPECT_EQ(editor.ConvertSelection(Frame(0), all, 4, MarkersToCells), EditOutcome::Refused);
    EXPECT_EQ(editor.ConvertSelection(Frame(2), all, 3, CellsToMarkers), EditOutcome::Refused);
    EXPECT_EQ(editor.UndoDepth(), depth);
    // The cells come back; the annotation itself stays.
    ASSERT_EQ(editor.ConvertSelection(Frame(0), all, 3, MarkersToCells), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.Doc().tabs[0].startGrid.CellAt(3, 2), editor.Doc().tabs[0].annotations.ValueAt(3, 2)),
              std::tuple(2, 0x0203));
    // Delete clears cells first, then overlays, and keeps its step even when nothing changes.
    ASSERT_EQ(editor.DeleteSelection(Frame(0), all), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.Doc().tabs[0].startGrid.ChunkCount(), editor.Doc().tabs[0].annotations.ValueAt(3, 2)),
              std::tuple(0u, 0x0203));
    ASSERT_EQ(editor.DeleteSelection(Frame(0), all), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().tabs[0].annotations.ValueAt(3, 2), 0);
    const std::size_t before = editor.UndoDepth();
    EXPECT_EQ(editor.DeleteSelection(Frame(0), all), EditOutcome::Unchanged);
    EXPECT_EQ(editor.UndoDepth(), before + 1);
    // A copy becomes a new tab with its top-left cell at the origin.
    PaintStart(editor, {{10, 20}});
    ASSERT_EQ(editor.CopySelectionToNewTab(Frame(0), {12, 22, 9, 19}), 1u);
    EXPECT_EQ(std::tuple(editor.Doc().selectedTab, editor.Doc().tabs[1].startGrid.CellAt(1, 1), editor.Doc().tabs[1].camera.centreX),
              std::tuple(1, 1, 2.0f));
}

TEST(EditorSelection, MarkerPaintingCyclesOrPaintsTheBrush) {
    Editor editor(ViewSize{}, 5);
    std::vector<std::uint16_t> seen;
    for (const Brush& brush : {Brush{}, Brush{}, Brush{}, Brush{}, Brush{true, 2}, Brush{true, 2}}) {
        editor.BeginStroke();
        editor.PaintMarker(kViewer, 40, 40, 5, brush);
        seen.push_back(editor.Doc().source.annotations.ValueAt(40, 40));
    }
    // none -> state 1, 2, then 0 under marker 5, then none again (3 states); the brush's state, then none.
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{0x0105, 0x0205, 0x0005, 0, 0x0205, 0}));
    editor.BeginStroke();
    editor.PaintMarker(kViewer, 40, 40, 5, Brush{true, 2});
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintMarker(kViewer, 40, 40, 0, Brush{true, 2}), EditOutcome::Changed);  // marker 0 clears
    EXPECT_EQ(editor.Doc().source.annotations.ValueAt(40, 40), 0);
}

TEST(EditorViewer, SourceGridPaintingStepsAndUndo) {
    Editor editor = RowEditor();
    editor.RandomizeSource(16, 0.0, 1, false);
    const std::size_t depth = editor.UndoDepth();
    editor.BeginStroke();
    for (int repeat = 0; repeat < 2; ++repeat)
        for (int x = 0; x < 3; ++x) editor.PaintCell(kViewer, x, 0, false);
    EXPECT_EQ(editor.UndoDepth(), depth + 1);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(editor.Doc().source.grid.CellAt(x, 0), 1);
    EXPECT_FALSE(editor.StepSource(SourceStep::Back));  // generation 0
    editor.StepSource();
    editor.StepSource();
    const SourceRun& source = editor.Doc().source;
    EXPECT_EQ(std::tuple(source.generation, source.grid.CellAt(1, 0)), std::tuple(2, 0));  // the empty rule kills the row
    ASSERT_TRUE(editor.StepSource(SourceStep::Back));
    EXPECT_EQ(source.generation, 1);
    editor.StepSource(SourceStep::Rewind);
    EXPECT_EQ(std::tuple(source.generation, source.grid.CellAt(1, 0)), std::tuple(0, 1));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().source.grid.CellAt(1, 0), 0);
    // Shift+R: a new soup of the stored size, and the run starts over.
    editor.RandomizeSource(20, 1.0, 9, true);
    EXPECT_EQ(std::tuple(source.patternSize, source.grid.CellAt(19, 19), source.generation), std::tuple(20, 1, 0));
}

TEST(EditorViewer, MarkersAndTheLockJump) {
    Editor editor = MarkedEditor();
    ASSERT_EQ(editor.Doc().tabs[1].brokenMarkers.size(), 1u);
    // Tab 1's row centre uses W, C, E alive, which tab 0 owns and uses at generation 0.
    const std::optional<LockJumpTarget> jump = editor.JumpToLock(1, 1, 5, 3);
    ASSERT_TRUE(jump.has_value() && jump->cell.has_value());
    EXPECT_EQ(std::tuple(jump->tab, jump->frame, jump->cell->second, editor.Doc().selectedTab), std::tuple(0u, 0u, 0, 0));
    // Frame 0 shows the start pattern: nothing produced it; the background is locked without an owner.
    EXPECT_FALSE(editor.JumpToLock(0, 1, 0, 3).has_value());
    EXPECT_FALSE(editor.JumpToLock(1, 50, 50, 3).has_value());
    editor.SelectTab(1);
    EXPECT_EQ(editor.RemoveBrokenMarker(1, 0, 5), EditOutcome::Unchanged);  // no marker there
    EXPECT_EQ(editor.RemoveBrokenMarker(0, 1, 5), EditOutcome::Refused);    // generation 0
    EXPECT_EQ(editor.RemoveBrokenMarker(1, 1, 5), EditOutcome::Changed);
    EXPECT_TRUE(editor.Doc().tabs[1].brokenMarkers.empty());
}

TEST(EditorViewer, PasteReplacesTheStartPatternUndoably) {
    Editor editor(ViewSize{}, 3);  // 3 states
    std::string refusal;
    EXPECT_EQ(editor.PastePattern(formats::ParseRle("x=1,y=1\nC!"), refusal), EditOutcome::Refused);
    EXPECT_EQ(refusal, "This RLE uses state 3, but the current rule only has 3 states.");
    const std::size_t depth = editor.UndoDepth();
    ASSERT_EQ(editor.PastePattern(formats::ParseRle("x=3,y=1\n2.B!"), refusal), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Doc().tabs[0].startGrid.CellAt(2, 0), editor.Doc().tabs[0].currentGeneration),
              std::tuple(depth + 1, 2, 0));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().tabs[0].startGrid.CellAt(2, 0), 0);
    // Cells 10^9 rows apart would need a 64 GB copy to scan: refused before anything changes.
    EXPECT_THROW(editor.PastePattern(formats::ParseRle("x=1,y=1000000001\no1000000000$o!"), refusal), std::length_error);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Doc().tabs[0].startGrid.ChunkCount()), std::tuple(depth, 0u));
    editor.NewTab(PatternKind::Constraint);
    EXPECT_THROW(editor.PastePattern(formats::ParseRle("x=1\no!"), refusal), std::runtime_error);
}

TEST(EditorViewer, ColoursAreUndoableAndCamerasAreSaved) {
    Editor editor(ViewSize{}, 3);
    const Palette defaults = editor.Doc().colors;
    Palette red = defaults;
    red[2] = Color{1, 0, 0, 1};
    editor.SetColors(red);
    editor.SetColors(DefaultPalette());
    EXPECT_EQ(editor.Doc().colors, defaults);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().colors, red);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().colors, defaults);
    editor.SetTabCamera(0, Camera{10.5f, -3.0f, 12.0f});
    editor.SetTabBarScroll(40.0f);
    const formats::SessionSnapshot session = editor.ToSession();
    EXPECT_EQ(std::tuple(session.patterns[0].camera, session.tabScrollOffset),
              std::tuple(formats::SessionCamera{10.5f, -3.0f, 12.0f}, 40.0f));
}

}  // namespace
}  // namespace authoring
