// tavrix-cli run --pattern with the rule the pattern's header names: the lookup's messages, and
// Golly's patterns outside Life/ run as bgolly runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
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

// Folders in order: those given, then the user's, then Golly's; refusals name what failed.
TEST_F(CliTest, RunFindsTheHeaderRuleInFolderOrder) {
    const std::string a = (dir_ / "a").string(), b = (dir_ / "b").string(), pattern = Write("p.rle", "x = 1, rule = Pick\no!\n");
    // A lone cell dies under the rule in a/ and stays under the one in b/.
    for (const auto& [folder, table] : {std::pair{a, "n_states:2\n1,0,0,0,0,0,0,0,0,0\n"}, {b, "n_states:3\n"}}) {
        fs::create_directories(folder);
        std::ofstream(fs::path(folder) / "Pick.rule") << "@RULE Pick\n@TABLE\n" << table;
    }
    ASSERT_EQ(Run({"run", "--pattern", pattern, "--rules", a, "--rules", b, "--generations", "1"}), 0) << err_.str();
    EXPECT_NE(out_.str().find("population=0 "), std::string::npos) << out_.str();
    EXPECT_EQ(std::tuple(RuleFolders({"x"}, "/d", "/h"), RuleFolders({}, "", "/h")),
              std::tuple(std::vector<fs::path>{"x", "/d/Tavrix/Rules", kGolly / "Rules"},
                         std::vector<fs::path>{"/h/.local/share/Tavrix/Rules", kGolly / "Rules"}));
    std::string looked;
    for (const fs::path& folder : RuleFolders({a}, std::getenv("XDG_DATA_HOME"), std::getenv("HOME")))
        looked += "\n  " + folder.string();
    const auto header = [&](const std::string& rule) { return Write(rule.substr(0, 4) + ".rle", "x = 1, y = 1, rule = " + rule + "\no!\n"); };
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"run", "--pattern", header("Life:T20,20"), "--rules", a},
         "The rule Life:T20 asks for a bounded grid (:T20), which tavrix-cli does not support.\n"},
        {{"run", "--pattern", header("Nowhere"), "--rules", a}, "Could not find the rule Nowhere: no Nowhere.rule in" + looked + "\n"},
        {{"run", "--generations", "1"}, "Without RULE, run needs --pattern FILE.rle.\n"}};
    for (const auto& [args, message] : refusals) EXPECT_EQ((std::tuple{Run(args), err_.str()}), std::tuple(1, message));
}

// Random Hensel rulestrings in every accepted spelling read as bgolly reads them, and so do
// their MAP forms.
TEST(Rulestrings, HenselAndMapRulesMatchBgolly) {
    std::vector<std::uint64_t> all(512);
    std::iota(all.begin(), all.end(), 0);
    std::mt19937 rng(9);
    std::string letters[9];
    for (const auto& c : formats::HenselConfigurations()) letters[c.count] += c.letter ? std::string(1, c.letter) : "";
    auto letter = [&](int count) { return letters[count][rng() % letters[count].size()]; };
    for (int round = 0; round < 12; ++round) {
        std::string half[2];
        for (std::string& h : half)
            for (int n = 1; n <= 8; ++n)
                if (rng() % 3) h += std::to_string(n) + (n == 8 || rng() % 2 ? "" : std::string(rng() % 2, '-') + letter(n) + letter(n));
        const std::string text = round % 3 == 0 ? "S" + half[1] + "/B" + half[0]
                                                 : (round % 3 == 1 ? "b" + half[0] + "_s" : "B" + half[0] + "/S") + half[1];
        const auto rule = formats::ParseRulestring(text);
        ASSERT_TRUE(rule) << text;
        EXPECT_EQ(rule->table, testsupport::ProbeTransitions({text, "", 2}, all)) << text;
        const auto map = formats::ParseRulestring(formats::BuildMapRulestring(*rule) + "==");
        EXPECT_EQ(std::tie(map->table, map->symmetry), std::tie(rule->table, rule->symmetry)) << text;
    }
    EXPECT_FALSE(formats::ParseRulestring("B3x/S23"));
}

std::string KindOf(const std::string& rule) {
    if (rule.find(':') != std::string::npos) return "other";
    if (formats::ParseRulestring(rule.empty() ? "B3/S23" : rule)) return "rulestring";
    const std::string text = ReadText(kGolly / "Rules" / (rule + ".rule"));
    const bool table = text.find("@TABLE") != std::string::npos, tree = text.find("@TREE") != std::string::npos;
    if (!table && !tree) return "other";
    if (std::atoi(text.c_str() + (table ? text.find("n_states:") + 9 : text.find("num_states=") + 11)) > 16) return "refused";
    return table ? "table" : "tree";
}

// Every pattern of a rule Golly ships with at most 16 states, or of a rulestring, runs 8
// generations from the file alone as bgolly runs it (compared from each result's corner, as
// bgolly's RLE keeps no position); rules of more states, and the others, are refused. The
// counts per kind of rule are printed. Left to the plain build: tables of 10 states take a
// gigabyte each.
TEST_F(CliTest, GollyPatternsRunByTheirHeaderRuleAsInBgolly) {
    ASSERT_TRUE(fs::exists(kGolly / "Patterns")) << "Golly's patterns are missing (scripts/deps.sh installs golly)";
    if (testsupport::kSanitized) GTEST_SKIP() << "the whole collection is too slow in a sanitized build";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kGolly / "Patterns")) {
        const std::string path = entry.path().string();
        if (path.find("/Patterns/Life/") == std::string::npos && (path.ends_with(".rle") || path.ends_with(".rle.gz")))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::map<std::string, int> counts;
    const std::string rules = (kGolly / "Rules").string(), ours = (dir_ / "ours.rle").string();
    const std::string theirs = (dir_ / "theirs.rle").string(), input = (dir_ / "in.rle").string();
    for (const fs::path& file : files) {
        ASSERT_EQ(std::system(("gzip -dcf '" + file.string() + "' > '" + input + "'").c_str()), 0);
        const std::string rule = formats::ParseRle(ReadText(input)).rule;
        const std::string kind = KindOf(rule);
        ++counts[kind];
        const int status = Run({"run", "--pattern", input, "--rules", rules, "--generations", "8", "--output", ours});
        if (kind == "other" || kind == "refused") {
            const bool message = kind == "other" || err_.str() == "Invalid n_states value in Golly ruletable.\n";
            EXPECT_EQ(std::tuple(status, message), std::tuple(1, true)) << file << ": " << err_.str();
            continue;
        }
        ASSERT_EQ(status, 0) << file << ": " << err_.str();
        const std::string algorithm = kind == "rulestring" ? "QuickLife" : "RuleLoader -s '" + rules + "/'";
        ASSERT_EQ(std::system(("bgolly -q -q -a " + algorithm + " -m 8 -o '" + theirs + "' '" + input + "' >/dev/null 2>&1").c_str()), 0);
        EXPECT_TRUE(formats::ParseRle(ReadText(ours)).cells == formats::ParseRle(ReadText(theirs)).cells) << file;
    }
    for (const auto& [kind, count] : counts) std::printf("%s=%d%c", kind.c_str(), count, kind == "tree" ? '\n' : ' ');
    EXPECT_GE(counts["table"] + counts["tree"] + counts["rulestring"], 70);
}

}  // namespace
}  // namespace cli::testing
