#include "cli/rule_lookup.h"

#include <system_error>

#include "cli/file_io.h"
#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_ruletree.h"
#include "formats/rulestring_reader.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

core::Rule WithTable(core::RuleTable table) {
    core::Rule rule{2, 0, std::move(table)};
    rule.symmetry = formats::LargestInvariantSymmetry(rule.table, 2);
    return rule;
}

// Golly's emulation of births from an empty neighbourhood, so that the background stays empty
// here as there: with survival of a full one, the complement rule each generation; without,
// the inverted rule from even generations and the rule on inverted cells from odd ones.
std::vector<core::Rule> GollyCycle(core::Rule rule) {
    if (rule.table[0] == 0) return {std::move(rule)};
    core::RuleTable inverted(512), onInverted(512), complement(512);
    for (std::size_t i = 0; i < 512; ++i) {
        inverted[i] = static_cast<std::uint8_t>(1 - rule.table[i]);
        onInverted[i] = rule.table[511 - i];
        complement[i] = static_cast<std::uint8_t>(1 - rule.table[511 - i]);
    }
    if (rule.table[511] != 0) return {WithTable(std::move(complement))};
    std::vector<core::Rule> cycle;
    cycle.push_back(WithTable(std::move(inverted)));
    cycle.push_back(WithTable(std::move(onInverted)));
    return cycle;
}

}  // namespace

HeaderRule FindHeaderRule(const std::string& name, const std::vector<fs::path>& folders) {
    const std::string rule = name.empty() ? "B3/S23" : name;
    if (rule.find(':') == std::string::npos)
        if (auto parsed = formats::ParseRulestring(rule)) return {rule, GollyCycle(std::move(*parsed))};
    const auto readFile = [](const fs::path& file) -> std::optional<std::string> {
        std::error_code ignored;
        if (!fs::is_regular_file(file, ignored)) return std::nullopt;
        return ReadWholeFile(file.string(), "Could not open the Golly rule file.",
                             "Failed while reading the Golly rule file.");
    };
    formats::ImportedGollyRule imported = formats::LookUpRule(rule, folders, readFile, "tavrix-cli");
    std::vector<core::Rule> cycle;
    cycle.push_back({imported.stateCount, imported.symmetry, std::move(imported.table)});
    return {rule, std::move(cycle)};
}

}  // namespace cli
