// Undo and redo: whole-document replacements, strokes, tab operations, refused edits, and long
// random sequences.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <string>

#include "authoring/constraint_tab.h"
#include "core/step_grid.h"
#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

using Operation = std::function<void(Editor&)>;

TEST(EditorUndo, CreateLoadAndImportAreOneStepBackToTheWholeSession) {
    // A loaded session with fewer states must never meet the old session's rule records.
    const formats::SessionSnapshot loaded = SessionOf(RowEditor());
    const auto imported = [] {
        return formats::ParseGollyRuletableText("@TABLE\nn_states:4\nsymmetries:none\n0,1,0,0,0,0,0,0,0,3\n");
    };
    const std::vector<std::pair<const char*, Operation>> cases = {
        {"load", [&](Editor& e) { e.LoadSession(loaded); }},
        {"import", [&](Editor& e) { e.AdoptImportedRule(imported()); }},
        {"create", [&](Editor& e) { e.CreateRule(2, core::kSymmetryC4); }},
        {"reset then create", [&](Editor& e) { e.ResetToStartScreen(), e.CreateRule(4, core::kSymmetryC1); }},
        {"reset then load", [&](Editor& e) { e.ResetToStartScreen(), e.LoadSession(loaded); }},
    };
    for (const auto& [name, replace] : cases) {
        SCOPED_TRACE(name);
        Editor editor(ViewSize{}, 7);  // 3 states, D8
        PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
        ASSERT_EQ(Stroke(editor, Frame(1), 1, 0, true), EditOutcome::Changed);  // a rule-change record
        editor.NewTab(PatternKind::Pattern);
        const EditorState before = StateOf(editor);
        const std::size_t depth = editor.UndoDepth();
        replace(editor);
        EXPECT_EQ(std::tuple(editor.UnsavedChanges(), editor.UndoDepth()), std::tuple(false, depth + 1));
        const EditorState after = StateOf(editor);
        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
        EXPECT_EQ(std::tuple(StateOf(editor) == before, editor.Doc().rule.stateCount), std::tuple(true, 3));
        ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
        EXPECT_EQ(std::tuple(StateOf(editor) == after, editor.UnsavedChanges()), std::tuple(true, false));
        // Back to the very start: the old records apply to the old rule only.
        while (editor.Undo() == EditOutcome::Changed) {}
        for (std::uint8_t output : editor.Doc().rule.table) ASSERT_EQ(output, 0);
    }
}

TEST(EditorUndo, AStrokeIsOneStepAndChangesEachCellOnce) {
    Editor editor = RowEditor(core::kSymmetryD8);
    PaintStart(editor, {{1, 0}, {2, 0}});  // a lone cell at (0, 0)
    const std::size_t depth = editor.UndoDepth();
    // Centre, edge neighbour and corner neighbour of a lone cell: three different orbits.
    editor.BeginStroke();
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}}) ASSERT_EQ(editor.PaintCell(Frame(1), x, y, false), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Doc().rule.table[Index2({0, 0, 0, 1, 0, 0, 0, 0, 0})],
                         editor.Doc().rule.table[Index2({1, 0, 0, 0, 0, 0, 0, 0, 0})]),
              std::tuple(depth + 1, 1, 1));

    Editor start(ViewSize{}, 5);  // 3 states
    start.BeginStroke();
    for (int repeat = 0; repeat < 3; ++repeat) start.PaintCell(Frame(0), 0, 0, false);
    EXPECT_EQ(std::tuple(start.Doc().tabs[0].startGrid.CellAt(0, 0), start.UndoDepth()), std::tuple(1, 1u));
    PaintStart(start, {{0, 0}});
    EXPECT_EQ(std::tuple(start.Doc().tabs[0].startGrid.CellAt(0, 0), start.UndoDepth()), std::tuple(2, 2u));
    // The stack keeps 128 steps: the first cell's edit can no longer be undone.
    for (int i = 1; i < 128; ++i) PaintStart(start, {{i, 0}});
    EXPECT_EQ(start.UndoDepth(), 128u);
    while (start.Undo() == EditOutcome::Changed) {}
    EXPECT_EQ(std::tuple(start.Doc().tabs[0].startGrid.CellAt(0, 0), start.Doc().tabs[0].startGrid.CellAt(1, 0)), std::tuple(1, 0));
}

TEST(EditorUndo, AnEditWhoseRebuildIsRefusedChangesNothing) {
    // Start cells 10^9 rows apart would need a 64 GB copy to scan, and cells past the plane's width
    // cannot be scanned at all: the edit goes back whole, its step, title and redo record included.
    const auto spread = [](std::int32_t farX, std::int32_t farY) {
        return [=](Editor& e) {
            formats::SessionSnapshot session = e.ToSession();
            session.patterns[0].startGrid.SetCell(0, -1, 1);
            session.patterns[0].startGrid.SetCell(farX, farY, 1);
            e.LoadSession(session);
        };
    };
    const std::vector<std::pair<const char*, Operation>> refused = {
        {"paint", [](Editor& e) { Stroke(e, Frame(0), 0, 1000000000); }},
        {"paste", [](Editor& e) { std::string text; e.PastePattern(formats::ParseRle("x=1,y=1000000001\no1000000000$o!"), text); }},
        {"load past the plane's width", spread(2147483647, -1)},
        {"load far apart", spread(1000000000, 1000000000)},
    };
    for (const auto& [name, operation] : refused) {
        SCOPED_TRACE(name);
        Editor editor = RowEditor();
        PaintStart(editor, {{0, 2}});
        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);  // a redo record to keep
        const EditorState before = StateOf(editor);
        const auto bookkeeping = std::tuple(editor.UndoDepth(), editor.UnsavedChanges());
        EXPECT_THROW(operation(editor), std::length_error);
        EXPECT_EQ(std::tuple(StateOf(editor) == before, std::tuple(editor.UndoDepth(), editor.UnsavedChanges())),
                  std::tuple(true, bookkeeping));
        ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
        EXPECT_EQ(editor.Doc().tabs[0].startGrid.CellAt(0, 2), 1);
    }
    // Within a stroke only the refused cell goes back; the stroke stays one step.
    Editor editor = RowEditor();
    ASSERT_EQ(Stroke(editor, Frame(0), 4, 0), EditOutcome::Changed);
    const EditorState painted = StateOf(editor);
    const std::size_t strokeDepth = editor.UndoDepth();
    EXPECT_THROW(editor.PaintCell(Frame(0), 4, 1000000000, false), std::length_error);
    EXPECT_EQ(std::tuple(StateOf(editor) == painted, editor.UndoDepth()), std::tuple(true, strokeDepth));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().tabs[0].startGrid.CellAt(4, 0), 0);
}

TEST(EditorUndo, ALoadedSessionSavesAgainUnchangedAndATooLargeOneIsRefused) {
    Editor editor(ViewSize{800, 600}, 7);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
    editor.NewTab(PatternKind::Pattern);
    PaintStart(editor, {{5, 5}});
    const std::vector<std::uint8_t> saved = Saved(editor);
    Editor other(ViewSize{}, 99);
    other.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(saved)));
    EXPECT_EQ(std::tuple(Saved(other) == saved, other.UnsavedChanges()), std::tuple(true, false));
    EXPECT_EQ(other.Doc().tabs[0].ownLockedTransitions, editor.Doc().tabs[0].ownLockedTransitions);
    formats::SessionSnapshot huge = editor.ToSession();
    huge.stateCount = 16;  // the memory check refuses a 64 GiB table on this machine or the table fails
    const auto available = core::QueryAvailableMemory();
    if (available && *available < (std::uint64_t{70} << 30)) {
        EXPECT_THROW(other.LoadSession(huge), std::runtime_error);
        EXPECT_EQ(Saved(other), saved);
    }
}

TEST(EditorUndo, TabOperationsRestoreTheRuleConstraintsChanged) {
    // A constraint tab after tab 0 wants a lone cell to survive; tab 0 uses that transition with
    // output 0, so the constraint takes it only once tab 0 is gone.
    const std::uint64_t alone = Index2({0, 0, 0, 0, 1, 0, 0, 0, 0});
    const std::vector<std::pair<const char*, Operation>> operations = {
        {"close", [](Editor& e) { e.CloseTab(0); }},
        {"drag", [](Editor& e) { e.MoveTab(0, 1, true), e.EndTabDrag(); }},
        {"clear the start grid", [](Editor& e) { e.DeleteSelection(Frame(0), {-2, -2, 2, 2}); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        Editor editor = NewRule(2, core::kSymmetryD8, 5);
        editor.NewTab(PatternKind::Constraint);
        editor.CycleSlotState(0, 4, false);
        editor.CycleSlotState(0, kOutputSlot, false);
        editor.SelectTab(0);
        PaintStart(editor, {{0, 0}});
        Stroke(editor, Frame(1), 0, 0);  // the lone cell now dies
        ASSERT_EQ(editor.Doc().rule.table[alone], 0);
        const EditorState before = StateOf(editor);
        operation(editor);
        ASSERT_EQ(editor.Doc().rule.table[alone], 1);
        const EditorState after = StateOf(editor);
        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
        EXPECT_EQ(std::tuple(editor.Doc().rule.table[alone], StateOf(editor) == before), std::tuple(0, true));
        ASSERT_EQ(editor.Redo(), EditOutcome::Changed);
        EXPECT_EQ(StateOf(editor), after);
    }
}

TEST(EditorUndo, FrameRandomizerEndsBeforeUndoLoadAndReplacements) {
    const formats::SessionSnapshot loaded = SessionOf(RowEditor());
    const std::vector<std::pair<const char*, Operation>> enders = {
        {"undo", [](Editor& e) { e.Undo(); }},
        {"redo", [](Editor& e) { e.Undo(), e.Redo(); }},
        {"load", [&](Editor& e) { e.LoadSession(loaded); }},
        {"create", [](Editor& e) { e.CreateRule(3, core::kSymmetryD8); }},
        {"reset", [](Editor& e) { e.ResetToStartScreen(); }},
        {"extend", [](Editor& e) { e.ExtendRule(4); }},
        {"minrule", [](Editor& e) { e.TakeMinrule(); }},
    };
    for (const auto& [name, end] : enders) {
        SCOPED_TRACE(name);
        Editor editor = BlobEditor();
        ASSERT_EQ(editor.RandomizeFrames(1, kOpenGenerationEnd), EditOutcome::Changed);
        end(editor);
        EXPECT_FALSE(editor.FrameRandomizerActive());
        // Every shown generation follows the rule again: nothing stays pinned.
        for (const PatternSequence& tab : editor.Doc().tabs) EXPECT_TRUE(tab.keyframeOverrides.empty());
        const PatternSequence& tab = editor.Doc().tabs[0];
        const auto near = [](const core::ChunkGrid& grid) {
            std::vector<std::uint8_t> cells;
            for (int y = -12; y <= 12; ++y)
                for (int x = -12; x <= 12; ++x) cells.push_back(grid.CellAt(x, y));
            return cells;
        };
        for (std::size_t g = 1; g < tab.generations.size(); ++g) {
            core::ChunkGrid next;
            core::StepGrid(editor.Doc().rule, tab.generations[g - 1], next);
            EXPECT_EQ(near(next), near(tab.generations[g])) << "generation " << g;
        }
        EXPECT_EQ(editor.RandomizeViewerFrames(), EditOutcome::Unchanged);
    }
}

TEST(EditorUndo, UndoBackToTheSavedStateIsClean) {
    Editor editor = RowEditor();
    editor.NewTab(PatternKind::Pattern);
    editor.MarkSaved();
    std::vector<bool> unsaved{editor.UnsavedChanges()};
    // Closing, undoing back to the saved state and past it, redoing, and renaming (an edit too).
    for (const Operation& step : std::vector<Operation>{[](Editor& e) { e.CloseTab(1); }, [](Editor& e) { e.Undo(); },
                                                        [](Editor& e) { e.Undo(); }, [](Editor& e) { e.Redo(); },
                                                        [](Editor& e) { e.RenameTab(0, "row"); }}) {
        step(editor);
        unsaved.push_back(editor.UnsavedChanges());
    }
    EXPECT_EQ(unsaved, (std::vector<bool>{false, true, false, true, false, true}));
}

// Random edits, strokes, closes, loads, imports and extensions; then undo all and redo all.
TEST(EditorUndo, LongRandomSequencesUndoAndRedoExactly) {
    const formats::SessionSnapshot twoStates = SessionOf(RowEditor(core::kSymmetryD8));
    for (std::uint32_t seed : {2024u, 7u, 99u}) {
        SCOPED_TRACE(seed);
        Editor editor(ViewSize{}, 7);
        editor.NewTab(PatternKind::Constraint);
        editor.CycleSlotState(0, 1, false);
        editor.CycleSlotState(0, kOutputSlot, false);
        editor.SelectTab(0);
        std::mt19937 rng(seed);
        EditorState start = StateOf(editor);
        std::size_t startDepth = editor.UndoDepth();
        for (int step = 0; step < 90; ++step) {
            editor.BeginStroke();
            const int n = editor.Doc().rule.stateCount;
            switch (rng() % 10) {
                case 0: editor.NewTab(PatternKind::Pattern); break;
                case 1:
                    for (int k = 0; k < 4; ++k) editor.PaintCell(Frame(0), int(rng() % 6), int(rng() % 6), rng() % 2);
                    break;
                case 2:
                case 3:
                    for (int k = 0; k < 3; ++k)
                        editor.PaintCell(Frame(1 + rng() % 4), int(rng() % 8) - 1, int(rng() % 8) - 1, rng() % 2);
                    break;
                case 4: editor.SelectTab(rng() % (editor.Doc().tabs.size() + 1)); break;
                case 5: editor.CloseTab(rng() % editor.Doc().tabs.size()); break;
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
                case 9: editor.MoveTab(0, editor.Doc().tabs.size() - 1, true), editor.EndTabDrag(); break;
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
