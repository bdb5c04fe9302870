#include "formats/rulestring.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "core/symmetry.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"
#include "tests/support/test_rules.h"

namespace formats {
namespace {

core::Rule TwoStateRule(core::RuleSymmetry symmetry) { return core::Rule{2, symmetry, core::RuleTable(512, 0)}; }

// Sets the next state of the block and of every image of it under the rule's group.
void SetOrbit(core::Rule& rule, const core::Neighborhood& digits, std::uint8_t state) {
    for (std::uint64_t i : core::NeighborhoodOrbit(rule.symmetry, rule.stateCount, digits)) rule.table[i] = state;
}

std::uint8_t ParseBits(const std::string& bits) { return static_cast<std::uint8_t>(std::stoi(bits, nullptr, 2)); }

const HenselConfiguration* FindConfiguration(int count, char letter) {
    for (const auto& c : HenselConfigurations())
        if (c.count == count && c.letter == letter) return &c;
    return nullptr;
}

std::uint64_t D8Class(std::uint8_t neighbors) {
    return core::CanonicalIndex(core::kSymmetryD8, 2, HenselNeighborhood(neighbors, 0));
}

TEST(Rulestring, RepresentativesMatchTheReferenceClasses) {
    std::ifstream in(TAVRIX_SOURCE_DIR "/tests/formats/data/hensel-classes.txt");
    ASSERT_TRUE(in) << "reference file missing";
    std::string line;
    int classes = 0;
    std::set<int> members;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int count = 0;
        std::string letter;
        fields >> count >> letter;
        ASSERT_EQ(letter.size(), 1u) << line;
        const HenselConfiguration* rep = FindConfiguration(count, letter[0]);
        ASSERT_NE(rep, nullptr) << line;
        EXPECT_EQ(__builtin_popcount(rep->neighbors), count) << line;
        std::string bits;
        bool repListed = false;
        while (fields >> bits) {
            const std::uint8_t m = ParseBits(bits);
            EXPECT_TRUE(members.insert(m).second) << bits;
            EXPECT_EQ(D8Class(m), D8Class(rep->neighbors)) << count << letter << " member " << bits;
            repListed |= m == rep->neighbors;
        }
        EXPECT_TRUE(repListed) << line;
        ++classes;
    }
    EXPECT_EQ(std::tuple(classes, members.size() + 2), std::tuple(49, 256u));  // all but no neighbour and all eight
}

TEST(Rulestring, EveryClassAloneGivesItsLetter) {
    for (const auto& c : HenselConfigurations())
        for (std::uint8_t centre : {0, 1}) {
            core::Rule rule = TwoStateRule(core::kSymmetryD8);
            SetOrbit(rule, HenselNeighborhood(c.neighbors, centre), 1);
            const std::string half = std::to_string(c.count) + (c.letter ? std::string(1, c.letter) : "");
            EXPECT_EQ(BuildHenselRulestring(rule), centre ? "B/S" + half : "B" + half + "/S");
        }
}

TEST(Rulestring, KnownRulesLetterListsAndNegation) {
    core::Rule rule = TwoStateRule(core::kSymmetryD8), all{2, core::kSymmetryD8, core::RuleTable(512, 1)};
    EXPECT_EQ(std::tuple(BuildHenselRulestring(testsupport::LifeRule()), BuildHenselRulestring(rule), BuildHenselRulestring(all)),
              std::tuple("B3/S23", "B/S", "B012345678/S012345678"));
    // Births on 2 with the letters given: the shorter of the list and its negation.
    for (const auto& [letters, text] : {std::pair{"ac", "B2ac/S"}, {"aceik", "B2-n/S"}, {"cin", "B2cin/S"},
                                        {"aceikn", "B2/S"}, {"ceikn", "B2-a/S"}, {"eikn", "B2-ac/S"}}) {
        rule = TwoStateRule(core::kSymmetryD8);
        for (char l : std::string_view(letters)) SetOrbit(rule, HenselNeighborhood(FindConfiguration(2, l)->neighbors, 0), 1);
        EXPECT_EQ(BuildHenselRulestring(rule), text);
    }
    // Survival on 4 with every letter but t, w, y, z: nine present against four absent.
    rule = TwoStateRule(core::kSymmetryD8);
    for (const auto& c : HenselConfigurations())
        if (c.count == 4 && std::string_view("twyz").find(c.letter) == std::string_view::npos)
            SetOrbit(rule, HenselNeighborhood(c.neighbors, 1), 1);
    EXPECT_EQ(BuildHenselRulestring(rule), "B/S4-twyz");
}

TEST(Rulestring, MapEdgeCases) {
    const std::string a85(85, 'A');
    // Entries set, and the text; any non-zero entry is on.
    const std::pair<std::vector<std::pair<int, int>>, std::string> cases[] = {
        {{}, "MAP" + a85 + "A"}, {{{0, 1}}, "MAPg" + a85}, {{{5, 1}}, "MAPB" + a85}, {{{511, 1}}, "MAP" + a85 + "Q"},
        {{{511, 1}, {510, 7}}, "MAP" + a85 + "w"}, {{{-1, 1}}, "MAP" + std::string(85, '/') + "w"}};  // -1: all
    for (const auto& [entries, text] : cases) {
        core::Rule one = TwoStateRule(core::kSymmetryC1);
        for (const auto& [index, state] : entries)
            if (index < 0) one.table.assign(512, 1);
            else one.table[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(state);
        EXPECT_EQ(BuildMapRulestring(one), text);
    }
}

// Hensel only under D8, MAP otherwise; two states only.
TEST(Rulestring, HenselOnlyUnderD8AndOnlyTwoStateRules) {
    core::Rule rule = TwoStateRule(core::kSymmetryD8);
    rule.table[16] = 1;
    for (rule.symmetry = 0; rule.symmetry < core::kSymmetryCount; ++rule.symmetry)
        EXPECT_EQ(BuildRulestring(rule), rule.symmetry == core::kSymmetryD8 ? "B/S0" : "MAPAAC" + std::string(83, 'A')) << int{rule.symmetry};
    const core::Rule three{3, core::kSymmetryD8, core::RuleTable(19683, 0)};
    for (auto build : {&BuildHenselRulestring, &BuildMapRulestring, &BuildRulestring})
        EXPECT_EQ(testsupport::ErrorOf([&] { build(three); }),
                  "Hensel and MAP export are only supported for 2-state rules. Use ruletable export for this multistate rule.");
}

// Golly must run the rulestring exactly as the table says: Hensel under D8, MAP under C1. Entry 0
// stays 0: a rule born on nothing makes Golly emulate it with alternating rules.
TEST(Rulestring, GollyRunsTheRulestringsAsTheTable) {
    const std::vector<std::uint64_t> all = testsupport::AllIndices(2);
    for (const bool hensel : {true, false}) {
        std::mt19937 rng(hensel ? 5 : 6);
        for (int trial = 0; trial < 8; ++trial) {
            core::Rule rule = TwoStateRule(hensel ? core::kSymmetryD8 : core::kSymmetryC1);
            const int percent = hensel && trial == 0 ? 50 : 10 + static_cast<int>(rng() % 81);
            for (std::uint64_t i = 1; i < 512; ++i) {
                const core::Neighborhood d = core::DecodeNeighborhoodIndex(i, 2);
                if (!hensel) rule.table[i] = static_cast<int>(rng() % 100) < percent;
                else if (core::CanonicalIndex(rule.symmetry, 2, d) == i && static_cast<int>(rng() % 100) < percent)
                    SetOrbit(rule, d, 1);
            }
            const std::string rulestring = hensel ? BuildHenselRulestring(rule) : BuildMapRulestring(rule);
            EXPECT_EQ(testsupport::ProbeTransitions({rulestring, "", 2}, all), rule.table) << rulestring;
        }
    }
}

}  // namespace
}  // namespace formats
