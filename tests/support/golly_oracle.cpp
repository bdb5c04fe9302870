#include "tests/support/golly_oracle.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "core/rule_table.h"
#include "tests/support/test_helpers.h"

namespace testsupport {

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Node {
    int level = 0;
    bool leaf = false;
    std::array<std::uint64_t, 4> children{};  // level 1: states; above: node numbers
    std::vector<formats::RleCell> leafCells;   // 8x8 two-state leaves, relative
};

std::vector<formats::RleCell> SortedByRow(std::vector<formats::RleCell> cells) {
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
    return cells;
}

// Reads bgolly's macrocell output. Multi-state algorithms write level-1 nodes
// "1 nw ne sw se"; two-state ones write 8x8 leaves of '.', '*' and '$'.
std::vector<formats::RleCell> ParseMacrocell(const std::string& text) {
    std::vector<Node> nodes(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '[' || line[0] == '#') continue;
        Node& node = nodes.emplace_back();
        if (line[0] == '.' || line[0] == '*' || line[0] == '$') {
            node.level = 3, node.leaf = true;
            std::int32_t x = 0, y = 0;
            for (char c : line)
                if (c == '$') ++y, x = 0;
                else if (c == '*') node.leafCells.push_back({x++, y, 1});
                else ++x;
            continue;
        }
        std::istringstream fields(line);
        fields >> node.level;
        for (auto& child : node.children) fields >> child;
        if (!fields || node.level < 1) throw std::runtime_error("bad macrocell line: " + line);
    }
    std::vector<formats::RleCell> cells;
    const auto at = [&](std::int64_t x, std::int64_t y, std::uint64_t state) {
        cells.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::uint8_t>(state)});
    };
    const auto walk = [&](auto&& self, std::uint64_t index, std::int64_t x, std::int64_t y) -> void {
        if (index == 0) return;
        if (index >= nodes.size()) throw std::runtime_error("bad macrocell node reference");
        const Node& n = nodes[index];
        for (const auto& c : n.leafCells) at(x + c.x, y + c.y, 1);
        const std::int64_t step = n.leaf ? 0 : std::int64_t{1} << (n.level - 1);
        for (int k = 0; k < 4 && !n.leaf; ++k)
            if (n.level == 1 && n.children[k] != 0) at(x + k % 2, y + k / 2, n.children[k]);
            else if (n.level > 1) self(self, n.children[k], x + (k % 2) * step, y + (k / 2) * step);
    };
    // bgolly writes the root one row lower than its own origin would suggest.
    if (nodes.size() > 1) {
        const std::int64_t half = std::int64_t{1} << (nodes.back().level - 1);
        walk(walk, nodes.size() - 1, -half, -half + 1);
    }
    return SortedByRow(std::move(cells));
}

}  // namespace

std::vector<formats::RleCell> RunBgolly(const OracleRule& rule, const std::vector<formats::RleCell>& cells,
                                        int generations) {
    // Its shell's "not found" would read like a rule bgolly refused.
    static const bool installed = std::system("command -v bgolly >/dev/null 2>&1") == 0;
    if (!installed) throw std::runtime_error("bgolly is not installed (scripts/deps.sh installs the golly package)");
    core::ChunkGrid grid;
    for (const auto& c : cells) grid.SetCell(c.x, c.y, c.state);
    TempDir dir;
    WriteText(dir.path / "in.rle", formats::WriteRle(grid, rule.stateCount, rule.name));
    std::string command = "bgolly -q -q -a HashLife ";
    if (!rule.ruleFileText.empty()) {
        WriteText(dir.path / (rule.name + ".rule"), rule.ruleFileText);
        command = "bgolly -q -q -a RuleLoader -s " + Quote(dir.path.string() + "/") + " ";
    }
    const fs::path output = dir.path / "out.mc";
    command += "-m " + std::to_string(generations) + " -o " + Quote(output.string()) + " " +
               Quote((dir.path / "in.rle").string()) + " >" + Quote((dir.path / "log.txt").string()) +
               " 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(output))
        throw std::runtime_error("bgolly failed: " + ReadText(dir.path / "log.txt"));
    return ParseMacrocell(ReadText(output));
}

std::vector<std::uint8_t> ProbeTransitions(const OracleRule& rule, const std::vector<std::uint64_t>& indices) {
    constexpr std::int32_t kPitch = 5, kColumns = 256;
    std::vector<formats::RleCell> cells;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const auto digits = core::DecodeNeighborhoodIndex(indices[i], rule.stateCount);
        const auto bx = static_cast<std::int32_t>(i % kColumns) * kPitch, by = static_cast<std::int32_t>(i / kColumns) * kPitch;
        for (int j = 0; j < 9; ++j)
            if (digits[j] != 0) cells.push_back({bx + j % 3, by + j / 3, digits[j]});
    }
    std::vector<std::uint8_t> result(indices.size(), 0);
    if (indices.empty()) return result;
    for (const auto& c : RunBgolly(rule, cells, 1)) {
        if (c.x < 0 || c.y < 0 || c.x % kPitch != 1 || c.y % kPitch != 1) continue;
        const std::size_t i = static_cast<std::size_t>(c.y / kPitch) * kColumns + static_cast<std::size_t>(c.x / kPitch);
        if (i < result.size() && c.x / kPitch < kColumns) result[i] = c.state;
    }
    return result;
}

std::vector<formats::RleCell> AbsoluteRleCells(const std::string& rle) {
    int x0 = 0, y0 = 0;
    if (std::sscanf(rle.c_str(), "#CXRLE Pos=%d,%d", &x0, &y0) != 2) throw std::runtime_error("no position line");
    std::vector<formats::RleCell> cells = formats::ParseRle(rle).cells;
    for (auto& c : cells) c.x += x0, c.y += y0;
    return SortedByRow(std::move(cells));
}

std::vector<std::uint64_t> AllIndices(int stateCount) {
    std::vector<std::uint64_t> all(static_cast<std::size_t>(core::RuleTableSize(stateCount)));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::string GollyMismatches(const OracleRule& rule, const std::vector<std::uint8_t>& table,
                            const std::vector<std::uint64_t>& indices) {
    const std::vector<std::uint8_t> golly = ProbeTransitions(rule, indices);
    std::string out;
    std::size_t count = 0;
    for (std::size_t k = 0; k < indices.size(); ++k)
        if (golly[k] != table[indices[k]] && ++count <= 3)
            out += "index " + std::to_string(indices[k]) + ": Golly " + std::to_string(golly[k]) + ", table " +
                   std::to_string(table[indices[k]]) + "; ";
    return count == 0 ? "" : out + std::to_string(count) + " differ in " + rule.name;
}

}  // namespace testsupport
