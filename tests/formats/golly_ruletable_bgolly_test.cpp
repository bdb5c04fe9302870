// The reader against Golly itself: each table must run in bgolly as it reads here.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/rule_table.h"
#include "core/symmetry.h"
#include "formats/golly_neighborhood.h"
#include "formats/golly_ruletable.h"
#include "tests/support/golly_oracle.h"

namespace formats {
namespace {

using testsupport::AllIndices;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A random ruletable that Golly accepts, and blocks worth probing: instances of its lines
// under random images, and their neighbours in the table. Variables are declared before
// use, some redeclared or aliased; a new state is a literal or a variable the cells name.
// Bare-digit tables hold literal lines only, as Golly requires.
struct RandomTable {
    std::string text;
    std::vector<std::uint64_t> samples;
};

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
                vars[name] = it->second;
                out.text += "var " + name + "=" + it->first + "\n";
                continue;
            }
            std::vector<int> states(static_cast<std::size_t>(n));
            for (int s = 0; s < n; ++s) states[static_cast<std::size_t>(s)] = s;
            std::shuffle(states.begin(), states.end(), rng);
            states.resize(static_cast<std::size_t>(1 + pick(std::min(n, 3))));
            std::string set = "{";
            for (int s : states) set += std::to_string(s) + ",";
            if (pick(4) != 0) set.pop_back();  // a trailing comma adds nothing
            vars[name] = states;
            out.text += "var " + name + "=" + set + "}\n";
        }
        // Few variable cells among background ones make blocks that several bindings reach
        // through different images, where the order of the expansion shows.
        const bool sparse = pick(2) == 0;
        std::vector<std::string> tokens(cells + 2);
        std::vector<std::string> cellVars;
        for (std::size_t k = 0; k <= cells; ++k) {
            const int roll = pick(10);
            if (!bare && roll < (sparse ? 3 : 4) && cellVars.size() < 4) {
                tokens[k] = std::next(vars.begin(), pick(vars.size()))->first;
                cellVars.push_back(tokens[k]);
            } else {
                tokens[k] = std::to_string(sparse || roll < 6 ? 0 : pick(static_cast<std::size_t>(n)));
            }
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
            out.samples.push_back(index);
            out.samples.push_back(index ^ 1);
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

struct Shape {
    const char* neighborhood;
    const char* symmetry;
};

constexpr Shape kShapes[] = {
    {"Moore", "none"},           {"Moore", "rotate4"},        {"Moore", "rotate8"},
    {"Moore", "reflect_horizontal"}, {"Moore", "rotate4reflect"}, {"Moore", "rotate8reflect"},
    {"Moore", "permute"},        {"vonNeumann", "none"},      {"vonNeumann", "rotate4"},
    {"vonNeumann", "rotate4reflect"}, {"vonNeumann", "reflect_horizontal"}, {"vonNeumann", "permute"},
    {"hexagonal", "none"},       {"hexagonal", "rotate2"},    {"hexagonal", "rotate3"},
    {"hexagonal", "rotate6"},    {"hexagonal", "rotate6reflect"}, {"hexagonal", "permute"},
    {"oneDimensional", "none"},  {"oneDimensional", "reflect"}, {"oneDimensional", "permute"},
};

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
    const std::string head = "@RULE Random\n@TABLE\nn_states:3\nneighborhood:Moore\n";
    // Unlisted blocks keep the centre.
    CompareWithBgolly(head + "symmetries:none\n0,1,0,0,0,0,0,0,0,2\n1,2,2,0,0,0,0,0,0,0\n", 3, AllIndices(3));
    // The reflection is left-right.
    CompareWithBgolly(head + "symmetries:reflect_horizontal\n0,0,1,0,0,0,0,0,0,1\n0,1,0,0,0,0,0,0,0,2\n"
                             "0,0,0,2,0,0,0,0,0,1\n",
                      3, AllIndices(3));
    // Variables are read in order, aliases by what their target meant where declared.
    CompareWithBgolly(head + "symmetries:rotate4\nvar a={1}\nvar b=a\n0,a,0,0,0,0,0,0,0,2\nvar a={2}\n"
                             "0,a,0,0,0,0,0,0,0,1\n0,0,b,0,0,0,0,0,0,2\nvar b=a\n0,0,0,b,b,0,0,0,0,1\n",
                      3, AllIndices(3));
    // Bound variables: the name that sorts last varies slowest, sets in written order; under
    // permute too, where bindings meet in every arrangement.
    CompareWithBgolly(head + "symmetries:reflect_horizontal\nvar b={1,2}\nvar d={2,1}\nvar c={1,2}\n"
                             "0,0,b,d,0,0,0,b,d,b\n1,0,0,c,0,0,0,d,0,d\n2,0,d,c,0,0,0,d,c,d\n",
                      3, AllIndices(3));
    CompareWithBgolly(head + "symmetries:permute\nvar b={1,2}\nvar d={2,1}\nvar c={0,1,2}\n"
                             "0,b,b,c,c,0,0,0,0,b\n0,b,d,0,b,0,0,0,0,b\n0,c,d,c,0,0,d,0,0,d\n"
                             "1,c,c,c,0,b,b,0,0,b\n",
                      3, AllIndices(3));
}

}  // namespace
}  // namespace formats
