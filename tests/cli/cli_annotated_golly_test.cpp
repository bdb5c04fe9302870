// The annotated and lock-table exports of sessions with pattern and constraint tabs run in
// bgolly exactly as the session's rule runs in tavrix-cli.
#include <functional>
#include <random>

#include "authoring/constraint_tab.h"
#include "core/symmetry.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/rle_cells.h"

namespace cli {
namespace {

using namespace testing;
using authoring::Editor;

void PaintRandomStart(Editor& editor, std::mt19937& rng, int cells, int side) {
    editor.BeginStroke();
    for (int i = 0; i < cells; ++i)
        editor.PaintCell({authoring::Surface::TabFrame, 0}, int(rng() % side), int(rng() % side), rng() % 2);
}

// Gives a few transitions of the current pattern tab's first step a live output, so that it
// locks some with outputs other than 0.
void PaintFirstFrame(Editor& editor, std::mt19937& rng, int cells, int side) {
    editor.BeginStroke();
    for (int i = 0; i < cells; ++i)
        editor.PaintCell({authoring::Surface::TabFrame, 1}, int(rng() % side), int(rng() % side), false);
}

// Entry `entry` of the selected constraint tab: the neighbourhood slots in `cells` take the
// selected variable, then the output is clicked `outputClicks` times.
void SetEntry(Editor& editor, std::size_t entry, std::initializer_list<int> cells, int outputClicks) {
    for (int slot : cells) editor.SetSlotToVariable(entry, slot, false);
    for (int i = 0; i < outputClicks; ++i)
        editor.CycleSlotState(entry, authoring::kOutputSlot, false);
}

constexpr std::initializer_list<int> kAllCells = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::initializer_list<int> kNeighbours = {0, 1, 2, 3, 5, 6, 7, 8};

struct SessionCase {
    const char* name;
    int stateCount;
    bool everyTransitionLocked;  // so the lock table alone runs like the session
    std::function<void(Editor&)> build;
};

const std::vector<SessionCase>& Sessions() {
    static const std::vector<SessionCase> cases = {
        // The constraint tab comes first and fixes its outputs before the pattern tabs lock
        // theirs, mostly with output 0.
        {"ConstraintFirst", 3, false,
         [](Editor& editor) {
             editor.NewTab(authoring::PatternKind::Constraint);
             editor.CycleSlotState(0, 1, false);                   // N = 1
             editor.CycleSlotState(0, 7, false);                   // S = 1
             editor.CycleSlotState(0, authoring::kOutputSlot, true);  // -> 2
             editor.MakeVariable({1, 2});
             editor.AddConstraintEntry();
             SetEntry(editor, 1, {4}, 1);  // C = b -> 1
             std::mt19937 rng(4);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandomStart(editor, rng, 30, 7);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandomStart(editor, rng, 20, 5);
             editor.SelectTab(editor.Doc().tabs.size());
             ASSERT_EQ(editor.RandomizeUndefinedTransitions(77), authoring::EditOutcome::Changed);
         }},
        // Nine free cells going to 1 reach the all-background block and every lock of the
        // pattern tab before it, most of them with output 0.
        {"NineFreeCells", 2, true,
         [](Editor& editor) {
             editor.CreateRule(2, core::kSymmetryD8);
             std::mt19937 rng(9);
             PaintRandomStart(editor, rng, 30, 7);
             PaintFirstFrame(editor, rng, 6, 7);
             editor.NewTab(authoring::PatternKind::Constraint);
             SetEntry(editor, 0, kAllCells, 1);
         }},
        // Two pattern tabs, then entries that give births, deaths and no change to all the rest.
        // One output is a variable linked to no cell, which Golly would refuse as it stands.
        {"PatternsThenConstraints", 3, true,
         [](Editor& editor) {
             editor.CreateRule(3, core::kSymmetryC4);
             std::mt19937 rng(5);
             PaintRandomStart(editor, rng, 40, 8);
             PaintFirstFrame(editor, rng, 8, 8);
             editor.NewTab(authoring::PatternKind::Pattern);
             PaintRandomStart(editor, rng, 25, 6);
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
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    for (const SessionCase& c : Sessions()) {
        SCOPED_TRACE(c.name);
        Editor editor(authoring::ViewSize{}, 8);
        c.build(editor);
        ASSERT_EQ(editor.Doc().rule.stateCount, c.stateCount);
        ASSERT_EQ(editor.Doc().rule.table[0], 0);
        const std::string session = Save(editor, std::string(c.name) + ".tavses");
        const int generations = 30;
        const std::string start = (dir_ / "start.rle").string(), final = (dir_ / "final.rle").string();
        for (int g : {0, generations})
            ASSERT_EQ(Run({"run", session, "--soup", "48", "--seed", "3", "--generations", std::to_string(g), "--output",
                           g == 0 ? start : final}),
                      0)
                << err_.str();
        const auto initial = testsupport::AbsoluteRleCells(ReadText(start));
        const auto ours = testsupport::AbsoluteRleCells(ReadText(final));
        EXPECT_FALSE(ours == initial);

        for (const char* format : {"annotated", "locks"}) {
            if (std::string(format) == "locks" && !c.everyTransitionLocked) continue;
            SCOPED_TRACE(format);
            ASSERT_EQ(Run({"export", session, "--format", format}), 0) << err_.str();
            EXPECT_NE(out_.str().find("\n#C Constraint\n"), std::string::npos);
            const std::string name = std::string(c.name) + format;
            const auto theirs =
                testsupport::RunBgolly({name, "@RULE " + name + "\n" + out_.str(), c.stateCount}, initial, generations);
            EXPECT_TRUE(ours == theirs);
        }
    }
}

}  // namespace
}  // namespace cli
