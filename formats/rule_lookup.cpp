#include "formats/rule_lookup.h"

#include <stdexcept>

#include "formats/rulestring_reader.h"

namespace formats {

namespace fs = std::filesystem;

std::vector<fs::path> RuleFolders(const std::vector<std::string>& given, const char* dataHome, const char* home) {
    std::vector<fs::path> folders(given.begin(), given.end());
    if (dataHome != nullptr && *dataHome != '\0') folders.push_back(fs::path(dataHome) / "Tavrix" / "Rules");
    else if (home != nullptr && *home != '\0') folders.push_back(fs::path(home) / ".local" / "share" / "Tavrix" / "Rules");
    folders.emplace_back("/usr/share/golly/Rules");
    return folders;
}

ImportedGollyRule LookUpRule(const std::string& name, const std::vector<fs::path>& folders, const RuleFileReader& read,
                             const std::string& program) {
    const std::string rule = name.empty() ? "B3/S23" : name;
    if (const auto colon = rule.find(':'); colon != std::string::npos)
        throw std::runtime_error("The rule " + rule + " asks for a bounded grid (" + rule.substr(colon) + "), which " +
                                 program + " does not support.");
    if (auto parsed = ParseRulestring(rule)) return {2, parsed->symmetry, std::move(parsed->table), {}};
    std::string looked;
    for (const fs::path& folder : folders) {
        if (const std::optional<std::string> text = read(folder / (rule + ".rule")))
            return ParseGollyRuletableText(*text);
        looked += "\n  " + folder.string();
    }
    throw std::runtime_error("Could not find the rule " + rule + ": no " + rule + ".rule in" + looked);
}

}  // namespace formats
