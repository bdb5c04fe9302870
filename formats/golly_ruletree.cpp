#include "formats/golly_ruletree.h"

#include <array>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/symmetry.h"
#include "formats/golly_ruletable_expand.h"

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

void RequireHeader(const Tree& tree) {
    if (tree.stateCount == 0) Fail("Missing num_states in Golly rule tree.");
    if (tree.neighborCount == 0) Fail("Missing num_neighbors in Golly rule tree.");
    if (tree.nodeCount == 0) Fail("Missing num_nodes in Golly rule tree.");
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
        if (!nodesStarted) RequireHeader(tree);
        nodesStarted = true;
        ReadNode(line, tree);
    }
    RequireHeader(tree);
    if (static_cast<long long>(tree.depth.size()) != tree.nodeCount)
        Fail("Node count does not match num_nodes in Golly rule tree.");
    if (tree.depth.back() != tree.neighborCount + 1) Fail("The last node of a Golly rule tree must be its root.");
    return tree;
}

// Moore slots (NW, N, NE, W, C, E, SW, S, SE are 0..8) in the tree's lookup order. A
// four-neighbour tree is read as if its corners came first and did not move down the tree.
constexpr std::array<int, 9> kTreeOrder = {0, 2, 6, 8, 1, 3, 5, 7, 4};
constexpr std::size_t kFirstOrthogonal = 4;

class Expander {
public:
    explicit Expander(const Tree& tree) : tree_(tree), n_(static_cast<std::uint32_t>(tree.stateCount)) {
        std::array<std::uint64_t, 9> moore{};
        std::uint64_t place = 1;
        for (int j = 8; j >= 0; --j, place *= n_) moore[static_cast<std::size_t>(j)] = place;
        for (std::size_t k = 0; k < 9; ++k) mooreLevels_[k] = moore[static_cast<std::size_t>(kTreeOrder[k])];
        // Below the corners the tree's own order, so that a subtree fills a contiguous block.
        place = 1;
        for (std::size_t k = 9; k-- > kFirstOrthogonal; place *= n_) blockLevels_[k] = place;
        // The orthogonal subtrees the corners lead to, each given a block of n^5 next states.
        const std::uint32_t root = static_cast<std::uint32_t>(tree.depth.size() - 1);
        cornerBlocks_.resize(static_cast<std::size_t>(n_) * n_ * n_ * n_);
        std::vector<std::uint32_t> blockOf(tree.depth.size(), UINT32_MAX);
        for (std::size_t c = 0; c < cornerBlocks_.size(); ++c) {
            std::uint32_t node = root;
            for (std::size_t k = 0; k < kFirstOrthogonal && tree.neighborCount == 8; ++k)
                node = Child(node, static_cast<std::uint32_t>(c / Power(3 - k) % n_));
            if (blockOf[node] == UINT32_MAX) {
                blockOf[node] = static_cast<std::uint32_t>(blockNodes_.size());
                blockNodes_.push_back(node);
            }
            cornerBlocks_[c] = blockOf[node];
        }
    }

    // Bytes the blocks take beside the table.
    std::uint64_t BlockBytes() const { return blockNodes_.size() * Power(5) + cornerBlocks_.size() * 4; }
    // A tree whose corners lead to many subtrees would need blocks as large as the table.
    bool UsesBlocks(std::uint64_t tableBytes) const {
        return BlockBytes() <= std::max<std::uint64_t>(tableBytes / 4, 1u << 20);
    }

    void Fill(std::uint8_t* table) {
        if (!UsesBlocks(Power(9))) {
            Walk(mooreLevels_, 0, static_cast<std::uint32_t>(tree_.depth.size() - 1), 0, table);
            return;
        }
        std::vector<std::uint8_t> blocks(static_cast<std::size_t>(blockNodes_.size() * Power(5)));
        for (std::size_t b = 0; b < blockNodes_.size(); ++b)
            Walk(blockLevels_, kFirstOrthogonal, blockNodes_[b], b * Power(5), blocks.data());
        if (tree_.neighborCount == 4) {
            // Corners are ignored: the table reader's von Neumann broadcast applies.
            std::array<std::uint64_t, 9> places{};
            for (std::size_t k = kFirstOrthogonal; k < 9; ++k)
                places[static_cast<std::size_t>(kTreeOrder[k])] = blockLevels_[k];
            golly::BroadcastNeighborhoodTable(blocks.data(), places, tree_.stateCount, table);
            return;
        }
        // Written in table order; each entry reads its corners' block at the offset of its
        // orthogonal cells. Slots NW..S step like an odometer, SE runs innermost.
        std::array<std::uint64_t, 8> blockWeight{}, cornerWeight{};
        for (std::size_t k = 0; k < 9; ++k) {
            const auto slot = static_cast<std::size_t>(kTreeOrder[k]);
            if (slot == 8) continue;
            if (k < kFirstOrthogonal) cornerWeight[slot] = Power(3 - k);
            else blockWeight[slot] = blockLevels_[k];
        }
        std::array<std::uint32_t, 8> digits{};
        std::uint64_t offset = 0, corners = 0;
        const std::uint64_t size = Power(9), stride = Power(5);
        for (std::uint64_t i = 0; i < size; i += n_) {
            for (std::uint32_t se = 0; se < n_; ++se)
                table[i + se] = blocks[cornerBlocks_[corners + se] * stride + offset];
            for (std::size_t k = 8; k-- > 0;) {
                if (++digits[k] < n_) {
                    offset += blockWeight[k];
                    corners += cornerWeight[k];
                    break;
                }
                offset -= (n_ - 1) * blockWeight[k];
                corners -= (n_ - 1) * cornerWeight[k];
                digits[k] = 0;
            }
        }
    }

private:
    std::uint64_t Power(std::size_t e) const {
        std::uint64_t p = 1;
        while (e-- > 0) p *= n_;
        return p;
    }
    std::uint32_t Child(std::uint32_t node, std::uint32_t v) const {
        return tree_.children[static_cast<std::size_t>(node) * n_ + v];
    }

    // Each node is looked up once per prefix that reaches it, not once per neighbourhood.
    void Walk(const std::array<std::uint64_t, 9>& places, std::size_t level, std::uint32_t node, std::uint64_t base,
              std::uint8_t* out) const {
        const std::uint64_t place = places[level];
        const std::uint32_t* row = tree_.children.data() + static_cast<std::size_t>(node) * n_;
        if (level == 8) {
            for (std::uint32_t v = 0; v < n_; ++v) out[base + v * place] = static_cast<std::uint8_t>(row[v]);
            return;
        }
        const bool descends = tree_.neighborCount == 8 || level >= kFirstOrthogonal;
        for (std::uint32_t v = 0; v < n_; ++v) Walk(places, level + 1, descends ? row[v] : node, base + v * place, out);
    }

    const Tree& tree_;
    std::uint32_t n_;
    std::array<std::uint64_t, 9> mooreLevels_{}, blockLevels_{};
    std::vector<std::uint32_t> blockNodes_;
    // Per corner digits NW, NE, SW, SE (NW most significant): the block they lead to.
    std::vector<std::uint32_t> cornerBlocks_;
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
    Expander expander(tree);
    const std::uint64_t tableBytes = core::RuleTableSize(tree.stateCount);
    const std::uint64_t working = expander.UsesBlocks(tableBytes) ? expander.BlockBytes() : 0;
    core::AllocateRuleTable(rule.table, tree.stateCount, kPurpose, working, availableMemory);
    try {
        expander.Fill(rule.table.data());
    } catch (const std::bad_alloc&) {
        rule.table = core::RuleTable();
        // Nothing is left to spare: let the allocator's check produce its message.
        core::AllocateRuleTable(rule.table, tree.stateCount, kPurpose, working,
                                [] { return std::optional<std::uint64_t>(0); });
    }
    rule.symmetry = LargestInvariantSymmetry(rule.table, tree.stateCount);
    return rule;
}

}  // namespace formats
