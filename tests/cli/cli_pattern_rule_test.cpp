// tavrix-cli run --pattern with the rule the pattern's header names: the lookup's messages, and
// Golly's patterns outside Life/ run as bgolly runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "cli/rule_lookup.h"
#include "formats/rle.h"
#include "formats/rulestring.h"
#include "formats/rulestring_reader.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/golly_oracle.h"

namespace cli::testing {
namespace {

const fs::path kGolly = "/usr/share/golly";

TEST_F(CliTest, RunFindsTheHeaderRuleInFolderOrder) {
    const std::string first = (dir_ / "a").string(), second = (dir_ / "b").string();
    fs::create_directories(first);
    fs::create_directories(second);
    // A lone cell dies under the first and stays under the second: which one ran shows.
    std::ofstream(dir_ / "a" / "Pick.rule") << "@RULE Pick\n@TABLE\nn_states:2\n1,0,0,0,0,0,0,0,0,0\n";
    std::ofstream(dir_ / "b" / "Pick.rule") << "@RULE Pick\n@TABLE\nn_states:3\n";
    const std::string pattern = Write("p.rle", "x = 1, y = 1, rule = Pick\no!\n");
    ASSERT_EQ(Run({"run", "--pattern", pattern, "--rules", first, "--rules", second, "--generations", "1"}), 0) << err_.str();
    EXPECT_NE(out_.str().find("population=0 "), std::string::npos) << out_.str();
    ASSERT_EQ(Run({"run", "--pattern", pattern, "--rules", second, "--rules", first, "--generations", "1"}), 0);
    EXPECT_NE(out_.str().find("population=1 "), std::string::npos) << out_.str();

    const std::pair<std::string, std::string> refusals[] = {
        {"Life:T20,20", "The rule Life:T20 asks for a bounded grid (:T20), which tavrix-cli does not support.\n"},
        {"Nowhere", "Could not find the rule Nowhere: no Nowhere.rule in\n  " + first},
    };
    for (const auto& [rule, message] : refusals) {
        EXPECT_EQ(Run({"run", "--pattern", Write("r.rle", "x = 1, y = 1, rule = " + rule + "\no!\n"), "--rules", first}), 1);
        EXPECT_EQ(err_.str().substr(0, message.size()), message);
    }
    const auto folders = RuleFolders({"x"});
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders.back(), kGolly / "Rules");
    EXPECT_EQ(Run({"run", "--generations", "1"}), 1);
    EXPECT_EQ(err_.str(), "Without RULE, run needs --pattern FILE.rle.\n");
}

// Random Hensel rulestrings, in every accepted spelling, read as bgolly reads them.
TEST(Rulestrings, HenselRulesMatchBgolly) {
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    std::vector<std::uint64_t> all(512);
    for (std::uint64_t i = 0; i < 512; ++i) all[i] = i;
    std::mt19937 rng(9);
    std::string letters[9];
    for (const auto& c : formats::HenselConfigurations())
        if (c.letter) letters[c.count] += c.letter;
    for (int round = 0; round < 12; ++round) {
        std::string halves[2];
        for (std::string& half : halves)
            for (int count = 1; count <= 8; ++count) {
                if (rng() % 3 == 0) continue;
                half += std::to_string(count);
                if (rng() % 2 == 0 || count == 8) continue;
                if (rng() % 2) half += '-';
                const std::string& own = letters[count];
                for (int k = 0; k < 2; ++k) half += own[rng() % own.size()];
            }
        const std::string text = round % 3 == 0 ? "S" + halves[1] + "/B" + halves[0]
                                                 : (round % 3 == 1 ? "b" : "B") + halves[0] + (round % 3 == 1 ? "_s" : "/S") + halves[1];
        const auto rule = formats::ParseRulestring(text);
        ASSERT_TRUE(rule) << text;
        EXPECT_EQ(rule->table, testsupport::ProbeTransitions({text, "", 2}, all)) << text;
    }
    EXPECT_FALSE(formats::ParseRulestring("B3x/S23"));
    EXPECT_TRUE(formats::ParseRulestring("23/3"));
}

enum class Kind { Table, Tree, Rulestring, TooManyStates, Other };

Kind KindOf(const std::string& rule) {
    if (rule.find(':') != std::string::npos) return Kind::Other;
    if (formats::ParseRulestring(rule.empty() ? "B3/S23" : rule)) return Kind::Rulestring;
    const std::string text = ReadText(kGolly / "Rules" / (rule + ".rule"));
    const bool table = text.find("@TABLE") != std::string::npos, tree = text.find("@TREE") != std::string::npos;
    if (!table && !tree) return Kind::Other;
    const auto at = table ? text.find("n_states:") + 9 : text.find("num_states=") + 11;
    if (std::atoi(text.c_str() + at) > 16) return Kind::TooManyStates;
    return table ? Kind::Table : Kind::Tree;
}

std::vector<formats::RleCell> SortedCells(const std::string& rle) {
    std::vector<formats::RleCell> cells = formats::ParseRle(rle).cells;
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return cells;
}

// Every pattern of a rule Golly ships with at most 16 states, or of a rulestring, runs 8
// generations from the file alone as bgolly runs it (compared from each result's corner, as
// bgolly's RLE keeps no position); rules of more states are refused. The counts per kind of
// rule are printed. Left to the plain build: its tables of 10 states take a gigabyte each.
TEST_F(CliTest, GollyPatternsRunByTheirHeaderRuleAsInBgolly) {
    if (!testsupport::BgollyAvailable() || !fs::exists(kGolly / "Patterns") || testsupport::kSanitized)
        GTEST_SKIP() << "no bgolly, or a sanitized build";
    const auto start = std::chrono::steady_clock::now();
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kGolly / "Patterns")) {
        const std::string path = entry.path().string();
        if (path.find("/Patterns/Life/") == std::string::npos && (path.ends_with(".rle") || path.ends_with(".rle.gz")))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::map<Kind, int> counts;
    const std::string rules = (kGolly / "Rules").string(), ours = (dir_ / "ours.rle").string();
    const std::string theirs = (dir_ / "theirs.rle").string(), input = (dir_ / "in.rle").string();
    for (const fs::path& file : files) {
        ASSERT_EQ(std::system(("gzip -dcf '" + file.string() + "' > '" + input + "'").c_str()), 0);
        const std::string rule = formats::ParseRle(ReadText(input)).rule;
        const Kind kind = KindOf(rule);
        ++counts[kind];
        if (kind == Kind::Other) continue;
        const int status = Run({"run", "--pattern", input, "--rules", rules, "--generations", "8", "--output", ours});
        if (kind == Kind::TooManyStates) {
            EXPECT_EQ(err_.str(), "Invalid n_states value in Golly ruletable.\n") << file;
            continue;
        }
        ASSERT_EQ(status, 0) << file << ": " << err_.str();
        const std::string algorithm = kind == Kind::Rulestring ? "QuickLife" : "RuleLoader -s '" + rules + "/'";
        ASSERT_EQ(std::system(("bgolly -q -q -a " + algorithm + " -m 8 -o '" + theirs + "' '" + input + "' >/dev/null 2>&1").c_str()), 0);
        EXPECT_TRUE(SortedCells(ReadText(ours)) == SortedCells(ReadText(theirs))) << file;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("table=%d tree=%d rulestring=%d refused(>16 states)=%d other=%d in %.1f s\n", counts[Kind::Table],
                counts[Kind::Tree], counts[Kind::Rulestring], counts[Kind::TooManyStates], counts[Kind::Other], seconds);
    EXPECT_GE(counts[Kind::Table] + counts[Kind::Tree] + counts[Kind::Rulestring], 70);
}

}  // namespace
}  // namespace cli::testing
