#include "formats/rle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace formats {
namespace {

std::string ErrorOf(std::string_view text) {
    try {
        ParseRle(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

std::vector<RleCell> Cells(std::initializer_list<RleCell> cells) { return cells; }

TEST(RleReader, HeaderFieldsAndOneRow) {
    const RlePattern p = ParseRle("x = 3, y = 1, rule = B3/S23\n3o!");
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 1);
    EXPECT_EQ(p.rule, "B3/S23");
    EXPECT_EQ(p.cells, Cells({{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}));
}

TEST(RleReader, CommentLinesBeforeAndAfterTheHeaderAreSkipped) {
    const RlePattern p = ParseRle("#C comment\n  #N name\nx = 1, y = 1\n#C another\no!\n");
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.cells, Cells({{0, 0, 1}}));
}

TEST(RleReader, RowRunsSkipRows) {
    const RlePattern p = ParseRle("x=2\no$2$o!");
    EXPECT_EQ(p.width, 2);
    EXPECT_EQ(p.height, 0);
    EXPECT_EQ(p.cells, Cells({{0, 0, 1}, {0, 3, 1}}));
}

TEST(RleReader, MultiStateLetters) {
    EXPECT_EQ(ParseRle("x=3\n2.B!").cells, Cells({{2, 0, 2}}));
    EXPECT_EQ(ParseRle("x=5\n3b2A!").cells, Cells({{3, 0, 1}, {4, 0, 1}}));
    EXPECT_EQ(ParseRle("h\nZ$a$c$z!").cells,
              Cells({{0, 0, 26}, {0, 1, 1}, {0, 2, 3}, {0, 3, 26}}));
}

TEST(RleReader, AnyFirstLineIsTheHeader) {
    const RlePattern p = ParseRle("hello\no!");
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, 0);
    EXPECT_EQ(p.rule, "");
    EXPECT_EQ(p.cells.size(), 1u);
}

TEST(RleReader, HeaderValuesMustBeWholeIntegers) {
    const RlePattern p = ParseRle("x = 3a, y = -4, rule=, z = 9, X = 7\n!");
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, -4);
    EXPECT_EQ(p.rule, "");
    EXPECT_EQ(ParseRle("x = 99999999999, y=2\n!").width, 0);
    EXPECT_EQ(ParseRle(" x\t=\t12 ,y=3,rule = B36/S23 \r\n!").width, 12);
    EXPECT_EQ(ParseRle("rule = B3/S23:T10,10\n!").rule, "B3/S23:T10");
}

TEST(RleReader, WhiteSpaceInsideTheBodyIsIgnoredAndCountsSpanLines) {
    const RlePattern p = ParseRle("x=0\r\n1\r\n2 b\t o\r\n!");
    EXPECT_EQ(p.cells, Cells({{12, 0, 1}}));
}

TEST(RleReader, ZeroCountMeansOne) { EXPECT_EQ(ParseRle("x=0\n0b0o!").cells, Cells({{1, 0, 1}})); }

TEST(RleReader, TextAfterTheEndIsIgnored) {
    EXPECT_EQ(ParseRle("x=0\no!%%%\nnot rle at all").cells.size(), 1u);
}

TEST(RleReader, EmptyPattern) {
    const RlePattern p = ParseRle("x = 0, y = 0\n!");
    EXPECT_TRUE(p.cells.empty());
}

TEST(RleReader, Errors) {
    EXPECT_EQ(ErrorOf(""), "RLE header is missing.");
    EXPECT_EQ(ErrorOf("\n  \n#C only comments\n"), "RLE header is missing.");
    EXPECT_EQ(ErrorOf("x=3\n3o"), "RLE body is missing '!'.");
    EXPECT_EQ(ErrorOf("x=3"), "RLE body is missing '!'.");
    EXPECT_EQ(ErrorOf("x=3\no%!"), "Unsupported token in RLE body.");
    EXPECT_EQ(ErrorOf("x=3\no\xc3\xa9!"), "Unsupported token in RLE body.");
    // The header is the first line even when it holds a whole pattern.
    EXPECT_EQ(ErrorOf("x = 3, y = 1 3o!"), "RLE body is missing '!'.");
}

TEST(RleReader, HostileRunCountsAreBounded) {
    const std::string range = "RLE pattern extends beyond the supported coordinate range.";
    EXPECT_EQ(ErrorOf("x=0\n2147483648b!"), range);
    EXPECT_EQ(ErrorOf("x=0\n99999999999999999999999999999999999999o!"), range);
    EXPECT_EQ(ErrorOf("x=0\n2147483647b2147483647b!"), range);
    EXPECT_EQ(ErrorOf("x=0\n2147483647$2147483647$!"), range);
    EXPECT_EQ(ErrorOf("x=0\n2147483647$$!"), range);
    EXPECT_EQ(ErrorOf("x=0\n2147483647bob!"), range);
    EXPECT_EQ(ErrorOf("x=0\n2147483647b2o!"), range);
    EXPECT_EQ(ErrorOf("x=0\n16777217o!"), "RLE pattern has too many cells.");
    EXPECT_EQ(ErrorOf("x=0\n16777216o$o!"), "RLE pattern has too many cells.");

    // The last representable cell is still accepted, and a run of blanks costs nothing.
    EXPECT_EQ(ParseRle("x=0\n2147483647$2147483646bo!").cells, Cells({{2147483646, 2147483647, 1}}));
    EXPECT_EQ(ParseRle("x=0\n2147483646bob!").cells, Cells({{2147483646, 0, 1}}));
    EXPECT_TRUE(ParseRle("x=0\n2147483647b1b2147483647$!").cells.empty());
}

TEST(RleReader, ManyCellsUpToTheLimit) {
    const RlePattern p = ParseRle("x=0\n16777215o$B!");
    ASSERT_EQ(p.cells.size(), kMaxRleCells);
    EXPECT_EQ(p.cells[16777214], (RleCell{16777214, 0, 1}));
    EXPECT_EQ(p.cells.back(), (RleCell{0, 1, 2}));
}

TEST(RleReader, LargeSoupParsesQuickly) {
    constexpr int kSide = 2048;
    std::mt19937 rng(7);
    std::string text = "x = 2048, y = 2048, rule = Soup\n";
    std::vector<RleCell> expected;
    int lineLength = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int s = static_cast<int>(rng() % 5);
            text += s == 0 ? '.' : static_cast<char>('A' + s - 1);
            if (s != 0) expected.push_back({x, y, static_cast<std::uint8_t>(s)});
            if (++lineLength == 70) {
                text += '\n';
                lineLength = 0;
            }
        }
        text += '$';
    }
    text += '!';
    const auto start = std::chrono::steady_clock::now();
    const RlePattern p = ParseRle(text);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(p.cells, expected);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(seconds, 5.0);
#else
    EXPECT_LT(seconds, 1.0);
#endif
}

}  // namespace
}  // namespace formats
