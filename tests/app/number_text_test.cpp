// The size prompt's number texts: what the boxes accept, and the density shown in them.

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>

#include "app/number_text.h"

namespace app {
namespace {

// Leading blanks may come before a number, nothing after it; densities must be finite.
TEST(NumberText, NumbersParseCompletely) {
    for (const auto& [text, value] : {std::pair{"64", 64}, {"  2048", 2048}, {"+16", 16}, {"-5", -5}})
        EXPECT_EQ(ParseWholeNumber(text), value) << text;
    for (const char* bad : {"", "64 ", "64x", "6.4", "99999999999999999999999"}) EXPECT_FALSE(ParseWholeNumber(bad)) << bad;
    for (const auto& [text, value] : {std::pair{"0.5", 0.5}, {".25", 0.25}, {"1e-1", 0.1}, {" 1", 1.0}})
        EXPECT_EQ(ParseFiniteNumber(text), value) << text;
    for (const char* bad : {"", "0.5 ", "inf", "nan", "1e999", "0,5"}) EXPECT_FALSE(ParseFiniteNumber(bad)) << bad;
}

TEST(NumberText, ShortFormKeepsFourSignificantDigits) {
    for (const auto& [value, text] : {std::pair{0.6666666, "0.6667"}, {1.0, "1"}, {0.0, "0"}})
        EXPECT_EQ(FormatShortNumber(value), text) << value;
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
