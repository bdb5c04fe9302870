#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/worker_pool.h"
#include "tests/support/test_rules.h"

namespace core {
namespace {

// Most neighbourhoods keep their centre, so soups settle into still and periodic remains.
Rule SettlingRule(int states, std::uint32_t seed, std::uint32_t changePermille) {
    Rule rule{states, 0, RuleTable(RuleTableSize(states))};
    const std::uint64_t n = static_cast<std::uint64_t>(states), centreUnit = n * n * n * n;  // the centre's weight
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        std::uint64_t h = (i + seed) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
        rule.table[i] = h % 1000 < changePermille ? static_cast<std::uint8_t>((h >> 20) % states)
                                                  : static_cast<std::uint8_t>(i / centreUnit % states);
    }
    rule.table[0] = 0;
    return rule;
}

// Life but for one way of a dead cell having seven live neighbours, which gives birth: soups
// behave much as Life's, and the table is not a count rule, so it is stepped by lookup, which
// records what changed, not bitwise.
Rule AlmostLife() {
    Rule rule = testsupport::LifeRule();
    rule.table[511 - 256 - 16] = 1;
    return rule;
}

ChunkGrid Shifted(const ChunkGrid& grid, std::int32_t dx, std::int32_t dy) {
    ChunkGrid moved;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        for (int i = 0; i < kChunkCells; ++i)
            if (chunk.cells[i]) moved.SetCell(cx * kChunkSide + i % kChunkSide + dx, cy * kChunkSide + i / kChunkSide + dy,
                                              chunk.cells[i]);
    });
    return moved;
}

void ExpectSameGrid(const ChunkGrid& a, const ChunkGrid& b) {
    ASSERT_EQ(a.ChunkCount(), b.ChunkCount());
    a.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        const Chunk64* other = b.FindChunk(cx, cy);
        ASSERT_NE(other, nullptr) << cx << "," << cy;
        ASSERT_TRUE(chunk.cells == other->cells && chunk.liveCount == other->liveCount &&
                    chunk.emptyAge == other->emptyAge)
            << cx << "," << cy;
    });
}

struct KeyedRun {
    std::vector<Rule> rules;  // stepped in turn
    ChunkGrid start;
    int generations;
    int threads;
    // Called on the keyed and the plain grid alike before generation g is stepped.
    std::function<void(int g, ChunkGrid&)> edit;
};

// Steps the run with keys and without, every generation compared.
void ExpectKeyedStepsExact(const KeyedRun& run) {
    SetWorkerThreadCount(run.threads);
    std::vector<std::uint64_t> keys;
    for (std::size_t i = 0; i < run.rules.size(); ++i) keys.push_back(NewRuleKey());
    ChunkGrid keyed = run.start, plain = run.start;
    StepScratch keyedScratch, plainScratch;
    for (int g = 0; g < run.generations; ++g) {
        if (run.edit) {
            run.edit(g, keyed);
            run.edit(g, plain);
        }
        const std::size_t phase = static_cast<std::size_t>(g) % run.rules.size();
        ChunkGrid nextKeyed, nextPlain;
        StepGrid(run.rules[phase], keyed, nextKeyed, keyedScratch, keys[phase]);
        StepGrid(run.rules[phase], plain, nextPlain, plainScratch);
        keyed = nextKeyed;
        plain = nextPlain;
        SCOPED_TRACE(::testing::Message() << "generation " << g + 1);
        ExpectSameGrid(keyed, plain);
        if (::testing::Test::HasFatalFailure()) break;
    }
    SetWorkerThreadCount(0);
}

TEST(StepReuse, KeyedRunsStepCellForCellAsFullSteps) {
    const Rule life = AlmostLife();
    const ChunkGrid lifeSoup = Shifted(MakeRandomSoup(200, 0.5, 2, 3), -100, -37);
    ChunkGrid sparse;
    for (int i = 0; i < 12; ++i) {
        const ChunkGrid island = Shifted(MakeRandomSoup(10, 0.5, 2, 40 + i), i * 150 - 900, (i * 77) % 600 - 300);
        island.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
            for (int k = 0; k < kChunkCells; ++k)
                if (chunk.cells[k]) sparse.SetCell(cx * kChunkSide + k % kChunkSide, cy * kChunkSide + k / kChunkSide, 1);
        });
    }
    const struct {
        const char* name;
        KeyedRun run;
    } cases[] = {
        {"Life soup across chunk edges", {{life}, lifeSoup, 260, 2, nullptr}},
        {"sparse Life islands, chunk by chunk", {{life}, sparse, 200, 1, nullptr}},
        {"two-state table, not a count rule", {{SettlingRule(2, 5, 150)}, MakeRandomSoup(150, 0.5, 2, 1), 120, 2, nullptr}},
        {"3 states", {{SettlingRule(3, 6, 40)}, Shifted(MakeRandomSoup(160, 0.6, 3, 2), -70, 30), 200, 2, nullptr}},
        {"4 states, sparse soup", {{SettlingRule(4, 7, 30)}, MakeRandomSoup(190, 0.15, 4, 3), 200, 1, nullptr}},
        {"5 states", {{SettlingRule(5, 8, 20)}, MakeRandomSoup(140, 0.5, 5, 4), 150, 2, nullptr}},
        {"7 states", {{SettlingRule(7, 9, 10)}, MakeRandomSoup(130, 0.6, 7, 5), 80, 2, nullptr}},
        {"two rules in turn", {{life, SettlingRule(2, 11, 100)}, lifeSoup, 120, 2, nullptr}},
        {"Life itself, stepped bitwise", {{testsupport::LifeRule()}, lifeSoup, 60, 2, nullptr}},
        {"cells painted while running",
         {{life},
          lifeSoup,
          160,
          2,
          [](int g, ChunkGrid& grid) {
              if (g % 37 == 36)
                  for (int k = 0; k < 9; ++k) grid.SetCell(g - 100 + k % 3, -37 + k / 3 + g % 64, 1);
          }}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectKeyedStepsExact(c.run);
    }
}

TEST(StepReuse, SettledRemainsAreRecognisedAsStillAndPeriodTwo) {
    // A block at the origin and a blinker two chunks east, each alone in its chunk.
    ChunkGrid grid;
    for (auto [x, y] : {std::pair{10, 10}, {11, 10}, {10, 11}, {11, 11}, {140, 20}, {141, 20}, {142, 20}})
        grid.SetCell(x, y, 1);
    const Rule life = AlmostLife();
    const std::uint64_t key = NewRuleKey();
    for (int g = 0; g < 4; ++g) {
        ChunkGrid next;
        StepGrid(life, grid, next, key);
        grid = next;
    }
    const Chunk64* block = grid.FindChunk(0, 0);
    const Chunk64* blinker = grid.FindChunk(2, 0);
    ASSERT_TRUE(block && blinker);
    EXPECT_EQ(block->changedSince1, 0u);
    EXPECT_EQ(block->changedSince2, 0u);
    EXPECT_NE(blinker->changedSince1, 0u);
    EXPECT_EQ(blinker->changedSince2, 0u);
    // A change to the grid forgets how it came to be; an unkeyed step records nothing.
    ChunkGrid edited = grid;
    edited.SetCell(500, 500, 1);
    EXPECT_EQ(edited.History().madeBy, 0u);
    EXPECT_EQ(grid.History().madeBy, key);
    ChunkGrid plain;
    StepGrid(life, grid, plain);
    EXPECT_EQ(plain.History().madeBy, 0u);
}

}  // namespace
}  // namespace core
