#pragma once

#include <string_view>

namespace core {

// The program's version: what `--version` prints and what the update check compares.
inline constexpr std::string_view kVersion = "0.2.0-alpha";

}  // namespace core
