// tavrix-cli run against bgolly on random ruletables: same rule file, same soup, same
// generations, cell for cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/file_io.h"
#include "core/rule_table.h"
#include "formats/rle.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/rle_cells.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

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

std::string ReadFile(const std::string& path) { return ReadWholeFile(path, "cannot open", "cannot read"); }


class CliGollyAgreement : public ::testing::TestWithParam<std::tuple<int, const char*>> {};

TEST_P(CliGollyAgreement, RunMatchesBgollyCellForCell) {
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    const auto [states, symmetry] = GetParam();
    std::mt19937 rng(static_cast<std::uint32_t>(states * 131 + std::string(symmetry).size()));
    const std::string name = "Agree" + std::to_string(states) + symmetry;
    const fs::path dir = fs::temp_directory_path() / ("tavrix-agree-" + name);
    fs::create_directories(dir);
    const fs::path rulePath = dir / (name + ".rule");
    const std::string ruleText = RandomRuletable(name, states, symmetry, rng);
    std::ofstream(rulePath) << ruleText;

    const int generations = 30;
    std::ostringstream out, err;
    const std::string soup = (dir / "soup.rle").string(), final = (dir / "final.rle").string();
    ASSERT_EQ(RunCli({"run", rulePath.string(), "--soup", "48", "--seed", "7", "--generations", "0", "--output", soup},
                     out, err),
              0)
        << err.str();
    ASSERT_EQ(RunCli({"run", rulePath.string(), "--soup", "48", "--seed", "7", "--generations",
                      std::to_string(generations), "--output", final},
                     out, err),
              0)
        << err.str();
    const auto start = testsupport::AbsoluteRleCells(ReadFile(soup));
    const auto ours = testsupport::AbsoluteRleCells(ReadFile(final));
    const auto theirs = testsupport::RunBgolly({name, ruleText, states}, start, generations);
    fs::remove_all(dir);
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
