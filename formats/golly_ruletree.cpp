#include "formats/golly_ruletree.h"

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/symmetry.h"

namespace formats {

namespace {

constexpr std::string_view kPurpose = "importing this Golly rule";
constexpr std::string_view kBlanks = " \t\r\n";
// Golly's own bound; above 16 the editor's state-count message applies.
constexpr long long kGollyMaxStates = 256;

[[noreturn]] void Fail(std::string message) { throw std::runtime_error(std::move(message)); }

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// A non-negative base-10 integer using up all of `s`; large values saturate so range checks
// still reject them.
std::optional<long long> Natural(std::string_view s) {
    if (s.empty()) return std::nullopt;
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value > (LLONG_MAX - 9) / 10 ? LLONG_MAX : value * 10 + (c - '0');
    }
    return value;
}

struct Tree {
    int stateCount = 0;
    int neighborCount = 0;
    long long nodeCount = 0;
    std::vector<std::uint8_t> depth;
    // stateCount entries per node: next states at depth 1, node numbers above.
    std::vector<std::uint32_t> children;
};

void ReadParameter(std::string_view line, std::size_t eq, Tree& tree) {
    const std::string_view name = Trim(line.substr(0, eq));
    const auto value = Natural(Trim(line.substr(eq + 1)));
    if (name == "num_states") {
        if (value && *value > core::kMaxStateCount && *value <= kGollyMaxStates)
            Fail("Invalid n_states value in Golly ruletable.");
        if (!value || *value < core::kMinStateCount || *value > core::kMaxStateCount)
            Fail("Invalid num_states value in Golly rule tree.");
        tree.stateCount = static_cast<int>(*value);
    } else if (name == "num_neighbors") {
        if (!value || (*value != 4 && *value != 8)) Fail("Invalid num_neighbors value in Golly rule tree.");
        tree.neighborCount = static_cast<int>(*value);
    } else if (name == "num_nodes") {
        if (!value || *value < 1) Fail("Invalid num_nodes value in Golly rule tree.");
        tree.nodeCount = *value;
    } else {
        Fail("Unknown parameter in Golly rule tree: " + std::string(name));
    }
}

void ReadNode(std::string_view line, Tree& tree) {
    const std::size_t self = tree.depth.size();
    if (static_cast<long long>(self) >= tree.nodeCount)
        Fail("Node count does not match num_nodes in Golly rule tree.");
    std::array<long long, core::kMaxStateCount + 1> values{};
    int count = 0;
    for (std::size_t i = 0; i < line.size();) {
        const auto begin = line.find_first_not_of(kBlanks, i);
        if (begin == std::string_view::npos) break;
        const auto end = std::min(line.size(), line.find_first_of(kBlanks, begin));
        const auto value = Natural(line.substr(begin, end - begin));
        if (!value || count > tree.stateCount) Fail("Malformed node line in Golly rule tree.");
        values[static_cast<std::size_t>(count++)] = *value;
        i = end;
    }
    if (count != tree.stateCount + 1) Fail("Malformed node line in Golly rule tree.");
    const long long depth = values[0];
    if (depth < 1 || depth > tree.neighborCount + 1) Fail("Invalid node depth in Golly rule tree.");
    for (int k = 1; k <= tree.stateCount; ++k) {
        const long long child = values[static_cast<std::size_t>(k)];
        if (depth == 1) {
            if (child >= tree.stateCount) Fail("State out of range in Golly rule tree.");
        } else {
            if (child >= static_cast<long long>(self)) Fail("Node out of range in Golly rule tree.");
            if (tree.depth[static_cast<std::size_t>(child)] != depth - 1)
                Fail("Node at the wrong depth in Golly rule tree.");
        }
        tree.children.push_back(static_cast<std::uint32_t>(child));
    }
    tree.depth.push_back(static_cast<std::uint8_t>(depth));
}

Tree ReadTree(std::span<const std::string_view> lines) {
    Tree tree;
    bool nodesStarted = false;
    for (std::string_view line : lines) {
        if (const auto eq = line.find('='); eq != std::string_view::npos) {
            if (nodesStarted) Fail("Parameter after the first node in Golly rule tree.");
            ReadParameter(line, eq, tree);
            continue;
        }
        if (!nodesStarted) {
            if (tree.stateCount == 0) Fail("Missing num_states in Golly rule tree.");
            if (tree.neighborCount == 0) Fail("Missing num_neighbors in Golly rule tree.");
            if (tree.nodeCount == 0) Fail("Missing num_nodes in Golly rule tree.");
            nodesStarted = true;
        }
        ReadNode(line, tree);
    }
    if (!nodesStarted) {
        if (tree.stateCount == 0) Fail("Missing num_states in Golly rule tree.");
        if (tree.neighborCount == 0) Fail("Missing num_neighbors in Golly rule tree.");
        if (tree.nodeCount == 0) Fail("Missing num_nodes in Golly rule tree.");
    }
    if (static_cast<long long>(tree.depth.size()) != tree.nodeCount)
        Fail("Node count does not match num_nodes in Golly rule tree.");
    if (tree.depth.back() != tree.neighborCount + 1) Fail("The last node of a Golly rule tree must be its root.");
    return tree;
}

// The tree's lookup order over the Moore slots (NW, N, NE, W, C, E, SW, S, SE are 0..8); a
// four-neighbour tree is walked as if its corners came first and did not move down the tree.
struct Level {
    std::uint64_t place = 0;
    bool descends = true;
};

class Expander {
public:
    Expander(const Tree& tree, std::uint8_t* table) : tree_(tree), table_(table), n_(static_cast<std::uint32_t>(tree.stateCount)) {
        constexpr std::array<int, 9> kMooreOrder = {0, 2, 6, 8, 1, 3, 5, 7, 4};
        std::array<std::uint64_t, 9> places{};
        std::uint64_t place = 1;
        for (int j = 8; j >= 0; --j, place *= n_) places[static_cast<std::size_t>(j)] = place;
        for (std::size_t k = 0; k < 9; ++k) {
            levels_[k].place = places[static_cast<std::size_t>(kMooreOrder[k])];
            levels_[k].descends = tree.neighborCount == 8 || k >= 4;
        }
    }

    // Each node is looked up once per prefix that reaches it, not once per neighbourhood.
    void Walk(std::size_t level, std::uint32_t node, std::uint64_t base) {
        const Level& l = levels_[level];
        const std::uint32_t* row = tree_.children.data() + static_cast<std::size_t>(node) * n_;
        if (level == 8) {
            for (std::uint32_t v = 0; v < n_; ++v) table_[base + v * l.place] = static_cast<std::uint8_t>(row[v]);
            return;
        }
        for (std::uint32_t v = 0; v < n_; ++v) Walk(level + 1, l.descends ? row[v] : node, base + v * l.place);
    }

private:
    const Tree& tree_;
    std::uint8_t* table_;
    std::uint32_t n_;
    std::array<Level, 9> levels_{};
};

// Whether every entry equals the entry of its image under transform t, walking the table in
// order while the image's index follows digit by digit.
bool InvariantUnder(const core::RuleTable& table, int stateCount, int t) {
    const auto n = static_cast<std::uint64_t>(stateCount);
    std::array<std::uint64_t, 9> weight{};
    std::uint64_t place = 1;
    for (int j = 8; j >= 0; --j, place *= n) weight[core::kSymmetryTransforms[t][static_cast<std::size_t>(j)]] = place;
    std::array<std::uint64_t, 9> digits{};
    std::uint64_t image = 0;
    const std::uint8_t* entries = table.data();
    for (std::uint64_t i = 0; i < table.size(); i += n) {
        std::uint64_t at = image;
        for (std::uint64_t last = 0; last < n; ++last, at += weight[8])
            if (entries[i + last] != entries[at]) return false;
        for (int k = 7; k >= 0; --k) {
            const auto s = static_cast<std::size_t>(k);
            if (++digits[s] < n) {
                image += weight[s];
                break;
            }
            image -= (n - 1) * weight[s];
            digits[s] = 0;
        }
    }
    return true;
}

}  // namespace

core::RuleSymmetry LargestInvariantSymmetry(const core::RuleTable& table, int stateCount) {
    constexpr int kRotate90 = 1, kRotate180 = 2, kMirrorTopBottom = 5, kTranspose = 6;
    // What holds is a subgroup of D8, so two or three passes decide it.
    if (InvariantUnder(table, stateCount, kRotate90))
        return InvariantUnder(table, stateCount, core::kTransformMirrorLeftRight) ? core::kSymmetryD8 : core::kSymmetryC4;
    if (InvariantUnder(table, stateCount, kRotate180)) {
        if (InvariantUnder(table, stateCount, kMirrorTopBottom)) return core::kSymmetryD4Orthogonal;
        return InvariantUnder(table, stateCount, kTranspose) ? core::kSymmetryD4Diagonal : core::kSymmetryC2;
    }
    if (InvariantUnder(table, stateCount, kMirrorTopBottom)) return core::kSymmetryD2Orthogonal;
    return InvariantUnder(table, stateCount, kTranspose) ? core::kSymmetryD2Diagonal : core::kSymmetryC1;
}

ImportedGollyRule ExpandGollyRuleTree(std::span<const std::string_view> lines,
                                      const core::MemoryQuery& availableMemory) {
    const Tree tree = ReadTree(lines);
    ImportedGollyRule rule;
    rule.stateCount = tree.stateCount;
    const std::uint64_t working = tree.children.size() * sizeof(std::uint32_t) + tree.depth.size();
    core::AllocateRuleTable(rule.table, tree.stateCount, kPurpose, working, availableMemory);
    Expander(tree, rule.table.data()).Walk(0, static_cast<std::uint32_t>(tree.depth.size() - 1), 0);
    rule.symmetry = LargestInvariantSymmetry(rule.table, tree.stateCount);
    return rule;
}

}  // namespace formats
