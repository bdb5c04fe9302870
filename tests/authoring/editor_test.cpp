// The editor's operations on small known patterns: painting, tabs, selections, the viewer, the
// tab chain with its locks and markers, the frame randomizer, the undefined list, whole rules.
#include "authoring/editor.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>

#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"
#include "core/step_grid.h"
#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

TEST(Editor, StartsEmptyAndLocksWhatTheFirstGenerationUses) {
    Editor editor(ViewSize{800, 600}, 7);
    const PatternSequence& tab = editor.Doc().tabs[0];
    EXPECT_EQ(std::tuple(editor.Doc().rule.stateCount, editor.Doc().rule.symmetry, editor.Doc().tabs.size(),
                         tab.camera.cellSize, tab.generations.size(), editor.UnsavedChanges()),
              std::tuple(3, core::kSymmetryD8, 1u, 150.0f, 9u, false));
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
    // Under the empty rule the row dies: generation 1 is a kept empty chunk.
    ASSERT_GT(tab.generations[1].ChunkCount(), 0u);
    EXPECT_EQ(std::tuple(tab.generations[1].Chunks().begin()->second.liveCount, tab.generationTarget), std::tuple(0u, 1));
    EXPECT_FALSE(tab.ownLockedTransitions.empty());
    EXPECT_EQ(std::tuple(editor.UnsavedChanges(), editor.UndoDepth()), std::tuple(true, 1u));
}

TEST(Editor, PaintingAFrameChangesTheTransitionOrbitUndoably) {
    Editor editor = RowEditor(core::kSymmetryD8, 3);
    const std::vector<std::uint8_t> before = Saved(editor);
    const core::ChunkGrid sourceBefore = editor.Doc().source.grid;
    EXPECT_EQ(Stroke(editor, Frame(1), 10, 10), EditOutcome::Refused);  // all background: always locked
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
        editor = RowEditor(core::kSymmetryD8, 3);
        ASSERT_EQ(Stroke(editor, Frame(1), 1, 0, back, brush) == EditOutcome::Changed, painted != 0);
        for (std::uint64_t member : core::NeighborhoodOrbit(4, 3, digits)) EXPECT_EQ(editor.Doc().rule.table[member], painted);
    }
    // A new edit clears the redo records.
    ASSERT_EQ(Stroke(editor, Frame(1), 1, 0, true), EditOutcome::Changed);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    editor.NewTab(PatternKind::Pattern);
    EXPECT_EQ(editor.Redo(), EditOutcome::Refused);
}

TEST(EditorTabs, CloseNewMoveAndTheGenerationShown) {
    Editor editor(ViewSize{800, 600}, 7);
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Refused);  // the last tab stays
    editor.NewTab(PatternKind::Pattern);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Doc().tabs.size(), editor.Doc().selectedTab,
                         editor.Doc().tabs[1].camera.cellSize),
              std::tuple(1u, 2u, 1, 75.0f));
    EXPECT_EQ(editor.CloseTab(5), EditOutcome::Refused);
    EXPECT_EQ(editor.CloseTab(0), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().selectedTab, 0);
    // Moves keep the selected tab; the same place, or beyond the tabs, is nothing.
    for (const auto& [from, to, selected, expected, selectedAfter] :
         {std::tuple<std::size_t, std::size_t, std::size_t, std::string, int>{0, 3, 0, "bcda", 3}, {0, 3, 2, "bcda", 1},
          {3, 0, 1, "dabc", 2}, {3, 1, 2, "adbc", 3}, {1, 2, 0, "acbd", 0}, {2, 2, 2, "abcd", 2}, {0, 4, 0, "abcd", 0}}) {
        Editor tabs(ViewSize{}, 3);
        for (int i = 0; i < 3; ++i) tabs.NewTab(PatternKind::Pattern);
        for (std::size_t i = 0; i < 4; ++i) tabs.RenameTab(i, std::string(1, static_cast<char>('a' + i)));
        tabs.SelectTab(selected);
        const std::size_t depth = tabs.UndoDepth();
        tabs.MoveTab(from, to, true);
        std::string order;
        for (const PatternSequence& tab : tabs.Doc().tabs) order += tab.name;
        EXPECT_EQ(std::tuple(order, tabs.Doc().selectedTab, tabs.UndoDepth()),
                  std::tuple(expected, selectedAfter, depth + (order == "abcd" ? 0 : 1)))
            << from << "->" << to;
    }
}

TEST(EditorTabs, SetCurrentGenerationShowsLaterGenerations) {
    Editor editor = RowEditor(core::kSymmetryD8);
    ASSERT_EQ(Stroke(editor, Frame(1), 1, 0), EditOutcome::Changed);  // the row's centre lives on
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
    const Brush state2{true, 2};
    for (const auto& [marker, brush] :
         {std::pair{5, Brush{}}, {5, {}}, {5, {}}, {5, {}}, {5, state2}, {5, state2}, {5, state2}, {0, state2}}) {
        editor.BeginStroke();
        ASSERT_EQ(editor.PaintMarker(kViewer, 40, 40, static_cast<std::uint8_t>(marker), brush), EditOutcome::Changed);
        seen.push_back(editor.Doc().source.annotations.ValueAt(40, 40));
    }
    // none -> state 1, 2, then 0 under marker 5, then none again (3 states); the brush's state, then
    // none; marker 0 clears.
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{0x0105, 0x0205, 0x0005, 0, 0x0205, 0, 0x0205, 0}));
}

TEST(EditorViewer, SourceGridPaintingIsOneStepAndStartsTheRunOver) {
    Editor editor = RowEditor();
    editor.RandomizeSource(16, 0.0, 1, false);
    editor.StepSource();
    const std::size_t depth = editor.UndoDepth();
    editor.BeginStroke();
    for (int repeat = 0; repeat < 2; ++repeat)
        for (int x = 0; x < 3; ++x) editor.PaintCell(kViewer, x, 0, false);
    const SourceRun& source = editor.Doc().source;
    EXPECT_EQ(std::tuple(editor.UndoDepth(), source.generation, source.grid.CellAt(0, 0), source.grid.CellAt(2, 0)),
              std::tuple(depth + 1, 0, 1, 1));
    EXPECT_FALSE(editor.StepSource(SourceStep::Back));  // the drawn grid is generation 0
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().source.grid.CellAt(1, 0), 0);
    // Shift+R: a new soup of the stored size, and the run starts over.
    editor.StepSource();
    editor.RandomizeSource(20, 1.0, 9, true);
    EXPECT_EQ(std::tuple(source.patternSize, source.grid.CellAt(19, 19), source.generation), std::tuple(20, 1, 0));
}


TEST(EditorViewer, PasteReplacesTheStartPatternUndoably) {
    Editor editor(ViewSize{}, 3);  // 3 states
    std::string refusal;
    const std::size_t depth = editor.UndoDepth();
    ASSERT_EQ(editor.PastePattern(formats::ParseRle("x=3,y=1\n2.B!"), refusal), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Doc().tabs[0].startGrid.CellAt(2, 0), editor.Doc().tabs[0].currentGeneration),
              std::tuple(depth + 1, 2, 0));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().tabs[0].startGrid.ChunkCount(), 0u);
    editor.NewTab(PatternKind::Constraint);
    EXPECT_THROW(editor.PastePattern(formats::ParseRle("x=1\no!"), refusal), std::runtime_error);
}

TEST(EditorViewer, CamerasAndTheTabBarScrollAreSaved) {
    Editor editor(ViewSize{}, 3);
    editor.SetTabCamera(0, Camera{10.5f, -3.0f, 12.0f});
    editor.SetTabBarScroll(40.0f);
    const formats::SessionSnapshot session = editor.ToSession();
    EXPECT_EQ(std::tuple(session.patterns[0].camera, session.tabScrollOffset),
              std::tuple(core::Camera{10.5f, -3.0f, 12.0f}, 40.0f));
}

TEST(EditorChain, DrivingTabAndLookahead) {
    Editor editor = RowEditor();
    editor.SetFrameArea(0, {});
    editor.SelectTab(0);
    EXPECT_EQ(editor.Doc().tabs[0].generations.size(), 1u);  // maximized viewer: max(target, current) generations
    editor.SetFrameArea(15, {});
    editor.NewTab(PatternKind::Pattern);
    editor.SelectTab(2);  // the rule editor page drives the last tab
    EXPECT_EQ(std::tuple(editor.Doc().tabs[1].generations.size(), editor.Doc().tabs[0].generations.empty()),
              std::tuple(15u, true));
    EXPECT_EQ(editor.Undefined().lockUnion, editor.Doc().tabs[1].locks.Last());
}

TEST(EditorChain, KeyframeOverrideReplacesTheComputedGridAndItsLocks) {
    const core::Rule rule{2, 0, core::RuleTable(512)};
    LockScanScratch scratch;
    const SequenceSteps steps{[&](const core::ChunkGrid& previous, core::ChunkGrid& next) { core::StepGrid(rule, previous, next); },
                              core::StepHistory, core::StepLineages,
                              [&](const core::ChunkGrid& grid, PackedLockTable& table, std::vector<std::uint64_t>& added) {
                                  AdvanceLockTable(grid, table, added, 0, 2, scratch);
                              }};
    PatternSequence tab;
    tab.startGrid.SetCell(0, 0, 1);
    tab.startGrid.SetCell(1, 0, 1);
    tab.generationTarget = 4;
    core::ChunkGrid pinned;
    pinned.SetCell(7, 7, 1);
    tab.SetKeyframeOverride(2, pinned);
    GenerateSequence(tab, 512, PackedLockTable(512), steps);
    // The lock table of generation 2 comes from the override: a cell alone is new there.
    const std::uint64_t alone = Index2({0, 0, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_EQ(std::tuple(tab.generations[2].CellAt(7, 7), tab.locks.Contains(alone, 2), tab.locks.Contains(alone, 1)),
              std::tuple(1, true, false));
}

TEST(EditorChain, ChangingATransitionMarksLaterTabsUntilRepainted) {
    Editor editor = MarkedEditor(0, 0);
    ASSERT_EQ(editor.Doc().tabs[1].brokenMarkers.size(), 1u);
    const BrokenMarker pending = editor.Doc().tabs[1].brokenMarkers[0];
    // The row's centre in generation 1 comes from neighbourhood W, C, E alive; tab 1 is not in memory.
    EXPECT_EQ(std::tuple(pending.transition, pending.hasCell), std::tuple(Index2({0, 0, 0, 1, 1, 1, 0, 0, 0}), false));
    // Selecting tab 1 resolves the marker to the cell that uses the transition.
    editor.SelectTab(1);
    ASSERT_EQ(editor.Doc().tabs[1].brokenMarkers.size(), 1u);
    const BrokenMarker m = editor.Doc().tabs[1].brokenMarkers[0];
    EXPECT_EQ(std::tuple(m.hasCell, m.x, m.y, m.brokenGeneration), std::tuple(true, 1, 5, 1u));
    std::optional<std::pair<std::int32_t, std::int32_t>> cell;
    ASSERT_EQ(editor.JumpToBrokenMarker(3, cell), EditOutcome::Changed);
    EXPECT_EQ(cell, std::optional(std::pair{1, 5}));
    // A marker goes only with its cell, and never from generation 0.
    EXPECT_EQ(std::tuple(editor.RemoveBrokenMarker(1, 0, 5), editor.RemoveBrokenMarker(0, 1, 5)),
              std::tuple(EditOutcome::Unchanged, EditOutcome::Refused));
    EXPECT_EQ(editor.Doc().tabs[1].brokenMarkers.size(), 1u);
    // The lock jump goes to tab 0, which owns the transition and uses it at generation 0.
    const std::optional<LockJumpTarget> jump = editor.JumpToLock(1, 1, 5, 3);
    ASSERT_TRUE(jump.has_value() && jump->cell.has_value());
    EXPECT_EQ(std::tuple(jump->tab, jump->frame, jump->cell->second, editor.Doc().selectedTab), std::tuple(0u, 0u, 0, 0));
    // Frame 0 shows the start pattern: nothing produced it; the background is locked without an owner.
    EXPECT_FALSE(editor.JumpToLock(0, 1, 0, 3).has_value() || editor.JumpToLock(1, 50, 50, 3).has_value());
}

TEST(EditorLocks, TablesAndTheFrameGuardsMatchARecomputation) {
    for (const auto& [n, symmetry, current] : {std::tuple{2, core::kSymmetryC4, 0}, {3, core::kSymmetryD8, 0},
                                               {4, core::kSymmetryC1, 2}}) {
        SCOPED_TRACE(n);
        Editor editor = NewRule(n, symmetry, 3);
        std::mt19937 rng(static_cast<std::uint32_t>(n));
        // A random rule first: drawing locks the transitions the pattern uses.
        ASSERT_EQ(editor.RandomizeUndefinedTransitions(rng()), EditOutcome::Changed);
        editor.BeginStroke();
        for (int i = 0; i < 14; ++i) editor.PaintCell(Frame(0), int(rng() % 6), int(rng() % 6), false);
        editor.SetCurrentGeneration(current);
        const PatternSequence& tab = editor.Doc().tabs[0];
        // Each generation's table in full, from the definition.
        PackedLockTable base(core::RuleTableSize(n));
        base.Insert(0);
        EXPECT_EQ(tab.locks.Base(), base);
        std::vector<PackedLockTable> dense;
        for (const core::ChunkGrid& grid : tab.generations)
            dense.push_back(DenseLockStep(grid, dense.empty() ? base : dense.back(), symmetry, n));
        ASSERT_EQ(tab.locks.GenerationCount(), dense.size());
        for (std::uint64_t i = 0; i < base.EntryCount(); ++i)
            for (std::size_t g = 0; g < dense.size(); ++g) ASSERT_EQ(tab.locks.Contains(i, g), dense[g].Contains(i)) << i << " at " << g;
        std::vector<std::uint64_t> own;
        dense.back().ForEachIndex([&](std::uint64_t i) {
            if (!base.Contains(i)) own.push_back(i);
        });
        EXPECT_EQ(tab.ownLockedTransitions, own);
        for (const LockDeltaSource& delta : tab.lockDeltas.items) {
            std::size_t first = 0;
            while (!dense[first].Contains(delta.transition)) ++first;
            EXPECT_EQ(delta.generation, first) << delta.transition;
        }
        // A cell of generation g + 1 is guarded by the table of g - 1; painting it is refused
        // exactly where that table holds its transition.
        bool checkedLocked = false, checkedFree = false;
        for (std::size_t frame = 0; frame < 8; ++frame) {
            const std::size_t g = static_cast<std::size_t>(current) + frame;
            ASSERT_LT(g, tab.generations.size());
            const PackedLockTable& guard = g == 0 ? base : dense[g - 1];
            for (std::int32_t y = -3; y <= 9; ++y)
                for (std::int32_t x = -3; x <= 9; ++x) {
                    const core::Neighborhood digits = DigitsAt(tab.generations[g], x, y);
                    const std::uint64_t canonical = core::CanonicalIndex(symmetry, n, digits);
                    const bool locked = guard.Contains(canonical);
                    ASSERT_EQ(LockedForGeneration(tab.locks, g + 1, canonical), locked) << frame << " " << x << "," << y;
                    if (digits == core::Neighborhood{} || (locked ? checkedLocked : checkedFree)) continue;
                    const EditOutcome outcome = Stroke(editor, Frame(frame + 1), x, y);
                    EXPECT_EQ(outcome == EditOutcome::Refused, locked) << frame << " " << x << "," << y;
                    if (outcome == EditOutcome::Changed) {
                        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
                    }
                    (locked ? checkedLocked : checkedFree) = true;
                }
        }
        EXPECT_TRUE(checkedLocked && checkedFree);
        EXPECT_EQ(LockGuardGeneration(tab.locks, tab.locks.GenerationCount() + 2), std::nullopt);
    }
}

TEST(EditorLocks, AFarGenerationLoadsInModestMemoryOrIsRefusedClearly) {
    for (int states : {4, 5}) {
        SCOPED_TRACE(states);
        Editor editor = RowEditor(core::kSymmetryD8, states);
        formats::SessionSnapshot session = editor.ToSession();
        constexpr std::uint32_t kLoadBound = 1u << 16;  // loads hold positions to this
        const std::uint64_t nearBytes = SessionLoadWorkingBytes(session, kLoadBound, 9);
        session.patterns[0].currentGeneration = 65536;
        const std::uint64_t farBytes = SessionLoadWorkingBytes(session, kLoadBound, 9);
        EXPECT_TRUE(farBytes > nearBytes && farBytes < std::uint64_t{64} << 20);
        try {
            editor.LoadSession(session);
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("does not have enough memory"), std::string::npos) << e.what();
            continue;
        }
        const PatternSequence& tab = editor.Doc().tabs[0];
        EXPECT_EQ(std::tuple(tab.generations.size(), tab.locks.GenerationCount()), std::tuple(65545u, 65545u));
        // The base, the running table and the few own locks; not one table per generation.
        EXPECT_LE(tab.locks.ByteSize(), GenerationLocks::MinimumBytes(core::RuleTableSize(states)) + 16384);
    }
}

TEST(FrameRandomizer, OneShotRunsAreOneStepAndDifferAndAnOpenRangeKeepsRunning) {
    Editor editor = BlobEditor();
    for (const auto& [first, last] : {std::pair{-1, -1}, {9, 9}, {2, 1}}) EXPECT_EQ(editor.RandomizeFrames(first, last), EditOutcome::Refused);
    const std::size_t depth = editor.UndoDepth();
    ASSERT_EQ(editor.RandomizeFrames(1, 1), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.FrameRandomizerActive(), editor.Doc().tabs[0].keyframeOverrides.empty(), editor.UndoDepth()),
              std::tuple(false, true, depth + 1));
    const core::RuleTable drawn = editor.Doc().rule.table;
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    for (std::uint8_t output : editor.Doc().rule.table) ASSERT_EQ(output, 0);
    ASSERT_EQ(editor.RandomizeFrames(1, 1), EditOutcome::Changed);
    EXPECT_NE(editor.Doc().rule.table, drawn);  // the seed moved on

    // An open range pins the earlier frames and keeps running.
    editor = BlobEditor();
    ASSERT_EQ(editor.RandomizeFrames(1, kOpenGenerationEnd), EditOutcome::Changed);
    EXPECT_TRUE(editor.FrameRandomizerActive());
    const PatternSequence& tab = editor.Doc().tabs[0];
    ASSERT_FALSE(tab.keyframeOverrides.empty());  // each is what the tab shows
    for (const KeyframeOverride& pinned : tab.keyframeOverrides) {
        if (pinned.generation == 0 || pinned.generation >= tab.generations.size()) continue;
        EXPECT_TRUE(pinned.grid.SharesStorageWith(tab.generations[pinned.generation])) << pinned.generation;
    }
    // A second run over the same frames finds nothing new to draw.
    EXPECT_EQ(editor.RandomizeViewerFrames(), EditOutcome::Unchanged);
}

TEST(EditorChain, UndefinedListCardsAndMinrule) {
    Editor editor = RowEditor();
    editor.SelectTab(1);  // the rule editor page
    ASSERT_EQ(editor.RandomizeUndefinedTransitions(4), EditOutcome::Changed);
    const std::uint8_t background = editor.Doc().rule.table[0];
    editor.TakeMinrule();
    // Every unlocked entry is 0; every locked one, the background included, kept its output.
    EXPECT_EQ(editor.Doc().rule.table[0], background);
    for (std::uint64_t i = 0; i < 512; ++i)
        EXPECT_TRUE(editor.Undefined().lockUnion.Contains(i) || editor.Doc().rule.table[i] == 0) << i;
    EXPECT_NE(UndefinedStatusText(editor.Undefined(), 0).find(" (50 loaded)  |  C1 (asymmetric)"), std::string::npos);
    editor.UpdateUndefinedList(10000);
    EXPECT_EQ(UndefinedStatusText(editor.Undefined(), 0),
              std::to_string(editor.Undefined().count) + " undefined transitions  |  C1 (asymmetric)");
    // Cards cycle both ways; the minrule puts them back, and is one undo step.
    const std::uint64_t index = editor.Undefined().entries[0].index;
    ASSERT_EQ(editor.CycleUndefinedOutput(0, true), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().rule.table[index], 1);  // 0 - 1 wraps to 1 with two states
    ASSERT_EQ(editor.CycleUndefinedOutput(0, false), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().rule.table[index], 0);
    ASSERT_EQ(editor.CycleUndefinedOutput(0, false, Brush{true, 1}), EditOutcome::Changed);
    editor.TakeMinrule();
    EXPECT_EQ(editor.Doc().rule.table[index], 0);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().rule.table[index], 1);

    Editor d8 = RowEditor(core::kSymmetryD8, 3);  // 2862 classes of neighbourhoods under D8
    d8.SelectTab(1);
    std::uint64_t locked = 0;
    d8.Undefined().lockUnion.ForEachIndex([&](std::uint64_t i) { locked += core::IsCanonicalIndex(4, 3, i); });
    EXPECT_EQ(std::tuple(d8.Undefined().count, d8.Undefined().entries.size()), std::tuple(2862 - locked, 50u));
    EXPECT_NE(UndefinedStatusText(d8.Undefined(), 4).find("(50 loaded)  |  D8 (isotropic)"), std::string::npos);
}

TEST(EditorChain, ExtendingKeepsTransitionsAndMarkersAndClearsUndo) {
    Editor editor = MarkedEditor(core::kSymmetryD8, 0);
    ASSERT_EQ(editor.Doc().rule.table[Index2({0, 0, 0, 1, 1, 1, 0, 0, 0})], 1);
    EXPECT_FALSE(editor.ExtendRule(2));
    ASSERT_TRUE(editor.ExtendRule(3));
    EXPECT_EQ(std::tuple(editor.Doc().rule.table[core::NeighborhoodIndex({0, 0, 0, 1, 1, 1, 0, 0, 0}, 3)],
                         editor.Doc().rule.table[core::NeighborhoodIndex({0, 0, 0, 2, 1, 1, 0, 0, 0}, 3)]),
              std::tuple(1, 0));
    EXPECT_EQ(std::tuple(editor.Undo(), editor.Redo()), std::tuple(EditOutcome::Refused, EditOutcome::Refused));
    editor.SelectTab(1);
    const PatternSequence& tab = editor.Doc().tabs[1];
    ASSERT_EQ(tab.brokenMarkers.size(), 1u);
    const BrokenMarker& marker = tab.brokenMarkers[0];
    const core::Neighborhood digits = DigitsAt(tab.generations[marker.sourceGeneration], marker.x, marker.y);
    EXPECT_EQ(std::tuple(marker.hasCell, marker.transition),
              std::tuple(true, core::NeighborhoodIndex(core::CanonicalNeighborhood(core::kSymmetryD8, 3, digits), 3)));
}

TEST(EditorChain, NewRulesResetAndImports) {
    Editor editor = NewRule(5, 0, 5);
    EXPECT_NEAR(static_cast<double>(editor.Doc().source.grid.Population()) / 1024.0, 0.8, 0.06);  // a dense soup

    Editor row = RowEditor();
    row.NewTab(PatternKind::Pattern);
    row.ResetToStartScreen();  // keeps the state count
    EXPECT_EQ(std::tuple(row.Doc().rule.stateCount, row.Doc().rule.symmetry, row.Doc().selectedTab), std::tuple(2, core::kSymmetryD8, 0));

    row.AdoptImportedRule(formats::ParseGollyRuletableText(
        "@TABLE\nn_states:4\nsymmetries:rotate4\n0,1,0,0,0,0,0,0,0,3\n@COLORS\n2 0 0 255\n"));
    EXPECT_EQ(std::tuple(row.Doc().rule.stateCount, row.Doc().colors[2], row.Doc().colors[1]),
              std::tuple(4, Color{0, 0, 1, 1}, DefaultPalette()[1]));
}

}  // namespace
}  // namespace authoring
