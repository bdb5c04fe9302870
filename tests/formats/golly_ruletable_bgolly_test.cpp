// The reader against Golly itself: each table must run in bgolly as it reads here.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/rule_table.h"
#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "tests/support/golly_oracle.h"

namespace formats {
namespace {

constexpr int kSlotOfGollyToken[9] = {4, 1, 2, 5, 8, 7, 6, 3, 0};

std::vector<int> GroupTransforms(const std::string& symmetry) {
    if (symmetry == "reflect_horizontal") return {0, core::kTransformMirrorLeftRight};
    if (symmetry == "rotate4") return {0, 1, 2, 3};
    if (symmetry == "rotate4reflect") return {0, 1, 2, 3, 4, 5, 6, 7};
    return {0};
}

// A random ruletable that Golly accepts: variables are declared before use, some are
// redeclared or aliased, and a new state is a literal or a variable named among the cells.
struct RandomTable {
    std::string text;
    std::unordered_set<std::uint64_t> touched;  // every block some line names
};

RandomTable MakeRandomTable(std::mt19937& rng, int n, const std::string& symmetry, int lineCount) {
    auto pick = [&](int count) { return static_cast<int>(rng() % static_cast<unsigned>(count)); };
    const std::vector<std::string> pool = {"a", "b", "d", "zz", "Q", "B", "x1"};
    const int maxSet = n <= 3 ? n : 3;
    std::map<std::string, std::vector<int>> vars;  // current meaning, as written
    RandomTable out;
    out.text = "@RULE Random\n@TABLE\nn_states:" + std::to_string(n) + "\nneighborhood:Moore\nsymmetries:" +
               symmetry + "\n0,0,0,0,0,0,0,0,0,0\n";
    const auto transforms = GroupTransforms(symmetry);
    for (int l = 0; l < lineCount; ++l) {
        while (vars.size() < 2 || pick(5) == 0) {
            const std::string name = pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
            if (!vars.empty() && pick(4) == 0) {
                auto it = vars.begin();
                std::advance(it, pick(static_cast<int>(vars.size())));
                vars[name] = it->second;
                out.text += "var " + name + "=" + it->first + "\n";
                continue;
            }
            std::vector<int> states(static_cast<std::size_t>(n));
            for (int s = 0; s < n; ++s) states[static_cast<std::size_t>(s)] = s;
            std::shuffle(states.begin(), states.end(), rng);
            states.resize(static_cast<std::size_t>(1 + pick(maxSet)));
            std::string set = "{";
            for (std::size_t i = 0; i < states.size(); ++i) {
                if (i) set += ',';
                set += std::to_string(states[i]);
            }
            if (pick(4) == 0) {
                set += ',';
                set += std::to_string(states[0]);
            }
            vars[name] = states;
            out.text += "var " + name + "=" + set + "}\n";
        }
        // Few variable cells among background ones make blocks that several combinations
        // reach through different images, where the order of the expansion shows.
        const bool sparse = pick(2) == 0;
        std::vector<std::string> tokens(10);
        std::vector<std::string> cellVars;
        for (int k = 0; k < 9; ++k) {
            const int roll = pick(10);
            if (roll < (sparse ? 3 : 4) && cellVars.size() < 4) {
                auto it = vars.begin();
                std::advance(it, pick(static_cast<int>(vars.size())));
                tokens[static_cast<std::size_t>(k)] = it->first;
                cellVars.push_back(it->first);
            } else {
                tokens[static_cast<std::size_t>(k)] = std::to_string(sparse || roll < 6 ? 0 : pick(n));
            }
        }
        if (!cellVars.empty() && pick(4) != 0)
            tokens[9] = cellVars[static_cast<std::size_t>(pick(static_cast<int>(cellVars.size())))];
        else
            tokens[9] = std::to_string(pick(n));
        const bool words = pick(5) == 0;
        for (int k = 0; k < 10; ++k) {
            out.text += tokens[static_cast<std::size_t>(k)];
            out.text += k == 9 ? "\n" : (words && (k == 0 || k == 8)) ? " " : ",";
        }

        // The blocks this line names, for sampling.
        std::vector<std::string> distinct;
        for (int k = 0; k < 9; ++k)
            if (vars.count(tokens[static_cast<std::size_t>(k)]) &&
                std::find(distinct.begin(), distinct.end(), tokens[static_cast<std::size_t>(k)]) == distinct.end())
                distinct.push_back(tokens[static_cast<std::size_t>(k)]);
        std::vector<std::size_t> choice(distinct.size(), 0);
        while (true) {
            core::Neighborhood d{};
            for (int k = 0; k < 9; ++k) {
                const std::string& t = tokens[static_cast<std::size_t>(k)];
                const auto pos = std::find(distinct.begin(), distinct.end(), t);
                d[static_cast<std::size_t>(kSlotOfGollyToken[k])] = static_cast<std::uint8_t>(
                    pos == distinct.end() ? std::stoi(t)
                                          : vars[t][choice[static_cast<std::size_t>(pos - distinct.begin())]]);
            }
            for (int t : transforms) out.touched.insert(core::NeighborhoodIndex(core::ApplyTransform(t, d), n));
            std::size_t i = 0;
            while (i < choice.size() && ++choice[i] == vars[distinct[i]].size()) choice[i++] = 0;
            if (i == choice.size()) break;
        }
    }
    return out;
}

void CompareWithBgolly(const std::string& text, int n, std::vector<std::uint64_t> indices) {
    const ImportedGollyRule rule = ParseGollyRuletableText(text);
    ASSERT_EQ(rule.stateCount, n);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    const auto golly = testsupport::ProbeTransitions({"Random", text, n}, indices);
    int mismatches = 0;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (rule.table[static_cast<std::size_t>(indices[i])] == golly[i]) continue;
        if (++mismatches <= 5)
            ADD_FAILURE() << "index " << indices[i] << ": ours " << int{rule.table[indices[i]]} << ", Golly "
                          << int{golly[i]};
    }
    EXPECT_EQ(mismatches, 0) << text;
}

class GollyRuletableAgainstBgolly : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    }
};

TEST_P(GollyRuletableAgainstBgolly, RandomTables) {
    const int n = GetParam();
    for (const std::string symmetry : {"none", "reflect_horizontal", "rotate4", "rotate4reflect"}) {
        std::mt19937 rng(static_cast<unsigned>(1000 * n) + static_cast<unsigned>(symmetry.size()));
        const RandomTable table = MakeRandomTable(rng, n, symmetry, n <= 3 ? 40 : 25);
        std::vector<std::uint64_t> indices;
        const std::uint64_t size = core::RuleTableSize(n);
        if (n <= 3) {
            for (std::uint64_t i = 0; i < size; ++i) indices.push_back(i);
        } else {
            indices.assign(table.touched.begin(), table.touched.end());
            std::uniform_int_distribution<std::uint64_t> any(0, size - 1);
            for (int i = 0; i < 3000; ++i) indices.push_back(any(rng));
        }
        SCOPED_TRACE(symmetry);
        CompareWithBgolly(table.text, n, indices);
    }
}

INSTANTIATE_TEST_SUITE_P(States, GollyRuletableAgainstBgolly, ::testing::Values(2, 3, 4, 5, 6));

std::vector<std::uint64_t> AllIndices(int n) {
    std::vector<std::uint64_t> all(static_cast<std::size_t>(core::RuleTableSize(n)));
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
}

TEST(GollyRuletableBgolly, ChangesAgainstTheWrittenFormat) {
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
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
    // Bound variables: the name that sorts last varies slowest, sets in written order.
    CompareWithBgolly(head + "symmetries:reflect_horizontal\nvar b={1,2}\nvar d={2,1}\nvar c={1,2}\n"
                             "0,0,b,d,0,0,0,b,d,b\n1,0,0,c,0,0,0,d,0,d\n2,0,d,c,0,0,0,d,c,d\n",
                      3, AllIndices(3));
}

}  // namespace
}  // namespace formats
