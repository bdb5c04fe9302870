#include "formats/golly_ruletree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/symmetry.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"

namespace formats {
namespace {

std::string Rule(std::string_view tree) { return "@RULE T\n@TREE\n" + std::string(tree); }

std::string ErrorOf(const std::string& text, const core::MemoryQuery& memory = core::QueryAvailableMemory) {
    return testsupport::ErrorOf([&] { ParseGollyRuletableText(text, memory); });
}

// Two states, four neighbours: a cell takes the state of N.
const std::string kHead = "num_states=2\nnum_neighbors=4\nnum_nodes=9\n";
const std::string kNodes = "1 0 0\n1 1 1\n2 0 0\n2 1 1\n3 2 2\n3 3 3\n4 4 4\n4 5 5\n";

// Six states whose corners lead to 729 orthogonal subtrees, more than the expansion's blocks
// take, so that the walk over the whole table expands it. The empty neighbourhood stays empty.
std::string CornerHeavyTree() {
    std::mt19937 rng(4);
    std::string nodes;
    std::vector<int> below, level;  // node numbers one depth down, and at this depth
    int count = 0;
    for (int depth = 1; depth <= 9; ++depth, below.swap(level), level.clear()) {
        const int width = depth <= 4 ? 3 : depth == 5 ? 729 : (static_cast<int>(below.size()) + 5) / 6;
        for (int m = 0; m < width; ++m, level.push_back(count++), nodes += "\n") {
            nodes += std::to_string(depth);
            for (int j = 0, code = m; j < 6; ++j, code /= 3)
                nodes += " " + std::to_string(depth == 1 ? (m + j == 0 ? 0 : static_cast<int>(rng() % 6))
                                              : depth <= 4 ? below[j == 0 ? 0 : rng() % 3]
                                              : depth == 5 ? below[static_cast<std::size_t>(code % 3)]
                                                           : below[static_cast<std::size_t>(6 * m + j) % below.size()]);
        }
    }
    return "@RULE CornerHeavy\n@TREE\nnum_states=6\nnum_neighbors=8\nnum_nodes=" + std::to_string(count) + "\n" + nodes;
}

TEST(GollyRuletree, MalformedTreesAreRefusedAndFourNeighbourTreesRead) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "Missing num_states in Golly rule tree."},
        {"num_states=2\nnum_nodes=1\n5 0 0\n", "Missing num_neighbors in Golly rule tree."},
        {"num_states=2\nnum_neighbors=8\n", "Missing num_nodes in Golly rule tree."},
        {"num_states=1\n", "Invalid num_states value in Golly rule tree."},
        {"num_states=17\n", "Invalid n_states value in Golly ruletable."},
        {"num_neighbors=6\n", "Invalid num_neighbors value in Golly rule tree."},
        {"num_nodes=x\n", "Invalid num_nodes value in Golly rule tree."},
        {"num_colors=2\n", "Unknown parameter in Golly rule tree: num_colors"},
        {kHead + kNodes + "5 6 7\nnum_nodes=9\n", "Parameter after the first node in Golly rule tree."},
        {kHead + kNodes + "5 6 7 7\n", "Malformed node line in Golly rule tree."},
        {kHead + kNodes + "6 6 7\n", "Invalid node depth in Golly rule tree."},
        {kHead + "1 0 2\n", "State out of range in Golly rule tree."},
        {kHead + kNodes + "5 6 8\n", "Node out of range in Golly rule tree."},
        {kHead + kNodes + "5 6 5\n", "Node at the wrong depth in Golly rule tree."},
        {kHead + kNodes, "Node count does not match num_nodes in Golly rule tree."},
        {kHead + kNodes + "4 4 4\n", "The last node of a Golly rule tree must be its root."},
    };
    for (const auto& [tree, message] : cases) EXPECT_EQ(ErrorOf(Rule(tree)), message) << tree;
    // Corners are ignored; the group the north rule honours, {identity, left-right mirror}, is
    // none of the editor's. Colours are read, a table comes first, the memory check applies.
    const ImportedGollyRule rule = ParseGollyRuletableText(Rule(kHead + kNodes + "5 6 7\n") + "@COLORS\n1 255 0 0\n");
    for (std::uint64_t i = 0; i < 512; ++i) ASSERT_EQ(rule.table[i], core::DecodeNeighborhoodIndex(i, 2)[1]) << i;
    EXPECT_EQ(std::tuple(rule.stateCount, rule.symmetry, rule.colors.size(), rule.colors[0].color.red,
                         ParseGollyRuletableText(Rule(kHead + kNodes + "5 6 7\n") + "@TABLE\nn_states:3\n").stateCount),
              std::tuple(2, core::kSymmetryC1, 1u, 1.0f, 3));
    EXPECT_EQ(ErrorOf(CornerHeavyTree(), [] { return std::optional<std::uint64_t>(1u << 20); }).substr(0, 75),
              "Tavrix does not have enough memory available for importing this Golly rule.");
}

// A table built to honour exactly one group reports that group.
TEST(GollyRuletree, LargestInvariantSymmetryFindsEachGroup) {
    std::mt19937 rng(5);
    for (core::RuleSymmetry g = 0; g < core::kSymmetryCount; ++g) {
        core::RuleTable classValue(19683), table(19683);
        for (auto& v : classValue) v = static_cast<std::uint8_t>(rng() % 3);
        for (std::uint64_t i = 0; i < table.size(); ++i)
            table[i] = classValue[core::CanonicalIndex(g, 3, core::DecodeNeighborhoodIndex(i, 3))];
        EXPECT_EQ(LargestInvariantSymmetry(table, 3), g);
    }
}

// Every tree-only rule Golly ships, and the corner-heavy one, runs a soup for 40 generations as
// bgolly runs it; above 16 states it is refused. Sanitized, trees above 7 states are left out.
TEST(GollyRuletree, TreeRulesRunAsInBgolly) {
    const std::filesystem::path rules = "/usr/share/golly/Rules";
    ASSERT_TRUE(std::filesystem::exists(rules)) << "Golly's rules are missing (scripts/deps.sh installs golly)";
    std::vector<std::pair<std::string, std::string>> trees = {{"CornerHeavy", CornerHeavyTree()}};
    for (const auto& entry : std::filesystem::directory_iterator(rules)) {
        std::ostringstream text;
        text << std::ifstream(entry.path()).rdbuf();
        if (text.str().find("@TABLE") == std::string::npos && text.str().find("@TREE") != std::string::npos)
            trees.emplace_back(entry.path().stem().string(), text.str());
    }
    int checked = 0;
    for (const auto& [name, text] : trees) {
        const int states = std::atoi(text.c_str() + text.find("num_states=") + 11);
        if (states > 16) { EXPECT_EQ(ErrorOf(text), "Invalid n_states value in Golly ruletable.") << name; }
        if (states > (testsupport::kSanitized ? 7 : 16)) continue;
        ImportedGollyRule imported = ParseGollyRuletableText(text);
        const core::Rule rule{imported.stateCount, imported.symmetry, std::move(imported.table)};
        core::ChunkGrid grid = core::MakeRandomSoup(32, 0.5, states, 11), next;
        const auto start = testsupport::AbsoluteRleCells(WriteRle(grid, states, name));
        for (int g = 0; g < 40; ++g, grid = std::move(next)) core::StepGrid(rule, grid, next);
        EXPECT_TRUE(testsupport::AbsoluteRleCells(WriteRle(grid, states, name)) ==
                    testsupport::RunBgolly({name, text, states}, start, 40)) << name;
        ++checked;
    }
    EXPECT_GE(checked, testsupport::kSanitized ? 11 : 20);
}

}  // namespace
}  // namespace formats
