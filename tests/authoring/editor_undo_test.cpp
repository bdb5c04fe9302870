// Undo and redo across whole-session replacements, strokes, tab operations and markers.
#include <gtest/gtest.h>

#include <random>

#include "authoring/constraint_tab.h"
#include "core/step_grid.h"
#include "formats/golly_ruletable.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

// What a user could tell apart: the saved session and the markers, which sessions do not store.
// The selected tab is left out: selecting is not an edit, and rule-change steps leave it be.
struct EditorState {
    std::vector<std::uint8_t> session;
    std::vector<std::vector<BrokenMarker>> markers;
    friend bool operator==(const EditorState&, const EditorState&) = default;
};

EditorState StateOf(const Editor& editor) {
    formats::SessionSnapshot session = editor.ToSession();
    session.selectedTab = 0;
    EditorState state{formats::SerializeSession(session), {}};
    for (const PatternSequence& tab : editor.Tabs()) {
        std::vector<BrokenMarker> markers = tab.brokenMarkers;
        // Markers found before their generation was computed get their cells later: same marker.
        for (BrokenMarker& m : markers) m = {m.transition, m.sourceGeneration, m.brokenGeneration, 0, 0, false};
        std::sort(markers.begin(), markers.end(), [](const BrokenMarker& a, const BrokenMarker& b) {
            return a.transition < b.transition;
        });
        markers.erase(std::unique(markers.begin(), markers.end()), markers.end());
        state.markers.push_back(std::move(markers));
    }
    return state;
}

std::vector<std::uint8_t> CellsNearOrigin(const core::ChunkGrid& grid) {
    std::vector<std::uint8_t> cells;
    for (int y = -12; y <= 12; ++y)
        for (int x = -12; x <= 12; ++x) cells.push_back(grid.CellAt(x, y));
    return cells;
}

TEST(EditorUndo, LoadImportAndCreateAreOneUndoStepBackToTheWholeSession) {
    // A loaded session with fewer states must never meet the old session's rule records.
    const formats::SessionSnapshot loaded = SessionOf(RowEditor());
    const auto imported = [] {
        return formats::ParseGollyRuletableText("@TABLE\nn_states:4\nsymmetries:none\n0,1,0,0,0,0,0,0,0,3\n");
    };
    struct Case {
        const char* name;
        std::function<void(Editor&)> replace;
    };
    const std::vector<Case> cases = {
        {"load", [&](Editor& e) { e.LoadSession(loaded); }},
        {"import", [&](Editor& e) { e.AdoptImportedRule(imported()); }},
        {"create", [&](Editor& e) { e.CreateRuleFromStartScreen(2, core::kSymmetryC4); }},
        {"reset then create",
         [&](Editor& e) {
             e.ResetToStartScreen();
             e.CreateRuleFromStartScreen(4, core::kSymmetryC1);
         }},
        {"reset then load",
         [&](Editor& e) {
             e.ResetToStartScreen();
             e.LoadSession(loaded);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor editor(ViewSize{}, 7);  // 3 states, D8
        PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
        editor.BeginStroke();
        ASSERT_EQ(editor.PaintFrameCell(1, 1, 0, true), EditOutcome::Changed);  // a rule-change record
        editor.NewPatternTab();
        const EditorState before = StateOf(editor);
        const std::size_t depth = editor.UndoDepth();
        c.replace(editor);
        EXPECT_FALSE(editor.UnsavedChanges());
        EXPECT_EQ(editor.UndoDepth(), depth + 1);
        const EditorState after = StateOf(editor);
        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
        EXPECT_EQ(StateOf(editor), before);
        EXPECT_EQ(editor.Rule().stateCount, 3);
        ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
        EXPECT_EQ(StateOf(editor), after);
        EXPECT_FALSE(editor.UnsavedChanges());
        // Back to the very start: the old records apply to the old rule only.
        while (editor.Undo() == EditOutcome::Changed) {}
        for (std::uint8_t output : editor.Rule().table) ASSERT_EQ(output, 0);
    }
}

TEST(EditorUndo, OneStrokeOverSeveralTransitionsIsOneStep) {
    Editor editor = RowEditor(core::kSymmetryD8);
    PaintStart(editor, {{1, 0}, {2, 0}});  // a lone cell at (0, 0)
    const core::RuleTable before = editor.Rule().table;
    const std::size_t depth = editor.UndoDepth();
    // Centre, edge neighbour and corner neighbour of a lone cell: three different orbits.
    editor.BeginStroke();
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}}) ASSERT_EQ(editor.PaintFrameCell(1, x, y, false), EditOutcome::Changed);
    EXPECT_EQ(editor.UndoDepth(), depth + 1);
    EXPECT_EQ(editor.Rule().table[Index2({0, 0, 0, 1, 0, 0, 0, 0, 0})], 1);
    EXPECT_EQ(editor.Rule().table[Index2({1, 0, 0, 0, 0, 0, 0, 0, 0})], 1);
    const core::RuleTable painted = editor.Rule().table;
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table, before);
    ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Rule().table, painted);
}

TEST(EditorUndo, StartGridStrokeChangesEachCellOnce) {
    Editor editor(ViewSize{}, 5);  // 3 states
    editor.BeginStroke();
    for (int repeat = 0; repeat < 3; ++repeat) {
        editor.PaintStartCell(0, 0, false);
        editor.PaintFrameCell(0, 1, 0, false);  // frame 0 shows the start grid
    }
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(0, 0), 1);
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(1, 0), 1);
    EXPECT_EQ(editor.UndoDepth(), 1u);
    editor.BeginStroke();
    editor.PaintStartCell(0, 0, false);
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(0, 0), 2);
}

// A constraint tab after tab 0 wants a lone cell to survive; tab 0 uses that transition with
// output 0, so the constraint takes it only once tab 0 is gone.
Editor ConstraintBehindPatternEditor() {
    Editor editor(ViewSize{}, 5);
    editor.CreateRule("", 2, core::kSymmetryD8, "creating this rule");
    editor.NewConstraintTab();
    editor.ClickConstraintSlot(0, 4, SlotClick::Left, false, false);
    editor.ClickConstraintSlot(0, kOutputSlot, SlotClick::Left, false, false);
    editor.SelectTab(0);
    PaintStart(editor, {{0, 0}});
    editor.BeginStroke();
    editor.PaintFrameCell(1, 0, 0, false);  // the lone cell now dies
    return editor;
}

TEST(EditorUndo, TabOperationsRestoreTheRuleConstraintsChanged) {
    const std::uint64_t alone = Index2({0, 0, 0, 0, 1, 0, 0, 0, 0});
    const std::vector<std::pair<const char*, std::function<void(Editor&)>>> operations = {
        {"close", [](Editor& e) { e.CloseTab(0); }},
        {"move", [](Editor& e) { e.MoveTab(0, 1, true); }},
        {"clear the start grid", [](Editor& e) { e.DeleteSelection({Surface::TabFrame, 0}, {-2, -2, 2, 2}); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        Editor editor = ConstraintBehindPatternEditor();
        ASSERT_EQ(editor.Rule().table[alone], 0);
        const EditorState before = StateOf(editor);
        operation(editor);
        editor.RebuildPatternSequencesFrom(0);
        ASSERT_EQ(editor.Rule().table[alone], 1);
        const EditorState after = StateOf(editor);
        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
        EXPECT_EQ(editor.Rule().table[alone], 0);
        EXPECT_EQ(StateOf(editor), before);
        ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
        EXPECT_EQ(StateOf(editor), after);
    }
}

TEST(EditorUndo, ExtendingKeepsMarkersOnTheirCells) {
    Editor editor = MarkedEditor(core::kSymmetryD8, 0);
    ASSERT_TRUE(editor.ExtendRule(3));
    editor.SelectTab(1);
    const PatternSequence& tab = editor.Tabs()[1];
    ASSERT_EQ(tab.brokenMarkers.size(), 1u);
    const BrokenMarker& marker = tab.brokenMarkers[0];
    ASSERT_TRUE(marker.hasCell);
    core::Neighborhood digits{};
    for (int k = 0; k < 9; ++k)
        digits[k] = tab.generations[marker.sourceGeneration].CellAt(marker.x + k % 3 - 1, marker.y + k / 3 - 1);
    EXPECT_EQ(marker.transition,
              core::NeighborhoodIndex(core::CanonicalNeighborhood(core::kSymmetryD8, 3, digits), 3));
}

TEST(EditorUndo, FrameRandomizerEndsBeforeUndoLoadAndReplacements) {
    const formats::SessionSnapshot loaded = SessionOf(RowEditor());
    const std::vector<std::pair<const char*, std::function<void(Editor&)>>> enders = {
        {"undo", [](Editor& e) { e.Undo(); }},
        {"redo", [](Editor& e) { e.Undo(); e.Redo(); }},
        {"load", [&](Editor& e) { e.LoadSession(loaded); }},
        {"create", [](Editor& e) { e.CreateRuleFromStartScreen(3, core::kSymmetryD8); }},
        {"reset", [](Editor& e) { e.ResetToStartScreen(); }},
        {"extend", [](Editor& e) { e.ExtendRule(4); }},
    };
    for (const auto& [name, end] : enders) {
        SCOPED_TRACE(name);
        Editor editor(ViewSize{}, 4);
        PaintStart(editor, {{0, 0}, {1, 0}, {2, 1}, {1, 2}});
        editor.SetRandomizerSeed(3);
        ASSERT_EQ(editor.StartFrameRandomizer(true, 1, true), EditOutcome::Changed);
        ASSERT_TRUE(editor.FrameRandomizerActive());
        end(editor);
        EXPECT_FALSE(editor.FrameRandomizerActive());
        // Every shown generation follows the rule again: nothing stays pinned.
        for (const PatternSequence& tab : editor.Tabs()) EXPECT_TRUE(tab.keyframeOverrides.empty());
        const PatternSequence& tab = editor.Tabs()[0];
        for (std::size_t g = 1; g < tab.generations.size(); ++g) {
            core::ChunkGrid next;
            core::StepGrid(editor.Rule(), tab.generations[g - 1], next);
            EXPECT_EQ(CellsNearOrigin(next), CellsNearOrigin(tab.generations[g])) << "generation " << g;
        }
        EXPECT_EQ(editor.RandomizeViewerFrames(true), EditOutcome::Unchanged);
    }
}

TEST(EditorUndo, VariablesTakeOnlyTheRulesStates) {
    Editor editor(ViewSize{}, 3);  // 3 states
    editor.NewConstraintTab();
    EXPECT_EQ(editor.MakeVariable({1, 3}), EditOutcome::Refused);
    EXPECT_EQ(editor.MakeVariable({255}), EditOutcome::Refused);
    ASSERT_EQ(editor.MakeVariable({1, 2}), EditOutcome::Changed);
    EXPECT_EQ(editor.EditVariableStates(1, {0, 7}), EditOutcome::Refused);
    EXPECT_EQ(editor.EditVariableStates(1, {}), EditOutcome::Refused);
    EXPECT_EQ(editor.Tabs()[1].variables[1].allowedStates, (std::vector<std::uint8_t>{1, 2}));
}

TEST(EditorUndo, UndoBackToTheSavedStateIsClean) {
    Editor editor = RowEditor();
    editor.NewPatternTab();
    editor.MarkSaved();
    EXPECT_FALSE(editor.UnsavedChanges());
    editor.CloseTab(1);
    EXPECT_TRUE(editor.UnsavedChanges());
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_FALSE(editor.UnsavedChanges());
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_TRUE(editor.UnsavedChanges());
    ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
    EXPECT_FALSE(editor.UnsavedChanges());
    // A new edit from the saved state, undone, is clean again; renaming is an edit too.
    editor.RenameTab(0, "row");
    EXPECT_TRUE(editor.UnsavedChanges());
}

// Random edits, strokes, closes, loads, imports and extensions; then undo all and redo all.
TEST(EditorUndo, LongRandomSequencesUndoAndRedoExactly) {
    const formats::SessionSnapshot twoStates = SessionOf(RowEditor(core::kSymmetryD8));
    for (std::uint32_t seed : {2024u, 7u, 99u}) {
        SCOPED_TRACE(seed);
        Editor editor(ViewSize{}, 7);
        editor.NewConstraintTab();
        editor.ClickConstraintSlot(0, 1, SlotClick::Left, false, false);
        editor.ClickConstraintSlot(0, kOutputSlot, SlotClick::Left, false, false);
        editor.SelectTab(0);
        std::mt19937 rng(seed);
        EditorState start = StateOf(editor);
        std::size_t startDepth = editor.UndoDepth();
        for (int step = 0; step < 90; ++step) {
            editor.BeginStroke();
            const int n = editor.Rule().stateCount;
            switch (rng() % 10) {
                case 0: editor.NewPatternTab(); break;
                case 1:
                    for (int k = 0; k < 4; ++k) editor.PaintStartCell(int(rng() % 6), int(rng() % 6), rng() % 2);
                    break;
                case 2:
                case 3:
                    for (int k = 0; k < 3; ++k)
                        editor.PaintFrameCell(1 + rng() % 4, int(rng() % 8) - 1, int(rng() % 8) - 1, rng() % 2);
                    break;
                case 4: editor.SelectTab(rng() % (editor.Tabs().size() + 1)); break;
                case 5: editor.CloseTab(rng() % editor.Tabs().size()); break;
                case 6: editor.RandomizeUndefinedTransitions(rng()); break;
                case 7:
                    if (rng() % 2) editor.LoadSession(twoStates);
                    else editor.AdoptImportedRule(formats::ParseGollyRuletableText(
                             "@TABLE\nn_states:3\nsymmetries:rotate4\n0,1,0,2,0,0,0,0,0,1\n"));
                    break;
                case 8:
                    if (n < 4 && rng() % 4 == 0) {
                        ASSERT_TRUE(editor.ExtendRule(n + 1));
                        start = StateOf(editor);  // the extension cannot be undone
                        startDepth = 0;
                    }
                    break;
                case 9: editor.MoveTab(0, editor.Tabs().size() - 1, true); break;
            }
        }
        const EditorState end = StateOf(editor);
        while (editor.UndoDepth() > startDepth) ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
        EXPECT_EQ(StateOf(editor), start);
        while (editor.Redo() == EditOutcome::Changed) {}
        EXPECT_EQ(StateOf(editor), end);
    }
}

}  // namespace
}  // namespace authoring
