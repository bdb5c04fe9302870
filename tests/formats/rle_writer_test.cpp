#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formats/rle.h"
#include "tests/support/golly_oracle.h"

namespace formats {
namespace {

struct Block {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> cells;
};

Block RandomBlock(std::mt19937& rng, std::int32_t width, std::int32_t height, int stateCount,
                  int density) {
    Block b{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    for (auto& c : b.cells)
        if (static_cast<int>(rng() % 100) < density) c = static_cast<std::uint8_t>(1 + rng() % (stateCount - 1));
    return b;
}

// Non-zero cells relative to the block's top-left corner, in row-major order.
std::vector<RleCell> CellsOf(const Block& b) {
    std::vector<RleCell> out;
    for (std::int32_t y = 0; y < b.height; ++y)
        for (std::int32_t x = 0; x < b.width; ++x)
            if (const std::uint8_t s = b.cells[static_cast<std::size_t>(y) * b.width + x]) out.push_back({x, y, s});
    return out;
}

std::string Write(const Block& b, std::int32_t x0, std::int32_t y0, int stateCount) {
    return WriteRle(b.cells.data(), b.width, b.height, x0, y0, stateCount, stateCount == 2 ? "B3/S23" : "Test");
}

void ExpectShortLines(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) EXPECT_LE(line.size(), 70u) << line;
}

TEST(RleWriter, RoundTripTwoStates) {
    std::mt19937 rng(1);
    for (int trial = 0; trial < 40; ++trial) {
        const Block b = RandomBlock(rng, 1 + rng() % 90, 1 + rng() % 40, 2, static_cast<int>(rng() % 101));
        const std::string text = Write(b, -5, 7, 2);
        const std::string body = text.substr(text.find("B3/S23\n") + 7);
        EXPECT_EQ(body.find_first_not_of("0123456789bo$!\n"), std::string::npos) << body;
        ExpectShortLines(text);
        const RlePattern p = ParseRle(text);
        EXPECT_EQ(p.width, b.width);
        EXPECT_EQ(p.height, b.height);
        EXPECT_EQ(p.rule, "B3/S23");
        EXPECT_EQ(p.cells, CellsOf(b));
    }
}

TEST(RleWriter, RoundTripMultiState) {
    std::mt19937 rng(2);
    for (int stateCount = 3; stateCount <= 16; ++stateCount) {
        for (int trial = 0; trial < 6; ++trial) {
            const Block b = RandomBlock(rng, 1 + rng() % 120, 1 + rng() % 30, stateCount,
                                        static_cast<int>(rng() % 101));
            const std::string text = Write(b, 3, -9, stateCount);
            const std::string body = text.substr(text.find("Test\n") + 5);
            EXPECT_EQ(body.find_first_of("bo"), std::string::npos) << body;
            ExpectShortLines(text);
            const RlePattern p = ParseRle(text);
            EXPECT_EQ(p.rule, "Test");
            EXPECT_EQ(p.cells, CellsOf(b)) << text;
        }
    }
}

TEST(RleWriter, LeadingAndTrailingEmptyRowsKeepTheirPlace) {
    Block b{4, 6, std::vector<std::uint8_t>(24)};
    b.cells[3 * 4 + 2] = 1;
    b.cells[4 * 4 + 0] = 1;
    const std::string text = Write(b, 0, 0, 2);
    EXPECT_NE(text.find("3$2bo$o!"), std::string::npos) << text;
    EXPECT_EQ(ParseRle(text).cells, CellsOf(b));
}

TEST(RleWriter, EmptyPattern) {
    const Block b{5, 5, std::vector<std::uint8_t>(25)};
    const std::string text = Write(b, 1, 2, 2);
    EXPECT_EQ(text, "#CXRLE Pos=1,2\nx = 5, y = 5, rule = B3/S23\n!\n");
    EXPECT_TRUE(ParseRle(text).cells.empty());
    EXPECT_TRUE(ParseRle(WriteRle(nullptr, 0, 0, 0, 0, 4, "R")).cells.empty());
}

TEST(RleWriter, LongRunsWrapAtSeventyCharacters) {
    Block b{10000, 3, std::vector<std::uint8_t>(30000)};
    for (std::int32_t x = 0; x < 10000; x += 2) b.cells[x] = 1;
    for (std::int32_t x = 0; x < 10000; ++x) b.cells[20000 + x] = static_cast<std::uint8_t>(1 + x % 3);
    for (int states : {2, 4}) {
        const std::string text = Write(b, 0, 0, states);
        ExpectShortLines(text);
        std::vector<RleCell> expected = CellsOf(b);
        if (states == 2)
            for (auto& c : expected) c.state = 1;
        EXPECT_EQ(ParseRle(text).cells, expected);
    }
}

// Golly must read the text at the same absolute cells: the position line places the block.
TEST(RleWriter, GollyReadsTheSameCells) {
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    std::mt19937 rng(4);
    struct Case {
        int stateCount;
        std::int32_t x0, y0;
    };
    for (const Case c : {Case{2, -37, 12}, Case{2, 5, -3}, Case{5, 100, -50}, Case{16, -7, -7}}) {
        Block b = RandomBlock(rng, 75, 20, c.stateCount, 35);
        std::fill(b.cells.begin(), b.cells.begin() + 3 * 75, std::uint8_t{0});  // leading empty rows
        testsupport::OracleRule rule{"B3/S23", "", c.stateCount};
        if (c.stateCount > 2) {
            rule.name = "WriterCheck" + std::to_string(c.stateCount);
            rule.ruleFileText = "@RULE " + rule.name + "\n@TABLE\nn_states:" + std::to_string(c.stateCount) +
                                "\nneighborhood:Moore\nsymmetries:none\n";
        }
        std::vector<RleCell> cells = CellsOf(b);
        for (auto& cell : cells) {
            cell.x += c.x0;
            cell.y += c.y0;
        }
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(testsupport::RunBgolly(rule, cells, 0), cells) << c.stateCount;
    }
}

}  // namespace
}  // namespace formats
