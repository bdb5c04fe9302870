#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "formats/atomic_file.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

using formats::FileFailure;
namespace fs = std::filesystem;

using WindowCommandsTest = ShellTest;

TEST_F(WindowCommandsTest, FileFailuresNameStageFileAndReasonAndChangeNothing) {
    const std::string path = ::testing::TempDir() + "tavrix_window_failure.tavses";
    platform.savePath = platform.openPath = path;
    view.KeyDown(Press(Key::S, true));
    Click(L().frameGrid[0], MouseButton::Right);
    const std::string modified = "tavrix_window_failure.tavses* \u2014 Tavrix";
    ASSERT_EQ(platform.titles.back(), modified);
    const std::string rule = ::testing::TempDir() + "tavrix_window_failure.rule";
    struct Case {
        bool save;
        std::string opened;
        FileFailure failure;
        std::string text;
    };
    const Case cases[] = {
        {true, "", {FileFailure::Stage::Open, EACCES},
         "Failed to save the session.\n\nCould not open the destination file.\n\n" + path + ": Permission denied"},
        {true, "", {FileFailure::Stage::Write, ENOSPC},
         "Failed to save the session.\n\nFailed while writing the session file.\n\n" + path +
             ": No space left on device"},
        {false, path, {FileFailure::Stage::Read, EIO},
         "Failed to load the session.\n\nFailed while reading the session file.\n\n" + path + ": Input/output error"},
        {false, rule, {FileFailure::Stage::Open, ENOENT},
         "Failed to import the Golly rule file.\n\nCould not open the Golly rule file.\n\n" + rule +
             ": No such file or directory"},
    };
    for (const Case& c : cases) {
        (c.save ? platform.writeFailure : platform.readFailure) = c.failure;
        if (c.save) view.Command(command::kSaveSession);
        else view.OpenPath(c.opened);
        EXPECT_EQ(std::tuple(platform.boxes.back().text, platform.titles.back(), Model().UnsavedChanges()),
                  std::tuple(c.text, modified, true));
    }
    // A load shows the busy pointer while it runs, never over its failure's box.
    EXPECT_EQ(std::tuple(platform.busy, platform.boxWhileBusy), std::tuple(0, false));
}

TEST_F(WindowCommandsTest, RefusalsAreShownAndGreyedOut) {
    EXPECT_FALSE(Enabled(command::kRedo));
    view.Command(command::kRedo);
    EXPECT_TRUE(Shows("Nothing to redo"));
    platform.tickMs += kRefusalMs;
    EXPECT_FALSE(Shows("Nothing to redo"));
    while (Enabled(command::kUndo)) view.Command(command::kUndo);
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(std::tuple(Shows("Nothing to undo"), Enabled(command::kRedo)), std::tuple(true, true));
    view.KeyDown(Press(Key::Y, true));
    EXPECT_TRUE(Enabled(command::kUndo));
}

TEST_F(WindowCommandsTest, StartScreenAndBackLeavesTheSessionAsItWas) {
    const std::size_t depth = Model().UndoDepth();
    platform.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    view.Command(command::kNewRule);
    view.KeyDown(Press(Key::Escape));  // back to the first page
    view.Command(command::kNewRule);   // a second reset keeps the first one's record
    view.KeyDown(Press(Key::Escape));
    EXPECT_EQ(std::tuple(platform.titles.back(), Model().UndoDepth(), Enabled(command::kUndo), Enabled(command::kSaveSession)),
              std::tuple("Tavrix", depth, false, false));
    const std::size_t boxes = platform.boxes.size();
    EXPECT_EQ(std::tuple(view.RequestClose(), platform.boxes.size()), std::tuple(true, boxes));
    view.KeyDown(Press(Key::Enter));
    view.KeyDown(Press(Key::Enter));
    EXPECT_EQ(Model().UndoDepth(), depth + 1);
}

TEST_F(WindowCommandsTest, PasteCentresTheFramesOnThePattern) {
    EXPECT_FALSE(Enabled(command::kPaste));
    platform.clipboard = "x = 4, y = 2\n4o$4o!";
    EXPECT_TRUE(Enabled(command::kPaste));
    view.Command(command::kPaste);
    EXPECT_EQ(std::tuple(CurrentTab().camera.centreX, CurrentTab().camera.centreY, CurrentTab().startGrid.CellAt(3, 1)),
              std::tuple(2.0f, 1.0f, 1));
}

TEST_F(WindowCommandsTest, RlePatternsImportTheRuleTheirHeaderNames) {
    const fs::path dir = fs::path(::testing::TempDir()) / "tavrix_window_rle";
    fs::create_directories(dir / "Tavrix" / "Rules");
    ASSERT_FALSE(formats::WriteFileAtomically(dir / "Tavrix" / "Rules" / "Three.rule",
                                              "@RULE Three\n@TABLE\nn_states:3\nneighborhood:Moore\n"
                                              "symmetries:permute\n0,1,1,1,0,0,0,0,0,2\n"));
    ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    struct Case {
        std::string rule;
        int states;  // 0: refused
        std::string error;
    };
    const fs::path rle = dir / "pattern.rle";
    const Case cases[] = {
        {"Three", 3, ""},
        {"B3/S23", 2, ""},
        {"Nowhere", 0,
         "Failed to import the Golly rule file.\n\nCould not find the rule Nowhere: no Nowhere.rule in\n  " +
             (dir / "Tavrix" / "Rules").string() + "\n  /usr/share/golly/Rules\n\n" + rle.string()},
        {"B3/S23", 0,
         "Failed to import the Golly rule file.\n\nThis RLE uses state 2, but the current rule only has 2 states.\n\n" +
             rle.string()},
    };
    for (const Case& c : cases) {
        const std::string cells = c.error.find("state 2") != std::string::npos ? "3B!" : "bo$2bo$3o!";
        ASSERT_FALSE(formats::WriteFileAtomically(rle, "x = 3, y = 3, rule = " + c.rule + "\n" + cells + "\n"));
        const int before = Model().Doc().rule.stateCount;
        platform.openPath = rle.string();
        view.Command(command::kImportGolly);
        if (c.states == 0) {
            EXPECT_EQ(std::tuple(platform.boxes.back().text, Model().Doc().rule.stateCount), std::tuple(c.error, before));
            continue;
        }
        EXPECT_EQ(std::tuple(Model().Doc().rule.stateCount, CurrentTab().startGrid.CellAt(2, 1),
                             CurrentTab().camera.centreX, CurrentTab().camera.centreY, platform.titles.back()),
                  std::tuple(c.states, 1, 1.5f, 1.5f, "Tavrix"))
            << c.rule;
    }
    EXPECT_EQ(platform.dialogs.back().filters[0].pattern, "*.rule;*.table;*.rle");
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace shell::testing
