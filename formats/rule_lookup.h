#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/golly_ruletable.h"

namespace formats {

// The folders a rule name is looked up in: `given` in order, then the user's Tavrix rules
// ($XDG_DATA_HOME/Tavrix/Rules, else ~/.local/share/Tavrix/Rules; the variables' values, which
// may be null), then Golly's installed ones.
std::vector<std::filesystem::path> RuleFolders(const std::vector<std::string>& given, const char* dataHome,
                                               const char* home);

// The text of the file at a path, or nothing when no file is there; throws when one is there
// but cannot be read. Callers choose how files are reached.
using RuleFileReader = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The rule a pattern's header names: `name` is a rulestring (B/S, S/B or MAP), else NAME.rule in
// the first of `folders` that holds one; an empty name means Golly's default, B3/S23. Throws
// std::runtime_error for a bounded grid (":T50" and the like, which `program` does not support),
// for a rule that cannot be found (naming every folder looked in) and with the rule reader's
// messages.
ImportedGollyRule LookUpRule(const std::string& name, const std::vector<std::filesystem::path>& folders,
                             const RuleFileReader& read, const std::string& program);

}  // namespace formats
