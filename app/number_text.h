#pragma once

#include <optional>
#include <string>

namespace app {

// The size prompt's number texts, read and written the same way whatever the user's locale
// (Qt switches the C library to it, which would turn "0.5" into "0,5").

// A whole base-10 number, optionally after blanks and a sign, and nothing after it.
std::optional<long> ParseWholeNumber(const std::string& text);
// A finite floating-point number in the C library's syntax, and nothing after it.
std::optional<double> ParseFiniteNumber(const std::string& text);
// "%.4g" with a point as the decimal separator.
std::string FormatShortNumber(double value);

}  // namespace app
