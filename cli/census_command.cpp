#include "cli/census_command.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "authoring/census.h"
#include "cli/cli_options.h"
#include "cli/file_io.h"
#include "cli/rule_file.h"
#include "cli/rule_lookup.h"
#include "core/worker_pool.h"

namespace cli {

namespace {

struct CensusRule {
    core::Rule rule;
    std::string name;
};

// A rule file as `run` takes one, else a rulestring or a rule name looked up as a pattern's header.
CensusRule FindCensusRule(const std::string& given) {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(given, ignored)) {
        LoadedRule loaded = LoadRule(given);
        return {std::move(loaded.rule), loaded.name};
    }
    HeaderRule found = FindHeaderRule(given, RuleFolders({}, std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
    // Golly runs a B0 rulestring as two alternating rules; soups of those have no settled objects.
    if (found.cycle.size() != 1)
        throw std::runtime_error("The census needs a rule that keeps empty neighbourhoods empty (no B0).");
    return {std::move(found.cycle.front()), found.name};
}

// The JSON to the file, and the summary after it; or the JSON alone on standard output, keeping it
// valid, and the summary on standard error.
void Emit(const authoring::CensusResult& result, const std::string* path, const std::string& summary,
          std::ostream& out, std::ostream& err) {
    const std::string json = authoring::CensusToJson(result);
    if (path) {
        WriteFileAtomically(*path, json);
        out << summary << "\n";
    } else {
        out << json;
        err << summary << "\n";
    }
}

int Merge(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::size_t first = 2;
    while (first < args.size() && args[first].rfind("-", 0) != 0) ++first;
    Options options(args, first);
    const std::string* outPath = options.Find("--out");
    options.RejectUnknown();
    if (first == 2) throw std::runtime_error("Missing the census files to merge.");
    std::vector<authoring::CensusResult> parts;
    for (std::size_t i = 2; i < first; ++i) {
        const std::string text =
            ReadWholeFile(args[i], "Could not open the census file.", "Failed while reading the census file.");
        try {
            parts.push_back(authoring::CensusFromJson(text));
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(args[i] + ": " + e.what());
        }
    }
    const authoring::CensusResult merged = authoring::MergeCensus(parts);
    Emit(merged, outPath,
         "soups=" + std::to_string(merged.options.soups) + " objects=" + std::to_string(merged.objects.size()), out,
         err);
    return 0;
}

}  // namespace

int Census(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args[1] == "merge") return Merge(args, out, err);
    Options options(args, 2);
    authoring::CensusOptions census;
    census.soups = ParseNumber<int>(options.Find("--soups"), census.soups, 1, INT_MAX, "--soups");
    census.size = ParseNumber<int>(options.Find("--size"), census.size, 1, 4096, "--size");
    census.density = ParseNumber<double>(options.Find("--density"), census.density, 0.0, 1.0, "--density");
    census.seed = ParseNumber<std::uint32_t>(options.Find("--seed"), census.seed, 0, UINT32_MAX, "--seed");
    census.threads = ParseNumber<int>(options.Find("--threads"), census.threads, 1, 256, "--threads");
    census.maxGenerations =
        ParseNumber<int>(options.Find("--max-generations"), census.maxGenerations, 1, 1000000, "--max-generations");
    const std::string* outPath = options.Find("--out");
    options.RejectUnknown();
    const CensusRule rule = FindCensusRule(args[1]);
    core::SetWorkerThreadCount(census.threads);
    const auto start = std::chrono::steady_clock::now();
    const authoring::CensusResult result = authoring::RunCensus(rule.rule, rule.name, census);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    Emit(result, outPath,
         "soups=" + std::to_string(result.options.soups) + " objects=" + std::to_string(result.objects.size()) +
             " seconds=" + seconds,
         out, err);
    return 0;
}

}  // namespace cli
