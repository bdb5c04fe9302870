#pragma once

#include <optional>
#include <string_view>

#include "core/rule_table.h"

namespace formats {

// Reads a two-state rulestring the way Golly names one in a pattern's header: B/S or S/B with
// digits and Hensel letters ("B2-a/S12", "S245/B368", "b3_s23"), digits alone meaning S/B
// ("23/3"), or "MAP" with 86 base64 characters and an optional "==". B/S rules get D8; a MAP
// rule the largest group its table honours. Nothing when `text` is not such a rulestring.
std::optional<core::Rule> ParseRulestring(std::string_view text);

}  // namespace formats
