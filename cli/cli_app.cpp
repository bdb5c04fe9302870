#include "cli/cli_app.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "authoring/editor.h"
#include "cli/census_command.h"
#include "cli/cli_options.h"
#include "cli/file_io.h"
#include "cli/rule_file.h"
#include "cli/rule_lookup.h"
#include "core/symmetry.h"
#include "core/version.h"
#include "core/life_grid.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/worker_pool.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_ruletable_writer.h"
#include "formats/rle.h"
#include "formats/rulestring.h"
#include "formats/session_file.h"

namespace cli {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  tavrix-cli run RULE [--pattern FILE.rle | --soup SIDE [--density D] [--seed S]]\n"
    "                      [--generations N] [--threads N] [--output FILE.rle]\n"
    "  tavrix-cli run --pattern FILE.rle [--rules DIR]... [--generations N] [--threads N]\n"
    "                      [--output FILE.rle]\n"
    "  tavrix-cli export RULE --format ruletable|rulestring\n"
    "  tavrix-cli export SESSION.tavses --format annotated|locks\n"
    "  tavrix-cli import RULE -o SESSION.tavses [--seed S]\n"
    "  tavrix-cli info SESSION.tavses|RULE\n"
    "  tavrix-cli census RULE [--soups N] [--size S] [--density D] [--seed A] [--threads K]\n"
    "                      [--max-generations G] [--out FILE.json]\n"
    "  tavrix-cli census merge A.json B.json... [--out ALL.json]\n"
    "  tavrix-cli --help | --version\n"
    "RULE is a Golly .rule or .table file, or a session: a .tavses file, or any file starting as one (its rule,\n"
    "and for run its source grid).\n"
    "Without RULE, run uses the rule the pattern's header names: a B/S or MAP rulestring, or NAME\n"
    "found as NAME.rule in each --rules DIR, then $XDG_DATA_HOME/Tavrix/Rules (else\n"
    "~/.local/share/Tavrix/Rules), then /usr/share/golly/Rules. census also takes RULE as such a name.\n";

formats::SessionSnapshot LoadSessionFile(const std::string& path) {
    try {
        return formats::ParseSession(ReadWholeFile(path, "Could not open the session file.",
                                                   "Failed while reading the session file."));
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(kSessionFailure + std::string(e.what()));
    }
}

// An editor holding the session, rebuilt as right after loading it.
authoring::Editor LoadSessionEditor(const std::string& path) {
    const formats::SessionSnapshot session = LoadSessionFile(path);
    authoring::Editor editor;
    try {
        editor.LoadSession(session);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(kSessionFailure + std::string(e.what()));
    }
    return editor;
}

// A .tavses file is a session whatever its first bytes hold, so a damaged one gets the session
// reader's message; other names are sessions when their first bytes say so.
bool IsSessionFile(const std::string& path) {
    if (std::filesystem::path(path).extension() == ".tavses") return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string head(kSessionMagic.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return in && head == kSessionMagic;
}

formats::RlePattern ReadPattern(const std::string& path) {
    return formats::ParseRle(ReadWholeFile(path, "Could not open the pattern file.", "Failed while reading the pattern file."));
}

core::ChunkGrid PatternGrid(const formats::RlePattern& pattern, int stateCount) {
    int highest = 0;
    for (const auto& cell : pattern.cells) highest = std::max<int>(highest, cell.state);
    if (highest >= stateCount)
        throw std::runtime_error("This RLE uses state " + std::to_string(highest) + ", but the current rule only has " +
                                 std::to_string(stateCount) + " states.");
    core::ChunkGrid grid;
    core::SetCells(grid, pattern.cells);
    return grid;
}

int Run(const std::vector<std::string>& args, std::ostream& out) {
    // Without RULE the pattern's header names it.
    const bool ruleGiven = args[1].rfind("-", 0) != 0;
    Options options(args, ruleGiven ? 2 : 1);
    const std::string* patternPath = options.Find("--pattern");
    std::optional<formats::RlePattern> pattern;
    LoadedRule loaded;
    std::vector<core::Rule> cycle;
    if (ruleGiven) {
        loaded = LoadRule(args[1]);
        cycle.push_back(std::move(loaded.rule));
    } else {
        const std::vector<std::string> folders = options.FindAll("--rules");
        if (!patternPath) throw std::runtime_error("Without RULE, run needs --pattern FILE.rle.");
        pattern = ReadPattern(*patternPath);
        HeaderRule found =
            FindHeaderRule(pattern->rule, RuleFolders(folders, std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
        loaded.name = found.name;
        cycle = std::move(found.cycle);
    }
    const core::Rule& rule = cycle.front();
    const std::string* soupSide = options.Find("--soup");
    const std::string* density = options.Find("--density");
    const std::string* seed = options.Find("--seed");
    const int generations = ParseNumber<int>(options.Find("--generations"), 100, 0, 1 << 30, "--generations");
    const std::string* outputPath = options.Find("--output");
    // Every core unless told otherwise.
    const int threads = ParseNumber<int>(options.Find("--threads"), 0, 1, 256, "--threads");
    options.RejectUnknown();
    if (patternPath && (soupSide || density || seed))
        throw std::runtime_error("--pattern cannot be combined with --soup, --density or --seed.");

    core::ChunkGrid grid;
    if (patternPath) {
        if (!pattern) pattern = ReadPattern(*patternPath);
        grid = PatternGrid(*pattern, rule.stateCount);
    } else if (loaded.sourceGrid && !soupSide && !density && !seed) {
        grid = *loaded.sourceGrid;
    } else {
        const int side = ParseNumber<int>(soupSide, 256, 16, 2048, "--soup");
        const double d = ParseNumber<double>(density, 1.0 - 1.0 / rule.stateCount, 0.0, 1.0, "--density");
        const auto s = ParseNumber<std::uint32_t>(seed, 1, 0, UINT32_MAX, "--seed");
        grid = core::MakeRandomSoup(side, d, rule.stateCount, s);
    }

    core::SetWorkerThreadCount(threads);
    core::StepScratch scratch;
    std::vector<std::uint64_t> keys;
    for (std::size_t i = 0; i < cycle.size(); ++i) keys.push_back(core::NewRuleKey());
    std::chrono::steady_clock::duration stepping{};
    std::vector<core::LifeLikeRule> lifeLike;
    for (const core::Rule& phaseRule : cycle)
        if (const auto counts = core::AsLifeLike(phaseRule)) lifeLike.push_back(*counts);
    if (lifeLike.size() == cycle.size()) {
        // Counting rules run packed, a bit per cell, and come back to cells once.
        const auto start = std::chrono::steady_clock::now();
        core::LifeGrid packed(grid);
        for (int g = 0; g < generations; ++g) packed.Step(lifeLike[static_cast<std::size_t>(g) % lifeLike.size()]);
        grid = packed.ToChunkGrid();
        stepping = std::chrono::steady_clock::now() - start;
    } else {
        for (int g = 0; g < generations; ++g) {
            core::ChunkGrid next;
            const auto start = std::chrono::steady_clock::now();
            const auto phase = static_cast<std::size_t>(g) % cycle.size();
            core::StepGrid(cycle[phase], grid, next, scratch, keys[phase]);
            stepping += std::chrono::steady_clock::now() - start;
            grid = std::move(next);
        }
    }
    if (outputPath) WriteFileAtomically(*outputPath, formats::WriteRle(grid, rule.stateCount, loaded.name));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", std::chrono::duration<double>(stepping).count());
    out << "generations=" << generations << " population=" << grid.Population() << " seconds=" << seconds
        << " threads=" << core::WorkerThreadCount() << "\n";
    return 0;
}

int Export(const std::vector<std::string>& args, std::ostream& out) {
    Options options(args, 2);
    const std::string* format = options.Find("--format");
    options.RejectUnknown();
    if (!format) throw std::runtime_error("Missing --format ruletable|rulestring|annotated|locks.");
    if (*format == "annotated" || *format == "locks") {
        authoring::Editor editor = LoadSessionEditor(args[1]);
        out << editor.BuildTabbedExport(*format == "annotated");
        return 0;
    }
    if (*format != "ruletable" && *format != "rulestring")
        throw std::runtime_error("Unknown export format: " + *format);
    const core::Rule rule = LoadRule(args[1]).rule;
    if (*format == "ruletable") {
        out << formats::BuildPlainGollyRuletable(rule);
        return 0;
    }
    out << formats::BuildRulestring(rule) << "\n";
    return 0;
}

// The state count and the group the rule honours, which for an imported rule is the largest
// the Golly neighbourhood and symmetry guarantee.
void WriteRuleSummary(const core::Rule& rule, std::ostream& out) {
    out << "states=" << rule.stateCount << "\n";
    out << "symmetry=" << core::SymmetryDisplayName(rule.symmetry) << "\n";
}

int Import(const std::vector<std::string>& args, std::ostream& out) {
    Options options(args, 2);
    const std::string* output = options.Find("-o");
    const auto seed = ParseNumber<std::uint32_t>(options.Find("--seed"), 1, 0, UINT32_MAX, "--seed");
    options.RejectUnknown();
    if (!output) throw std::runtime_error("Missing -o SESSION.tavses.");
    const std::string text =
        ReadWholeFile(args[1], "Could not open the Golly rule file.", "Failed while reading the Golly rule file.");
    authoring::Editor editor(authoring::ViewSize{}, seed);
    editor.AdoptImportedRule(formats::ParseGollyRuletableText(text));
    const std::vector<std::uint8_t> bytes = formats::SerializeSession(editor.ToSession());
    WriteFileAtomically(*output, std::string(bytes.begin(), bytes.end()));
    WriteRuleSummary(editor.Doc().rule, out);
    return 0;
}

int Info(const std::vector<std::string>& args, std::ostream& out) {
    Options options(args, 2);
    options.RejectUnknown();
    if (!IsSessionFile(args[1])) {
        WriteRuleSummary(LoadRule(args[1]).rule, out);
        return 0;
    }
    authoring::Editor editor = LoadSessionEditor(args[1]);
    editor.UpdateUndefinedList();
    WriteRuleSummary(editor.Doc().rule, out);
    out << "tabs=" << editor.Doc().tabs.size() << "\n";
    for (std::size_t i = 0; i < editor.Doc().tabs.size(); ++i) {
        const authoring::PatternSequence& tab = editor.Doc().tabs[i];
        // Tabs other than the viewed one keep no generations; they are computed to their target.
        const std::size_t generations =
            tab.generations.empty() ? static_cast<std::size_t>(tab.generationTarget) : tab.generations.size();
        out << "tab=" << i << " kind=" << (tab.IsPattern() ? "pattern" : "constraint") << " name=\"" << tab.name
            << "\" generations=" << generations << " own_locks=" << tab.ownLockedTransitions.size()
            << " broken=" << tab.brokenMarkers.size();
        if (!tab.IsPattern()) {
            std::size_t touching = 0;
            for (const authoring::ConstraintEntryExpansion& expansion : tab.expansions) touching += expansion.touchesLocked;
            out << " entries=" << tab.entries.size() << " touches_locked=" << touching;
        }
        out << "\n";
    }
    out << "locked=" << editor.Undefined().lockUnion.CountLocked() << "\n";
    out << "undefined=" << editor.Undefined().count << "\n";
    return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "tavrix-cli " << core::kVersion << "\n";
        return 0;
    }
    try {
        if (args.size() >= 2 && args[0] == "run") return Run(args, out);
        if (args.size() >= 2 && args[0] == "export") return Export(args, out);
        if (args.size() >= 2 && args[0] == "import") return Import(args, out);
        if (args.size() >= 2 && args[0] == "info") return Info(args, out);
        if (args.size() >= 2 && args[0] == "census") return Census(args, out, err);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
    err << kUsage;
    return 1;
}

}  // namespace cli
