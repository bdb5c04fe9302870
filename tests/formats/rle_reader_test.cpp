#include "formats/rle.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/error_text.h"

namespace formats {
namespace {

TEST(RleReader, HeaderFields) {
    struct Case {
        const char* text;
        std::int32_t width, height;
        const char* rule;
    };
    const Case cases[] = {
        {"x = 3, y = 1, rule = B3/S23\n3o!", 3, 1, "B3/S23"},
        {"#C comment\n  #N name\nx = 1, y = 1\n#C another\no!\n", 1, 1, ""},
        {"hello\no!", 0, 0, ""},  // any first line is the header
        // Values must be whole integers; unknown keys are skipped.
        {"x = 3a, y = -4, rule=, z = 9, X = 7\n!", 0, -4, ""},
        {"x = 99999999999, y=2\n!", 0, 2, ""},
        {" x\t=\t12 ,y=3,rule = B36/S23 \r\n!", 12, 3, "B36/S23"},
        {"rule = B3/S23:T10,10\n!", 0, 0, "B3/S23:T10"},
    };
    for (const Case& c : cases) {
        const RlePattern p = ParseRle(c.text);
        EXPECT_EQ(p.width, c.width) << c.text;
        EXPECT_EQ(p.height, c.height) << c.text;
        EXPECT_EQ(p.rule, c.rule) << c.text;
    }
}

TEST(RleReader, BodyCells) {
    struct Case {
        const char* text;
        std::vector<RleCell> cells;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) EXPECT_EQ(ParseRle(c.text).cells, c.cells) << c.text;
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
    for (const auto& [text, message] : cases) EXPECT_EQ(testsupport::ErrorOf([&] { ParseRle(text); }), message) << text;
}

TEST(RleReader, ManyCellsUpToTheLimit) {
    const RlePattern p = ParseRle("x=0\n16777215o$B!");
    ASSERT_EQ(p.cells.size(), kMaxRleCells);
    EXPECT_EQ(p.cells[16777214], (RleCell{16777214, 0, 1}));
    EXPECT_EQ(p.cells.back(), (RleCell{0, 1, 2}));
}

}  // namespace
}  // namespace formats
