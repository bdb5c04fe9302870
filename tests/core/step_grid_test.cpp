#include "core/step_grid.h"

#include <gtest/gtest.h>

#include <random>

#include "core/overlay_layer.h"

#include "core/random_soup.h"
#include "tests/support/test_rules.h"

namespace core {
namespace {

bool InPlane(std::int64_t x, std::int64_t y) {
    return x >= kPlaneMin && x <= kPlaneMax && y >= kPlaneMin && y <= kPlaneMax;
}

std::uint8_t PlaneCell(const ChunkGrid& grid, std::int64_t x, std::int64_t y) {
    return InPlane(x, y) ? grid.CellAt(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) : 0;
}

// One cell at a time, in 64-bit coordinates, cells past the plane's edge reading as background:
// every neighbour of a live cell when the background stays empty, else every cell of the live
// chunks' box grown by one cell.
ChunkGrid ReferenceStep(const Rule& rule, const ChunkGrid& current) {
    ChunkGrid next;
    const LiveChunkBounds b = GetLiveChunkBounds(current);
    if (!b.valid) return next;
    auto step = [&](std::int64_t x, std::int64_t y) {
        if (!InPlane(x, y)) return;
        Neighborhood d{};
        for (int k = 0; k < 9; ++k) d[k] = PlaneCell(current, x + k % 3 - 1, y + k / 3 - 1);
        next.SetCell(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                     rule.table[NeighborhoodIndex(d, rule.stateCount)]);
    };
    if (rule.table[0] == 0) {
        current.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
            for (int i = 0; i < kChunkCells; ++i)
                if (chunk.cells[i] != 0)
                    for (int k = 0; k < 9; ++k)
                        step(std::int64_t{cx} * 64 + i % 64 + k % 3 - 1, std::int64_t{cy} * 64 + i / 64 + k / 3 - 1);
        });
        return next;
    }
    for (std::int64_t y = std::int64_t{b.minY} * 64 - 1; y <= std::int64_t{b.maxY} * 64 + 64; ++y)
        for (std::int64_t x = std::int64_t{b.minX} * 64 - 1; x <= std::int64_t{b.maxX} * 64 + 64; ++x) step(x, y);
    return next;
}

void ExpectSameCells(const ChunkGrid& a, const ChunkGrid& b) {
    ASSERT_EQ(a.Population(), b.Population());
    a.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        for (int i = 0; i < kChunkCells; ++i)
            ASSERT_EQ(chunk.cells[i], PlaneCell(b, std::int64_t{cx} * 64 + i % 64, std::int64_t{cy} * 64 + i / 64))
                << cx << "," << cy << " " << i;
    });
}

// Steps `generations` times, each step against the reference; the strategies taken.
std::vector<StepStrategy> StepAgainstReference(const Rule& rule, ChunkGrid grid, int generations) {
    std::vector<StepStrategy> strategies;
    for (ChunkGrid next; generations-- > 0; grid = std::move(next), next = ChunkGrid()) {
        strategies.push_back(StepGrid(rule, grid, next));
        ExpectSameCells(next, ReferenceStep(rule, grid));
    }
    return strategies;
}

TEST(StepGrid, EmptyGridStaysEmptyEvenWhenBackgroundIsBorn) {
    Rule rule = testsupport::RandomRule(3, 1, false);
    rule.table[0] = 2;
    ChunkGrid next;
    EXPECT_EQ((std::tuple{StepGrid(rule, ChunkGrid(), next), next.ChunkCount()}), std::tuple(StepStrategy::None, 0u));
}

TEST(StepGrid, MatchesCellByCellReferenceOnBothStrategies) {
    for (int n : {2, 3, 4, 5, 7}) {
        const Rule rule = testsupport::RandomRule(n, 40 + n);
        std::mt19937 rng(n);
        ChunkGrid grid = MakeRandomSoup(100, 0.4, n, n);
        // Far away islands, across negative chunk borders, for the chunk strategy.
        for (int i = 0; i < 60; ++i) grid.SetCell(-700 + int(rng() % 5), 900 + int(rng() % 5), 1 + rng() % (n - 1));
        for (int i = 0; i < 60; ++i) grid.SetCell(-64 + int(rng() % 3) - 1, -1 + int(rng() % 3) - 1, 1 + rng() % (n - 1));
        StepAgainstReference(rule, grid, 3);
    }
    // A compact block of 5 x 5 live chunks is stepped whole without gathering candidates; so is a
    // rule whose background is born.
    Rule born = testsupport::RandomRule(3, 77, false);
    born.table[0] = 1;
    EXPECT_EQ(StepAgainstReference(testsupport::RandomRule(3, 5), MakeRandomSoup(300, 0.6, 3, 4), 1),
              std::vector{StepStrategy::Rectangle});
    EXPECT_EQ(StepAgainstReference(born, MakeRandomSoup(70, 0.5, 3, 9), 2), std::vector(2, StepStrategy::Rectangle));
}

TEST(StepGrid, GliderLeavesAnEmptyChunkForFifteenGenerations) {
    const Rule life = testsupport::LifeRule();
    ChunkGrid grid;
    // A glider heading east and south, near the right edge of chunk (0, 0).
    for (const auto& [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) grid.SetCell(58 + x, 20 + y, 1);
    int leftAt = -1;
    for (int generation = 1; generation <= 60; ++generation) {
        ChunkGrid next;
        StepGrid(life, grid, next);
        grid = next;
        const Chunk64* origin = grid.FindChunk(0, 0);
        if (leftAt < 0 && origin && origin->liveCount == 0) leftAt = generation;
        const int age = generation - leftAt + 1;
        if (leftAt > 0) { ASSERT_EQ(origin ? origin->emptyAge : -1, age < 16 ? age : -1) << generation; }
    }
    ASSERT_TRUE(leftAt > 0 && grid.FindChunk(1, 0));
    EXPECT_EQ(grid.FindChunk(1, 0)->liveCount, 5u);
}

TEST(StepGrid, InputIsNotChangedAndStaysShared) {
    ChunkGrid grid = MakeRandomSoup(64, 0.5, 2, 3), copy = grid, next;
    StepGrid(testsupport::LifeRule(), grid, next);
    EXPECT_EQ(std::tuple(copy.SharesStorageWith(grid), next.SharesStorageWith(grid)), std::tuple(true, false));
}

// Patterns against every edge and corner of the plane, alone (rectangle) and with a far island
// (chunks), with their trails and lineage: nothing lives past the edge and nothing overflows.
TEST(StepGrid, EdgesAndCornersOfThePlane) {
    constexpr std::int64_t kLo = kPlaneMin, kHi = kPlaneMax - 7;  // an 8 x 8 block touching the edge
    const std::int64_t origins[][2] = {{kLo, 0}, {kHi, 0}, {0, kLo}, {0, kHi},
                                       {kLo, kLo}, {kHi, kLo}, {kLo, kHi}, {kHi, kHi}};
    Rule born = testsupport::RandomRule(3, 21, false);
    born.table[0] = 1;
    // The rule, whether a far island joins the pattern, and the strategy its first step takes: a
    // block in one chunk reaches few others, so chunk by chunk, but under B0 the whole box.
    const std::tuple<Rule, bool, StepStrategy> cases[] = {{testsupport::LifeRule(), false, StepStrategy::Chunks},
                          {testsupport::LifeRule(), true, StepStrategy::Chunks},
                          {testsupport::RandomRule(3, 12), false, StepStrategy::Chunks},
                          {testsupport::RandomRule(3, 13), true, StepStrategy::Chunks},
                          {born, false, StepStrategy::Rectangle}};
    std::mt19937 rng(5);
    for (const auto& [ox, oy] : origins)
        for (const auto& [rule, island, firstStrategy] : cases) {
            SCOPED_TRACE(::testing::Message() << ox << "," << oy << " states " << rule.stateCount << (island ? " island" : ""));
            const int n = rule.stateCount;
            ChunkGrid grid;
            LineageLayer lineage;
            for (int i = 0; i < 40; ++i) {
                const auto x = static_cast<std::int32_t>(ox + rng() % 8), y = static_cast<std::int32_t>(oy + rng() % 8);
                grid.SetCell(x, y, static_cast<std::uint8_t>(1 + rng() % (n - 1)));
                lineage.SetValue(x, y, 3);
            }
            if (island)  // a blinker 20 chunks towards the middle
                for (int i = 0; i < 3; ++i)
                    grid.SetCell(static_cast<std::int32_t>(ox < 0 ? ox + 1280 : ox - 1280),
                                 static_cast<std::int32_t>((oy < 0 ? oy + 1280 : oy - 1280) + i), 1);
            HistoryLayer history;
            for (int generation = 0; generation < 4; ++generation) {
                ChunkGrid next;
                const StepStrategy strategy = StepGrid(rule, grid, next);
                EXPECT_TRUE(generation > 0 || strategy == firstStrategy);
                ExpectSameCells(next, ReferenceStep(rule, grid));
                HistoryLayer nextHistory;
                LineageLayer nextLineage;
                StepHistory(grid, history, next, nextHistory);
                StepLineages(grid, lineage, next, nextLineage);
                for (std::int64_t y = oy - 2; y < oy + 10; ++y)
                    for (std::int64_t x = ox - 2; x < ox + 10; ++x) {
                        if (!InPlane(x, y)) continue;
                        const auto cx = static_cast<std::int32_t>(x), cy = static_cast<std::int32_t>(y);
                        const std::uint8_t was = grid.CellAt(cx, cy), is = next.CellAt(cx, cy);
                        ASSERT_TRUE(was == is || nextHistory.ValueAt(cx, cy) == was + 1) << x << "," << y;
                        // Survivors keep id 3 and births among lineage-3 cells inherit it.
                        const std::uint8_t id = nextLineage.ValueAt(cx, cy);
                        ASSERT_TRUE(is ? id == 3 || (id == 0 && rule.table[0] != 0) : id == 0) << x << "," << y;
                    }
                for (const auto& [coord, chunk] : next.Chunks()) ASSERT_TRUE(IsPlaneChunk(coord.x, coord.y));
                for (const auto& [coord, chunk] : nextHistory.Chunks()) ASSERT_TRUE(IsPlaneChunk(coord.x, coord.y));
                grid = next, history = nextHistory, lineage = nextLineage;
            }
        }
}

TEST(StepGrid, HugeRectangleIsRefusedInsteadOfOverflowing) {
    ChunkGrid grid, next;
    grid.SetCell(INT32_MIN, 0, 1), grid.SetCell(INT32_MAX, 0, 1);
    EXPECT_THROW(StepGrid(Rule{2, 0, RuleTable(512, 1)}, grid, next), std::runtime_error);
}

TEST(RandomSoup, DensityAndStatesAndSeed) {
    ChunkGrid full = MakeRandomSoup(20, 1.0, 4, 1);
    int live = 0, states[4] = {};
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) {
            const std::uint8_t s = full.CellAt(x, y);
            live += s != 0;
            ++states[s];
        }
    EXPECT_EQ(std::tuple(live, states[1] > 0, states[3] > 0, MakeRandomSoup(20, 0.0, 4, 1).ChunkCount()),
              std::tuple(400, true, true, 0u));
    std::vector<std::uint8_t> a, b, c;
    CopyGridRegionToBuffer(MakeRandomSoup(20, 0.5, 3, 7), 0, 0, 20, 20, a);
    CopyGridRegionToBuffer(MakeRandomSoup(20, 0.5, 3, 7), 0, 0, 20, 20, b);
    CopyGridRegionToBuffer(MakeRandomSoup(20, 0.5, 3, 8), 0, 0, 20, 20, c);
    EXPECT_EQ(std::tuple(a == b, a == c), std::tuple(true, false));
}

}  // namespace
}  // namespace core
