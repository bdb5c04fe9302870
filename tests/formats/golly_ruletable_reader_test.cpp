// The reader on hand-made tables, and against Golly itself: each table must run in bgolly as it
// reads here.
#include "formats/golly_ruletable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/rule_table.h"
#include "core/symmetry.h"
#include "formats/golly_neighborhood.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"

namespace formats {
namespace {

using core::Neighborhood;
using testsupport::AllIndices;

std::string Table(int states, std::string_view symmetry, std::string_view body) {
    std::string text = "@RULE Test\n@TABLE\nn_states:" + std::to_string(states) + "\nneighborhood:Moore\n";
    if (!symmetry.empty()) text += "symmetries:" + std::string(symmetry) + "\n";
    return text + std::string(body);
}

void ExpectError(std::string_view text, const std::string& message) {
    EXPECT_EQ(testsupport::ErrorOf([&] { ParseGollyRuletableText(text); }), message) << text;
}

// Digits NW, N, NE, W, C, E, SW, S, SE.
std::uint8_t At(const ImportedGollyRule& rule, const Neighborhood& d) {
    return rule.table[static_cast<std::size_t>(core::NeighborhoodIndex(d, rule.stateCount))];
}

// Indices whose entry differs from the centre's own state, i.e. what the lines changed.
std::vector<std::uint64_t> Changed(const ImportedGollyRule& rule) {
    std::vector<std::uint64_t> out;
    for (std::uint64_t i = 0; i < rule.table.size(); ++i)
        if (rule.table[i] != core::DecodeNeighborhoodIndex(i, rule.stateCount)[4]) out.push_back(i);
    return out;
}

// Each text is refused with its message; where a text has several faults, the order of the checks
// decides: scan errors, then variables, then lines (in file order, tokens in Golly order).
TEST(GollyRuletableReader, Refusals) {
    const std::string noTable = "The Golly rule file does not contain an @TABLE section.",
                      noStates = "Missing n_states in Golly ruletable.", states = "Invalid n_states value in Golly ruletable.",
                      line = "Malformed transition line in Golly ruletable.", range = "State out of range in Golly ruletable.",
                      set = "Malformed state set in Golly ruletable.", emptySet = "Empty state set in Golly ruletable.",
                      state = "Invalid state in Golly ruletable.", emptyVar = "Empty var declaration in Golly ruletable.",
                      var = "Malformed var declaration in Golly ruletable.", q = "Unknown variable in Golly ruletable: q",
                      circular = "Circular var alias in Golly ruletable: a",
                      unsupported = "Unsupported symmetry in Golly ruletable: ",
                      head = "@TABLE\nn_states:2\nneighborhood:", vonNeumann = head + "vonNeumann\n";
    const auto t2 = [](const char* body) { return Table(2, "none", body); };
    const auto t3 = [](const char* body) { return Table(3, "none", body); };
    const std::pair<std::string, std::string> cases[] = {
        {"@RULE x\nn_states:2\n", noTable}, {"", noTable}, {"@TABLE extra\nn_states:2\n", noTable},
        {"@TABLE\n# only a comment\n   \n", noStates}, {"@TABLE\nsymmetries:none\n", noStates},
        {t3("var a\n"), var}, {t3("var ={1}\n"), "Unnamed variable in Golly ruletable."}, {t3("var a=\n"), emptyVar},
        {t3("var a={1\n"), set}, {t3("var a={1,3}\n"), state}, {t3("var a={1,,2}\n"), state}, {t3("var a={x}\n"), state},
        {t3("var a={}\n"), emptySet}, {t3("var a=\nvar b\n"), var},
        {t3("0,q,0\nvar a=zz\n"), "Unknown var alias in Golly ruletable: zz"},
        {t3("var a=b\nvar b=a\n"), circular}, {t3("var a=a\n"), circular},
        {t3("var x=1\n"), "Unknown var alias in Golly ruletable: 1"}, {t3("var x=y\n"), "Unknown var alias in Golly ruletable: y"},
        {t3("var a={1}\nvar b={}\nvar c=\n"), emptyVar}, {t3("var a={1}\nvar b=\nn_states:0\n"), states},
        {t2("0,0,0,0,0,0,0,0,1\n"), line}, {t2("0 0 0 0 0 0 0 0 0 1\n"), line}, {t3("{0,1},0,0,0,0,0,0,0,0,1\n"), line},
        {t2("0 0,0,0,0,0,0,0 1\n"), "Expected 8 Moore neighbors in transition line."},
        {t2("0,0,,0,0,0,0,0,0,1\n"), "Empty token in Golly ruletable."}, {t2("0,0,0,0,0,0,0,0,0,2\n"), range},
        {t2("0,0,-1,0,0,0,0,0,0,1\n"), range}, {t2("0,0,0,0,0,0,0,0,0,99999999999999999999999\n"), range},
        {t2("0,0,0,0,0,0,0,0,q,1\n"), q}, {t2("0,{0,0,0,0,0,0,0,0,1\n"), set}, {t2("{0 0,0,0,0,0,0,0,0 1\n"), set},
        {t2("{} 0,0,0,0,0,0,0,0 1\n"), emptySet}, {t2("0,0,0,0,0,0,0,0,2,q\n0,0,0\n"), range},
        {t2("0,0,q,0,0,0,0,0,0,2\n"), q},
        {"@TABLE\nn_states:1\n", states}, {"@TABLE\nn_states:17\n", states}, {"@TABLE\nn_states: 3x\n", states},
        {"@TABLE\nn_states:\n", states}, {"@TABLE\nn_states:-2\n", states},
        // A symmetry no neighbourhood offers fails at once; one this neighbourhood lacks, after the scan.
        {Table(2, "rotate5", ""), unsupported + "rotate5"}, {Table(2, "", "symmetries:\n"), unsupported},
        {Table(2, "", "symmetries:Rotate5\nn_states:40\n"), unsupported + "rotate5"},
        {Table(2, "", "symmetries:Rotate6\nvar a=\n"), emptyVar}, {Table(2, "rotate6", ""), unsupported + "rotate6"},
        // The neighbourhood is checked before any line is tokenised.
        {head + "hex\n0,0,0,0,0,0,0,0,0,2\n", "Unsupported neighborhood in Golly ruletable: hex"},
        {vonNeumann + "0,1,0,0,0,0,0,0,0,1\n", line}, {vonNeumann + "0 1,0,0 1\n", line},
    };
    for (const auto& [text, message] : cases) ExpectError(text, message);
    // A trailing comma adds no token; a trailing comma in a set adds no state; names ignore case.
    for (const std::string& fine : {t2("0,0,0,0,0,0,0,0,0,1,\n"), t3("var a={1,}\n"), vonNeumann + "0 1,0,0,0 1\n",
                                    head + "VONNEUMANN\n", head + "\n", head + " MOORE\n"})
        ExpectError(fine, "(no error)");
    const auto rule = ParseGollyRuletableText("@table\nN_STATES: 4\n");
    EXPECT_EQ(std::tuple(rule.stateCount, rule.symmetry), std::tuple(4, core::kSymmetryC1));
    // A later line overrides an earlier one.
    EXPECT_EQ(ParseGollyRuletableText("@TABLE\nn_states:3\nn_states:2\n").stateCount, 2);
}

TEST(GollyRuletableReader, SymmetryNames) {
    // Golly's reflections are left-right mirrors, expanded into an asymmetric table.
    for (const auto& [name, group] : {std::pair{"none", core::kSymmetryC1}, {"ROTATE4", core::kSymmetryC4},
                                      {"rotate4reflect", core::kSymmetryD8}, {"Reflect_Horizontal", core::kSymmetryC1},
                                      {"reflect", core::kSymmetryC1}})
        EXPECT_EQ(ParseGollyRuletableText(Table(2, name, "")).symmetry, group) << name;
    const std::string ne = "0,0,1,0,0,0,0,0,0,1\n";
    EXPECT_EQ(ParseGollyRuletableText(Table(2, "reflect", ne)).table,
              ParseGollyRuletableText(Table(2, "reflect_horizontal", ne)).table);
}

// A line whose only live cell is the second one Golly lists (NE; E in the others), under every
// neighbourhood and symmetry: the blocks it changes (its images times the states of the
// ignored cells), and the group the rule gets.
// A neighbourhood and symmetry; the blocks a lone live second cell changes, and the group the rule gets.
struct Shape { const char *neighborhood, *symmetry; std::size_t changed; core::RuleSymmetry group; };

const Shape kShapes[] = {
        {"Moore", "none", 1, 0}, {"Moore", "rotate4", 4, 3}, {"Moore", "rotate8", 8, 3},
        {"Moore", "reflect_horizontal", 2, 0}, {"Moore", "rotate4reflect", 4, 4}, {"Moore", "rotate8reflect", 8, 4},
        {"Moore", "permute", 8, 4}, {"vonNeumann", "none", 16, 0}, {"vonNeumann", "rotate4", 64, 3},
        {"vonNeumann", "rotate4reflect", 64, 4}, {"vonNeumann", "reflect_horizontal", 32, 0},
        {"vonNeumann", "permute", 64, 4}, {"hexagonal", "none", 4, 0}, {"hexagonal", "rotate2", 8, 5},
        {"hexagonal", "rotate3", 12, 0}, {"hexagonal", "rotate6", 24, 5}, {"hexagonal", "rotate6reflect", 24, 7},
        {"hexagonal", "permute", 24, 7}, {"oneDimensional", "none", 64, 1}, {"oneDimensional", "reflect", 128, 6},
        {"oneDimensional", "permute", 128, 6}};

TEST(GollyRuletableReader, EveryNeighborhoodAndSymmetry) {
    const std::map<std::string, int> cells = {{"Moore", 8}, {"vonNeumann", 4}, {"hexagonal", 6}, {"oneDimensional", 2}};
    for (const auto& [neighborhood, symmetry, changed, group] : kShapes) {
        std::string line = "0,0,1";
        for (int k = 2; k < cells.at(neighborhood); ++k) line += ",0";
        const auto rule = ParseGollyRuletableText(std::string("@TABLE\nn_states:2\nneighborhood:") + neighborhood +
                                                  "\nsymmetries:" + symmetry + "\n" + line + ",1\n");
        EXPECT_EQ(std::tuple(Changed(rule).size(), rule.symmetry), std::tuple(changed, group))
            << neighborhood << " " << symmetry;
    }
}

// Golly reads a line without commas as one digit per cell, when every state is one digit and no
// variable is declared above it. Unless noted, N of 1 around a centre of 0 becomes 2.
TEST(GollyRuletableReader, BareDigitLines) {
    const std::string malformed = "Malformed transition line in Golly ruletable.";
    const std::tuple<int, std::string, std::string, std::string> cases[] = {
        {3, "Moore", "0100000002\n", ""}, {4, "vonNeumann", "010002\n", ""},
        {3, "hexagonal", "01000002 # six cells\n", ""}, {3, "Moore", "0100000002\nvar a={1}\n", ""},
        {3, "Moore", "var a={1}\n0100000002\n", malformed}, {11, "Moore", "0100000002\n", malformed},
        {3, "Moore", "01000000021\n", malformed}, {3, "vonNeumann", "0100000002\n", malformed},
        {3, "Moore", "0 1 0 0 0 0 0 0 0 2\n", malformed},
        {3, "Moore", "0500000002\n", "State out of range in Golly ruletable."}};
    for (const auto& [states, neighborhood, body, error] : cases) {
        const std::string text =
            "@TABLE\nn_states:" + std::to_string(states) + "\nneighborhood:" + neighborhood + "\n" + body;
        if (!error.empty()) {
            ExpectError(text, error);
            continue;
        }
        const auto rule = ParseGollyRuletableText(text);
        EXPECT_EQ(std::tuple(At(rule, {0, 1, 0, 0, 0, 0, 0, 0, 0}), At(rule, {0, 0, 0, 0, 0, 0, 0, 1, 0})), std::tuple(2, 0))
            << text;
    }
}

// Declarations after use, aliases and redeclarations through earlier meanings, and new states no
// cell binds: a table body, and what a lone N neighbour of each state becomes.
TEST(GollyRuletableReader, DeclarationOrderAndUnboundNewStates) {
    const std::tuple<const char*, int, const char*, std::vector<std::pair<std::uint8_t, int>>> cases[] = {
        {"a name used before its first declaration", 3, "0,a,0,0,0,0,0,0,0,2\nvar a={1}\nvar a={2}\n", {{1, 2}, {2, 0}}},
        {"an alias declared before its target resolves through the first declaration", 3,
         "var b=a\nvar a={1}\nvar a={2}\n0,b,0,0,0,0,0,0,0,2\n", {{1, 2}, {2, 0}}},
        {"a redeclaration may refer to the previous meaning", 3, "var a={1}\nvar a=a\n0,a,0,0,0,0,0,0,0,2\n", {{1, 2}}},
        {"an unbound new state set takes its smallest member", 4, "0 1,0,0,0,0,0,0,0 {3,2}\n", {{1, 2}}},
        {"an unbound new state variable takes its smallest member", 4, "var v={3,1,2}\n0,1,0,0,0,0,0,0,0,v\n", {{1, 1}}},
    };
    for (const auto& [what, states, body, blocks] : cases) {
        const auto rule = ParseGollyRuletableText(Table(states, "none", body));
        for (const auto& [north, output] : blocks) EXPECT_EQ(At(rule, {0, north, 0, 0, 0, 0, 0, 0, 0}), output) << what;
    }
}

TEST(GollyRuletableReader, BoundVariablesFollowGollysOrder) {
    // Both combinations reach the block through the left-right mirror; Golly tries the
    // variable whose name sorts last outermost, each in the order its set was written.
    const Neighborhood x{2, 0, 1, 1, 0, 2, 0, 0, 0};  // NW 2, NE 1, W 1, E 2
    auto run = [&](std::string_view b, std::string_view d, std::string_view bSet) {
        const std::string body = "var " + std::string(b) + "=" + std::string(bSet) + "\nvar " + std::string(d) +
                                 "={1,2}\n0,0," + std::string(b) + "," + std::string(d) + ",0,0,0," + std::string(b) +
                                 "," + std::string(d) + "," + std::string(b) + "\n";
        return At(ParseGollyRuletableText(Table(3, "reflect_horizontal", body)), x);
    };
    for (const auto& [b, d, expected] : {std::tuple{"b", "d", 2}, {"z", "d", 1}, {"aa", "a", 1}, {"a", "aa", 2}})
        EXPECT_EQ(run(b, d, "{1,2}"), expected) << b << " " << d;
    const Neighborhood y{0, 0, 0, 1, 0, 2, 0, 0, 0};  // W 1, E 2
    auto single = [&](std::string_view set) {
        const std::string body = "var b=" + std::string(set) + "\nvar c={1,2}\n0,0,0,c,0,0,0,b,0,b\n";
        return At(ParseGollyRuletableText(Table(3, "reflect_horizontal", body)), y);
    };
    EXPECT_EQ(std::tuple(single("{1,2}"), single("{2,1}"), single("{2,1,2}")), std::tuple(1, 2, 2));
}

TEST(GollyRuletableReader, Colors) {
    // Lines naming a state out of range, or short of numbers, are skipped.
    const auto rule = ParseGollyRuletableText(
        Table(3, "none", "@COLORS\n1 255 0 0\n2: 0,128,255 extra\n20 1 2 3\nx y z\n1 2 3\n-1 0 0 0\n0 0 0 0 # black\n"));
    std::vector<std::array<float, 5>> got;
    for (const ImportedStateColor& c : rule.colors) got.push_back({float(c.state), c.color.red, c.color.green, c.color.blue, c.color.alpha});
    EXPECT_EQ(got, (std::vector<std::array<float, 5>>{{1, 1, 0, 0, 1}, {2, 0, 128.0f / 255.0f, 1, 1}, {0, 0, 0, 0, 1}}));
    for (const char* bad : {"@COLORS\n1 256 0 0\n", "@COLORS\n1 0 0 -1\n"})
        ExpectError(Table(3, "none", bad), "RGB value out of range in Golly @COLORS section.");
    // Colour lines are read after the table's own checks.
    ExpectError(Table(3, "none", "@COLORS\n1 256 0 0\n@TABLE\n0,9,0,0,0,0,0,0,0,0\n"),
                "State out of range in Golly ruletable.");
}

TEST(GollyRuletableReader, CommentsAndSections) {
    const auto rule = ParseGollyRuletableText(R"(@RULE Test
n_states:9
@TABLE
# heading
n_states:3   # three
)" "\r\n0,0,0,0,0,0,0,0,0,1 # note\r\n" R"(@ICONS
0,1,0,0,0,0,0,0,0,1
@TABLE
0,2,0,0,0,0,0,0,0,1)");
    EXPECT_EQ(std::tuple(rule.stateCount, At(rule, {0, 0, 0, 0, 0, 0, 0, 0, 0}), At(rule, {0, 1, 0, 0, 0, 0, 0, 0, 0}),
                         At(rule, {0, 2, 0, 0, 0, 0, 0, 0, 0})),
              std::tuple(3, 1, 0, 1));
}

TEST(GollyRuletableReader, MemoryMessage) {
    const std::uint64_t needed = core::RuleTableSize(16) + core::RuleTableSize(16) / 8 + 268435456;
    const auto available = core::QueryAvailableMemory();
    if (!available || *available >= needed) GTEST_SKIP() << "this machine could hold a 16-state table";
    const std::string message = testsupport::ErrorOf(
        [] { ParseGollyRuletableText(Table(16, "none", "0,1,0,0,0,0,0,0,0,2\n@COLORS\n1 256 0 0\n")); });
    EXPECT_EQ(message.rfind("Tavrix does not have enough memory available for importing this Golly rule.", 0), 0u)
        << message;
    EXPECT_NE(message.find("Estimated additional working memory: 8.0 GB"), std::string::npos) << message;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A random ruletable that Golly accepts, and blocks worth probing: instances of its lines
// under random images, and their neighbours in the table. Variables are declared before
// use, some redeclared or aliased; a new state is a literal or a variable the cells name.
// Bare-digit tables hold literal lines only, as Golly requires.
struct RandomTable { std::string text; std::vector<std::uint64_t> samples; };

RandomTable MakeRandomTable(std::mt19937& rng, int n, const std::string& neighborhood, const std::string& symmetry,
                            int lineCount, bool bare) {
    auto pick = [&](std::size_t count) { return static_cast<int>(rng() % count); };
    const golly::Neighborhood& shape = *golly::FindNeighborhood(Lower(neighborhood));
    golly::Symmetry images;
    golly::FindSymmetry(shape, Lower(symmetry), images);
    const std::size_t cells = shape.cells.size();
    const std::vector<std::string> pool = {"a", "b", "d", "zz", "Q", "B", "x1"};
    std::map<std::string, std::vector<int>> vars;  // current meaning, in written order
    RandomTable out;
    out.text = "@RULE Random\n@TABLE\nn_states:" + std::to_string(n) + "\nneighborhood:" + neighborhood +
               "\nsymmetries:" + symmetry + "\n";
    // The empty background stays empty, so that probes do not fill the plane.
    for (std::size_t k = 0; k < cells + 2; ++k) out.text += k + 1 == cells + 2 ? "0\n" : bare ? "0" : "0,";
    for (int l = 0; l < lineCount; ++l) {
        while (!bare && (vars.size() < 2 || pick(5) == 0)) {
            const std::string name = pool[static_cast<std::size_t>(pick(pool.size()))];
            if (!vars.empty() && pick(4) == 0) {
                auto it = std::next(vars.begin(), pick(vars.size()));
                vars[name] = it->second, out.text += "var " + name + "=" + it->first + "\n";
                continue;
            }
            std::vector<int> states(static_cast<std::size_t>(n));
            std::iota(states.begin(), states.end(), 0);
            std::shuffle(states.begin(), states.end(), rng);
            states.resize(static_cast<std::size_t>(1 + pick(std::min(n, 3))));
            std::string set = "{";
            for (int s : states) set += std::to_string(s) + ",";
            if (pick(4) != 0) set.pop_back();  // a trailing comma adds nothing
            vars[name] = states, out.text += "var " + name + "=" + set + "}\n";
        }
        // Few variable cells among background ones make blocks that several bindings reach
        // through different images, where the order of the expansion shows.
        const bool sparse = pick(2) == 0;
        std::vector<std::string> tokens(cells + 2), cellVars;
        for (std::size_t k = 0; k <= cells; ++k) {
            const int roll = pick(10);
            if (!bare && roll < (sparse ? 3 : 4) && cellVars.size() < 4)
                cellVars.push_back(tokens[k] = std::next(vars.begin(), pick(vars.size()))->first);
            else tokens[k] = std::to_string(sparse || roll < 6 ? 0 : pick(static_cast<std::size_t>(n)));
        }
        tokens.back() = !cellVars.empty() && pick(4) != 0 ? cellVars[static_cast<std::size_t>(pick(cellVars.size()))]
                                                          : std::to_string(pick(static_cast<std::size_t>(n)));
        const bool words = pick(5) == 0;
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            const bool blank = words && (k == 0 || k == cells);
            out.text += tokens[k] + (k + 1 == tokens.size() ? "\n" : bare ? "" : blank ? " " : ",");
        }

        for (int r = 0; r < 6; ++r) {
            std::map<std::string, int> value;
            for (auto& [name, states] : vars) value[name] = states[static_cast<std::size_t>(pick(states.size()))];
            auto state = [&](const std::string& t) { return vars.count(t) ? value[t] : std::stoi(t); };
            core::Neighborhood d{};
            for (auto& digit : d) digit = static_cast<std::uint8_t>(pick(static_cast<std::size_t>(n)));
            d[4] = static_cast<std::uint8_t>(state(tokens[0]));
            std::vector<int> around;
            for (std::size_t k = 0; k < cells; ++k) around.push_back(state(tokens[k + 1]));
            if (images.permute) std::shuffle(around.begin(), around.end(), rng);
            for (std::size_t k = 0; k < cells; ++k) d[shape.cells[k]] = static_cast<std::uint8_t>(around[k]);
            const auto& perm = images.permutations[static_cast<std::size_t>(pick(images.permutations.size()))];
            core::Neighborhood image{};
            for (int j = 0; j < 9; ++j) image[j] = d[perm[j]];
            const std::uint64_t index = core::NeighborhoodIndex(image, n);
            out.samples.insert(out.samples.end(), {index, index ^ 1});
        }
    }
    return out;
}

void CompareWithBgolly(const std::string& text, int n, std::vector<std::uint64_t> indices) {
    const ImportedGollyRule rule = ParseGollyRuletableText(text);
    ASSERT_EQ(rule.stateCount, n);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    while (!indices.empty() && indices.back() >= rule.table.size()) indices.pop_back();
    // The table honours the group the reader gave the rule.
    for (const std::uint64_t i : indices)
        for (std::uint64_t j : core::NeighborhoodOrbit(rule.symmetry, n, core::DecodeNeighborhoodIndex(i, n)))
            ASSERT_EQ(rule.table[j], rule.table[i]) << "image " << j << " of " << i;
    EXPECT_EQ(testsupport::GollyMismatches({"Random", text, n}, rule.table, indices), "") << text;
}

class GollyRuletableAgainstBgolly : public ::testing::TestWithParam<int> {};

// Every neighbourhood and symmetry, in both line forms; comma tables of 2 to 6 states, bare
// ones of 2 to 8, and 10 (the most a digit spells) for von Neumann rotate4, as Evoloop-finite.
// Sanitized, up to 6: each state more multiplies the table's size.
TEST_P(GollyRuletableAgainstBgolly, RandomTables) {
    const int i = GetParam();
    const Shape& shape = kShapes[i];
    for (const bool bare : {false, true}) {
        int n = bare ? (i == 8 ? 10 : 2 + (i * 3) % 7) : 2 + i % 5;
        if (testsupport::kSanitized) n = std::min(n, 6);
        std::mt19937 rng(static_cast<unsigned>(1000 * n + 2 * i + bare));
        const RandomTable table = MakeRandomTable(rng, n, shape.neighborhood, shape.symmetry, n <= 3 ? 40 : 25, bare);
        std::vector<std::uint64_t> indices = table.samples;
        const std::uint64_t size = core::RuleTableSize(n);
        for (std::uint64_t k = 0; k < (n <= 3 ? size : 3000); ++k) indices.push_back(n <= 3 ? k : rng() % size);
        SCOPED_TRACE(std::string(shape.neighborhood) + " " + shape.symmetry + (bare ? " bare" : ""));
        CompareWithBgolly(table.text, n, indices);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, GollyRuletableAgainstBgolly,
                         ::testing::Range(0, static_cast<int>(std::size(kShapes))));

TEST(GollyRuletableBgolly, ChangesAgainstTheWrittenFormat) {
    // Unlisted blocks keep the centre; the reflection is left-right; variables are read in order,
    // aliases by what their target meant where declared; bound variables: the name that sorts last
    // varies slowest, sets in written order, under permute too, where bindings meet in every arrangement.
    for (const char* body : {
             "none\n0,1,0,0,0,0,0,0,0,2\n1,2,2,0,0,0,0,0,0,0\n",
             "reflect_horizontal\n0,0,1,0,0,0,0,0,0,1\n0,1,0,0,0,0,0,0,0,2\n0,0,0,2,0,0,0,0,0,1\n",
             "rotate4\nvar a={1}\nvar b=a\n0,a,0,0,0,0,0,0,0,2\nvar a={2}\n0,a,0,0,0,0,0,0,0,1\n0,0,b,0,0,0,0,0,0,2\n"
             "var b=a\n0,0,0,b,b,0,0,0,0,1\n",
             "reflect_horizontal\nvar b={1,2}\nvar d={2,1}\nvar c={1,2}\n0,0,b,d,0,0,0,b,d,b\n1,0,0,c,0,0,0,d,0,d\n"
             "2,0,d,c,0,0,0,d,c,d\n",
             "permute\nvar b={1,2}\nvar d={2,1}\nvar c={0,1,2}\n0,b,b,c,c,0,0,0,0,b\n0,b,d,0,b,0,0,0,0,b\n"
             "0,c,d,c,0,0,d,0,0,d\n1,c,c,c,0,b,b,0,0,b\n"})
        CompareWithBgolly(std::string("@RULE Random\n@TABLE\nn_states:3\nneighborhood:Moore\nsymmetries:") + body, 3,
                          AllIndices(3));
}

}  // namespace
}  // namespace formats
