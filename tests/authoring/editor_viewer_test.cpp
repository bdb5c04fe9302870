// The operations the window calls: source grid, markers, lock jump, paste, palette, cameras.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "formats/rle.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;

TEST(EditorViewer, SourceGridPaintingStepsAndUndo) {
    Editor editor = RowEditor();
    editor.RandomizeSource(16, 0.0, 1, false);
    const std::size_t depth = editor.UndoDepth();
    editor.BeginStroke();
    for (int repeat = 0; repeat < 2; ++repeat)
        for (int x = 0; x < 3; ++x) editor.PaintSourceCell(x, 0, false);
    EXPECT_EQ(editor.UndoDepth(), depth + 1);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(editor.Doc().source.grid.CellAt(x, 0), 1);
    EXPECT_FALSE(editor.StepSourceBack());  // generation 0
    editor.StepSource();
    editor.StepSource();
    const SourceRun& source = editor.Doc().source;
    EXPECT_EQ(std::tuple(source.generation, source.grid.CellAt(1, 0)), std::tuple(2, 0));  // the empty rule kills the row
    ASSERT_TRUE(editor.StepSourceBack());
    EXPECT_EQ(source.generation, 1);
    editor.ResetSource();
    EXPECT_EQ(std::tuple(source.generation, source.grid.CellAt(1, 0)), std::tuple(0, 1));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().source.grid.CellAt(1, 0), 0);
    // Shift+R: a new soup of the stored size, and the run starts over.
    editor.RandomizeSource(20, 1.0, 9, true);
    EXPECT_EQ(std::tuple(source.patternSize, source.grid.CellAt(19, 19), source.generation), std::tuple(20, 1, 0));
}

TEST(EditorViewer, RightPressRemovesOneMarker) {
    Editor editor = MarkedEditor();
    ASSERT_EQ(editor.Tabs()[1].brokenMarkers.size(), 1u);
    EXPECT_EQ(editor.RemoveBrokenMarker(1, 0, 5), EditOutcome::Unchanged);  // no marker there
    EXPECT_EQ(editor.RemoveBrokenMarker(0, 1, 5), EditOutcome::Refused);    // generation 0
    EXPECT_EQ(editor.RemoveBrokenMarker(1, 1, 5), EditOutcome::Changed);
    EXPECT_TRUE(editor.Tabs()[1].brokenMarkers.empty());
}

TEST(EditorViewer, LockJumpGoesToTheOwningTab) {
    Editor editor = MarkedEditor();
    // Tab 1's row centre uses W, C, E alive, which tab 0 owns and uses at generation 0.
    const std::optional<LockJumpTarget> jump = editor.JumpToLock(1, 1, 5, 3);
    ASSERT_TRUE(jump.has_value() && jump->cell.has_value());
    EXPECT_EQ(std::tuple(jump->tab, jump->frame, jump->cell->second, editor.Doc().selectedTab), std::tuple(0u, 0u, 0, 0));
    // Frame 0 shows the start pattern: nothing produced it.
    EXPECT_FALSE(editor.JumpToLock(0, 1, 0, 3).has_value());
    // A cell far from the row uses the background, locked without an owner tab.
    EXPECT_FALSE(editor.JumpToLock(1, 50, 50, 3).has_value());
}

TEST(EditorViewer, PasteReplacesTheStartPatternUndoably) {
    Editor editor(ViewSize{}, 3);  // 3 states
    std::string refusal;
    EXPECT_EQ(editor.PastePattern(formats::ParseRle("x=1,y=1\nC!"), refusal), EditOutcome::Refused);
    EXPECT_EQ(refusal, "This RLE uses state 3, but the current rule only has 3 states.");
    const std::size_t depth = editor.UndoDepth();
    ASSERT_EQ(editor.PastePattern(formats::ParseRle("x=3,y=1\n2.B!"), refusal), EditOutcome::Changed);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Tabs()[0].startGrid.CellAt(2, 0), editor.Tabs()[0].currentGeneration),
              std::tuple(depth + 1, 2, 0));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Tabs()[0].startGrid.CellAt(2, 0), 0);
    // Cells 10^9 rows apart would need a 64 GB copy to scan: refused before anything changes.
    EXPECT_THROW(editor.PastePattern(formats::ParseRle("x=1,y=1000000001\no1000000000$o!"), refusal),
                 std::length_error);
    EXPECT_EQ(std::tuple(editor.UndoDepth(), editor.Tabs()[0].startGrid.ChunkCount()), std::tuple(depth, 0u));
    editor.NewConstraintTab();
    EXPECT_THROW(editor.PastePattern(formats::ParseRle("x=1\no!"), refusal), std::runtime_error);
}

TEST(EditorViewer, ColoursAreUndoableAndCamerasAreSaved) {
    Editor editor(ViewSize{}, 3);
    const Palette defaults = editor.Doc().colors;
    editor.SetStateColor(2, Color{1, 0, 0, 1});
    EXPECT_EQ(editor.Doc().colors[2], (Color{1, 0, 0, 1}));
    editor.RestoreDefaultColors();
    EXPECT_EQ(editor.Doc().colors, defaults);
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().colors[2], (Color{1, 0, 0, 1}));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    EXPECT_EQ(editor.Doc().colors, defaults);
    editor.SetTabCamera(0, Camera{10.5f, -3.0f, 12.0f});
    editor.SetTabBarScroll(40.0f);
    const formats::SessionSnapshot session = editor.ToSession();
    EXPECT_EQ(session.patterns[0].camera, (formats::SessionCamera{10.5f, -3.0f, 12.0f}));
    EXPECT_EQ(session.tabScrollOffset, 40.0f);
}

}  // namespace
}  // namespace authoring
