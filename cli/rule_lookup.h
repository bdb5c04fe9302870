#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/rule_table.h"

namespace cli {

// A rule as a pattern's header names it, ready to run.
struct HeaderRule {
    std::string name;
    // Applied in turn, generation by generation: one rule, or the pair (from even generations,
    // from odd ones) with which Golly runs a rulestring whose empty neighbourhood gives birth.
    std::vector<core::Rule> cycle;
};

// The folders a rule name is looked up in: `given` in order, then the user's Tavrix rules
// ($XDG_DATA_HOME/Tavrix/Rules, else ~/.local/share/Tavrix/Rules; the variables' values, which
// may be null), then Golly's installed ones.
std::vector<std::filesystem::path> RuleFolders(const std::vector<std::string>& given, const char* dataHome,
                                               const char* home);

// `name` is a rulestring (B/S, S/B or MAP), else NAME.rule in the first of `folders` that
// holds one; an empty name means Golly's default, B3/S23. Throws std::runtime_error for a
// bounded grid (":T50" and the like), for a rule that cannot be found (naming every folder
// looked in) and with the rule reader's messages.
HeaderRule FindHeaderRule(const std::string& name, const std::vector<std::filesystem::path>& folders);

}  // namespace cli
