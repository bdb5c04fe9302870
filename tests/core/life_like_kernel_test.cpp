#include "core/life_like_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "core/step_grid.h"

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
    const int shapes[][3] = {{3, 3, 3}, {10, 10, 10}, {66, 66, 66}, {66, 5, 70}, {4, 70, 9},
                             {70, 13, 70}, {67, 3, 67}, {33, 67, 40}, {129, 8, 131}, {1100, 4, 1100}};
    for (const LifeLikeRule& bs : kRules) {
        const Rule table = TableOf(bs);
        for (auto [width, height, stride] : shapes) {
            for (int density : {2, 5}) {
                std::vector<std::uint8_t> window(static_cast<std::size_t>(stride) * height);
                for (auto& c : window) c = rng() % density == 0;
                const std::size_t outSize = std::size_t(width - 2) * (height - 2);
                std::vector<std::uint8_t> expected(outSize + 1, 0xEE), got(outSize + 1, 0xEE);
                StepNaiveWindow(table, width, height, stride, window.data(), expected.data());
                StepLifeLikeWindow(bs, width, height, stride, window.data(), got.data());
                ASSERT_EQ(got, expected) << "B" << bs.birth << "/S" << bs.survive << " " << width << "x" << height;
            }
        }
    }
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

}  // namespace
}  // namespace core
