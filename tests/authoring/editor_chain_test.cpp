// The tab chain: lookahead, locks per generation, broken markers, the frame randomizer, the
// undefined list and whole-rule operations.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <tuple>

#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"
#include "core/step_grid.h"
#include "formats/golly_ruletable.h"
#include "tests/authoring/editor_fixture.h"
#include "tests/authoring/lock_reference.h"

namespace authoring {
namespace {

using namespace testing;

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
    // Tab 0 locks the transition now, so tab 1 cannot repaint it; a marker goes only with it.
    editor.BeginStroke();
    EXPECT_EQ(editor.PaintCell(Frame(1), 1, 5, false), EditOutcome::Refused);
    EXPECT_EQ(editor.Doc().tabs[1].brokenMarkers.size(), 1u);
}

TEST(EditorLocks, TablesAndTheFrameGuardsMatchARecomputation) {
    struct Case {
        int states;
        core::RuleSymmetry symmetry;
        std::int32_t currentGeneration;
    };
    for (const Case& c : {Case{2, core::kSymmetryC4, 0}, Case{3, core::kSymmetryD8, 0}, Case{4, core::kSymmetryC1, 2}}) {
        SCOPED_TRACE(c.states);
        Editor editor(ViewSize{}, 3);
        editor.CreateRule(c.states, c.symmetry);
        std::mt19937 rng(static_cast<std::uint32_t>(c.states));
        // A random rule first: drawing locks the transitions the pattern uses.
        ASSERT_EQ(editor.RandomizeUndefinedTransitions(rng()), EditOutcome::Changed);
        editor.BeginStroke();
        for (int i = 0; i < 14; ++i) editor.PaintCell(Frame(0), int(rng() % 6), int(rng() % 6), false);
        editor.SetCurrentGeneration(c.currentGeneration);
        const PatternSequence& tab = editor.Doc().tabs[0];
        const int n = c.states;
        // Each generation's table in full, from the definition.
        PackedLockTable base(core::RuleTableSize(n));
        base.Insert(0);
        EXPECT_EQ(tab.locks.Base(), base);
        std::vector<PackedLockTable> dense;
        for (const core::ChunkGrid& grid : tab.generations)
            dense.push_back(DenseLockStep(grid, dense.empty() ? base : dense.back(), c.symmetry, n));
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
            const std::size_t g = static_cast<std::size_t>(c.currentGeneration) + frame;
            ASSERT_LT(g, tab.generations.size());
            const PackedLockTable& guard = g == 0 ? base : dense[g - 1];
            for (std::int32_t y = -3; y <= 9; ++y)
                for (std::int32_t x = -3; x <= 9; ++x) {
                    const core::Neighborhood digits = DigitsAt(tab.generations[g], x, y);
                    const std::uint64_t canonical = core::CanonicalIndex(c.symmetry, n, digits);
                    const bool locked = guard.Contains(canonical);
                    ASSERT_EQ(LockedForGeneration(tab.locks, g + 1, canonical), locked) << frame << " " << x << "," << y;
                    if (digits == core::Neighborhood{} || (locked ? checkedLocked : checkedFree)) continue;
                    editor.BeginStroke();
                    const EditOutcome outcome = editor.PaintCell(Frame(frame + 1), x, y, false);
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
        Editor editor(ViewSize{}, 3);
        editor.CreateRule(states, core::kSymmetryD8);
        PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
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

// A 3-state D8 editor with a small blob in tab 0, everything else undefined.
Editor BlobEditor() {
    Editor editor(ViewSize{}, 4);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 1}, {1, 2}});
    return editor;
}

TEST(FrameRandomizer, OneShotRunsAreOneStepAndDiffer) {
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
}

TEST(FrameRandomizer, AnOpenRangePinsEarlierFramesAndKeepsRunning) {
    Editor editor = BlobEditor();
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
    editor.TakeMinrule();
    EXPECT_EQ(std::tuple(editor.FrameRandomizerActive(), editor.Doc().tabs[0].keyframeOverrides.empty()), std::tuple(false, true));
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

    Editor d8(ViewSize{800, 600}, 7);  // 3 states: 2862 classes of neighbourhoods under D8
    PaintStart(d8, {{0, 0}, {1, 0}, {2, 0}});
    d8.SelectTab(1);
    std::uint64_t locked = 0;
    for (std::uint64_t i : d8.Undefined().lockUnion.ListIndices()) locked += core::IsCanonicalIndex(4, 3, i);
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
    Editor editor(ViewSize{}, 5);
    editor.CreateRule(5, 0);
    EXPECT_EQ(std::tuple(editor.UnsavedChanges(), editor.UndoDepth()), std::tuple(false, 1u));
    std::uint64_t live = 0;
    editor.Doc().source.grid.ForEachChunk([&](int, int, const core::Chunk64& c) { live += c.liveCount; });
    EXPECT_NEAR(static_cast<double>(live) / 1024.0, 0.8, 0.06);  // a dense soup

    Editor row = RowEditor();
    row.NewTab(PatternKind::Pattern);
    row.ResetToStartScreen();  // keeps the state count
    EXPECT_EQ(std::tuple(row.Doc().rule.stateCount, row.Doc().rule.symmetry, row.Doc().tabs.size(), row.Doc().selectedTab,
                         row.Doc().tabs[0].startGrid.ChunkCount() + row.Doc().source.grid.ChunkCount()),
              std::tuple(2, core::kSymmetryD8, 1u, 0, 0u));

    row.AdoptImportedRule(formats::ParseGollyRuletableText(
        "@TABLE\nn_states:4\nsymmetries:rotate4\n0,1,0,0,0,0,0,0,0,3\n@COLORS\n2 0 0 255\n"));
    EXPECT_EQ(std::tuple(row.Doc().rule.stateCount, row.Doc().rule.symmetry, row.Doc().tabs.size(), row.Doc().tabs[0].name),
              std::tuple(4, core::kSymmetryC4, 1u, "Imported Rule"));
    EXPECT_EQ(std::tuple(row.Doc().colors[2], row.Doc().colors[1]), std::tuple(Color{0, 0, 1, 1}, DefaultPalette()[1]));
}

}  // namespace
}  // namespace authoring
