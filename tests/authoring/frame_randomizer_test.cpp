#include <gtest/gtest.h>

#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

// A 3-state D8 editor with a small blob in tab 0, everything else undefined.
Editor BlobEditor() {
    Editor editor(ViewSize{}, 4);
    testing::PaintStart(editor, {{0, 0}, {1, 0}, {2, 1}, {1, 2}});
    return editor;
}

TEST(FrameRandomizer, RefusalsAndOneShotRun) {
    Editor editor = BlobEditor();
    editor.SetRandomizerSeed(10);
    EXPECT_EQ(editor.StartFrameRandomizer(false, 2, false), EditOutcome::Refused);  // focus elsewhere
    EXPECT_EQ(editor.StartFrameRandomizer(false, -1, true), EditOutcome::Refused);  // no hovered frame
    EXPECT_EQ(editor.StartFrameRandomizer(false, 9, true), EditOutcome::Refused);   // beyond the frames
    const std::size_t depth = editor.UndoDepth();
    ASSERT_EQ(editor.StartFrameRandomizer(false, 1, true), EditOutcome::Changed);
    // Done at once; ending clears the pins; one undo step.
    EXPECT_EQ(std::tuple(editor.FrameRandomizerActive(), editor.Tabs()[0].keyframeOverrides.empty(), editor.UndoDepth()),
              std::tuple(false, true, depth + 1));
    ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
    for (std::uint8_t output : editor.Rule().table) ASSERT_EQ(output, 0);
}

TEST(FrameRandomizer, SeedsAdvanceSoRunsDiffer) {
    Editor first = BlobEditor(), second = BlobEditor();
    first.SetRandomizerSeed(10);
    second.SetRandomizerSeed(10);
    ASSERT_EQ(first.StartFrameRandomizer(false, 1, true), EditOutcome::Changed);
    ASSERT_EQ(second.StartFrameRandomizer(false, 1, true), EditOutcome::Changed);
    EXPECT_EQ(first.Rule().table, second.Rule().table);  // same seed, same draw
    ASSERT_EQ(first.Undo(), EditOutcome::Changed);
    ASSERT_EQ(first.StartFrameRandomizer(false, 1, true), EditOutcome::Changed);
    EXPECT_NE(first.Rule().table, second.Rule().table);  // the counter moved on
}

TEST(FrameRandomizer, UntilEndPinsEarlierFramesAndKeepsRunning) {
    Editor editor = BlobEditor();
    editor.SetRandomizerSeed(3);
    ASSERT_EQ(editor.StartFrameRandomizer(true, 1, true), EditOutcome::Changed);
    EXPECT_TRUE(editor.FrameRandomizerActive());
    const PatternSequence& tab = editor.Tabs()[0];
    ASSERT_FALSE(tab.keyframeOverrides.empty());
    // Every pinned generation is what the tab shows.
    for (const KeyframeOverride& pinned : tab.keyframeOverrides) {
        if (pinned.generation == 0 || pinned.generation >= tab.generations.size()) continue;
        EXPECT_TRUE(pinned.grid.SharesStorageWith(tab.generations[pinned.generation])) << pinned.generation;
    }
    // A second run over the same frames finds nothing new to draw.
    EXPECT_EQ(editor.RandomizeViewerFrames(true), EditOutcome::Unchanged);
    editor.TakeMinrule();
    EXPECT_FALSE(editor.FrameRandomizerActive());
    EXPECT_TRUE(editor.Tabs()[0].keyframeOverrides.empty());
}

}  // namespace
}  // namespace authoring
