#include "formats/golly_tabbed_export.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "core/symmetry.h"
#include "formats/golly_ruletable_writer.h"
#include "tests/support/error_text.h"

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

TEST(GollyTabbedExport, NoTabs) {
    core::Rule rule = EmptyRule(2, core::kSymmetryC1);
    rule.table[16] = 1;  // unlocked, but with no tabs nothing is optional
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {}, {}, true), Header(2, "none") + "\n" + Default(2, 0));
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {}, {}, false), Header(2, "none"));
}

TEST(GollyTabbedExport, RefusesSymmetriesGollyCannotExpress) {
    for (core::RuleSymmetry s = 0; s < core::kSymmetryCount; ++s)
        for (bool annotated : {true, false}) {
            const auto build = [&] { BuildTabbedGollyRuletable(EmptyRule(2 + annotated, s), {}, {}, annotated); };
            EXPECT_EQ(testsupport::ErrorOf(build), s == 0 || s == 3 || s == 4
                                                       ? "(no error)"
                                                       : "Golly ruletable export does not support the selected symmetry.")
                << int{s};
        }
}

TEST(GollyTabbedExport, PatternTabSortsRecordsAndCountsGenerations) {
    core::Rule rule = EmptyRule(2, core::kSymmetryC1);
    rule.table[16] = rule.table[24] = rule.table[48] = 1;
    const auto tab = PatternTab("Glider", {{24, 3}, {48, 0}, {16, 0}, {9999, 9}});  // 9999 lies outside
    const std::string lines = "1 0,0,0,0,0,0,0,0 1\n1 0,0,0,0,0,0,1,0 1\n1 0,0,1,0,0,0,0,0 1\n";
    const std::string lockTable = Header(2, "none") + "\n#P \"Glider\" (4, !)\n" + lines;
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16, 24, 48}, false), lockTable);
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16, 24, 48}, true), lockTable + "\n" + Default(2, 0));
}

TEST(GollyTabbedExport, ZeroOutputsOnlyInTheLockTable) {
    core::Rule rule = EmptyRule(2, core::kSymmetryC1);
    rule.table[24] = 1;
    const auto tab = PatternTab("P", {{16, 5}, {24, 1}});  // 16 (lone centre) dies
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16, 24}, false),
              Header(2, "none") + "\n#P \"P\" (6, !)\n1 0,0,1,0,0,0,0,0 1\n1 0,0,0,0,0,0,0,0 0\n");
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16, 24}, true),
              Header(2, "none") + "\n#P \"P\" (2, !)\n1 0,0,1,0,0,0,0,0 1\n\n" + Default(2, 0));
    rule.table[24] = 0;
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16, 24}, true),
              Header(2, "none") + "\n#P \"P\" (0, !)\n\n" + Default(2, 0));
}

TEST(GollyTabbedExport, OnlyCanonicalRecordsAreWritten) {
    core::Rule rule = EmptyRule(2, core::kSymmetryD8);
    // One live orthogonal neighbour: N, E, S, W; S (index 2) is the canonical one.
    for (std::uint64_t i : {128, 8, 2, 32}) rule.table[i] = 1;
    const auto tab = PatternTab("Orbit", {{128, 0}, {8, 0}, {2, 0}, {32, 0}});
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 2, 8, 32, 128}, false),
              Header(2, "rotate4reflect") + "\n#P \"Orbit\" (1, !)\n0 0,0,0,0,1,0,0,0 1\n");
}

TEST(GollyTabbedExport, StartPatternAndTitles) {
    core::Rule rule = EmptyRule(3, core::kSymmetryC4);
    auto tab = PatternTab("A \"quoted\"\tname\n", {});
    tab.startGrid.SetCell(10, 20, 1);
    tab.startGrid.SetCell(12, 20, 1);
    tab.startGrid.SetCell(11, 21, 2);
    const auto untitled = PatternTab("", {});
    const auto unicode = PatternTab("Gleiter \xC3\xBC \xE2\x9C\x93", {});
    auto constraint = ConstraintTab("say \"hi\"", {BuiltIn(3)}, {});
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab, untitled, unicode, constraint}, {0}, false),
              Header(3, "rotate4") + "\n#P \"A 'quoted' name \" (0, A.A$.B.!)\n" + "\n#P \"Untitled\" (0, !)\n" +
                  "\n#P \"Gleiter \xC3\xBC \xE2\x9C\x93\" (0, !)\n" + "\n#C say 'hi'\n");
}

TEST(GollyTabbedExport, PatternEncoderAndNames) {
    struct Case {
        std::vector<std::tuple<std::int32_t, std::int32_t, std::uint8_t>> cells;
        std::string text;
    };
    std::string tall = "A$";
    for (int y = 1; y < 130; ++y) tall += ".$";
    const Case cases[] = {
        {{}, "!"},
        {{{3, 3, 1}, {3, 3, 0}}, "!"},
        {{{-5, -7, 1}, {-3, -7, 1}, {-4, -6, 2}}, "A.A$.B.!"},
        {{{0, 0, 26}, {1, 0, 26}, {2, 0, 26}, {3, 0, 27}, {4, 0, 255}, {0, 1, 25}}, "3Z2?$Y4.!"},
        // Runs of background continue across chunk edges and missing chunks.
        {{{-1, 0, 1}, {64, 0, 1}, {300, 0, 3}}, "A64.A235.C!"},
        {{{0, 0, 1}, {0, 130, 2}}, tall + "B!"},
    };
    for (const Case& c : cases) {
        core::ChunkGrid grid;
        for (const auto& [x, y, state] : c.cells) grid.SetCell(x, y, state);
        EXPECT_EQ(EncodeGollyPatternText(grid), c.text);
    }
    for (const auto& [name, golly] : std::vector<std::pair<std::string, std::string>>{
             {"2x", "v2x"}, {"my var", "my_var"}, {"", "v"}, {"_q9", "_q9"}, {"Zed", "Zed"},
             {"\xC3\xA9t\xC3\xA9", "__t__"}, {"-", "_"}, {"9", "v9"}})
        EXPECT_EQ(GollyVariableName(name), golly);
    EXPECT_EQ(GollyTabTitle(""), "Untitled");
    EXPECT_EQ(GollyTabTitle("\x01\x1f\x7f\""), std::string("  \x7f'"));
}

TEST(GollyTabbedExport, VariableDeclarationsAndConstraintLines) {
    const core::Rule rule = EmptyRule(3, core::kSymmetryC1);
    std::vector<ConstraintVariable> vars = {BuiltIn(3), {false, "2x", {1, 2}}, {false, "my var", {2}}};
    // 2x in N and S unlinked, my var at the centre, E fixed 2.
    const auto entry = Entry({Fixed(0), Var(1), Fixed(0), Fixed(0), Var(2), Fixed(2), Fixed(0), Var(1), Fixed(0),
                              Fixed(1)});
    const auto tab = ConstraintTab("Rules", vars, {entry});
    const std::string body = "var v2x1={1,2}\nvar v2x2=v2x1\nvar my_var1={2}\n\n\n#C Rules\n"
                             "my_var1 v2x1,0,2,0,v2x2,0,0,0 1\n";
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0}, false), Header(3, "none") + body);
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0}, true), Header(3, "none") + body + "\n" + Default(3, 0));
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
    EXPECT_EQ(line(Fixed(2), Var(1)), "1 2,0,0,0,0,0,0,0 1\n");
    EXPECT_EQ(line(Fixed(2), Var(0)), "1 2,0,0,0,0,0,0,0 2\n");
    EXPECT_EQ(line(Var(1, 1), Var(1, 2)), "1 b1,0,0,0,0,0,0,0 1\n");  // another group
    EXPECT_EQ(line(Var(0, 1), Var(1, 1)), "1 a1,0,0,0,0,0,0,0 1\n");  // another variable
    EXPECT_EQ(line(Var(1, 1), Var(1, 1)), "1 b1,0,0,0,0,0,0,0 b1\n");
    EXPECT_EQ(line(Fixed(2), Var(2)), "1 2,0,0,0,0,0,0,0 e1\n");  // no state to name
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

TEST(GollyTabbedExport, SharedGollyNamesAcrossTabsKeepTheFirstStates) {
    const core::Rule rule = EmptyRule(3, core::kSymmetryC1);
    const auto once = Entry({Fixed(0), Var(1), Fixed(0), Fixed(0), Fixed(1), Fixed(0), Fixed(0), Fixed(0), Fixed(0),
                             Fixed(2)});
    auto twice = once;
    twice.slots[7] = Var(1);
    const auto first = ConstraintTab("one", {BuiltIn(3), {false, "my var", {1}}}, {once});
    const auto second = ConstraintTab("two", {BuiltIn(3), {false, "my_var", {2}}}, {twice});
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {first, second}, {0}, false),
              Header(3, "none") + "var my_var1={1}\nvar my_var2=my_var1\n\n" +
                  "\n#C one\n1 my_var1,0,0,0,0,0,0,0 2\n\n#C two\n1 my_var1,0,0,0,my_var2,0,0,0 2\n");
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
    const std::string eight = "var a1={0,1}\nvar a2=a1\nvar a3=a1\nvar a4=a1\nvar a5=a1\nvar a6=a1\nvar a7=a1\nvar a8=a1\n";
    const std::string background = "\n## All-background block (always locked)\n0 0,0,0,0,0,0,0,0 ";
    const std::string keptZero = "\n#P \"P\" (3, !)\n1 0,0,0,0,0,0,0,0 0\n";
    const std::string freeLine = "\n#C C\na1 a2,a3,a4,a5,a6,a7,a8,a9 1\n";
    const std::string header = Header(2, "rotate4reflect");
    struct Case {
        const char* what;
        std::uint8_t entry0;
        std::vector<TabbedExportTab> tabs;
        bool annotated;
        std::string expected;
    };
    const std::vector<Case> cases = {
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
    for (const Case& k : cases) {
        core::Rule rule = EmptyRule(2, core::kSymmetryD8);
        rule.table[0] = k.entry0;
        EXPECT_EQ(BuildTabbedGollyRuletable(rule, k.tabs, {0, 16}, k.annotated), k.expected) << k.what;
    }
}

TEST(GollyTabbedExport, OptionalTransitions) {
    core::Rule rule = EmptyRule(2, core::kSymmetryD8);
    for (std::uint64_t i : {128, 8, 2, 32}) rule.table[i] = 1;  // unlocked orbit, written once
    rule.table[16] = 1;                                           // locked
    rule.table[511] = 1;                                          // unlocked
    const auto tab = PatternTab("T", {{16, 0}});
    const std::string expected = Header(2, "rotate4reflect") + "\n#P \"T\" (1, !)\n1 0,0,0,0,0,0,0,0 1\n" +
                                 "\n## Optional transitions (press Ctrl+M to remove)\n" +
                                 "0 0,0,0,0,1,0,0,0 1\n1 1,1,1,1,1,1,1,1 1\n\n" + Default(2, 0);
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16}, true), expected);
    // The merge walk does not depend on the caller's order.
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {16, 0}, true), expected);
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 16}, false),
              Header(2, "rotate4reflect") + "\n#P \"T\" (1, !)\n1 0,0,0,0,0,0,0,0 1\n");
    // Locking the canonical member removes the whole orbit from the optional lines.
    EXPECT_EQ(BuildTabbedGollyRuletable(rule, {tab}, {0, 2, 16, 511}, true),
              Header(2, "rotate4reflect") + "\n#P \"T\" (1, !)\n1 0,0,0,0,0,0,0,0 1\n\n" + Default(2, 0));
}

TEST(GollyTabbedExport, OptionalScanSkipsLongZeroRuns) {
    core::Rule rule = EmptyRule(6, core::kSymmetryC1);
    const std::uint64_t last = rule.table.size() - 1;
    rule.table[last] = 5;
    rule.table[7] = 1;
    const auto tab = PatternTab("T", {});
    const std::string text = BuildTabbedGollyRuletable(rule, {tab}, {0, 7}, true);
    EXPECT_NE(text.find("## Optional transitions (press Ctrl+M to remove)\n5 5,5,5,5,5,5,5,5 5\n\n"),
              std::string::npos);
    EXPECT_EQ(text.find(" 1\n"), std::string::npos);
}

}  // namespace
}  // namespace formats
