#include "core/life_like_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "core/life_grid.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/worker_pool.h"
#include "tests/support/window_check.h"

namespace core {
namespace {

// The two-state table of birth and survival counts.
Rule TableOf(LifeLikeRule bs) {
    Rule rule{2, 0, RuleTable(512, 0)};
    for (unsigned i = 0; i < 512; ++i) {
        const int neighbours = std::popcount(i & 0x1EFu);
        rule.table[i] = ((i >> 4 & 1) ? bs.survive : bs.birth) >> neighbours & 1;
    }
    return rule;
}

constexpr std::uint16_t Counts(std::initializer_list<int> counts) {
    std::uint16_t mask = 0;
    for (int k : counts) mask = static_cast<std::uint16_t>(mask | 1u << k);
    return mask;
}

const LifeLikeRule kRules[] = {
    {Counts({3}), Counts({2, 3})},                       // Life
    {Counts({3, 6}), Counts({2, 3})},                    // HighLife
    {Counts({2}), 0},                                    // Seeds
    {Counts({1, 3, 5, 7}), Counts({1, 3, 5, 7})},        // Replicator
    {Counts({3}), Counts({0, 1, 2, 3, 4, 5, 6, 7, 8})},  // Life without death: every count survives
};

TEST(LifeLikeKernel, MatchesTheTableLookupOnRandomWindows) {
    std::mt19937 rng(7);
    const std::vector<testsupport::WindowShape> shapes = {{3, 3, 3},   {10, 10, 10}, {66, 66, 66}, {66, 5, 70},
                                                          {4, 70, 9},  {70, 13, 70}, {67, 3, 67},  {33, 67, 40},
                                                          {129, 8, 131}, {1100, 4, 1100}};
    for (const LifeLikeRule& bs : kRules)
        for (int density : {2, 5})
            EXPECT_EQ(testsupport::FirstWindowMismatch(
                          TableOf(bs), shapes, rng,
                          [density](std::mt19937& r) { return static_cast<std::uint8_t>(r() % density == 0); },
                          [&](int w, int h, int s, const std::uint8_t* in, std::uint8_t* out) {
                              StepLifeLikeWindow(bs, w, h, s, in, out);
                          }),
                      "")
                << "B" << bs.birth << "/S" << bs.survive << ", one cell in " << density;
    std::uint8_t untouched = 0xEE;
    StepLifeLikeWindow(kRules[0], 2, 10, 2, std::vector<std::uint8_t>(20, 1).data(), &untouched);
    EXPECT_EQ(untouched, 0xEE);
}

TEST(LifeLikeKernel, RecognisesOnlyTwoStateCountRulesWithoutBirthOnZero) {
    for (const LifeLikeRule& bs : kRules) {
        const auto found = AsLifeLike(TableOf(bs));
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->birth, bs.birth);
        EXPECT_EQ(found->survive, bs.survive);
    }
    Rule notTotalistic = TableOf(kRules[0]);
    notTotalistic.table[0b111000000] = 0;  // three live neighbours, all to the north
    EXPECT_FALSE(AsLifeLike(notTotalistic));
    EXPECT_FALSE(AsLifeLike(TableOf({Counts({0, 3}), Counts({2, 3})})));
    Rule threeStates{3, 0, RuleTable(RuleTableSize(3), 0)};
    EXPECT_FALSE(AsLifeLike(threeStates));
    Rule wrongDigit = TableOf(kRules[0]);
    wrongDigit.table[7] = 2;
    EXPECT_FALSE(AsLifeLike(wrongDigit));
}

// Live cells equal, chunk by chunk; the chunk grid may keep empty chunks the packed one drops.
void ExpectSameLiveCells(const ChunkGrid& expected, const ChunkGrid& got, int generation) {
    std::size_t liveChunks = 0;
    expected.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        ++liveChunks;
        const Chunk64* other = got.FindChunk(cx, cy);
        ASSERT_TRUE(other && other->cells == chunk.cells && other->liveCount == chunk.liveCount)
            << "generation " << generation << " chunk " << cx << "," << cy;
    });
    EXPECT_EQ(got.ChunkCount(), liveChunks) << "generation " << generation;
}

ChunkGrid SoupAt(std::int64_t x0, std::int64_t y0, int side, std::uint32_t seed) {
    const ChunkGrid soup = MakeRandomSoup(side, 0.4, 2, seed);
    ChunkGrid placed;
    soup.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        for (int i = 0; i < kChunkCells; ++i)
            if (chunk.cells[i])
                placed.SetCell(static_cast<std::int32_t>(x0 + cx * kChunkSide + i % kChunkSide),
                               static_cast<std::int32_t>(y0 + cy * kChunkSide + i / kChunkSide), 1);
    });
    return placed;
}

// Steps both ways for `generations`, rules in turn, and compares every generation.
void ExpectPackedRunMatches(const ChunkGrid& start, const std::vector<LifeLikeRule>& rules, int generations) {
    std::vector<Rule> tables;
    for (const LifeLikeRule& bs : rules) tables.push_back(TableOf(bs));
    ChunkGrid cells = start;
    LifeGrid packed(start);
    for (int g = 1; g <= generations; ++g) {
        const std::size_t phase = static_cast<std::size_t>(g - 1) % rules.size();
        ChunkGrid next;
        StepGrid(tables[phase], cells, next);
        cells = next;
        packed.Step(rules[phase]);
        ExpectSameLiveCells(cells, packed.ToChunkGrid(), g);
        ASSERT_EQ(packed.Population(), cells.Population()) << "generation " << g;
        if (testing::Test::HasFailure()) return;
    }
}

TEST(LifeGrid, MatchesTheChunkStepEveryGenerationAcrossTileAndPlaneEdges) {
    const std::int64_t far = kPlaneMax - 90;
    const struct {
        std::int64_t x, y;
    } places[] = {{-75, -75}, {far, kPlaneMin + 10}, {kPlaneMin, far}};
    for (int threads : {1, 3}) {
        SetWorkerThreadCount(threads);
        for (const LifeLikeRule& bs : kRules)
            for (auto [x, y] : places) {
                SCOPED_TRACE(testing::Message() << "B" << bs.birth << "/S" << bs.survive << " at " << x << "," << y
                                                << ", " << threads << " threads");
                ExpectPackedRunMatches(SoupAt(x, y, 150, static_cast<std::uint32_t>(x ^ y)), {bs}, 80);
            }
    }
    SetWorkerThreadCount(0);
}

TEST(LifeGrid, RulesInTurnMatchTheChunkStep) {
    // Life and HighLife alternate: what settled under one is stepped again under the other.
    ExpectPackedRunMatches(SoupAt(-40, 30, 200, 9), {kRules[0], kRules[1]}, 150);
    ExpectPackedRunMatches(SoupAt(0, 0, 120, 4), {kRules[0], kRules[0], kRules[4]}, 90);
}

TEST(LifeGrid, SettledAshStaysPutAndATravellingGliderLeavesNoTilesBehind) {
    ChunkGrid start = SoupAt(-100, -100, 200, 21);
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) start.SetCell(300 + x, 300 + y, 1);
    ExpectPackedRunMatches(start, {kRules[0]}, 400);

    ChunkGrid glider;
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) glider.SetCell(x, y, 1);
    LifeGrid packed(glider);
    for (int g = 0; g < 4000; ++g) packed.Step(kRules[0]);
    ChunkGrid expected;
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) expected.SetCell(1000 + x, 1000 + y, 1);
    ExpectSameLiveCells(expected, packed.ToChunkGrid(), 4000);
    EXPECT_LE(packed.TileCount(), 9u);
}

}  // namespace
}  // namespace core
