// The size prompt's number texts: what the boxes accept, and the density shown in them.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "app/number_text.h"

namespace app {
namespace {

TEST(NumberText, WholeNumbersParseCompletely) {
    EXPECT_EQ(ParseWholeNumber("64"), 64);
    EXPECT_EQ(ParseWholeNumber("  2048"), 2048);
    EXPECT_EQ(ParseWholeNumber("+16"), 16);
    EXPECT_EQ(ParseWholeNumber("-5"), -5);
    EXPECT_FALSE(ParseWholeNumber(""));
    EXPECT_FALSE(ParseWholeNumber("64 "));
    EXPECT_FALSE(ParseWholeNumber("64x"));
    EXPECT_FALSE(ParseWholeNumber("6.4"));
    EXPECT_FALSE(ParseWholeNumber("99999999999999999999999"));
}

TEST(NumberText, DensitiesMustBeFinite) {
    EXPECT_EQ(ParseFiniteNumber("0.5"), 0.5);
    EXPECT_EQ(ParseFiniteNumber(".25"), 0.25);
    EXPECT_EQ(ParseFiniteNumber("1e-1"), 0.1);
    EXPECT_EQ(ParseFiniteNumber(" 1"), 1.0);
    EXPECT_FALSE(ParseFiniteNumber(""));
    EXPECT_FALSE(ParseFiniteNumber("0.5 "));
    EXPECT_FALSE(ParseFiniteNumber("inf"));
    EXPECT_FALSE(ParseFiniteNumber("nan"));
    EXPECT_FALSE(ParseFiniteNumber("1e999"));
    EXPECT_FALSE(ParseFiniteNumber("0,5"));
}

TEST(NumberText, ShortFormKeepsFourSignificantDigits) {
    EXPECT_EQ(FormatShortNumber(0.6666666), "0.6667");
    EXPECT_EQ(FormatShortNumber(1.0), "1");
    EXPECT_EQ(FormatShortNumber(0.0), "0");
}

// A comma locale in the process must not change what the prompt reads or writes.
TEST(NumberText, IgnoresTheProcessLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE locale here";
    EXPECT_EQ(ParseFiniteNumber("0.5"), 0.5);
    EXPECT_EQ(FormatShortNumber(0.5), "0.5");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

}  // namespace
}  // namespace app
