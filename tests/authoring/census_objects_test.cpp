// The census's pieces: Wechsler codes, grouping by nearness, objects run alone, and soups settling.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "authoring/apgcode.h"
#include "authoring/box_runner.h"
#include "authoring/object_separation.h"
#include "authoring/soup_runner.h"
#include "core/step_grid.h"
#include "formats/rle.h"
#include "tests/support/test_rules.h"

namespace authoring {
namespace {

CellList Cells(const std::string& rle) {
    CellList cells;
    for (const formats::RleCell& c : formats::ParseRle("x = 0, y = 0\n" + rle).cells) cells.push_back({c.x, c.y, c.state});
    return cells;
}

TEST(CensusObjects, WechslerCodesShortenEmptyColumnsAndJoinStrips) {
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"obo!", 2, "101"},        {"o2bo!", 2, "1w1"},    {"o3bo!", 2, "1x1"},     {"o4bo!", 2, "1y01"},
        {"o39bo!", 2, "1yz1"},     {"o40bo!", 2, "1yz01"}, {"o6$o!", 2, "1z2"},     {"o10$o!", 2, "1zz1"},
        {"bo5$o!", 2, "01z1"},     {"AB!", 3, "1_01"},     {"AC!", 4, "1_0_01"},    {"A$5bB!", 3, "1_y12"},
    };
    for (const auto& [rle, states, code] : cases) EXPECT_EQ(PatternCode(Cells(rle), states), code) << rle;
}

TEST(CensusObjects, CellsWithinTheRadiusOverAllPhasesShareAGroup) {
    const CellList row = Cells("obo2bo!"), bridge = Cells("bo2bo!");
    const std::vector<std::tuple<std::vector<CellList>, int, int>> cases = {
        {{row}, 2, 2}, {{row}, 1, 3}, {{row, bridge}, 2, 1}, {{row, bridge}, 1, 2}, {{row}, 3, 1},
    };
    for (const auto& [phases, radius, groups] : cases) {
        ObjectSeparation separation;
        separation.Build(phases, static_cast<int>(phases.size()), radius);
        std::size_t cells = 0;
        for (int g = 0; g < separation.GroupCount(); ++g) cells += separation.Cells(g, 0).size();
        EXPECT_EQ(std::tuple(separation.GroupCount(), cells), std::tuple(groups, row.size())) << radius;
    }
}

// The dense run alone matches the plane's stepping generation by generation, Life's bitwise kernel
// and the table lookup alike.
TEST(CensusObjects, ObjectsRunAloneAsOnThePlane) {
    std::mt19937 rng(3);
    CellList soup;
    for (int i = 0; i < 30; ++i)
        soup.push_back({static_cast<int>(rng() % 7), static_cast<int>(rng() % 7), static_cast<std::uint8_t>(1 + rng() % 2)});
    std::sort(soup.begin(), soup.end(), [](auto& a, auto& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
    soup.erase(std::unique(soup.begin(), soup.end(), [](auto& a, auto& b) { return a.x == b.x && a.y == b.y; }),
               soup.end());
    for (const auto& [rule, start] : {std::pair(testsupport::LifeRule(), Cells("b2o$2o$bo!")),
                                      std::pair(testsupport::RandomSymmetricRule(3, 4, 2, 70), soup)}) {
        BoxRunner runner(rule);
        runner.Start(start);
        core::ChunkGrid grid;
        for (const CensusCell& c : start) grid.SetCell(c.x, c.y, c.state);
        CellList alone, plane;
        for (int g = 0; g < 40; ++g) {
            ASSERT_TRUE(runner.Step());
            core::ChunkGrid next;
            core::StepGrid(rule, grid, next);
            grid = next;
            const CellBox box = runner.Cells(alone);
            plane.clear();
            grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
                for (int i = 0; i < core::kChunkCells; ++i)
                    if (chunk.cells[i]) plane.push_back({cx * 64 + i % 64 - box.minX, cy * 64 + i / 64 - box.minY, chunk.cells[i]});
            });
            Normalize(plane);
            ASSERT_EQ(alone, plane) << g;
        }
    }
}

TEST(CensusObjects, PopulationsSettleOnTheirShortestPeriod) {
    const auto repeat = [](std::vector<std::uint64_t> cycle, std::size_t length) {
        std::vector<std::uint64_t> out;
        while (out.size() < length) out.push_back(cycle[out.size() % cycle.size()]);
        return out;
    };
    std::vector<std::uint64_t> growing(200);
    std::iota(growing.begin(), growing.end(), 1);
    const std::vector<std::pair<std::vector<std::uint64_t>, int>> cases = {
        {repeat({9}, 100), 1}, {repeat({5, 6}, 100), 2}, {repeat({4, 4, 7, 4, 7, 7}, 200), 6},
        {repeat({5, 6, 7}, 40), 0}, {growing, 0},
    };
    for (const auto& [populations, period] : cases) EXPECT_EQ(SoupRunner::PopulationPeriod(populations), period);
}

// Two blocks a cell apart are two blocks; a glider and a blinker far off are counted on their own.
TEST(CensusObjects, SettledPatternsAreCountedObjectByObject) {
    const core::Rule life = testsupport::LifeRule();
    const CensusOptions options;
    SoupRunner runner(life, options);
    core::ChunkGrid start;
    for (const CensusCell& c : Cells("2ob2o$2ob2o10$20b3o10$bo$2bo$3o!")) start.SetCell(c.x, c.y, c.state);
    CensusTally tally;
    runner.RunPattern(start, 0, tally);
    std::vector<std::tuple<std::string, ObjectClass, std::uint64_t>> found;
    for (const CensusObject& o : tally.Objects(2, "B3/S23")) found.emplace_back(o.name, o.kind, o.count);
    const std::vector<std::tuple<std::string, ObjectClass, std::uint64_t>> expected = {
        {"xs4_33", ObjectClass::Still, 2}, {"xp2_7", ObjectClass::Oscillator, 1}, {"xq4_153", ObjectClass::Spaceship, 1}};
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace authoring
