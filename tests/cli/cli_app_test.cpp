#include <climits>
#include <cstdlib>
#include <initializer_list>
#include <tuple>

#include "formats/golly_ruletable_writer.h"
#include "formats/rle.h"
#include "tests/authoring/editor_fixture.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_rules.h"

namespace cli {
namespace {

using namespace testing;

// Movers: a cell is born where exactly one neighbour, in one of the Golly slots `from` (N, NE, E,
// SE, S, SW, W, NW as 1..8), was alive, so it moves away from it; a lone live cell dies.
std::string MoverRuleText(const std::string& name, std::initializer_list<int> from) {
    std::string text = "@RULE " + name + "\n@TABLE\nn_states:2\nneighborhood:Moore\nsymmetries:none\n";
    for (const int slot : from) {
        std::string birth = "0,0,0,0,0,0,0,0,0,1\n";
        birth[2 * static_cast<std::size_t>(slot)] = '1';
        text += birth;
    }
    return text + "1,0,0,0,0,0,0,0,0,0\n";
}

class CliAppTest : public CliTest {
protected:
    // A two-state rule where a cell is born with exactly one live neighbour to its east.
    std::string EastRule() { return Write("East.rule", MoverRuleText("East", {3})); }
};

// A pattern runs and its final generation is written where it stands: near the origin, and for a
// lone cell at x = 2^31 - 1 and movers that drift off the right and bottom edges, where cells born
// past the edge vanish.
TEST_F(CliAppTest, RunsPatternsAndWritesTheirFinalGeneration) {
    const std::string life =
        Write("Life.rule", "@RULE Life\n@TABLE\n" + formats::BuildPlainGollyRuletable(testsupport::LifeRule()));
    const std::string westward = Write("West.rule", MoverRuleText("West", {3}));
    const std::string single = Write("p.rle", "x = 1, y = 1\no!\n");
    const std::string eastward = Write("East.rule", MoverRuleText("East", {7}));
    const std::string southeastward = Write("Southeast.rule", MoverRuleText("Southeast", {8}));
    const std::string lone = Write("lone.rle", "x = 1, y = 1\n2147483647bo!\n");
    const std::string nearCorner = Write("corner.rle", "x = 1, y = 1\n2147483645$2147483645bo!\n");
    // A glider heading for the bottom-right corner.
    const std::string glider = Write("glider.rle", "x = 3, y = 3\n2147483600$2147483600bo$2147483601bo$2147483599b3o!\n");
    struct Case {
        std::string rule, pattern, generations;
        std::string population;
        std::string rle;
    };
    const Case cases[] = {
        {westward, single, "3", "1", "#CXRLE Pos=-3,0\nx = 1, y = 1, rule = West\no!\n"},  // a step west a generation
        {life, lone, "1", "0", "#CXRLE Pos=0,0\nx = 0, y = 0, rule = Life\n!\n"},
        {westward, lone, "3", "1", "#CXRLE Pos=2147483644,0\nx = 1, y = 1, rule = West\no!\n"},
        {eastward, lone, "1", "0", "#CXRLE Pos=0,0\nx = 0, y = 0, rule = East\n!\n"},
        {southeastward, nearCorner, "2", "1", "#CXRLE Pos=2147483647,2147483647\nx = 1, y = 1, rule = Southeast\no!\n"},
        {southeastward, nearCorner, "3", "0", "#CXRLE Pos=0,0\nx = 0, y = 0, rule = Southeast\n!\n"},
        // The glider ends as a block in the corner, where Golly's bounded plane puts it too.
        {life, glider, "200", "4", "#CXRLE Pos=2147483645,2147483646\nx = 2, y = 2, rule = Life\n2o$2o!\n"},
    };
    const std::string output = (dir_ / "out.rle").string();
    for (const Case& c : cases) {
        const int status = Run({"run", c.rule, "--pattern", c.pattern, "--generations", c.generations, "--output", output});
        const std::string text = ReadText(output);
        EXPECT_EQ(std::tuple(status, out_.str().substr(0, out_.str().find(" seconds")), text,
                             std::to_string(formats::ParseRle(text).cells.size())),
                  std::tuple(0, "generations=" + c.generations + " population=" + c.population, c.rle, c.population))
            << c.rule << " " << err_.str();
    }
}

// A final generation spanning 2^31 columns reads back from its corner; one column more cannot,
// and is refused without writing anything.
TEST_F(CliAppTest, OutputOfPatternsAsWideAsThePlaneAllows) {
    // Every cell splits into a pair moving apart, one step per generation.
    const std::string rule = Write("Spread.rule", MoverRuleText("Spread", {3, 7}));
    const std::string pattern = Write("wide.rle", "x = 1, y = 1\no$2147483645bo!\n"), output = (dir_ / "out.rle").string();
    ASSERT_EQ(Run({"run", rule, "--pattern", pattern, "--generations", "1", "--output", output}), 0) << err_.str();
    EXPECT_EQ(std::tuple(ReadText(output), formats::ParseRle(ReadText(output)).cells),
              std::tuple("#CXRLE Pos=-1,0\nx = 2147483648, y = 2, rule = Spread\nobo$2147483645bobo!\n",
                         std::vector<formats::RleCell>{{0, 0, 1}, {2, 0, 1}, {2147483645, 1, 1}, {2147483647, 1, 1}}));
    fs::remove(output);
    EXPECT_EQ((std::tuple{Run({"run", rule, "--pattern", pattern, "--generations", "2", "--output", output}), err_.str(),
                          fs::exists(output)}),
              std::tuple(1, "The pattern is too large to write as RLE: it spans more than 2147483648 columns or rows.\n",
                         false));
}

TEST_F(CliAppTest, SoupDefaultsAreDeterministic) {
    // The exit status and the report up to its timing, which differs from run to run.
    const auto report = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"run", EastRule()});
        const int status = Run(args);
        return std::pair(status, out_.str().substr(0, out_.str().find(" seconds")));
    };
    const auto first = report({"--generations", "0"});
    // Density 1 - 1/2 over 256 x 256 cells: about half of them live.
    const long population = std::stol(first.second.substr(first.second.find("population=") + 11));
    EXPECT_TRUE(first.second.starts_with("generations=0 population=") && population > 30000 && population < 35500) << first.second;
    EXPECT_EQ(report({"--generations", "0", "--soup", "256", "--seed", "1"}), first);
    EXPECT_EQ(report({"--generations", "0", "--soup", "16", "--density", "1"}), std::pair(0, std::string("generations=0 population=256")));
    // The same generations on one thread and on three.
    const auto one = report({"--generations", "3", "--threads", "1"});
    EXPECT_EQ(report({"--generations", "3", "--threads", "3"}), one);
    EXPECT_NE(out_.str().find(" threads=3\n"), std::string::npos) << out_.str();
}

TEST_F(CliAppTest, FailuresExitWithOneAndWriteNoOutput) {
    const std::string rule = EastRule(), output = (dir_ / "never.rle").string(), threeStates = Write("p3.rle", "x = 1, y = 1\nB!\n");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"run", rule, "--pattern", threeStates, "--output", output},
         "This RLE uses state 2, but the current rule only has 2 states.\n"},
        {{"run", (dir_ / "missing.rule").string()}, "Could not open the Golly rule file.\n"},
        {{"run", Write("bad.rule", "no table here\n"), "--output", output},
         "The Golly rule file does not contain an @TABLE section.\n"},
        {{"run", rule, "--soup", "8"}, ""}, {{"run", rule, "--generations", "-1"}, ""},
        {{"run", rule, "--density", "0.5x"}, ""}, {{"run", rule, "--bogus", "1"}, ""}, {{"run", rule, "--pattern"}, ""},
        {{"run", rule, "--threads", "0"}, ""},
        {{"run", rule, "--output", (dir_ / "no-such-dir" / "x.rle").string()}, ""}, {{"frobnicate"}, ""}, {{}, ""},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(Run(args), 1) << args.size();
        EXPECT_TRUE(message.empty() || err_.str() == message) << err_.str();
    }
    // Nothing but the three inputs is left in the folder: no output, no temporary files either.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
    EXPECT_EQ(files, 3);
}

TEST_F(CliAppTest, ExportFormats) {
    const std::string rule = EastRule();
    // What each export starts with (a MAP rulestring is 90 bytes) or the refusal.
    const std::string d8 = Write("Iso.rule", "@TABLE\nn_states:2\nsymmetries:rotate4reflect\n0,1,1,1,0,0,0,0,0,1\n");
    const std::string three = Write("Three.rule", "@TABLE\nn_states:3\n");
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"export", rule, "--format", "rulestring"}, 0, "MAP"},
        {{"export", rule, "--format", "ruletable"}, 0, "n_states:2\nneighborhood:Moore\nsymmetries:none\n\n"},
        {{"export", d8, "--format", "rulestring"}, 0, "B3a/S012345678\n"},
        {{"export", three, "--format", "rulestring"}, 1,
         "Hensel and MAP export are only supported for 2-state rules. Use ruletable export for this multistate rule.\n"},
        {{"export", rule, "--format", "png"}, 1, ""}, {{"export", rule}, 1, ""}};
    for (const auto& [args, status, start] : cases) {
        EXPECT_EQ(Run(args), status) << args.back();
        EXPECT_EQ((status ? err_ : out_).str().rfind(start, 0), 0u) << (status ? err_ : out_).str();
        EXPECT_TRUE(start != "MAP" || out_.str().size() == 90u) << out_.str();
    }
}

TEST_F(CliAppTest, BinaryReportsFailureThroughItsExitStatus) {
    const std::string command = std::string(TAVRIX_CLI_PATH) + " run " + (dir_ / "missing.rule").string() + " 2>" +
                                (dir_ / "err.txt").string();
    const int status = std::system(command.c_str());
    EXPECT_EQ(std::tuple(WIFEXITED(status), WEXITSTATUS(status), ReadText(dir_ / "err.txt")),
              std::tuple(true, 1, "Could not open the Golly rule file.\n"));
}

using CliSessionTest = CliTest;

// One live cell under the empty rule: generation 0 uses the nine neighbourhoods holding that
// cell, and the kept empty chunk of generation 1 only the all-background one.
TEST_F(CliSessionTest, InfoReportsTheLocksOfKnownPatterns) {
    authoring::Editor c1 = authoring::testing::NewRule(2, 0);
    authoring::testing::PaintStart(c1, {{0, 0}});
    c1.RenameTab(0, "dot");
    ASSERT_EQ(Run({"info", Save(c1, "c1.tavses")}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "states=2\nsymmetry=C1 (asymmetric)\ntabs=1\n"
              "tab=0 kind=pattern name=\"dot\" generations=9 own_locks=9 broken=0\n"
              "locked=10\nundefined=502\n");

    authoring::Editor d8 = authoring::testing::NewRule(2, 4);
    authoring::testing::PaintStart(d8, {{0, 0}});
    d8.NewTab(authoring::PatternKind::Pattern);
    ASSERT_EQ(Run({"info", Save(d8, "d8.tavses")}), 0) << err_.str();
    // Centre, corner and edge classes (1 + 4 + 4 indices) on top of the background; 102 classes in all.
    EXPECT_EQ(out_.str(), "states=2\nsymmetry=D8 (isotropic)\ntabs=2\n"
              "tab=0 kind=pattern name=\"\" generations=1 own_locks=9 broken=0\n"
              "tab=1 kind=pattern name=\"\" generations=9 own_locks=0 broken=0\n"
              "locked=10\nundefined=98\n");

    // A constraint tab: entry 0 N alive -> 1; entry 1 the same transition again, so it touches a lock.
    authoring::Editor constraint = authoring::testing::NewRule(2, 4);
    constraint.NewTab(authoring::PatternKind::Constraint);
    constraint.CycleSlotState(0, 1, false), constraint.CycleSlotState(0, 9, false);
    constraint.AddConstraintEntry(), constraint.CycleSlotState(1, 1, false);
    ASSERT_EQ(Run({"info", Save(constraint, "constraint.tavses")}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tab=1 kind=constraint name=\"Constraint\" generations=1 own_locks=1 broken=0 "
                              "entries=2 touches_locked=1\n"), std::string::npos) << out_.str();
}

TEST_F(CliSessionTest, ImportThenRunAndExportTheSession) {
    const std::string rule = Write("Grow.rule", "@RULE Grow\n@TABLE\nn_states:3\nneighborhood:Moore\nsymmetries:rotate4\n"
                                                "0,1,0,0,0,0,0,0,0,2\n@COLORS\n1 255 0 0\n");
    const std::string session = (dir_ / "grow.tavses").string();
    const std::string hexagonal =
        Write("Hex.rule", "@RULE Hex\n@TABLE\nn_states:2\nneighborhood:hexagonal\nsymmetries:permute\n01100001\n");
    for (const auto& [args, output] : {std::pair<std::vector<std::string>, std::string>{
                                           {"import", rule, "-o", session, "--seed", "5"}, "states=3\nsymmetry=C4 (chiral)\n"},
                                       {{"info", rule}, "states=3\nsymmetry=C4 (chiral)\n"},
                                       {{"info", hexagonal}, "states=2\nsymmetry=D4x (diagonal flips)\n"}})
        EXPECT_EQ((std::tuple{Run(args), out_.str()}), std::tuple(0, output)) << err_.str();
    const formats::SessionSnapshot saved = formats::ParseSession(std::string_view(ReadText(session)));
    ASSERT_EQ(saved.patterns.size(), 1u);
    EXPECT_EQ(std::tuple(saved.patterns[0].name, saved.symmetry, saved.colors[1].red, saved.colors[1].green),
              std::tuple("Imported Rule", 3, 1.0f, 0.0f));

    ASSERT_EQ(Run({"info", session}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tab=0 kind=pattern name=\"Imported Rule\" generations=9 own_locks=0"), std::string::npos);
    // Without a pattern or soup, run starts from the session's 32 x 32 source grid.
    ASSERT_EQ(Run({"run", session, "--generations", "0"}), 0);
    EXPECT_EQ(out_.str().rfind("generations=0 population=" + std::to_string(saved.sourceGrid.Population()) + " ", 0),
              0u);
    ASSERT_EQ(Run({"export", session, "--format", "ruletable"}), 0);
    EXPECT_NE(out_.str().find("symmetries:rotate4\n"), std::string::npos);
    EXPECT_EQ(Run({"export", session, "--format", "rulestring"}), 1);
}

// Start patterns in opposite corners of the plane step while the session loads.
TEST_F(CliSessionTest, PatternsInTheCornersOfThePlaneLoad) {
    authoring::Editor editor = authoring::testing::NewRule(2, 0);
    authoring::testing::PaintStart(editor, {{INT32_MAX, INT32_MAX}});
    editor.NewTab(authoring::PatternKind::Pattern);
    authoring::testing::PaintStart(editor, {{INT32_MIN, INT32_MIN}});
    ASSERT_EQ(Run({"info", Save(editor, "corners.tavses")}), 0) << err_.str();
    EXPECT_NE(out_.str().find("tabs=2\n"), std::string::npos) << out_.str();
}

TEST_F(CliSessionTest, BadSessionsFailWithTheEditorsMessage) {
    const std::string bad = Write("bad.tavses", "TAVSESS1"), failed = "Failed to load the session.\n\n";
    // Named as a session, a file is read as one whatever its first bytes hold.
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"info", bad}, 1, failed + "Unexpected end of file.\n"}, {{"run", bad}, 1, failed + "Unexpected end of file.\n"},
        {{"info", Write("damaged.tavses", "XAVSESS1")}, 1, failed + "Not a Tavrix .tavses file.\n"},
        {{"info", (dir_ / "missing.tavses").string()}, 1, failed + "Could not open the session file.\n"},
        {{"--version"}, 0, ""}};
    for (const auto& [args, status, message] : cases)
        EXPECT_EQ((std::tuple{Run(args), err_.str()}), std::tuple(status, message)) << args.back();
    EXPECT_EQ(out_.str(), "tavrix-cli 0.2.0-alpha\n");
    EXPECT_EQ(Run({"import", (dir_ / "missing.rule").string(), "-o", (dir_ / "x.tavses").string()}), 1);
    EXPECT_FALSE(fs::exists(dir_ / "x.tavses"));
}

}  // namespace
}  // namespace cli
