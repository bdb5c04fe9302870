// The per-generation locks of the viewed tab, the locked-overlay query, and loads of far generations.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

#include "authoring/editor.h"
#include "core/symmetry.h"
#include "formats/session_file.h"
#include "tests/authoring/lock_reference.h"

namespace authoring {
namespace {

using namespace testing;

TEST(EditorLocks, TablesAndTheOverlayQueryMatchARecomputation) {
    struct Case {
        int states;
        core::RuleSymmetry symmetry;
        std::int32_t currentGeneration;
    };
    const Case cases[] = {{2, core::kSymmetryC4, 0}, {3, core::kSymmetryD8, 0}, {4, core::kSymmetryC1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.states);
        Editor editor(ViewSize{}, 3);
        editor.CreateRule("", c.states, c.symmetry, "creating this rule");
        std::mt19937 rng(static_cast<std::uint32_t>(c.states));
        // A random rule first: drawing locks the transitions the pattern uses.
        ASSERT_EQ(editor.RandomizeUndefinedTransitions(rng()), EditOutcome::Changed);
        editor.BeginStroke();
        for (int i = 0; i < 14; ++i)
            editor.PaintStartCell(static_cast<std::int32_t>(rng() % 6), static_cast<std::int32_t>(rng() % 6), false);
        editor.SetCurrentGeneration(c.currentGeneration);
        const PatternSequence& tab = editor.Tabs()[0];
        const int n = c.states;
        const std::uint64_t entryCount = core::RuleTableSize(n);

        // Each generation's table in full, from the definition.
        PackedLockTable base(entryCount);
        base.Insert(0);
        EXPECT_EQ(tab.locks.Base(), base);
        std::vector<PackedLockTable> dense;
        for (const core::ChunkGrid& grid : tab.generations)
            dense.push_back(DenseLockStep(grid, dense.empty() ? base : dense.back(), c.symmetry, n));
        ASSERT_EQ(tab.locks.GenerationCount(), dense.size());
        for (std::uint64_t i = 0; i < entryCount; ++i)
            for (std::size_t g = 0; g < dense.size(); ++g)
                ASSERT_EQ(tab.locks.Contains(i, g), dense[g].Contains(i)) << i << " at " << g;
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

        // A frame's cell is locked when painting its successor on the next frame is refused.
        bool checkedLocked = false, checkedFree = false;
        for (std::size_t frame = 0; frame < 9; ++frame) {
            const std::size_t g = static_cast<std::size_t>(c.currentGeneration) + frame;
            ASSERT_LT(g, tab.generations.size());
            const PackedLockTable& guard = g == 0 ? base : dense[g - 1];
            for (std::int32_t y = -3; y <= 9; ++y)
                for (std::int32_t x = -3; x <= 9; ++x) {
                    const core::Neighborhood digits = DigitsAt(tab.generations[g], x, y);
                    const bool locked = guard.Contains(core::CanonicalIndex(c.symmetry, n, digits));
                    ASSERT_EQ(editor.IsCellNeighborhoodLocked(frame, x, y), locked) << frame << " " << x << "," << y;
                    if (frame == 8 || digits == core::Neighborhood{} || (locked ? checkedLocked : checkedFree)) continue;
                    editor.BeginStroke();
                    const EditOutcome outcome = editor.PaintFrameCell(frame + 1, x, y, false);
                    EXPECT_EQ(outcome == EditOutcome::Refused, locked) << frame << " " << x << "," << y;
                    if (outcome == EditOutcome::Changed) {
                        ASSERT_EQ(editor.Undo(), EditOutcome::Changed);
                    }
                    (locked ? checkedLocked : checkedFree) = true;
                }
        }
        EXPECT_TRUE(checkedLocked);
        EXPECT_TRUE(checkedFree);
        EXPECT_FALSE(editor.IsCellNeighborhoodLocked(9, 0, 0));  // beyond the frames in use
        editor.SelectTab(1);  // the rule editor page shows no frames
        EXPECT_FALSE(editor.IsCellNeighborhoodLocked(0, 100, 100));
    }
}

TEST(EditorLocks, AFarGenerationLoadsInModestMemoryOrIsRefusedClearly) {
    for (int states : {4, 5}) {
        SCOPED_TRACE(states);
        Editor editor(ViewSize{}, 3);
        editor.CreateRule("", states, core::kSymmetryD8, "creating this rule");
        editor.BeginStroke();
        for (int x = 0; x < 3; ++x) editor.PaintStartCell(x, 0, false);
        formats::SessionSnapshot session = editor.ToSession();
        constexpr std::uint32_t kLoadBound = 1u << 16;  // loads hold positions to this
        const std::uint64_t nearBytes = SessionLoadWorkingBytes(session, kLoadBound, 9);
        session.patterns[0].currentGeneration = 65536;
        const std::uint64_t farBytes = SessionLoadWorkingBytes(session, kLoadBound, 9);
        EXPECT_GT(farBytes, nearBytes);
        EXPECT_LT(farBytes, std::uint64_t{64} << 20);
        // Where the machine lacks the room, the memory message names the working memory too.
        core::RuleTable table;
        try {
            core::AllocateRuleTable(table, states, "loading this session", farBytes,
                                    [] { return std::optional<std::uint64_t>(std::uint64_t{256} << 20); });
            ADD_FAILURE() << "not refused";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("Estimated additional working memory"), std::string::npos);
        }

        try {
            editor.LoadSession(session);
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("does not have enough memory"), std::string::npos) << e.what();
            continue;
        }
        const PatternSequence& tab = editor.Tabs()[0];
        EXPECT_EQ(tab.generations.size(), 65536u + 9u);
        EXPECT_EQ(tab.locks.GenerationCount(), 65536u + 9u);
        // The base, the running table and the few own locks; not one table per generation.
        EXPECT_LE(tab.locks.ByteSize(), GenerationLocks::MinimumBytes(core::RuleTableSize(states)) + 16384);
        EXPECT_TRUE(tab.locks.Contains(0, 65540));
        EXPECT_TRUE(editor.IsCellNeighborhoodLocked(3, 1, 0));  // all background there
    }
}

}  // namespace
}  // namespace authoring
