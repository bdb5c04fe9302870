// Golly's own collections, run here and in bgolly: every @TABLE rule it ships (on a soup and
// on its sample patterns), and every Life pattern, written back through tavrix-cli run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <random>
#include <cstdio>
#include <sstream>
#include <unistd.h>

#include "cli/cli_app.h"
#include "cli/file_io.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/sanitizer.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using Cells = std::vector<formats::RleCell>;

const fs::path kGolly = "/usr/share/golly";
// Sanitized builds step several times slower: larger patterns are left to the plain build.
constexpr std::size_t kSanitizedCells = 5000;

std::string Read(const fs::path& path) { return ReadWholeFile(path.string(), "cannot open", "cannot read"); }

// The rule an RLE names in its header line, empty when it names none.
std::string HeaderRule(const std::string& rle) {
    for (std::size_t at = 0; at < rle.size();) {
        std::size_t end = rle.find('\n', at);
        if (end == std::string::npos) end = rle.size();
        const std::string line = rle.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        const auto key = line.find("rule");
        if (key == std::string::npos) return "";
        std::size_t from = line.find('=', key) + 1;
        while (from < line.size() && line[from] == ' ') ++from;
        return line.substr(from, line.find_first_of(" ,\r", from) - from);
    }
    return "";
}

// Patterns of the collection, sorted; gzipped ones unpacked into `scratch`.
std::vector<fs::path> Patterns(const fs::path& folder, const fs::path& scratch) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".rle")) found.push_back(entry.path());
        if (!name.ends_with(".rle.gz")) continue;
        const fs::path plain = scratch / name.substr(0, name.size() - 3);
        const std::string raw = Read(entry.path());
        const bool zipped = raw.size() > 1 && raw[0] == '\x1f' && raw[1] == '\x8b';
        const std::string command = zipped ? "gzip -dc '" + entry.path().string() + "' > '" + plain.string() + "'"
                                           : "cp '" + entry.path().string() + "' '" + plain.string() + "'";
        if (std::system(command.c_str()) == 0) found.push_back(plain);
    }
    std::sort(found.begin(), found.end());
    return found;
}

Cells Step(const core::Rule& rule, core::ChunkGrid grid, int generations) {
    core::StepScratch scratch;
    for (int g = 0; g < generations; ++g) {
        core::ChunkGrid next;
        core::StepGrid(rule, grid, next, scratch);
        grid = std::move(next);
    }
    Cells cells;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        for (int i = 0; i < core::kChunkCells; ++i)
            if (chunk.cells[i] != 0)
                cells.push_back({cx * core::kChunkSide + i % core::kChunkSide, cy * core::kChunkSide + i / core::kChunkSide,
                                 chunk.cells[i]});
    });
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
    return cells;
}

// The table gives every image of a block under the rule's group one next state.
void ExpectInvariant(const core::Rule& rule, const std::string& name) {
    std::mt19937_64 rng(3);
    int failures = 0;
    for (int k = 0; k < 20000 && failures < 3; ++k) {
        const std::uint64_t i = rng() % rule.table.size();
        for (std::uint64_t j : core::NeighborhoodOrbit(rule.symmetry, rule.stateCount,
                                                      core::DecodeNeighborhoodIndex(i, rule.stateCount)))
            if (rule.table[j] != rule.table[i]) {
                ++failures;
                ADD_FAILURE() << name << ": " << i << " and its image " << j << " differ";
            }
    }
}

class GollyCollection : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::BgollyAvailable() || !fs::exists(kGolly / "Rules") || !fs::exists(kGolly / "Patterns"))
            GTEST_SKIP() << "bgolly or Golly's collection is not installed";
        dir_ = fs::temp_directory_path() / ("tavrix-golly-collection-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

// Every @TABLE rule up to 16 states runs 40 generations of a soup, and its sample patterns,
// as in bgolly; larger ones are refused. Samples of more than 50,000 cells (five of them,
// up to five million) would take most of the time and are left out; sanitized, so are
// tables above 8 states and samples above kSanitizedCells.
TEST_F(GollyCollection, EveryTableRuleRunsAsInBgolly) {
    std::map<std::string, std::vector<fs::path>> samples;
    for (const fs::path& p : Patterns(kGolly / "Patterns", dir_)) samples[HeaderRule(Read(p))].push_back(p);
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kGolly / "Rules")) {
        if (!entry.is_regular_file() || entry.path().extension() != ".rule") continue;
        const std::string text = Read(entry.path());
        if (text.find("@TABLE") == std::string::npos) continue;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const int states = std::atoi(text.c_str() + text.find("n_states:") + 9);
        if (states > 16) {
            std::string error;
            try {
                formats::ParseGollyRuletableText(text);
            } catch (const std::runtime_error& e) {
                error = e.what();
            }
            EXPECT_EQ(error, "Invalid n_states value in Golly ruletable.");
            continue;
        }
        if (testsupport::kSanitized && states > 8) continue;
        formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(text);
        const core::Rule rule{imported.stateCount, imported.symmetry, std::move(imported.table)};
        ExpectInvariant(rule, name);
        const testsupport::OracleRule oracle{name, text, states};
        std::vector<std::pair<std::string, core::ChunkGrid>> starts = {
            {"soup", core::MakeRandomSoup(48, 1.0 - 1.0 / states, states, 7)}};
        for (const fs::path& p : samples[name]) {
            const formats::RlePattern pattern = formats::ParseRle(Read(p));
            if (pattern.cells.size() > (testsupport::kSanitized ? kSanitizedCells : 50000)) continue;
            core::ChunkGrid grid;
            for (const auto& c : pattern.cells) grid.SetCell(c.x, c.y, c.state);
            starts.emplace_back(p.filename().string(), std::move(grid));
        }
        for (const auto& [what, grid] : starts) {
            const Cells start = Step(rule, grid, 0);
            // Large patterns of many-state rules cost the most to step: fewer generations.
            const int generations = start.size() > 20000 || testsupport::kSanitized ? 8 : 40;
            auto golly = std::async(std::launch::async, [&] { return testsupport::RunBgolly(oracle, start, generations); });
            const Cells ours = Step(rule, grid, generations);
            EXPECT_TRUE(ours == golly.get()) << what << ", " << generations << " generations";
        }
        ++checked;
    }
    EXPECT_GE(checked, testsupport::kSanitized ? 10 : 17);
}

// Every Life pattern runs through tavrix-cli run --output and reads back as bgolly runs it
// (sanitized, those up to kSanitizedCells). One bgolly run holds all of them, side by side in
// a row far enough apart not to meet.
TEST_F(GollyCollection, LifePatternsRunAndWriteAsInBgolly) {
    const int generations = testsupport::kSanitized ? 4 : 20;
    const fs::path life = dir_ / "Life.rule";
    const std::string lifeText = "@RULE Life\n@TABLE\nn_states:2\nneighborhood:Moore\nsymmetries:permute\n"
                                 "var a={0,1}\nvar b=a\nvar c=a\nvar d=a\nvar e=a\nvar f=a\nvar g=a\nvar h=a\nvar i=a\n"
                                 "0,1,1,1,0,0,0,0,0,1\n1,1,1,0,0,0,0,0,0,1\n1,1,1,1,0,0,0,0,0,1\na,b,c,d,e,f,g,h,i,0\n";
    WriteFileAtomically(life.string(), lifeText);
    const fs::path history = kGolly / "Rules" / "LifeHistory.rule";
    struct Placed {
        fs::path path;
        std::int64_t shift;  // added to x in the row
        std::int64_t right;  // the last column of its room
    };
    struct Row {
        testsupport::OracleRule oracle;
        fs::path rule;
        Cells start;
        std::vector<Placed> placed;
    };
    Row rows[2] = {{{"B3/S23", "", 2}, life, {}, {}}, {{"LifeHistory", Read(history), 7}, history, {}, {}}};
    for (const fs::path& p : Patterns(kGolly / "Patterns" / "Life", dir_)) {
        const std::string text = Read(p);
        Row& row = rows[HeaderRule(text).starts_with("LifeHistory") ? 1 : 0];
        const Cells start = formats::ParseRle(text).cells;
        if (testsupport::kSanitized && start.size() > kSanitizedCells) continue;
        std::int64_t left = 0, right = 0;
        for (const auto& c : start) left = std::min<std::int64_t>(left, c.x), right = std::max<std::int64_t>(right, c.x);
        const std::int64_t cursor = row.placed.empty() ? 0 : row.placed.back().right + 1;
        const std::int64_t shift = cursor - left + generations + 1;
        for (const auto& c : start) row.start.push_back({static_cast<std::int32_t>(c.x + shift), c.y, c.state});
        row.placed.push_back({p, shift, right + shift + generations + 1});
    }
    EXPECT_GT(rows[0].placed.size() + rows[1].placed.size(), 100u);
    std::future<Cells> golly[2];
    for (int r = 0; r < 2; ++r)
        golly[r] = std::async(std::launch::async, [&, r] { return testsupport::RunBgolly(rows[r].oracle, rows[r].start, generations); });

    for (Row& row : rows) {
        std::vector<Cells> ours;
        for (const Placed& placed : row.placed) {
            const fs::path output = dir_ / "out.rle";
            std::ostringstream out, err;
            ASSERT_EQ(RunCli({"run", row.rule.string(), "--pattern", placed.path.string(), "--generations",
                              std::to_string(generations), "--output", output.string()},
                             out, err),
                      0)
                << placed.path << ": " << err.str();
            // Our RLE lists cells row by row from its position line: already in (y, x) order.
            const std::string written = Read(output);
            int x0 = 0, y0 = 0;
            ASSERT_EQ(std::sscanf(written.c_str(), "#CXRLE Pos=%d,%d", &x0, &y0), 2);
            ours.push_back(formats::ParseRle(written).cells);
            for (auto& c : ours.back()) c.x += x0, c.y += y0;
        }
        // Each of bgolly's cells belongs to the first pattern whose room reaches its column.
        std::vector<Cells> theirs(row.placed.size());
        for (const auto& c : golly[&row - rows].get()) {
            const auto k = static_cast<std::size_t>(
                std::lower_bound(row.placed.begin(), row.placed.end(), std::int64_t{c.x},
                                 [](const Placed& placed, std::int64_t x) { return placed.right < x; }) -
                row.placed.begin());
            ASSERT_LT(k, row.placed.size());
            theirs[k].push_back({static_cast<std::int32_t>(c.x - row.placed[k].shift), c.y, c.state});
        }
        for (std::size_t k = 0; k < row.placed.size(); ++k)
            EXPECT_TRUE(ours[k] == theirs[k]) << row.placed[k].path;
    }
}

}  // namespace
}  // namespace cli
