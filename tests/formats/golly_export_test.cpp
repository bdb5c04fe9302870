// Golly ruletable export: the plain text of a table, and the tabbed texts line by line; both read
// back (by our reader and by bgolly) as the rule they were written from, the tabbed ones for tab
// chains put together the way the editor leaves them.
#include "formats/golly_tabbed_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_ruletable_writer.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"
#include "tests/support/test_rules.h"

namespace formats {
namespace {

core::Rule EmptyRule(int stateCount, core::RuleSymmetry symmetry) {
    return {stateCount, symmetry, core::RuleTable(core::RuleTableSize(stateCount), 0)};
}

std::string Header(int stateCount, const std::string& symmetry) {
    return "@TABLE\nn_states:" + std::to_string(stateCount) + "\nneighborhood:Moore\nsymmetries:" + symmetry + "\n";
}

std::string Default(int stateCount, int anyStateCount) {
    std::string out;
    AppendGollyDefaultBlock(out, stateCount, anyStateCount);
    return out;
}

TabbedExportTab PatternTab(const std::string& name, std::vector<TabbedExportLockRecord> records) {
    return {kTabbedExportPatternTab, name, {}, std::move(records), {}, {}};
}

ConstraintSlot Fixed(std::uint8_t state) { return {false, state, -1, 0}; }
ConstraintSlot Var(std::int32_t variable, std::int32_t linkGroup = 0) { return {true, 0, variable, linkGroup}; }

ConstraintVariable BuiltIn(int stateCount) {
    ConstraintVariable v{true, "a", {}};
    for (int s = 0; s < stateCount; ++s) v.allowedStates.push_back(static_cast<std::uint8_t>(s));
    return v;
}

TabbedExportTab ConstraintTab(const std::string& name, std::vector<ConstraintVariable> variables,
                              std::vector<ConstraintEntry> entries) {
    return {kTabbedExportConstraintTab, name, {}, {}, std::move(variables), std::move(entries)};
}

// Entry from slots given in position order NW, N, NE, W, C, E, SW, S, SE, output.
ConstraintEntry Entry(std::array<ConstraintSlot, 10> slots) { return ConstraintEntry{slots}; }

// Two-digit states, and the order: NW=1 N=2 NE=3 W=4 C=5 E=6 SW=7 S=8 SE=9, written C N NE E SE S SW W NW.
TEST(GollyRuletableWriter, TransitionLineOrder) {
    std::string out;
    AppendGollyTransitionLine(out, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 12);
    EXPECT_EQ(out, "5 2,3,6,9,8,7,4,1 12\n");
}

TEST(GollyRuletableWriter, DefaultBlock) {
    EXPECT_EQ(Default(3, 0), "var a1={0,1,2}\nvar a2=a1\nvar a3=a1\nvar a4=a1\nvar a5=a1\nvar a6=a1\nvar a7=a1\n"
                             "var a8=a1\nvar a9=a1\na1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
    EXPECT_EQ(Default(2, 0), "var a1={0,1}\n" + Default(3, 0).substr(15));  // the literal above after its first line
    EXPECT_EQ(Default(16, 7), "var a8=a1\nvar a9=a1\na1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
    EXPECT_EQ(Default(2, 12), "a1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
}

// Whole texts (up to the catch-all's declarations where it is left out): a lone live centre that
// survives; entry 0 not 0 (written in the scan) under D8; a sparse eight-state table of 134
// million entries whose orbit is written once, as S alive.
TEST(GollyRuletableWriter, WholeTexts) {
    const std::string catchAll = Default(2, 0);  // written out in DefaultBlock
    core::Rule centre{2, core::kSymmetryC1, core::RuleTable(512, 0)};
    centre.table[16] = 1;
    core::Rule entryZero{3, core::kSymmetryD8, core::RuleTable(19683, 0)};
    entryZero.table[0] = 2;
    entryZero.table[19682] = 1;
    core::Rule sparse{8, core::kSymmetryC4, core::RuleTable(core::RuleTableSize(8), 0)};
    for (std::uint64_t i : core::NeighborhoodOrbit(sparse.symmetry, 8, {0, 1, 0, 0, 3, 0, 0, 0, 0})) sparse.table[i] = 5;
    sparse.table.back() = 7;
    const std::pair<const core::Rule*, std::string> cases[] = {
        {&centre, "n_states:2\nneighborhood:Moore\nsymmetries:none\n\n0 0,0,0,0,0,0,0,0 0\n1 0,0,0,0,0,0,0,0 1\n\n" +
                      catchAll},
        {&entryZero, "n_states:3\nneighborhood:Moore\nsymmetries:rotate4reflect\n\n0 0,0,0,0,0,0,0,0 2\n"
                     "2 2,2,2,2,2,2,2,2 1\n\n"},
        {&sparse, "n_states:8\nneighborhood:Moore\nsymmetries:rotate4\n\n0 0,0,0,0,0,0,0,0 0\n3 0,0,0,0,1,0,0,0 5\n"
                  "7 7,7,7,7,7,7,7,7 7\n\n"},
    };
    for (const auto& [rule, expected] : cases) {
        const std::string text = BuildPlainGollyRuletable(*rule);
        EXPECT_EQ(rule == &centre ? text : text.substr(0, text.find("var ")), expected);
    }
}

// Where listing what differs from the centre takes fewer lines, that is written, without the
// catch-all: Golly keeps an unlisted neighbourhood's centre.
TEST(GollyRuletableWriter, ListsChangesFromTheCentreWhenShorter) {
    core::Rule rule{3, core::kSymmetryC4, core::RuleTable(19683)};
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) rule.table[i] = core::DecodeNeighborhoodIndex(i, 3)[4];
    const core::Neighborhood block{0, 1, 0, 0, 2, 0, 0, 0, 0};
    for (std::uint64_t i : core::NeighborhoodOrbit(rule.symmetry, 3, block)) rule.table[i] = 0;
    EXPECT_EQ(BuildPlainGollyRuletable(rule), "n_states:3\nneighborhood:Moore\nsymmetries:rotate4\n\n"
              "# Neighbourhoods not listed keep their centre state.\n"
              "2 0,0,0,0,1,0,0,0 0\n");
    // Two states, no symmetry: k of the 256 live centres die. Listing the changes takes k lines,
    // listing what is not 0 takes 256 - k, the all-zero line and ten for the catch-all.
    for (const int k : {133, 134}) {
        core::Rule c1{2, core::kSymmetryC1, core::RuleTable(512)};
        int dying = k;
        for (std::uint64_t i = 0; i < 512; ++i) c1.table[i] = (i & 16) && dying-- <= 0 ? 1 : 0;
        EXPECT_EQ(BuildPlainGollyRuletable(c1).find("# Neighbourhoods") != std::string::npos, k == 133) << k;
    }
}

// The plain writer and both tabbed texts refuse the groups Golly has no name for.
TEST(GollyRuletableWriter, RefusesSymmetriesGollyCannotExpress) {
    for (core::RuleSymmetry s = 0; s < 12; ++s) {  // 8 to 11 name no group
        const bool exportable = s == 0 || s == 3 || s == 4;
        const std::string expected = exportable ? "(no error)" : "Golly ruletable export does not support the selected symmetry.";
        EXPECT_EQ(IsGollyExportableSymmetry(s), exportable) << int{s};
        EXPECT_EQ(testsupport::ErrorOf([&] { BuildPlainGollyRuletable(EmptyRule(2, s)); }), expected) << int{s};
        for (bool annotated : {true, false})
            EXPECT_EQ(testsupport::ErrorOf([&] { BuildTabbedGollyRuletable(EmptyRule(2 + annotated, s), {}, {}, annotated); }),
                      expected)
                << int{s};
    }
}

TEST(GollyRuletableWriter, ImportReadsTheExportBack) {
    std::uint32_t seed = 100;
    for (core::RuleSymmetry symmetry : {core::kSymmetryC1, core::kSymmetryC4, core::kSymmetryD8}) {
        for (int n : {2, 3, 4}) {
            for (int zeroPercent : {0, 50, 95, -95}) {
                if (zeroPercent < 0 && n == 4) continue;  // keeping the centre: 2 and 3 states suffice
                core::Rule rule = testsupport::RandomSymmetricRule(n, symmetry, ++seed, std::abs(zeroPercent), zeroPercent < 0);
                if (seed % 2) rule.table[0] = 1;
                const ImportedGollyRule imported = ParseGollyRuletableText("@TABLE\n" + BuildPlainGollyRuletable(rule));
                EXPECT_TRUE(std::tie(imported.stateCount, imported.symmetry, imported.table) ==
                            std::tie(rule.stateCount, rule.symmetry, rule.table))
                    << int(symmetry) << " " << n << " " << zeroPercent;
            }
        }
    }
}

// Golly must run the exported text as our table. Entry 0 stays 0 so that the probe's
// empty background stays empty.
TEST(GollyRuletableWriter, GollyRunsTheExportAsTheTable) {
    std::uint32_t seed = 200;
    for (core::RuleSymmetry symmetry : {core::kSymmetryC1, core::kSymmetryC4, core::kSymmetryD8}) {
        for (int n : {2, 3, 4}) {
            core::Rule rule = testsupport::RandomSymmetricRule(n, symmetry, ++seed, n == 3 ? 90 : 40, n == 3);
            rule.table[0] = 0;  // the all-zero block is an orbit of its own
            const std::string name = "TavrixExport" + std::to_string(n) + "s" + std::to_string(symmetry);
            const std::string text = "@RULE " + name + "\n@TABLE\n" + BuildPlainGollyRuletable(rule);
            std::vector<std::uint64_t> indices = n <= 3 ? testsupport::AllIndices(n) : std::vector<std::uint64_t>(4000);
            std::mt19937_64 rng(seed);
            if (n > 3)
                for (auto& i : indices) i = rng() % rule.table.size();
            EXPECT_EQ(testsupport::GollyMismatches({name, text, n}, rule.table, indices), "");
        }
    }
}

// An empty rule of `states` with the entries `live` set to 1.
core::Rule RuleWith(int states, core::RuleSymmetry symmetry, std::initializer_list<std::uint64_t> live = {}) {
    core::Rule rule = EmptyRule(states, symmetry);
    for (std::uint64_t i : live) rule.table[i] = 1;
    return rule;
}

// Whole texts of small chains, the lock table and the annotated text.
TEST(GollyTabbedExport, WholeTexts) {
    const std::string none2 = Header(2, "none"), none3 = Header(3, "none");
    const auto glider = PatternTab("Glider", {{24, 3}, {48, 0}, {16, 0}, {9999, 9}});  // 9999 lies outside
    const std::string gliderLocks = none2 + "\n#P \"Glider\" (4, !)\n1 0,0,0,0,0,0,0,0 1\n"
                                            "1 0,0,0,0,0,0,1,0 1\n1 0,0,1,0,0,0,0,0 1\n";
    const auto dies = PatternTab("P", {{16, 5}, {24, 1}});  // 16 (lone centre) dies
    // One live orthogonal neighbour: N, E, S, W; S (index 2) is the canonical one.
    const auto orbit = PatternTab("Orbit", {{128, 0}, {8, 0}, {2, 0}, {32, 0}});
    auto start = PatternTab("A \"quoted\"\tname\n", {});
    start.startGrid.SetCell(10, 20, 1), start.startGrid.SetCell(12, 20, 1), start.startGrid.SetCell(11, 21, 2);
    const std::vector<TabbedExportTab> titled = {start, PatternTab("", {}),
                                                 PatternTab("Gleiter \xC3\xBC \xE2\x9C\x93", {}),
                                                 ConstraintTab("say \"hi\"", {BuiltIn(3)}, {})};
    // 2x in N and S unlinked, my var at the centre, E fixed 2.
    const auto rules = ConstraintTab("Rules", {BuiltIn(3), {false, "2x", {1, 2}}, {false, "my var", {2}}},
                                     {Entry({Fixed(0), Var(1), Fixed(0), Fixed(0), Var(2), Fixed(2), Fixed(0), Var(1),
                                             Fixed(0), Fixed(1)})});
    const std::string rulesBody = "var v2x1={1,2}\nvar v2x2=v2x1\nvar my_var1={2}\n\n\n#C Rules\n"
                                  "my_var1 v2x1,0,2,0,v2x2,0,0,0 1\n";
    // Two tabs whose names Golly spells alike keep the first one's states.
    const auto once = Entry({Fixed(0), Var(1), Fixed(0), Fixed(0), Fixed(1), Fixed(0), Fixed(0), Fixed(0), Fixed(0),
                             Fixed(2)});
    auto twice = once;
    twice.slots[7] = Var(1);
    const std::vector<TabbedExportTab> shared = {ConstraintTab("one", {BuiltIn(3), {false, "my var", {1}}}, {once}),
                                                 ConstraintTab("two", {BuiltIn(3), {false, "my_var", {2}}}, {twice})};
    const struct {
        const char* what;
        core::Rule rule;
        std::vector<TabbedExportTab> tabs;
        std::vector<std::uint64_t> locked;
        bool annotated;
        std::string expected;
    } cases[] = {
        // Unlocked, but with no tabs nothing is optional.
        {"no tabs", RuleWith(2, 0, {16}), {}, {}, true, none2 + "\n" + Default(2, 0)},
        {"no tabs, lock table", RuleWith(2, 0, {16}), {}, {}, false, none2},
        {"records sorted, generations counted", RuleWith(2, 0, {16, 24, 48}), {glider}, {0, 16, 24, 48}, false,
         gliderLocks},
        {"records sorted, annotated", RuleWith(2, 0, {16, 24, 48}), {glider}, {0, 16, 24, 48}, true,
         gliderLocks + "\n" + Default(2, 0)},
        {"zero outputs in the lock table", RuleWith(2, 0, {24}), {dies}, {0, 16, 24}, false,
         none2 + "\n#P \"P\" (6, !)\n1 0,0,1,0,0,0,0,0 1\n1 0,0,0,0,0,0,0,0 0\n"},
        {"no zero outputs annotated", RuleWith(2, 0, {24}), {dies}, {0, 16, 24}, true,
         none2 + "\n#P \"P\" (2, !)\n1 0,0,1,0,0,0,0,0 1\n\n" + Default(2, 0)},
        {"nothing live annotated", RuleWith(2, 0), {dies}, {0, 16, 24}, true,
         none2 + "\n#P \"P\" (0, !)\n\n" + Default(2, 0)},
        {"only canonical records", RuleWith(2, core::kSymmetryD8, {128, 8, 2, 32}), {orbit}, {0, 2, 8, 32, 128}, false,
         Header(2, "rotate4reflect") + "\n#P \"Orbit\" (1, !)\n0 0,0,0,0,1,0,0,0 1\n"},
        {"start patterns and titles", RuleWith(3, core::kSymmetryC4), titled, {0}, false,
         Header(3, "rotate4") + "\n#P \"A 'quoted' name \" (0, A.A$.B.!)\n\n#P \"Untitled\" (0, !)\n"
                                "\n#P \"Gleiter \xC3\xBC \xE2\x9C\x93\" (0, !)\n\n#C say 'hi'\n"},
        {"declarations and constraint lines", RuleWith(3, 0), {rules}, {0}, false, none3 + rulesBody},
        {"declarations, annotated", RuleWith(3, 0), {rules}, {0}, true, none3 + rulesBody + "\n" + Default(3, 0)},
        {"shared Golly names", RuleWith(3, 0), shared, {0}, false,
         none3 + "var my_var1={1}\nvar my_var2=my_var1\n\n\n#C one\n1 my_var1,0,0,0,0,0,0,0 2\n\n#C two\n"
                 "1 my_var1,0,0,0,my_var2,0,0,0 2\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildTabbedGollyRuletable(c.rule, c.tabs, c.locked, c.annotated), c.expected) << c.what;
}

TEST(GollyTabbedExport, PatternEncoderAndNames) {
    std::string tall = "A$";
    for (int y = 1; y < 130; ++y) tall += ".$";
    const std::pair<std::vector<std::tuple<std::int32_t, std::int32_t, std::uint8_t>>, std::string> cases[] = {
        {{}, "!"},
        {{{3, 3, 1}, {3, 3, 0}}, "!"},
        {{{0, 0, 26}, {1, 0, 26}, {2, 0, 26}, {3, 0, 27}, {4, 0, 255}, {0, 1, 25}}, "3Z2?$Y4.!"},
        // Runs of background continue across chunk edges and missing chunks.
        {{{-1, 0, 1}, {64, 0, 1}, {300, 0, 3}}, "A64.A235.C!"},
        {{{0, 0, 1}, {0, 130, 2}}, tall + "B!"},
    };
    for (const auto& [cells, text] : cases) {
        core::ChunkGrid grid;
        for (const auto& [x, y, state] : cells) grid.SetCell(x, y, state);
        EXPECT_EQ(EncodeGollyPatternText(grid), text);
    }
    for (const auto& [name, golly] : std::vector<std::pair<std::string, std::string>>{
             {"2x", "v2x"}, {"my var", "my_var"}, {"", "v"}, {"_q9", "_q9"}, {"Zed", "Zed"},
             {"\xC3\xA9t\xC3\xA9", "__t__"}, {"-", "_"}, {"9", "v9"}})
        EXPECT_EQ(GollyVariableName(name), golly);
    EXPECT_EQ(GollyTabTitle("\x01\x1f\x7f\""), std::string("  \x7f'"));
}

TEST(GollyTabbedExport, OccurrenceNumbersLinkedAndUnlinked) {
    // b in C (unlinked), N and S (group 1), NW (unlinked) and the output (group 1); a in E (group 2).
    const auto entry = Entry({Var(1), Var(1, 1), Fixed(0), Fixed(0), Var(1), Var(0, 2), Fixed(0), Var(1, 1),
                              Fixed(0), Var(1, 1)});
    const auto numbers = GollyOccurrenceNumbers(entry, 2);
    EXPECT_EQ(numbers, (std::array<int, 10>{3, 1, 0, 0, 2, 1, 0, 1, 0, 1}));
    // With one variable, index 1 is not valid: those slots are fixed.
    EXPECT_EQ(GollyOccurrenceNumbers(entry, 1), (std::array<int, 10>{0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
    // Different groups of one variable and one group of different variables stay apart.
    const auto groups = Entry({Var(1, 2), Var(1, 3), Var(1, 2), Var(2, 2), Var(2, 2), Fixed(0), Fixed(0), Fixed(0),
                               Var(1, -1), Var(1, 3)});
    EXPECT_EQ(GollyOccurrenceNumbers(groups, 3), (std::array<int, 10>{2, 1, 2, 1, 1, 0, 0, 0, 3, 1}));

    const core::Rule rule = EmptyRule(3, core::kSymmetryC1);
    const auto tab = ConstraintTab("C", {BuiltIn(3), {false, "b", {1, 2}}}, {entry});
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0}, true),
              Header(3, "none") + "var b1={1,2}\nvar b2=b1\nvar b3=b1\nvar a1={0,1,2}\n\n\n#C C\n" +
                  "b2 b1,0,a1,0,b1,0,0,b3 b1\n\n" + Default(3, 1));
}

TEST(GollyTabbedExport, OutputVariableLinkedToNoCellIsWrittenAsItsLastState) {
    const core::Rule rule = EmptyRule(3, core::kSymmetryC1);
    const std::vector<ConstraintVariable> vars = {BuiltIn(3), {false, "b", {0, 1}}, {false, "e", {}}};
    auto line = [&](ConstraintSlot north, ConstraintSlot output) {
        const std::string text = BuildTabbedGollyRuletable(
            rule, {ConstraintTab("C", vars, {Entry({Fixed(0), north, Fixed(0), Fixed(0), Fixed(1), Fixed(0), Fixed(0),
                                                    Fixed(0), Fixed(0), output})})},
            {0}, false);
        return text.substr(text.find("#C C\n") + 5);
    };
    // Another group, another variable, the same group; e has no state to name.
    for (const auto& [north, output, expected] :
         {std::tuple{Fixed(2), Var(1), "1 2,0,0,0,0,0,0,0 1\n"}, {Fixed(2), Var(0), "1 2,0,0,0,0,0,0,0 2\n"},
          {Var(1, 1), Var(1, 2), "1 b1,0,0,0,0,0,0,0 1\n"}, {Var(0, 1), Var(1, 1), "1 a1,0,0,0,0,0,0,0 1\n"},
          {Var(1, 1), Var(1, 1), "1 b1,0,0,0,0,0,0,0 b1\n"}, {Fixed(2), Var(2), "1 2,0,0,0,0,0,0,0 e1\n"}})
        EXPECT_EQ(line(north, output), expected);
}

TEST(GollyTabbedExport, BuiltInOccurrencesShortenTheDefaultBlock) {
    const core::Rule rule = EmptyRule(2, core::kSymmetryC1);
    const auto entry = Entry({Var(0), Fixed(1), Var(0), Fixed(0), Fixed(1), Var(0), Fixed(0), Fixed(0), Fixed(0),
                              Fixed(1)});
    const auto tab = ConstraintTab("", {BuiltIn(2)}, {entry});
    const std::string body = "var a1={0,1}\nvar a2=a1\nvar a3=a1\n\n\n#C Untitled\n1 1,a1,a2,0,0,0,0,a3 1\n";
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0}, true),
              Header(2, "none") + body + "\nvar a4=a1\nvar a5=a1\nvar a6=a1\nvar a7=a1\nvar a8=a1\nvar a9=a1\n"
                                         "a1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
    // Variable 0 without the built-in flag does not stand in for the default block's a1.
    auto plain = tab;
    plain.variables[0].builtIn = false;
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {plain}, {0}, true), Header(2, "none") + body + "\n" + Default(2, 0));
    // A slot naming a variable the tab does not have is written as its state.
    auto invalid = tab;
    invalid.entries[0].slots[4] = {true, 1, 7, 0};
    invalid.entries[0].slots[9] = {false, 0, 0, 3};
    EXPECT_NE(BuildTabbedGollyRuletable(rule, {invalid}, {0}, false).find("\n1 1,a1,a2,0,0,0,0,a3 0\n"),
              std::string::npos);
}

TEST(GollyTabbedExport, LockedBlocksGoAheadOfConstraintLinesThatReachThem) {
    // P locks the lone live centre (index 16) with output 0; C's nine free cells go to 1 and
    // reach both it and the all-background block, C1 (centre fixed 1) only the lone centre.
    const auto p = PatternTab("P", {{16, 2}});
    std::array<ConstraintSlot, 10> free{};
    free.fill(Var(0));
    free[9] = Fixed(1);
    const auto c = ConstraintTab("C", {BuiltIn(2)}, {Entry(free)});
    auto centre = free;
    centre[4] = Fixed(1);
    const auto c1 = ConstraintTab("C1", {BuiltIn(2)}, {Entry(centre)});
    std::string nine = "var a1={0,1}\n";
    for (int i = 2; i <= 9; ++i) nine += "var a" + std::to_string(i) + "=a1\n";
    const std::string eight = nine.substr(0, nine.find("var a9"));
    const std::string background = "\n## All-background block (always locked)\n0 0,0,0,0,0,0,0,0 ";
    const std::string keptZero = "\n#P \"P\" (3, !)\n1 0,0,0,0,0,0,0,0 0\n";
    const std::string freeLine = "\n#C C\na1 a2,a3,a4,a5,a6,a7,a8,a9 1\n";
    const std::string header = Header(2, "rotate4reflect");
    const std::vector<std::tuple<const char*, std::uint8_t, std::vector<TabbedExportTab>, bool, std::string>> cases = {
        {"pattern then free cells", 0, {p, c}, true,
         header + nine + "\n" + background + "0\n" + keptZero + freeLine + "\n" + Default(2, 9)},
        {"lock table", 0, {p, c}, false, header + nine + "\n" + background + "0\n" + keptZero + freeLine},
        {"no constraint line after the pattern tab", 0, {c, p}, true,
         header + nine + "\n" + background + "0\n" + freeLine + "\n#P \"P\" (0, !)\n\n" + Default(2, 9)},
        {"centre fixed to 1", 0, {p, c1}, true,
         header + eight + "\n" + keptZero + "\n#C C1\n1 a1,a2,a3,a4,a5,a6,a7,a8 1\n\n" + Default(2, 8)},
        {"all-background block not 0", 1, {p}, true,
         header + background + "1\n" + "\n#P \"P\" (0, !)\n\n" + Default(2, 0)},
        {"all-background block not 0, lock table", 1, {p}, false,
         header + background + "1\n" + "\n#P \"P\" (3, !)\n1 0,0,0,0,0,0,0,0 0\n"},
    };
    for (const auto& [what, entry0, tabs, annotated, expected] : cases) {
        core::Rule rule = EmptyRule(2, core::kSymmetryD8);
        rule.table[0] = entry0;
        EXPECT_EQ(BuildTabbedGollyRuletable(rule, tabs, {0, 16}, annotated), expected) << what;
    }
}

TEST(GollyTabbedExport, OptionalTransitions) {
    core::Rule rule = EmptyRule(2, core::kSymmetryD8);
    for (std::uint64_t i : {128, 8, 2, 32}) rule.table[i] = 1;  // unlocked orbit, written once
    rule.table[16] = 1;                                           // locked
    rule.table[511] = 1;                                          // unlocked
    const auto tab = PatternTab("T", {{16, 0}});
    const std::string locks = Header(2, "rotate4reflect") + "\n#P \"T\" (1, !)\n1 0,0,0,0,0,0,0,0 1\n";
    const std::string optional = locks + "\n## Optional transitions (press Ctrl+M to remove)\n0 0,0,0,0,1,0,0,0 1\n"
                                         "1 1,1,1,1,1,1,1,1 1\n\n" + Default(2, 0);
    // The merge walk does not depend on the caller's order; locking the canonical member removes the
    // whole orbit from the optional lines.
    for (const auto& [locked, annotated, expected] : {std::tuple{std::vector<std::uint64_t>{0, 16}, true, optional},
                                                      {{16, 0}, true, optional}, {{0, 16}, false, locks},
                                                      {{0, 2, 16, 511}, true, locks + "\n" + Default(2, 0)}})
        EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, locked, annotated), expected);
}

TEST(GollyTabbedExport, OptionalScanSkipsLongZeroRuns) {
    core::Rule rule = EmptyRule(6, core::kSymmetryC1);
    rule.table.back() = 5;
    rule.table[7] = 1;
    const std::string text = BuildTabbedGollyRuletable(rule, {PatternTab("T", {})}, {0, 7}, true);
    EXPECT_NE(text.find("## Optional transitions (press Ctrl+M to remove)\n5 5,5,5,5,5,5,5,5 5\n\n"),
              std::string::npos);
    EXPECT_EQ(text.find(" 1\n"), std::string::npos);
}

using Assignment = std::array<std::uint8_t, kConstraintSlotCount>;

// Every assignment an entry describes, in the editor's order: slots NW..SE then the output,
// each variable over its states, linked slots copying their earlier partner.
template <class Visit>
void ForEachAssignment(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables, Visit&& visit) {
    Assignment a{};
    auto walk = [&](auto&& self, std::size_t s) -> void {
        if (s == a.size()) return visit(a);
        const ConstraintSlot& slot = entry.slots[s];
        if (!slot.isVariable || slot.variable < 0 || static_cast<std::size_t>(slot.variable) >= variables.size())
            return a[s] = slot.state, self(self, s + 1);
        for (std::size_t t = 0; t < s && slot.linkGroup > 0; ++t) {
            const ConstraintSlot& other = entry.slots[t];
            if (other.isVariable && other.variable == slot.variable && other.linkGroup == slot.linkGroup)
                return a[s] = a[t], self(self, s + 1);
        }
        for (std::uint8_t v : variables[static_cast<std::size_t>(slot.variable)].allowedStates) a[s] = v, self(self, s + 1);
    };
    walk(walk, 0);
}

core::Neighborhood BlockOf(const Assignment& a) { return {a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]}; }

// Plays the tab chain: pattern tabs lock whole orbits of the rule as it stands, constraint tabs
// write and lock the classes their entries reach that nothing locked before.
class ChainBuilder {
public:
    // `background` is the all-background block's output: an imported rule may keep one that is not 0.
    ChainBuilder(int stateCount, core::RuleSymmetry symmetry, std::uint32_t seed, std::uint8_t background = 0)
        : rng_(seed), rule_(testsupport::RandomSymmetricRule(stateCount, symmetry, seed, 0)) {
        rule_.table[0] = background;
        listedByLockTable_.assign(rule_.table.size(), false);
        listedByLockTable_[0] = background != 0;
        locked_.insert(0);
    }

    void AddPatternTab(int classes) {
        TabbedExportTab tab = PatternTab("Pattern " + std::to_string(tabs_.size()), {});
        for (int c = 0; c < classes; ++c) {
            const std::uint64_t index = Canonical(rng_() % rule_.table.size());
            if (locked_.count(index)) continue;
            const std::uint64_t generation = rng_() % 5;
            for (std::uint64_t j : Orbit(index)) tab.lockRecords.push_back({j, generation}), locked_.insert(j), listedByLockTable_[j] = true;
            tab.startGrid.SetCell(static_cast<std::int32_t>(c), 0, rule_.table[index]);
        }
        tab.lockRecords.push_back({rule_.table.size() + 3, 7});  // outside the table: left out
        std::shuffle(tab.lockRecords.begin(), tab.lockRecords.end(), rng_);
        tabs_.push_back(std::move(tab));
    }

    void AddConstraintTab(int entries) {
        const int n = rule_.stateCount;
        TabbedExportTab tab = ConstraintTab("Constraint " + std::to_string(tabs_.size()), {}, {});
        // The editor gives every constraint tab one shared list of variables.
        if (variables_.empty()) {
            variables_.push_back(BuiltIn(n));
            for (const char* name : {"b", "2x", "my var"}) {
                ConstraintVariable v{false, name, {}};
                for (int s = 0; s < n; ++s)
                    if (rng_() % 2 == 0) v.allowedStates.push_back(static_cast<std::uint8_t>(s));
                if (v.allowedStates.empty()) v.allowedStates.push_back(static_cast<std::uint8_t>(1 + rng_() % (n - 1)));
                variables_.push_back(v);
            }
        }
        tab.variables = variables_;
        for (int e = 0; e < entries; ++e)
            for (int attempt = 0; attempt < 200; ++attempt) {
                const ConstraintEntry entry = RandomEntry(tab.variables);
                if (!ReadsBackAsWritten(entry, tab.variables)) continue;
                Apply(entry, tab.variables), tab.entries.push_back(entry);
                break;
            }
        tabs_.push_back(std::move(tab));
    }

    const core::Rule& Rule() const { return rule_; }
    const std::vector<TabbedExportTab>& Tabs() const { return tabs_; }
    std::vector<std::uint64_t> Locked() const { return {locked_.begin(), locked_.end()}; }
    const std::vector<bool>& ListedByLockTable() const { return listedByLockTable_; }
    int ConstraintEntries() const { return acceptedEntries_; }

private:
    std::vector<std::uint64_t> Orbit(std::uint64_t index) const { return Orbit(Block(index)); }
    std::vector<std::uint64_t> Orbit(const core::Neighborhood& d) const { return core::NeighborhoodOrbit(rule_.symmetry, rule_.stateCount, d); }
    std::uint64_t Canonical(std::uint64_t index) const { return core::CanonicalIndex(rule_.symmetry, rule_.stateCount, Block(index)); }
    core::Neighborhood Block(std::uint64_t index) const { return core::DecodeNeighborhoodIndex(index, rule_.stateCount); }

    ConstraintEntry RandomEntry(const std::vector<ConstraintVariable>& variables) {
        const int n = rule_.stateCount;
        ConstraintEntry entry;
        std::vector<int> variableSlots;
        for (int s = 0; s < 9; ++s) {
            auto& slot = entry.slots[static_cast<std::size_t>(s)];
            if (variableSlots.size() < 3 && rng_() % 3 == 0)
                slot = {true, 0, static_cast<std::int32_t>(rng_() % variables.size()),
                        static_cast<std::int32_t>(rng_() % 4 == 0 ? 1 + rng_() % 2 : 0)},
                variableSlots.push_back(s);
            else slot = Fixed(static_cast<std::uint8_t>(rng_() % 2 == 0 ? 0 : rng_() % n));
        }
        auto& output = entry.slots[kConstraintOutputSlot];
        if (!variableSlots.empty() && rng_() % 2 == 0) {
            // The output follows a cell, so Golly sees it as a bound variable.
            auto& cell = entry.slots[static_cast<std::size_t>(variableSlots[rng_() % variableSlots.size()])];
            if (cell.linkGroup == 0) cell.linkGroup = 5 + static_cast<std::int32_t>(rng_() % 3);
            output = cell;
        } else {
            output = Fixed(static_cast<std::uint8_t>(rng_() % n));
        }
        return entry;
    }

    // Leaves out the entries that give one block two outputs, which Golly's first-line-wins
    // reading cannot say.
    bool ReadsBackAsWritten(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables) const {
        std::map<std::uint64_t, std::uint8_t> outputs;
        bool ok = true;
        ForEachAssignment(entry, variables, [&](const Assignment& a) {
            for (std::uint64_t i : Orbit(BlockOf(a))) {
                const auto [it, inserted] = outputs.emplace(i, a[9]);
                if (!inserted && it->second != a[9]) ok = false;
            }
        });
        return ok && !outputs.empty();
    }

    void Apply(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables) {
        std::vector<std::uint64_t> taken;
        ForEachAssignment(entry, variables, [&](const Assignment& a) {
            for (std::uint64_t i : Orbit(BlockOf(a))) {
                listedByLockTable_[i] = true;
                const std::uint64_t c = Canonical(i);
                if (locked_.count(c)) continue;
                rule_.table[i] = a[9];
                taken.push_back(c);
            }
        });
        locked_.insert(taken.begin(), taken.end());
        ++acceptedEntries_;
    }

    std::mt19937 rng_;
    core::Rule rule_;
    std::vector<TabbedExportTab> tabs_;
    std::vector<ConstraintVariable> variables_;
    std::set<std::uint64_t> locked_;
    std::vector<bool> listedByLockTable_;
    int acceptedEntries_ = 0;
};

ChainBuilder MakeChain(int n, core::RuleSymmetry symmetry, std::uint32_t seed, std::uint8_t background = 0) {
    ChainBuilder chain(n, symmetry, seed, background);
    chain.AddPatternTab(40);
    chain.AddConstraintTab(6);
    chain.AddPatternTab(25);
    chain.AddConstraintTab(6);
    return chain;
}

TEST(GollyTabbedRoundTrip, ReaderGivesTheRuleOnEveryListedNeighbourhood) {
    for (int n : {2, 3})
        for (core::RuleSymmetry symmetry : {0, 3, 4})
            for (std::uint32_t seed = 1; seed <= 5; ++seed) {
                SCOPED_TRACE(testing::Message() << n << " states, symmetry " << int{symmetry} << ", seed " << seed);
                const auto background = static_cast<std::uint8_t>(seed == 5 ? n - 1 : 0);
                const ChainBuilder chain =
                    MakeChain(n, symmetry, seed * 101 + static_cast<std::uint32_t>(n), background);
                EXPECT_GE(chain.ConstraintEntries(), 6);
                const core::Rule& rule = chain.Rule();
                const auto locked = chain.Locked();

                // The annotated text ends with the catch-all, so it lists every neighbourhood.
                const auto annotated = ParseGollyRuletableText(BuildTabbedGollyRuletable(rule, chain.Tabs(), locked, true));
                EXPECT_TRUE(std::tie(annotated.stateCount, annotated.symmetry, annotated.table) ==
                            std::tie(rule.stateCount, rule.symmetry, rule.table));

                const auto lockTable = ParseGollyRuletableText(BuildTabbedGollyRuletable(rule, chain.Tabs(), locked, false));
                EXPECT_EQ(lockTable.symmetry, symmetry);
                std::uint64_t listed = 0, differing = 0;
                for (std::uint64_t i = 0; i < rule.table.size(); ++i)
                    if (chain.ListedByLockTable()[i]) ++listed, differing += lockTable.table[i] != rule.table[i];
                EXPECT_EQ(std::tuple(listed > 50, differing), std::tuple(true, 0u));
            }
}

TEST(GollyTabbedBgolly, GollyRunsBothTextsAsTheRule) {
    for (const auto& [n, symmetry, background] : {std::tuple{2, core::kSymmetryD8, 0}, {2, core::kSymmetryC1, 0},
                                                  {3, core::kSymmetryC4, 0}, {3, core::kSymmetryD8, 0}, {2, core::kSymmetryC4, 1}})
        for (bool annotated : {true, false}) {
            SCOPED_TRACE(testing::Message() << n << " states, symmetry " << int{symmetry} << ", background " << background
                                            << (annotated ? ", annotated" : ", lock table"));
            const ChainBuilder chain = MakeChain(n, symmetry, 2024 + static_cast<std::uint32_t>(symmetry),
                                                 static_cast<std::uint8_t>(background));
            const core::Rule& rule = chain.Rule();
            const std::string name = "Tabbed" + std::to_string(n) + "s" + std::to_string(symmetry);
            const testsupport::OracleRule oracle{
                name, "@RULE " + name + "\n" + BuildTabbedGollyRuletable(rule, chain.Tabs(), chain.Locked(), annotated), n};
            // bgolly is slow on a rule whose background is born, so that one probes a few blocks.
            const std::uint64_t probed = background == 0 ? rule.table.size() : 16;
            std::vector<std::uint64_t> indices;
            for (std::uint64_t i = 0; i < probed; ++i)
                if (annotated || chain.ListedByLockTable()[i]) indices.push_back(i);
            EXPECT_EQ(testsupport::GollyMismatches(oracle, rule.table, indices), "");
        }
}

}  // namespace
}  // namespace formats
