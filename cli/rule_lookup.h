#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/rule_table.h"
#include "formats/rule_lookup.h"

namespace cli {

using formats::RuleFolders;

// A rule as a pattern's header names it, ready to run.
struct HeaderRule {
    std::string name;
    // Applied in turn, generation by generation: one rule, or the pair (from even generations,
    // from odd ones) with which Golly runs a rulestring whose empty neighbourhood gives birth.
    std::vector<core::Rule> cycle;
};

// formats::LookUpRule over the files of `folders`, with Golly's emulation of births from an
// empty neighbourhood for a rulestring.
HeaderRule FindHeaderRule(const std::string& name, const std::vector<std::filesystem::path>& folders);

}  // namespace cli
