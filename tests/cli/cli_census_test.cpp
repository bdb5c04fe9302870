// `census` over a rule file and a rulestring, its halves merged, and its refusals.
#include <tuple>

#include "authoring/census.h"
#include "formats/golly_ruletable_writer.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_rules.h"

namespace cli {
namespace {

using namespace testing;

TEST_F(CliTest, CensusHalvesMergeIntoTheWholeRun) {
    const std::string life =
        Write("Life.rule", "@RULE Life\n@TABLE\n" + formats::BuildPlainGollyRuletable(testsupport::LifeRule()));
    const std::string a = (dir_ / "a.json").string(), b = (dir_ / "b.json").string();
    const std::string all = (dir_ / "all.json").string();
    ASSERT_EQ(Run({"census", life, "--soups", "3", "--threads", "1", "--out", a}), 0) << err_.str();
    EXPECT_EQ(out_.str().rfind("soups=3 objects=", 0), 0u) << out_.str();
    ASSERT_EQ(Run({"census", life, "--soups", "2", "--seed", "4", "--out", b}), 0) << err_.str();
    ASSERT_EQ(Run({"census", "merge", b, a, "--out", all}), 0) << err_.str();
    ASSERT_EQ(Run({"census", life, "--soups", "5", "--threads", "2"}), 0) << err_.str();
    EXPECT_EQ(ReadText(all), out_.str());
    // A rulestring names the rule itself.
    ASSERT_EQ(Run({"census", "B3/S23", "--soups", "1"}), 0) << err_.str();
    EXPECT_EQ(authoring::CensusFromJson(out_.str()).rule, "B3/S23");

    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"census", "merge", a, a}, "Cannot merge censuses whose seeds overlap: 1-3 and 1-3.\n"},
        {{"census", "merge", life}, life + ": Malformed census JSON at byte 0: unexpected character.\n"},
        {{"census", "B0/S", "--soups", "2"}, "The census needs a rule that keeps empty neighbourhoods empty (no B0).\n"},
        {{"census", life, "--density", "2"}, "Invalid value for --density: 2\n"},
    };
    for (const auto& [args, message] : refusals) {
        EXPECT_EQ(Run(args), 1);
        EXPECT_EQ(err_.str(), message);
    }
}

}  // namespace
}  // namespace cli
