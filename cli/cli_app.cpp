#include "cli/cli_app.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "cli/file_io.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_ruletable_writer.h"
#include "formats/rle.h"
#include "formats/rulestring.h"

namespace cli {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  tavrix-cli run RULE [--pattern FILE.rle | --soup SIDE [--density D] [--seed S]]\n"
    "                      [--generations N] [--output FILE.rle]\n"
    "  tavrix-cli export RULE --format ruletable|rulestring\n"
    "RULE is a Golly .rule or .table file.\n";

struct LoadedRule {
    core::Rule rule;
    std::string name;  // written into RLE headers
};

LoadedRule LoadRule(const std::string& path) {
    const std::string text =
        ReadWholeFile(path, "Could not open the Golly rule file.", "Failed while reading the Golly rule file.");
    formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(text);
    return {{imported.stateCount, imported.symmetry, std::move(imported.table)},
            std::filesystem::path(path).stem().string()};
}

// Options after the command's positional argument, as name/value pairs.
class Options {
public:
    Options(const std::vector<std::string>& args, std::size_t first) {
        for (std::size_t i = first; i < args.size(); i += 2) {
            if (args[i].rfind("--", 0) != 0) throw std::runtime_error("Unexpected argument: " + args[i]);
            if (i + 1 >= args.size()) throw std::runtime_error("Missing value for " + args[i] + ".");
            values_.emplace_back(args[i], args[i + 1]);
        }
    }

    const std::string* Find(const std::string& name) {
        for (auto& [key, value] : values_)
            if (key == name) {
                key.clear();
                return &value;
            }
        return nullptr;
    }

    // Everything given must have been asked for.
    void RejectUnknown() const {
        for (const auto& [key, value] : values_)
            if (!key.empty()) throw std::runtime_error("Unknown or repeated option: " + key);
    }

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

template <class T>
T ParseNumber(const std::string* text, T fallback, T min, T max, const char* what) {
    if (!text) return fallback;
    T value{};
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end || text->empty() || value < min || value > max)
        throw std::runtime_error(std::string("Invalid value for ") + what + ": " + *text);
    return value;
}

core::ChunkGrid LoadPattern(const std::string& path, int stateCount) {
    const formats::RlePattern pattern =
        formats::ParseRle(ReadWholeFile(path, "Could not open the pattern file.", "Failed while reading the pattern file."));
    int highest = 0;
    for (const auto& cell : pattern.cells) highest = std::max<int>(highest, cell.state);
    if (highest >= stateCount)
        throw std::runtime_error("This RLE uses state " + std::to_string(highest) + ", but the current rule only has " +
                                 std::to_string(stateCount) + " states.");
    core::ChunkGrid grid;
    for (const auto& cell : pattern.cells) grid.SetCell(cell.x, cell.y, cell.state);
    return grid;
}

std::uint64_t Population(const core::ChunkGrid& grid) {
    std::uint64_t live = 0;
    grid.ForEachChunk([&](std::int32_t, std::int32_t, const core::Chunk64& chunk) { live += chunk.liveCount; });
    return live;
}

std::string GridToRle(const core::ChunkGrid& grid, int stateCount, const std::string& ruleName) {
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!core::TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1))
        return formats::WriteRle(nullptr, 0, 0, 0, 0, stateCount, ruleName);
    const std::int64_t width = std::int64_t{x1} - x0 + 1, height = std::int64_t{y1} - y0 + 1;
    if (width * height > (std::int64_t{1} << 32))
        throw std::runtime_error("The final pattern is too large to write as RLE.");
    std::vector<std::uint8_t> cells;
    core::CopyGridRegionToBuffer(grid, x0, y0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                                 cells);
    return formats::WriteRle(cells.data(), static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), x0, y0,
                             stateCount, ruleName);
}

int Run(const std::vector<std::string>& args, std::ostream& out) {
    const LoadedRule loaded = LoadRule(args[1]);
    const core::Rule& rule = loaded.rule;
    Options options(args, 2);
    const std::string* patternPath = options.Find("--pattern");
    const std::string* soupSide = options.Find("--soup");
    const std::string* density = options.Find("--density");
    const std::string* seed = options.Find("--seed");
    const int generations = ParseNumber<int>(options.Find("--generations"), 100, 0, 1 << 30, "--generations");
    const std::string* outputPath = options.Find("--output");
    options.RejectUnknown();
    if (patternPath && (soupSide || density || seed))
        throw std::runtime_error("--pattern cannot be combined with --soup, --density or --seed.");

    core::ChunkGrid grid;
    if (patternPath) {
        grid = LoadPattern(*patternPath, rule.stateCount);
    } else {
        const int side = ParseNumber<int>(soupSide, 256, 16, 2048, "--soup");
        const double d = ParseNumber<double>(density, 1.0 - 1.0 / rule.stateCount, 0.0, 1.0, "--density");
        const auto s = ParseNumber<std::uint32_t>(seed, 1, 0, UINT32_MAX, "--seed");
        grid = core::MakeRandomSoup(side, d, rule.stateCount, s);
    }

    core::StepScratch scratch;
    std::chrono::steady_clock::duration stepping{};
    for (int g = 0; g < generations; ++g) {
        core::ChunkGrid next;
        const auto start = std::chrono::steady_clock::now();
        core::StepGrid(rule, grid, next, scratch);
        stepping += std::chrono::steady_clock::now() - start;
        grid = std::move(next);
    }
    if (outputPath) WriteFileAtomically(*outputPath, GridToRle(grid, rule.stateCount, loaded.name));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", std::chrono::duration<double>(stepping).count());
    out << "generations=" << generations << " population=" << Population(grid) << " seconds=" << seconds << "\n";
    return 0;
}

int Export(const std::vector<std::string>& args, std::ostream& out) {
    Options options(args, 2);
    const std::string* format = options.Find("--format");
    options.RejectUnknown();
    if (!format) throw std::runtime_error("Missing --format ruletable|rulestring.");
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

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    try {
        if (args.size() >= 2 && args[0] == "run") return Run(args, out);
        if (args.size() >= 2 && args[0] == "export") return Export(args, out);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
    err << kUsage;
    return 1;
}

}  // namespace cli
