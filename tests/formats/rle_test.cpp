#include "formats/rle.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"

namespace formats {
namespace {

TEST(RleReader, HeaderFields) {
    const std::tuple<const char*, std::int32_t, std::int32_t, std::string> cases[] = {
        {"x = 3, y = 1, rule = B3/S23\n3o!", 3, 1, "B3/S23"},
        {"#C comment\n  #N name\nx = 1, y = 1\n#C another\no!\n", 1, 1, ""},
        {"hello\no!", 0, 0, ""},  // any first line is the header
        // Values must be whole integers; unknown keys are skipped.
        {"x = 3a, y = -4, rule=, z = 9, X = 7\n!", 0, -4, ""},
        {"x = 99999999999, y=2\n!", 0, 2, ""},
        {" x\t=\t12 ,y=3,rule = B36/S23 \r\n!", 12, 3, "B36/S23"},
        {"rule = B3/S23:T10,10\n!", 0, 0, "B3/S23:T10"},
    };
    for (const auto& [text, width, height, rule] : cases) {
        const RlePattern p = ParseRle(text);
        EXPECT_EQ(std::tie(p.width, p.height, p.rule), std::tie(width, height, rule)) << text;
    }
}

TEST(RleReader, BodyCells) {
    const std::pair<const char*, std::vector<RleCell>> cases[] = {
        {"x = 3, y = 1\n3o!", {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}},
        {"x=2\no$2$o!", {{0, 0, 1}, {0, 3, 1}}},  // row runs skip rows
        {"x=3\n2.B!", {{2, 0, 2}}},
        {"x=5\n3b2A!", {{3, 0, 1}, {4, 0, 1}}},
        {"h\nZ$a$c$z!", {{0, 0, 26}, {0, 1, 1}, {0, 2, 3}, {0, 3, 26}}},
        {"x=0\r\n1\r\n2 b\t o\r\n!", {{12, 0, 1}}},  // white space is ignored; counts span lines
        {"x=0\n0b0o!", {{1, 0, 1}}},                 // a zero count means one
        {"x=0\no!%%%\nnot rle at all", {{0, 0, 1}}},  // text after the end is ignored
        {"x = 0, y = 0\n!", {}},
        // The last representable cell is still accepted, and a run of blanks costs nothing.
        {"x=0\n2147483647$2147483646bo!", {{2147483646, 2147483647, 1}}},
        {"x=0\n2147483646bob!", {{2147483646, 0, 1}}},
        {"x=0\n2147483647b1b2147483647$!", {}},
    };
    for (const auto& [text, cells] : cases) EXPECT_EQ(ParseRle(text).cells, cells) << text;
}

TEST(RleReader, Errors) {
    const std::string range = "RLE pattern extends beyond the supported coordinate range.";
    const std::string many = "RLE pattern has too many cells.";
    const std::pair<const char*, std::string> cases[] = {
        {"", "RLE header is missing."},
        {"\n  \n#C only comments\n", "RLE header is missing."},
        {"x=3\n3o", "RLE body is missing '!'."},
        {"x=3", "RLE body is missing '!'."},
        {"x = 3, y = 1 3o!", "RLE body is missing '!'."},  // the header is the whole first line
        {"x=3\no%!", "Unsupported token in RLE body."},
        {"x=3\no\xc3\xa9!", "Unsupported token in RLE body."},
        {"x=0\n2147483648b!", range},
        {"x=0\n99999999999999999999999999999999999999o!", range},
        {"x=0\n2147483647b2147483647b!", range},
        {"x=0\n2147483647$2147483647$!", range},
        {"x=0\n2147483647$$!", range},
        {"x=0\n2147483647bob!", range},
        {"x=0\n2147483647b2o!", range},
        {"x=0\n16777217o!", many},
        {"x=0\n16777216o$o!", many},
    };
    for (const auto& c : cases) EXPECT_EQ(testsupport::ErrorOf([&] { ParseRle(c.first); }), c.second) << c.first;
}

TEST(RleReader, ManyCellsUpToTheLimit) {
    const RlePattern p = ParseRle("x=0\n16777215o$B!");
    ASSERT_EQ(p.cells.size(), kMaxRleCells);
    EXPECT_EQ(std::tie(p.cells[16777214], p.cells.back()), std::tuple(RleCell{16777214, 0, 1}, RleCell{0, 1, 2}));
}

// Random cells in a width x height box at (x0, y0), as absolute cells sorted by (y, x).
std::vector<RleCell> RandomCells(std::mt19937& rng, std::int32_t x0, std::int32_t y0, std::int32_t width,
                                 std::int32_t height, int stateCount, int density) {
    std::vector<RleCell> cells;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            if (static_cast<int>(rng() % 100) < density)
                cells.push_back({x0 + x, y0 + y, static_cast<std::uint8_t>(1 + rng() % (stateCount - 1))});
    return cells;
}

std::string Write(const std::vector<RleCell>& cells, int stateCount) {
    core::ChunkGrid grid;
    for (const RleCell& c : cells) grid.SetCell(c.x, c.y, c.state);
    return WriteRle(grid, stateCount, stateCount == 2 ? "B3/S23" : "Test");
}

void ExpectShortLines(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) EXPECT_LE(line.size(), 70u) << line;
}

// Random blocks across chunk borders and negative coordinates read back at the same cells,
// with only the letters of their alphabet.
TEST(RleWriter, RoundTrip) {
    std::mt19937 rng(1);
    for (int stateCount : {2, 2, 2, 3, 5, 8, 16}) {
        for (int trial = 0; trial < 8; ++trial) {
            const auto x0 = static_cast<std::int32_t>(rng() % 300) - 150, y0 = static_cast<std::int32_t>(rng() % 300) - 150;
            const std::vector<RleCell> cells = RandomCells(rng, x0, y0, 1 + rng() % 150, 1 + rng() % 90, stateCount,
                                                           1 + static_cast<int>(rng() % 100));
            if (cells.empty()) continue;
            const std::string text = Write(cells, stateCount), body = text.substr(text.find("\n", text.find("rule")));
            EXPECT_EQ(body.find_first_not_of(stateCount == 2 ? "0123456789bo$!\n" : "0123456789.ABCDEFGHIJKLMNOP$!\n"),
                      std::string::npos)
                << body;
            ExpectShortLines(text);
            EXPECT_EQ(testsupport::AbsoluteRleCells(text), cells) << text;
        }
    }
}

TEST(RleWriter, BoxRowsAndRuns) {
    const std::tuple<std::vector<RleCell>, int, std::string> cases[] = {
        {{}, 4, "#CXRLE Pos=0,0\nx = 0, y = 0, rule = Test\n!\n"},
        {{{5, -3, 1}, {2, 0, 1}, {0, 1, 1}}, 2, "#CXRLE Pos=0,-3\nx = 6, y = 5, rule = B3/S23\n5bo3$2bo$o!\n"},
        {{{-64, 0, 2}, {-63, 0, 2}, {63, 0, 3}, {-1, 70, 1}}, 3,
         "#CXRLE Pos=-64,0\nx = 128, y = 71, rule = Test\n2B125.C70$63.A!\n"},
        // The widest pattern a reader can place from its corner.
        {{{INT32_MIN, 0, 1}, {-1, 1, 1}}, 2,
         "#CXRLE Pos=-2147483648,0\nx = 2147483648, y = 2, rule = B3/S23\no$2147483647bo!\n"},
        {{{0, INT32_MIN, 1}, {0, -1, 1}}, 2,
         "#CXRLE Pos=0,-2147483648\nx = 1, y = 2147483648, rule = B3/S23\no2147483647$o!\n"},
    };
    for (const auto& [cells, stateCount, text] : cases) {
        std::vector<RleCell> sorted = cells;
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
        EXPECT_EQ(std::tuple(Write(cells, stateCount), testsupport::AbsoluteRleCells(text)), std::tuple(text, sorted));
    }
}

TEST(RleWriter, PatternsWiderThanAReaderCanPlaceAreRefused) {
    for (const std::vector<RleCell>& cells : {std::vector<RleCell>{{INT32_MIN, 0, 1}, {0, 0, 1}},
                                              std::vector<RleCell>{{0, INT32_MIN, 1}, {0, INT32_MAX, 1}}})
        EXPECT_EQ(testsupport::ErrorOf([&] { Write(cells, 2); }),
                  "The pattern is too large to write as RLE: it spans more than 2147483648 columns or rows.");
}

TEST(RleWriter, LongRunsWrapAtSeventyCharacters) {
    std::vector<RleCell> cells;
    for (std::int32_t x = 0; x < 10000; x += 2) cells.push_back({x, 0, 1});
    for (std::int32_t x = 0; x < 10000; ++x) cells.push_back({x, 2, static_cast<std::uint8_t>(1 + x % 3)});
    for (int states : {2, 4}) {
        const std::string text = Write(cells, states);
        ExpectShortLines(text);
        std::vector<RleCell> expected = cells;
        if (states == 2)
            for (auto& c : expected) c.state = 1;
        EXPECT_EQ(testsupport::AbsoluteRleCells(text), expected);
    }
}

// Golly must read the text at the same absolute cells: the position line places the pattern,
// up to the widest one we write.
TEST(RleWriter, GollyReadsTheSameCells) {
    std::mt19937 rng(4);
    for (const auto& [stateCount, x0, y0] : {std::tuple{2, -37, 12}, {2, 5, -3}, {5, 100, -50}, {16, -7, -7}}) {
        testsupport::OracleRule rule{"B3/S23", "", stateCount};
        if (stateCount > 2) {
            rule.name = "WriterCheck" + std::to_string(stateCount);
            rule.ruleFileText = "@RULE " + rule.name + "\n@TABLE\nn_states:" + std::to_string(stateCount) +
                                "\nneighborhood:Moore\nsymmetries:none\n";
        }
        const std::vector<RleCell> cells = RandomCells(rng, x0, y0, 75, 20, stateCount, 35);
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(testsupport::RunBgolly(rule, cells, 0), cells) << stateCount;
    }
    for (const std::vector<RleCell>& extreme : {std::vector<RleCell>{{INT32_MIN, -5, 1}, {INT32_MIN + 1, -4, 1}, {-1, -3, 1}},
                                                std::vector<RleCell>{{INT32_MAX, 0, 1}, {INT32_MAX, INT32_MAX, 1}}})
        EXPECT_EQ(testsupport::RunBgolly({"B3/S23", "", 2}, extreme, 0), extreme);
}

}  // namespace
}  // namespace formats
