// tavrix-cli run against bgolly on random ruletables: same rule file, same soup, same
// generations, cell for cell.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "tests/cli/cli_fixture.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/rle_cells.h"

namespace cli {
namespace {

// Random Moore ruletable: a few variables over random state subsets, lines mixing literals
// and variables (the new state a literal or a bound variable), the empty neighbourhood pinned to 0 first (earliest line wins).
std::string RandomRuletable(const std::string& name, int states, const std::string& symmetry, std::mt19937& rng) {
    std::ostringstream text;
    text << "@RULE " << name << "\n@TABLE\nn_states:" << states << "\nneighborhood:Moore\nsymmetries:" << symmetry
         << "\n";
    const int variables = 6;
    for (int v = 0; v < variables; ++v) {
        std::vector<int> set;
        for (int s = 0; s < states; ++s)
            if (rng() % 4 != 0) set.push_back(s);
        if (set.empty()) set.push_back(static_cast<int>(rng() % states));
        text << "var v" << v << "={";
        for (std::size_t i = 0; i < set.size(); ++i) text << (i ? "," : "") << set[i];
        text << "}\n";
    }
    text << "0,0,0,0,0,0,0,0,0,0\n";
    const int lines = 40 + static_cast<int>(rng() % 40);
    for (int l = 0; l < lines; ++l) {
        std::vector<int> used;
        for (int k = 0; k < 9; ++k) {
            if (k) text << ",";
            if (rng() % 10 < 8) {
                used.push_back(static_cast<int>(rng() % variables));
                text << "v" << used.back();
            } else {
                text << rng() % states;
            }
        }
        // Golly wants the new state to be a state or a variable the line binds.
        if (!used.empty() && rng() % 2) text << ",v" << used[rng() % used.size()] << "\n";
        else text << "," << rng() % states << "\n";
    }
    return text.str();
}

class CliGollyAgreement : public testing::CliTest,
                          public ::testing::WithParamInterface<std::tuple<int, const char*>> {};

TEST_P(CliGollyAgreement, RunMatchesBgollyCellForCell) {
    const auto [states, symmetry] = GetParam();
    std::mt19937 rng(static_cast<std::uint32_t>(states * 131 + std::string(symmetry).size()));
    const std::string name = "Agree" + std::to_string(states) + symmetry;
    const std::string ruleText = RandomRuletable(name, states, symmetry, rng);
    const std::string rule = Write(name + ".rule", ruleText);
    const int generations = 30;
    const std::string soup = (dir_ / "soup.rle").string(), final = (dir_ / "final.rle").string();
    for (int g : {0, generations})
        ASSERT_EQ(Run({"run", rule, "--soup", "48", "--seed", "7", "--generations", std::to_string(g), "--output",
                       g == 0 ? soup : final}),
                  0)
            << err_.str();
    const auto start = testsupport::AbsoluteRleCells(testing::ReadText(soup));
    const auto ours = testsupport::AbsoluteRleCells(testing::ReadText(final));
    const auto theirs = testsupport::RunBgolly({name, ruleText, states}, start, generations);
    ASSERT_FALSE(start.empty());
    EXPECT_FALSE(ours == start) << "the rule should change the soup";
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours == theirs) << "first differences at generation " << generations;
}

INSTANTIATE_TEST_SUITE_P(RandomRules, CliGollyAgreement,
                         ::testing::Combine(::testing::Values(2, 3, 4, 5, 6),
                                            ::testing::Values("none", "reflect_horizontal", "rotate4",
                                                              "rotate4reflect")));

}  // namespace
}  // namespace cli
