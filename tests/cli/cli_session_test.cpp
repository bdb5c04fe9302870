#include <climits>

#include "tests/authoring/editor_fixture.h"
#include "tests/cli/cli_fixture.h"

namespace cli {
namespace {

using namespace testing;
using CliSessionTest = CliTest;

// One live cell under the empty rule: generation 0 uses the nine neighbourhoods holding that
// cell, and the kept empty chunk of generation 1 only the all-background one.
TEST_F(CliSessionTest, InfoReportsTheLocksOfKnownPatterns) {
    authoring::Editor c1;
    c1.CreateRule(2, 0);
    authoring::testing::PaintStart(c1, {{0, 0}});
    c1.RenameTab(0, "dot");
    ASSERT_EQ(Run({"info", Save(c1, "c1.tavses")}), 0) << err_.str();
    EXPECT_EQ(out_.str(),
              "states=2\nsymmetry=C1 (asymmetric)\ntabs=1\n"
              "tab=0 kind=pattern name=\"dot\" generations=9 own_locks=9 broken=0\n"
              "locked=10\nundefined=502\n");

    authoring::Editor d8;
    d8.CreateRule(2, 4);
    authoring::testing::PaintStart(d8, {{0, 0}});
    d8.NewTab(authoring::PatternKind::Pattern);
    ASSERT_EQ(Run({"info", Save(d8, "d8.tavses")}), 0) << err_.str();
    // Centre, corner and edge classes (1 + 4 + 4 indices) on top of the background; 102 classes in all.
    EXPECT_EQ(out_.str(),
              "states=2\nsymmetry=D8 (isotropic)\ntabs=2\n"
              "tab=0 kind=pattern name=\"\" generations=1 own_locks=9 broken=0\n"
              "tab=1 kind=pattern name=\"\" generations=9 own_locks=0 broken=0\n"
              "locked=10\nundefined=98\n");
}

TEST_F(CliSessionTest, ImportThenRunAndExportTheSession) {
    const std::string rule = Write("Grow.rule", "@RULE Grow\n@TABLE\nn_states:3\nneighborhood:Moore\nsymmetries:rotate4\n"
                                                "0,1,0,0,0,0,0,0,0,2\n@COLORS\n1 255 0 0\n");
    const std::string session = (dir_ / "grow.tavses").string();
    ASSERT_EQ(Run({"import", rule, "-o", session, "--seed", "5"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "states=3\nsymmetry=C4 (chiral)\n");
    ASSERT_EQ(Run({"info", rule}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "states=3\nsymmetry=C4 (chiral)\n");
    const std::string hexagonal =
        Write("Hex.rule", "@RULE Hex\n@TABLE\nn_states:2\nneighborhood:hexagonal\nsymmetries:permute\n01100001\n");
    ASSERT_EQ(Run({"info", hexagonal}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "states=2\nsymmetry=D4x (diagonal flips)\n");
    const formats::SessionSnapshot saved = formats::ParseSession(std::string_view(ReadText(session)));
    ASSERT_EQ(saved.patterns.size(), 1u);
    EXPECT_EQ(std::tuple(saved.patterns[0].name, saved.symmetry, saved.colors[1].red, saved.colors[1].green),
              std::tuple("Imported Rule", 3, 1.0f, 0.0f));

    ASSERT_EQ(Run({"info", session}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tab=0 kind=pattern name=\"Imported Rule\" generations=9 own_locks=0"), std::string::npos);
    // Without a pattern or soup, run starts from the session's 32 x 32 source grid.
    ASSERT_EQ(Run({"run", session, "--generations", "0"}), 0);
    std::uint64_t live = 0;
    saved.sourceGrid.ForEachChunk([&](int, int, const core::Chunk64& c) { live += c.liveCount; });
    EXPECT_EQ(out_.str().rfind("generations=0 population=" + std::to_string(live) + " ", 0), 0u);
    ASSERT_EQ(Run({"export", session, "--format", "ruletable"}), 0);
    EXPECT_NE(out_.str().find("symmetries:rotate4\n"), std::string::npos);
    EXPECT_EQ(Run({"export", session, "--format", "rulestring"}), 1);
}

// Start patterns in opposite corners of the plane step while the session loads.
TEST_F(CliSessionTest, PatternsInTheCornersOfThePlaneLoad) {
    authoring::Editor editor;
    editor.CreateRule(2, 0);
    authoring::testing::PaintStart(editor, {{INT32_MAX, INT32_MAX}});
    editor.NewTab(authoring::PatternKind::Pattern);
    authoring::testing::PaintStart(editor, {{INT32_MIN, INT32_MIN}});
    ASSERT_EQ(Run({"info", Save(editor, "corners.tavses")}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tabs=2\n"), std::string::npos) << out_.str();
}

TEST_F(CliSessionTest, BadSessionsFailWithTheEditorsMessage) {
    const std::string bad = Write("bad.tavses", "TAVSESS1");
    for (const char* command : {"info", "run"}) {
        EXPECT_EQ(Run({command, bad}), 1);
        EXPECT_EQ(err_.str(), "Failed to load the session.\n\nUnexpected end of file.\n");
    }
    EXPECT_EQ(Run({"info", (dir_ / "missing.tavses").string()}), 1);
    EXPECT_EQ(err_.str(), "Failed to load the session.\n\nCould not open the session file.\n");
    EXPECT_EQ(Run({"import", (dir_ / "missing.rule").string(), "-o", (dir_ / "x.tavses").string()}), 1);
    EXPECT_FALSE(fs::exists(dir_ / "x.tavses"));
}

TEST_F(CliSessionTest, InfoReportsConstraintTabs) {
    authoring::Editor editor;
    editor.CreateRule(2, 4);
    editor.NewTab(authoring::PatternKind::Constraint);
    // Entry 0: N alive -> 1; entry 1 the same transition again, so it touches a lock.
    editor.CycleSlotState(0, 1, false);
    editor.CycleSlotState(0, 9, false);
    editor.AddConstraintEntry();
    editor.CycleSlotState(1, 1, false);
    ASSERT_EQ(Run({"info", Save(editor, "constraint.tavses")}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tab=1 kind=constraint name=\"Constraint\" generations=1 own_locks=1 broken=0 "
                              "entries=2 touches_locked=1\n"),
              std::string::npos)
        << out_.str();
}

}  // namespace
}  // namespace cli
