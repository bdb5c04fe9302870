#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "core/life_grid.h"
#include "core/overlay_layer.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/worker_pool.h"
#include "tests/support/test_rules.h"

namespace core {
namespace {

struct Case {
    int states;
    double density;
    int side;                // a dense soup of that side, or
    int islands;             // that many 6 x 6 soups scattered over 3000 x 3000 cells (the chunk strategy)
    std::int64_t x0, y0;     // where the pattern starts; near the plane's edges it is cut there
    bool background;         // the rule turns empty neighbourhoods live
};

ChunkGrid Pattern(const Case& c) {
    std::vector<std::uint8_t> cells;
    ChunkGrid grid;
    std::mt19937 rng(c.states);
    const int pieces = c.islands ? c.islands : 1, side = c.islands ? 6 : c.side;
    for (int i = 0; i < pieces; ++i) {
        const std::int64_t x = c.x0 + (c.islands ? rng() % 3000 : 0), y = c.y0 + (c.islands ? rng() % 3000 : 0);
        CopyGridRegionToBuffer(MakeRandomSoup(side, c.density, c.states, rng()), 0, 0, side, side, cells);
        for (int k = 0; k < side * side; ++k)
            if (cells[k] && x + k % side <= kPlaneMax && y + k / side <= kPlaneMax)
                grid.SetCell(static_cast<std::int32_t>(x + k % side), static_cast<std::int32_t>(y + k / side), cells[k]);
    }
    return grid;
}

template <class Map, class Same>
void ExpectSameChunks(const Map& a, const Map& b, Same same) {
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [coord, chunk] : a) {
        const auto it = b.find(coord);
        ASSERT_NE(it, b.end()) << coord.x << "," << coord.y;
        ASSERT_TRUE(same(chunk, it->second)) << coord.x << "," << coord.y;
    }
}

struct Generation { ChunkGrid grid; HistoryLayer history; LineageLayer lineage; };

// Six generations of grid, trails and lineage on `threads` threads; keyed steps reuse what did
// not change from the third on, and their trails advance in place.
std::vector<Generation> Generations(const Rule& rule, const ChunkGrid& start, int threads, bool keyed = false) {
    SetWorkerThreadCount(threads);
    StepScratch scratch;
    const std::uint64_t key = keyed ? NewRuleKey() : 0;
    std::vector<Generation> runs(1, Generation{start, {}, {}});
    start.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        for (int i = 0; i < kChunkCells; i += 7)
            if (chunk.cells[i]) runs[0].lineage.SetValue(cx * 64 + i % 64, cy * 64 + i / 64, 1 + i % 8);
    });
    HistoryLayer trails;
    for (int g = 0; g < 6; ++g) {
        const Generation& last = runs.back();
        Generation next;
        StepGrid(rule, last.grid, next.grid, scratch, key);
        if (keyed) {
            AdvanceHistory(last.grid, next.grid, trails);
            next.history = trails;
            trails.EnsureUnique();
        } else {
            StepHistory(last.grid, last.history, next.grid, next.history);
        }
        StepLineages(last.grid, last.lineage, next.grid, next.lineage);
        runs.push_back(next);
    }
    SetWorkerThreadCount(0);
    return runs;
}

TEST(StepThreads, ManyThreadsStepExactlyAsOne) {
    constexpr std::int64_t kLo = kPlaneMin, kHi = kPlaneMax;
    const Case cases[] = {
        {2, 0.5, 330, 0, -100, -37, false},      {3, 0.9, 300, 0, 5, 70, false},
        {4, 0.6, 400, 0, kHi - 250, kLo, false}, {5, 0.3, 260, 0, -130, 60, true},
        {6, 0.6, 0, 60, -1500, -1500, false},    {7, 0.05, 400, 0, kLo, kHi - 300, false},
        {8, 0.7, 0, 50, kHi - 2990, 0, false},   {9, 0.5, 250, 0, kLo + 3, kLo + 40, true},
        {10, 0.6, 0, 40, 0, 0, false},           {2, 0.2, 300, 0, 64, -64, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.states << " states at " << c.x0 << "," << c.y0);
        Rule rule = testsupport::BlockRule(c.states, 7 * c.states);
        rule.table[0] = c.background ? 1 : 0;
        const ChunkGrid start = Pattern(c);
        const std::vector<Generation> one = Generations(rule, start, 1), many = Generations(rule, start, 3),
                                      keyed = Generations(rule, start, 3, true);
        for (std::size_t g = 1; g < one.size(); ++g) {
            auto sameCells = [](const Chunk64& a, const Chunk64& b) {
                return a.cells == b.cells && a.liveCount == b.liveCount && a.emptyAge == b.emptyAge;
            };
            ExpectSameChunks(one[g].grid.Chunks(), many[g].grid.Chunks(), sameCells);
            ExpectSameChunks(one[g].grid.Chunks(), keyed[g].grid.Chunks(), sameCells);
            auto sameValues = [](const auto& a, const auto& b) {
                return a.values == b.values && a.nonZeroCount == b.nonZeroCount;
            };
            ExpectSameChunks(one[g].history.Chunks(), many[g].history.Chunks(), sameValues);
            ExpectSameChunks(one[g].history.Chunks(), keyed[g].history.Chunks(), sameValues);
            ExpectSameChunks(one[g].lineage.Chunks(), many[g].lineage.Chunks(), sameValues);
        }
        EXPECT_GT(one.back().grid.ChunkCount(), 16u);  // enough chunks for several bands
    }
}

TEST(StepThreads, PackedLifeOnManyThreadsStepsExactlyAsOnOne) {
    const LifeLikeRule life{1u << 3, 1u << 2 | 1u << 3};
    const ChunkGrid start = MakeRandomSoup(400, 0.45, 2, 11);
    ChunkGrid results[2];
    for (int run = 0; run < 2; ++run) {
        SetWorkerThreadCount(run == 0 ? 1 : 4);
        LifeGrid packed(start);
        for (int g = 0; g < 120; ++g) packed.Step(life);
        results[run] = packed.ToChunkGrid();
    }
    SetWorkerThreadCount(0);
    ExpectSameChunks(results[0].Chunks(), results[1].Chunks(),
                     [](const Chunk64& a, const Chunk64& b) { return a.cells == b.cells; });
}

TEST(StepThreads, PoolRunsEveryTaskOnceRethrowsAndRunsNestedCallsInline) {
    SetWorkerThreadCount(3);
    std::vector<int> hits(200, 0);
    auto task = [&](int i) {
        auto inner = [&](int j) { hits[static_cast<std::size_t>(i * 10 + j)] += 1; };
        ParallelFor(10, inner);
    };
    ParallelFor(20, task);
    EXPECT_EQ(hits, std::vector<int>(200, 1));
    auto failing = [](int i) {
        if (i == 13) throw std::runtime_error("task 13");
    };
    EXPECT_THROW(ParallelFor(40, failing), std::runtime_error);
    ParallelFor(20, task);
    EXPECT_EQ(hits, std::vector<int>(200, 2));
    SetWorkerThreadCount(0);
}

}  // namespace
}  // namespace core
