// Golly's own collections, run here and in bgolly: every @TABLE rule it ships (on a soup and
// on its sample patterns), and every Life pattern, written back through tavrix-cli run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <cstdio>
#include <random>
#include <sstream>
#include <unistd.h>

#include "cli/cli_app.h"
#include "cli/file_io.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/symmetry.h"
#include "formats/rle.h"
#include "formats/golly_ruletable.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/sanitizer.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using Cells = std::vector<formats::RleCell>;

const fs::path kGolly = "/usr/share/golly";
// Sanitized builds step several times slower: larger patterns are left to the plain build.
const std::size_t kMaxCells = testsupport::kSanitized ? 5000 : 50000;

std::string Read(const fs::path& path) { return ReadWholeFile(path.string(), "cannot open", "cannot read"); }

// Cells of an RLE we wrote, where its position line puts them; rows come in (y, x) order.
Cells PlacedCells(const std::string& rle) {
    int x0 = 0, y0 = 0;
    std::sscanf(rle.c_str(), "#CXRLE Pos=%d,%d", &x0, &y0);
    Cells cells = formats::ParseRle(rle).cells;
    for (auto& c : cells) c.x += x0, c.y += y0;
    return cells;
}

// The rule an RLE's header line names.
std::string HeaderRule(const std::string& rle) {
    std::istringstream in(rle);
    std::string line;
    while (std::getline(in, line) && (line.empty() || line[0] == '#')) {
    }
    const auto from = line.find_first_not_of(" =", std::min(line.size(), line.find("rule") + 4));
    return from == std::string::npos ? "" : line.substr(from, line.find_first_of(" ,\r", from) - from);
}

// The patterns under `folder`, sorted; gzipped ones unpacked into `scratch`.
std::vector<fs::path> Patterns(const fs::path& folder, const fs::path& scratch) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        fs::path p = entry.path();
        if (p.string().ends_with(".rle.gz")) {
            // -f copies the ones a package ships unpacked under the same name.
            const fs::path plain = scratch / p.stem();
            if (std::system(("gzip -dcf '" + p.string() + "' > '" + plain.string() + "'").c_str()) != 0) continue;
            p = plain;
        }
        if (p.extension() == ".rle") found.push_back(p);
    }
    std::sort(found.begin(), found.end());
    return found;
}

Cells Step(const core::Rule& rule, core::ChunkGrid grid, int generations) {
    for (int g = 0; g < generations; ++g) {
        core::ChunkGrid next;
        core::StepGrid(rule, grid, next);
        grid = std::move(next);
    }
    return PlacedCells(formats::WriteRle(grid, rule.stateCount, ""));
}

// The table gives every image of a block under the rule's group one next state.
void ExpectInvariant(const core::Rule& rule) {
    std::mt19937_64 rng(3);
    for (int k = 0; k < 20000; ++k) {
        const std::uint64_t i = rng() % rule.table.size();
        const auto d = core::DecodeNeighborhoodIndex(i, rule.stateCount);
        for (std::uint64_t j : core::NeighborhoodOrbit(rule.symmetry, rule.stateCount, d))
            ASSERT_EQ(rule.table[j], rule.table[i]) << i << " and its image " << j;
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
// as in bgolly; larger ones are refused. Samples above kMaxCells (five of 50,000 cells and
// more, up to five million) would take most of the time and are left out; sanitized, so
// are tables above 8 states.
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
        if (states > 16) {  // with the reader's message for n_states, tested there
            EXPECT_THROW(formats::ParseGollyRuletableText(text), std::runtime_error);
            continue;
        }
        if (testsupport::kSanitized && states > 8) continue;
        formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(text);
        const core::Rule rule{imported.stateCount, imported.symmetry, std::move(imported.table)};
        ExpectInvariant(rule);
        const testsupport::OracleRule oracle{name, text, states};
        std::vector<std::pair<std::string, core::ChunkGrid>> starts = {
            {"soup", core::MakeRandomSoup(48, 1.0 - 1.0 / states, states, 7)}};
        for (const fs::path& p : samples[name]) {
            const formats::RlePattern pattern = formats::ParseRle(Read(p));
            if (pattern.cells.size() > kMaxCells) continue;
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
// (sanitized, those up to kMaxCells). One bgolly run holds all of them, side by side in a
// row far enough apart not to meet.
TEST_F(GollyCollection, LifePatternsRunAndWriteAsInBgolly) {
    const int generations = testsupport::kSanitized ? 4 : 20;
    const fs::path life = dir_ / "Life.rule";
    WriteFileAtomically(life.string(), "@RULE Life\n@TABLE\nn_states:2\nneighborhood:Moore\nsymmetries:permute\n"
                                       "var a={0,1}\nvar b=a\nvar c=a\nvar d=a\nvar e=a\nvar f=a\nvar g=a\nvar h=a\n"
                                       "var i=a\n0,1,1,1,0,0,0,0,0,1\n1,1,1,0,0,0,0,0,0,1\n1,1,1,1,0,0,0,0,0,1\n"
                                       "a,b,c,d,e,f,g,h,i,0\n");
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
        if (testsupport::kSanitized && start.size() > kMaxCells) continue;
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
            ours.push_back(PlacedCells(Read(output)));
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
