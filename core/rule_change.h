#pragma once

#include <cstdint>

namespace core {

// One rule table entry: the output `state` of neighbourhood `index`. An edit's changes, an undo
// record's old outputs and a session's stored entries are lists of these.
struct RuleChange {
    std::uint64_t index = 0;
    std::uint8_t state = 0;
    friend bool operator==(const RuleChange&, const RuleChange&) = default;
};

}  // namespace core
