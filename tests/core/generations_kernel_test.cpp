#include "core/generations_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/window_kernel.h"
#include "tests/support/test_rules.h"
#include "tests/support/window_check.h"

namespace core {
namespace {

// The table of a Generations rule, built cell by cell from its definition.
Rule TableOf(GenerationsRule g) {
    Rule rule{g.stateCount, 0, RuleTable(RuleTableSize(g.stateCount))};
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        const Neighborhood d = DecodeNeighborhoodIndex(i, g.stateCount);
        int live = 0;
        for (int k = 0; k < 9; ++k) live += k != 4 && d[k] == 1;
        const int centre = d[4];
        rule.table[i] = static_cast<std::uint8_t>(centre == 0   ? (g.birth >> live & 1)
                                                  : centre == 1 ? ((g.survive >> live & 1) ? 1 : 2)
                                                                : (centre + 1) % g.stateCount);
    }
    return rule;
}

constexpr GenerationsRule kRules[] = {
    {3, 1u << 2, 0},                                 // Brian's Brain
    {4, 1u << 2, 1u << 3 | 1u << 4 | 1u << 5},       // Star Wars
    {5, 1u << 3 | 1u << 4, 1u << 2 | 1u << 3 | 1u << 8},
    {6, 0x1FE, 0x1FF},                               // every count but 0 is born; all survive
};

// Built once: the six-state table has ten million entries.
const Rule& TableFor(std::size_t i) {
    static const std::vector<Rule> tables = [] {
        std::vector<Rule> built;
        for (const GenerationsRule& g : kRules) built.push_back(TableOf(g));
        return built;
    }();
    return tables[i];
}

TEST(GenerationsKernel, MatchesTheTableLookupOnRandomWindows) {
    std::mt19937 rng(5);
    const std::vector<testsupport::WindowShape> shapes = {{3, 3, 3},  {66, 66, 66},  {66, 5, 70},
                                                          {4, 70, 9}, {129, 8, 131}, {1100, 4, 1100}};
    for (std::size_t i = 0; i < std::size(kRules); ++i) {
        const GenerationsRule& g = kRules[i];
        EXPECT_EQ(testsupport::FirstWindowMismatch(TableFor(i), shapes, rng, testsupport::AnyState(g.stateCount),
                                                   [&](int w, int h, int s, const std::uint8_t* in, std::uint8_t* out) {
                                                       StepGenerationsWindow(g, w, h, s, in, out);
                                                   }),
                  "")
            << g.stateCount << " states";
    }
}

TEST(GenerationsKernel, RecognisesExactlyTheFamily) {
    for (std::size_t i = 0; i < std::size(kRules); ++i) {
        const GenerationsRule& g = kRules[i];
        const auto found = AsGenerations(TableFor(i));
        ASSERT_TRUE(found.has_value()) << g.stateCount;
        EXPECT_EQ(std::tuple(found->stateCount, found->birth, found->survive),
                  std::tuple(g.stateCount, g.birth, g.survive));
    }
    // One entry off: a dying cell that skips a state, a birth counted from a dying neighbour,
    // a birth on no neighbours at all.
    Rule skips = TableFor(1);
    skips.table[2 * 4 * 4 * 4 * 4] = 0;  // centre 2 alone becomes 0, not 3
    EXPECT_FALSE(AsGenerations(skips));
    Rule countsDying = TableFor(0);
    countsDying.table[2 * 3 + 2] = 1;  // dead centre, two dying neighbours: born
    EXPECT_FALSE(AsGenerations(countsDying));
    Rule bornOnZero = TableOf({3, 1u << 0 | 1u << 2, 0});
    EXPECT_FALSE(AsGenerations(bornOnZero));
    EXPECT_FALSE(AsGenerations(Rule{2, 0, RuleTable(512, 0)}));
}

TEST(GenerationsKernel, KeyedStepsOfASoupMatchTheLookup) {
    // A keyed step recognises the rule and steps it bitwise; an unkeyed one looks every cell up.
    for (std::size_t i = 0; i < std::size(kRules); ++i) {
        const GenerationsRule& g = kRules[i];
        const Rule& rule = TableFor(i);
        EXPECT_TRUE(WindowKernel(rule, NewRuleKey()).Bitwise());
        EXPECT_FALSE(WindowKernel(rule).Bitwise());
        EXPECT_EQ(testsupport::FirstKeyedDifference(rule, 30), 0) << g.stateCount << " states";
    }
}

}  // namespace
}  // namespace core
