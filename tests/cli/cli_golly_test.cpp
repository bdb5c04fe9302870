// Against bgolly: Golly's own collections (every @TABLE rule it ships, on a soup and on its sample
// patterns, and every Life pattern, written back through tavrix-cli run), and the annotated and
// lock-table exports of sessions with pattern and constraint tabs, which must run there exactly as
// the session's rule runs in tavrix-cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <random>
#include <sstream>

#include "authoring/constraint_tab.h"
#include "cli/file_io.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/golly_oracle.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using Cells = std::vector<formats::RleCell>;
using namespace testing;
using authoring::Editor;

const fs::path kGolly = "/usr/share/golly";
// Larger patterns would take most of the time (five samples of rules hold 97,000 to five
// million cells); sanitized builds step several times slower and keep to small ones.
const std::size_t kMaxCells = testsupport::kSanitized ? 5000 : 20000;

std::string Read(const fs::path& path) { return ReadWholeFile(path.string(), "cannot open", "cannot read"); }

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

// One bgolly run for many starts (none left of column 0), side by side in a row far enough
// apart not to meet within `generations`; each start's cells come back at its own place.
std::vector<Cells> RunSideBySide(const testsupport::OracleRule& rule, const std::vector<Cells>& starts,
                                 int generations) {
    std::int32_t pitch = 2 * generations + 4;
    for (const Cells& start : starts)
        for (const auto& c : start) pitch = std::max(pitch, c.x + 2 * generations + 4);
    Cells row;
    for (std::size_t k = 0; k < starts.size(); ++k)
        for (const auto& c : starts[k])
            row.push_back({c.x + static_cast<std::int32_t>(k) * pitch + generations + 2, c.y, c.state});
    std::vector<Cells> out(starts.size());
    for (const auto& c : testsupport::RunBgolly(rule, row, generations)) {
        const std::int32_t k = c.x / pitch;
        out[static_cast<std::size_t>(k)].push_back({c.x - k * pitch - generations - 2, c.y, c.state});
    }
    return out;
}

Cells Step(const core::Rule& rule, core::ChunkGrid grid, int generations) {
    for (int g = 0; g < generations; ++g) {
        core::ChunkGrid next;
        core::StepGrid(rule, grid, next);
        grid = std::move(next);
    }
    return testsupport::AbsoluteRleCells(formats::WriteRle(grid, rule.stateCount, ""));
}

class GollyCollection : public testing::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        ASSERT_TRUE(fs::exists(kGolly / "Rules") && fs::exists(kGolly / "Patterns")) << "Golly's collection is missing";
    }
};

// Every @TABLE rule up to 16 states runs a soup and its sample patterns as in bgolly, and
// honours the group the import gave it; larger ones are refused (with the reader's message
// for n_states, tested there). Sanitized, tables above 8 states are left out.
TEST_F(GollyCollection, EveryTableRuleRunsAsInBgolly) {
    const int generations = testsupport::kSanitized ? 8 : 40;
    std::map<std::string, std::vector<fs::path>> samples;
    for (const fs::path& p : Patterns(kGolly / "Patterns", dir_)) samples[HeaderRule(Read(p))].push_back(p);
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kGolly / "Rules")) {
        const std::string text = entry.path().extension() == ".rule" ? Read(entry.path()) : "";
        if (text.find("@TABLE") == std::string::npos) continue;
        const std::string name = entry.path().stem().string();
        const int states = std::atoi(text.c_str() + text.find("n_states:") + 9);
        if (states > 16) { EXPECT_THROW(formats::ParseGollyRuletableText(text), std::runtime_error) << name; }
        if (states > (testsupport::kSanitized ? 8 : 16)) continue;
        formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(text);
        const core::Rule rule{imported.stateCount, imported.symmetry, std::move(imported.table)};
        std::mt19937_64 rng(3);
        for (int k = 0; k < 20000; ++k) {
            const std::uint64_t i = rng() % rule.table.size();
            const core::Neighborhood d = core::DecodeNeighborhoodIndex(i, states);
            for (std::uint64_t j : core::NeighborhoodOrbit(rule.symmetry, states, d))
                ASSERT_EQ(rule.table[j], rule.table[i]) << name << ": " << i << " and its image " << j;
        }
        std::vector<core::ChunkGrid> grids = {core::MakeRandomSoup(48, 1.0 - 1.0 / states, states, 7)};
        for (const fs::path& p : samples[name]) {
            const formats::RlePattern pattern = formats::ParseRle(Read(p));
            if (pattern.cells.size() > kMaxCells) continue;
            core::ChunkGrid& grid = grids.emplace_back();
            for (const auto& c : pattern.cells) grid.SetCell(c.x, c.y, c.state);
        }
        std::vector<Cells> starts;
        for (const auto& grid : grids) starts.push_back(Step(rule, grid, 0));
        auto golly = std::async(std::launch::async,
                                [&] { return RunSideBySide({name, text, states}, starts, generations); });
        std::vector<Cells> ours;
        for (const auto& grid : grids) ours.push_back(Step(rule, grid, generations));
        const std::vector<Cells> theirs = golly.get();
        for (std::size_t k = 0; k < grids.size(); ++k)
            EXPECT_TRUE(ours[k] == theirs[k]) << name << ": start " << k << " (0 is the soup)";
        ++checked;
    }
    EXPECT_GE(checked, testsupport::kSanitized ? 10 : 17);
}

// Every Life pattern runs through tavrix-cli run --output and reads back as bgolly runs it
// (sanitized, those up to kMaxCells; the largest of all, 210,515 by 183,739 cells, has 23).
TEST_F(GollyCollection, LifePatternsRunAndWriteAsInBgolly) {
    const int generations = testsupport::kSanitized ? 4 : 20;
    const fs::path life = dir_ / "Life.rule", history = kGolly / "Rules" / "LifeHistory.rule";
    WriteFileAtomically(life.string(), "@RULE Life\n@TABLE\nn_states:2\nneighborhood:Moore\nsymmetries:permute\n"
                                       "var a={0,1}\nvar b=a\nvar c=a\nvar d=a\nvar e=a\nvar f=a\nvar g=a\nvar h=a\n"
                                       "var i=a\n0,1,1,1,0,0,0,0,0,1\n1,1,1,0,0,0,0,0,0,1\n1,1,1,1,0,0,0,0,0,1\n"
                                       "a,b,c,d,e,f,g,h,i,0\n");
    const testsupport::OracleRule oracles[2] = {{"B3/S23", "", 2}, {"LifeHistory", Read(history), 7}};
    std::vector<fs::path> paths[2];
    std::vector<Cells> starts[2];
    for (const fs::path& p : Patterns(kGolly / "Patterns" / "Life", dir_)) {
        const std::string text = Read(p);
        const int r = HeaderRule(text).starts_with("LifeHistory") ? 1 : 0;
        starts[r].push_back(formats::ParseRle(text).cells);
        if (testsupport::kSanitized && starts[r].back().size() > kMaxCells) starts[r].pop_back();
        else paths[r].push_back(p);
    }
    EXPECT_GT(paths[0].size() + paths[1].size(), testsupport::kSanitized ? 50u : 140u);
    std::future<std::vector<Cells>> golly[2];
    for (int r = 0; r < 2; ++r)
        golly[r] = std::async(std::launch::async, [&, r] { return RunSideBySide(oracles[r], starts[r], generations); });
    for (int r = 0; r < 2; ++r) {
        const std::vector<Cells> theirs = golly[r].get();
        for (std::size_t k = 0; k < paths[r].size(); ++k) {
            const fs::path output = dir_ / "out.rle";
            ASSERT_EQ(Run({"run", (r ? history : life).string(), "--pattern", paths[r][k].string(), "--generations",
                           std::to_string(generations), "--output", output.string()}), 0) << paths[r][k] << ": " << err_.str();
            EXPECT_TRUE(testsupport::AbsoluteRleCells(Read(output)) == theirs[k]) << paths[r][k];
        }
    }
}

// Random cells on the current pattern tab's start (frame 0); on its first step (frame 1) the
// painted cells give a few transitions a live output, so that it locks some other than 0.
void PaintRandom(Editor& editor, std::mt19937& rng, int cells, int side, std::size_t frame = 0) {
    editor.BeginStroke();
    for (int i = 0; i < cells; ++i)
        editor.PaintCell({authoring::Surface::TabFrame, frame}, int(rng() % side), int(rng() % side), frame == 0 && rng() % 2);
}

// Entry `entry` of the selected constraint tab: the neighbourhood slots in `cells` take the
// selected variable, then the output is clicked `outputClicks` times.
void SetEntry(Editor& editor, std::size_t entry, std::initializer_list<int> cells, int outputClicks) {
    for (int slot : cells) editor.SetSlotToVariable(entry, slot, false);
    for (int i = 0; i < outputClicks; ++i) editor.CycleSlotState(entry, authoring::kOutputSlot, false);
}

constexpr std::initializer_list<int> kAllCells = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::initializer_list<int> kNeighbours = {0, 1, 2, 3, 5, 6, 7, 8};

// everyTransitionLocked: the lock table alone runs like the session.
struct SessionCase { std::string name; int stateCount; bool everyTransitionLocked; std::function<void(Editor&)> build; };

const std::vector<SessionCase>& Sessions() {
    static const std::vector<SessionCase> cases = {
        // The constraint tab comes first and fixes its outputs before the pattern tabs lock
        // theirs, mostly with output 0.
        {"ConstraintFirst", 3, false, [](Editor& editor) {
             editor.NewTab(authoring::PatternKind::Constraint);
             editor.CycleSlotState(0, 1, false);                   // N = 1
             editor.CycleSlotState(0, 7, false);                   // S = 1
             editor.CycleSlotState(0, authoring::kOutputSlot, true);  // -> 2
             editor.MakeVariable({1, 2});
             editor.AddConstraintEntry();
             SetEntry(editor, 1, {4}, 1);  // C = b -> 1
             std::mt19937 rng(4);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandom(editor, rng, 30, 7);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandom(editor, rng, 20, 5);
             editor.SelectTab(editor.Doc().tabs.size());
             ASSERT_EQ(editor.RandomizeUndefinedTransitions(77), authoring::EditOutcome::Changed);
         }},
        // Nine free cells going to 1 reach the all-background block and every lock of the
        // pattern tab before it, most of them with output 0.
        {"NineFreeCells", 2, true, [](Editor& editor) {
             editor.CreateRule(2, core::kSymmetryD8);
             std::mt19937 rng(9);
             PaintRandom(editor, rng, 30, 7);
             PaintRandom(editor, rng, 6, 7, 1);
             editor.NewTab(authoring::PatternKind::Constraint);
             SetEntry(editor, 0, kAllCells, 1);
         }},
        // Two pattern tabs, then entries that give births, deaths and no change to all the rest.
        // One output is a variable linked to no cell, which Golly would refuse as it stands.
        {"PatternsThenConstraints", 3, true, [](Editor& editor) {
             editor.CreateRule(3, core::kSymmetryC4);
             std::mt19937 rng(5);
             PaintRandom(editor, rng, 40, 8);
             PaintRandom(editor, rng, 8, 8, 1);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandom(editor, rng, 25, 6);
             editor.NewTab(authoring::PatternKind::Constraint);
             editor.MakeVariable({0, 1});
             SetEntry(editor, 0, kNeighbours, 2);  // C 0, neighbours in {0,1} -> 2
             editor.SelectVariable(0);
             editor.AddConstraintEntry();
             editor.CycleSlotState(1, 4, true);  // C = 2
             SetEntry(editor, 1, kNeighbours, 0);
             editor.SelectVariable(1);
             // -> b, which no cell shares: its last state, 1, is the one that stays
             editor.SetSlotToVariable(1, authoring::kOutputSlot, false);
             editor.SelectVariable(0);
             editor.AddConstraintEntry();
             editor.CycleSlotState(2, 4, false);  // C = 1
             SetEntry(editor, 2, kNeighbours, 0);                              // -> 0
             editor.AddConstraintEntry();
             SetEntry(editor, 3, kAllCells, 0);
             editor.SetSlotToVariable(3, authoring::kOutputSlot, false);  // -> C
         }},
    };
    return cases;
}

using CliAnnotatedGolly = CliTest;

TEST_F(CliAnnotatedGolly, ExportsRunTheSameGenerationsInBgolly) {
    for (const SessionCase& c : Sessions()) {
        SCOPED_TRACE(c.name);
        Editor editor(authoring::ViewSize{}, 8);
        c.build(editor);
        ASSERT_EQ(std::tuple(editor.Doc().rule.stateCount, editor.Doc().rule.table[0]), std::tuple(c.stateCount, 0));
        const std::string session = Save(editor, c.name + ".tavses");
        const int generations = 30;
        const std::string start = (dir_ / "start.rle").string(), final = (dir_ / "final.rle").string();
        for (int g : {0, generations})
            ASSERT_EQ(Run({"run", session, "--soup", "48", "--seed", "3", "--generations", std::to_string(g), "--output", g ? final : start}), 0)
                << err_.str();
        const auto initial = testsupport::AbsoluteRleCells(ReadText(start)), ours = testsupport::AbsoluteRleCells(ReadText(final));
        EXPECT_FALSE(ours == initial);

        for (const std::string format : {"annotated", "locks"}) {
            if (format == "locks" && !c.everyTransitionLocked) continue;
            SCOPED_TRACE(format);
            ASSERT_EQ(Run({"export", session, "--format", format}), 0) << err_.str();
            EXPECT_NE(out_.str().find("\n#C Constraint\n"), std::string::npos);
            const std::string name = c.name + format;
            const auto theirs =
                testsupport::RunBgolly({name, "@RULE " + name + "\n" + out_.str(), c.stateCount}, initial, generations);
            EXPECT_TRUE(ours == theirs);
        }
    }
}

}  // namespace
}  // namespace cli
