#include <cstdio>
#include <fstream>
#include <sstream>
#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class CommandsTest : public ShellTest {
protected:
    // One stroke on the first frame: an unsaved change.
    void PaintStartCell() { Click(L().frameGrid[0], MouseButton::Right); }
    bool StartScreenShows(const char* subtitle) { return Draw().FindText(subtitle) != nullptr; }
};

TEST_F(CommandsTest, MenuStates) {
    const auto enabled = [&](int id) { return view.QueryMenuItem(id).enabled; };
    const auto checked = [&](int id) { return view.QueryMenuItem(id).checked; };
    // Extending to 2 or 3 states is not extending; 3 states show no state bar; the viewer is shown.
    EXPECT_EQ(std::tuple(enabled(2122), enabled(2123), enabled(2124)), std::tuple(false, false, true));
    EXPECT_EQ(std::tuple(checked(2100), checked(2101), checked(2102)), std::tuple(false, true, false));
    view.Command(2102);  // maximize the viewer: no frames
    EXPECT_EQ(std::tuple(checked(2102), L().visibleFrames), std::tuple(true, 0));
    view.Command(2101);  // hide it: not maximized either
    EXPECT_EQ(std::tuple(checked(2101), checked(2102)), std::tuple(false, false));
    view.Command(2100);
    EXPECT_TRUE(checked(2100));
}

TEST_F(CommandsTest, TitleFollowsUnsavedChanges) {
    ASSERT_FALSE(platform.titles.empty());
    EXPECT_EQ(std::tuple(platform.titles.back(), view.Title()), std::tuple("Tavrix", "Tavrix"));
    PaintStartCell();
    EXPECT_EQ(std::tuple(platform.titles.back(), view.Title()), std::tuple("* Tavrix", "* Tavrix"));
    const std::size_t count = platform.titles.size();
    PaintStartCell();
    EXPECT_EQ(platform.titles.size(), count);  // set only when it changes
}

TEST_F(CommandsTest, NewRuleAsksToSaveThenToReplace) {
    // Without changes only the replacement is asked; Cancel or No stop it.
    platform.answers = {MessageAnswer::Yes};
    view.Command(command::kNewRule);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, "Replace Current Session?");
    view.KeyDown(Press(Key::Enter));  // create the rule: back to the editor
    view.CancelRename();
    PaintStartCell();
    const std::size_t chunks = Model().Tabs()[0].startGrid.ChunkCount();
    platform.answers = {MessageAnswer::Cancel};
    view.Command(command::kNewRule);
    platform.answers = {MessageAnswer::No, MessageAnswer::No};
    view.Command(command::kNewRule);
    EXPECT_EQ(platform.boxes.size(), 4u);
    EXPECT_EQ(Model().Tabs()[0].startGrid.ChunkCount(), chunks);
    platform.boxes.clear();
    platform.answers = {MessageAnswer::No, MessageAnswer::Yes};
    view.Command(command::kNewRule);
    ASSERT_EQ(platform.boxes.size(), 2u);
    const MessageBox& save = platform.boxes[0];
    EXPECT_EQ(std::tuple(save.title, save.text, save.buttons, save.icon),
              std::tuple("Tavrix", "You have unsaved changes.\n\nSave changes before creating a new rule?",
                         MessageButtons::YesNoCancel, MessageIcon::Warning));
    const MessageBox& replace = platform.boxes[1];
    EXPECT_EQ(std::tuple(replace.title, replace.text, replace.buttons, replace.icon, replace.defaultAnswer),
              std::tuple("Replace Current Session?",
                         "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?",
                         MessageButtons::YesNo, MessageIcon::Warning, MessageAnswer::No));
    EXPECT_EQ(Model().Tabs().size(), 1u);
    EXPECT_EQ(Model().Tabs()[0].startGrid.ChunkCount() + Model().Doc().source.grid.ChunkCount(), 0u);
    EXPECT_TRUE(StartScreenShows("Choose the state count and neighborhood symmetry."));
}

TEST_F(CommandsTest, ExtendAsksAndExtends) {
    platform.answers = {MessageAnswer::No};
    view.Command(command::kExtendBase + 6);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(std::tuple(platform.boxes[0].title, platform.boxes[0].text, platform.boxes[0].defaultAnswer),
              std::tuple("Extend Rule", "Are you sure you want to extend the rule to 6 states?  This cannot be undone.",
                         MessageAnswer::No));
    EXPECT_EQ(Model().Rule().stateCount, 3);
    platform.answers = {MessageAnswer::Yes};
    view.Command(command::kExtendBase + 6);
    EXPECT_EQ(Model().Rule().stateCount, 6);
    EXPECT_TRUE(view.QueryMenuItem(command::kShowStateBar).checked);
    EXPECT_EQ(platform.titles.back(), "* Tavrix");
    // Not larger: nothing asked.
    view.Command(command::kExtendBase + 5);
    EXPECT_EQ(platform.boxes.size(), 2u);
}

TEST_F(CommandsTest, RefusedWhilePlaying) {
    view.KeyDown(Press(Key::Enter));
    for (int id : {2001, 2003, 2099, 2124}) view.Command(id);
    EXPECT_EQ(std::tuple(platform.beeps, platform.boxes.size()), std::tuple(4, 0u));
    EXPECT_EQ(Draw().FindText("Color Editor"), nullptr);
}

TEST_F(CommandsTest, ExitAndCloseAskAboutUnsavedChanges) {
    view.Command(command::kExit);
    EXPECT_EQ(platform.closes, 1);
    MainWindowView window(platform);
    EXPECT_TRUE(window.RequestClose());
    PaintStartCell();
    platform.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(view.RequestClose());
    EXPECT_EQ(platform.boxes.back().text, "You have unsaved changes.\n\nSave changes before closing the window?");
}

TEST_F(CommandsTest, ExportsGoToTheClipboard) {
    struct Case {
        int id;
        const char* title;
        const char* text;
        const char* contains;
    } cases[] = {
        {command::kExportGolly, "Golly Ruletable Export", "Copied the Golly ruletable to the clipboard.", "n_states:3"},
        {command::kExportAnnotated, "Annotated Golly Ruletable Export",
         "Copied the annotated Golly ruletable to the clipboard.", "@TABLE"},
        {command::kExportLockTable, "Lock Table Export", "Copied the lock table to the clipboard.", "@TABLE"},
    };
    for (const Case& c : cases) {
        platform.clipboard.reset();
        view.Command(c.id);
        ASSERT_TRUE(platform.clipboard) << c.id;
        EXPECT_NE(platform.clipboard->find(c.contains), std::string::npos) << c.id;
        const MessageBox& box = platform.boxes.back();
        EXPECT_EQ(std::tuple(box.title, box.text, box.icon), std::tuple(c.title, c.text, MessageIcon::Information));
    }
    view.KeyDown(Press(Key::E, false, false, true));
    EXPECT_EQ(platform.boxes.back().text,
              "Hensel and MAP export are only supported for 2-state rules. Use ruletable export for this multistate "
              "rule.");
}

TEST_F(CommandsTest, PasteFromTheClipboard) {
    view.KeyDown(Press(Key::V, true));
    EXPECT_EQ(std::tuple(platform.boxes.back().text, platform.boxes.back().icon),
              std::tuple("Failed to read text from the clipboard.", MessageIcon::Warning));
    platform.clipboard = "x = 1, y = 1\nC!";
    view.KeyDown(Press(Key::V, true));
    EXPECT_EQ(platform.boxes.back().text, "This RLE uses state 3, but the current rule only has 3 states.");
    platform.clipboard = "x = 1, y = 1\nB!";
    view.KeyDown(Press(Key::V, true));
    EXPECT_EQ(std::tuple(platform.boxes.size(), CurrentTab().startGrid.CellAt(0, 0)), std::tuple(2u, 2));
    platform.clipboard = "no header";
    view.KeyDown(Press(Key::V, true));
    EXPECT_EQ(std::tuple(platform.boxes.back().text.rfind("Failed to paste the RLE pattern.\n\n", 0),
                         platform.boxes.back().icon),
              std::tuple(0u, MessageIcon::Error));
}

TEST_F(CommandsTest, SaveAndLoadASession) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_session.tavses";
    PaintStartCell();
    view.KeyDown(Press(Key::S, true));  // cancelled dialog
    EXPECT_EQ(view.Title(), "* Tavrix");
    platform.savePath = path;
    view.KeyDown(Press(Key::S, true));
    EXPECT_EQ(platform.titles.back(), "Tavrix");
    view.KeyDown(Press(Key::N, true));
    ASSERT_EQ(Model().Tabs().size(), 2u);
    platform.openPath = path;
    platform.answers = {MessageAnswer::No};
    view.KeyDown(Press(Key::O, true));
    EXPECT_EQ(platform.boxes.back().text, "You have unsaved changes.\n\nSave changes before opening another rule?");
    ASSERT_TRUE(StartScreenShows("Choose how you want to open an existing rule."));
    const StartScreenLayout card = LayOutStartScreen(StartPage::Open, 1280, 1080);
    ASSERT_EQ(card.buttons[0].first, StartAction::LoadRule);
    Click(card.buttons[0].second);
    EXPECT_EQ(std::tuple(StartScreenShows("Choose how you want to open an existing rule."), Model().Tabs().size(),
                         platform.titles.back()),
              std::tuple(false, 1u, "Tavrix"));
    platform.openPath = path + ".missing";
    view.KeyDown(Press(Key::O, true));
    Click(card.buttons[0].second);
    EXPECT_EQ(platform.boxes.back().text, "Failed to load the session.\n\nCould not open the session file.");
    EXPECT_TRUE(StartScreenShows("Choose how you want to open an existing rule."));
    // The dialogs open on the session's file.
    EXPECT_EQ(std::tuple(platform.dialogs.back().title, platform.dialogs.back().initialPath),
              std::tuple("Open Tavrix Session", path));

    // Named on the command line: a session is loaded, a Golly rule imported, past the start screen.
    EXPECT_TRUE(view.OpenPath(path));
    EXPECT_FALSE(StartScreenShows("Choose how you want to open an existing rule."));
    const std::string rule = ::testing::TempDir() + "tavrix_shell_rule.RULE";
    std::ofstream(rule) << "@RULE Two\n@TABLE\nn_states:4\nneighborhood:Moore\nsymmetries:none\n"
                           "0,1,0,0,0,0,0,0,0,3\n";
    view.KeyDown(Press(Key::O, true));
    EXPECT_TRUE(view.OpenPath(rule));
    EXPECT_EQ(std::tuple(StartScreenShows("Choose how you want to open an existing rule."), Model().Rule().stateCount),
              std::tuple(false, 4));
    view.KeyDown(Press(Key::S, true));
    EXPECT_EQ(platform.dialogs.back().initialPath, "");
    EXPECT_FALSE(view.OpenPath(rule + ".tavses"));
    std::remove(path.c_str());
    std::remove(rule.c_str());
}

TEST_F(CommandsTest, SpeedIsASetting) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_settings.ini";
    std::ofstream(path) << "pattern_viewer_speed_index=7\n";
    view.UseSettingsFile(path);
    EXPECT_NE(Draw().FindText("60 gen/s"), nullptr);
    Click(L().viewerButtons[kSpeedDown]);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_NE(text.str().find("pattern_viewer_speed_index=6\n"), std::string::npos);
    std::remove(path.c_str());
}

TEST_F(CommandsTest, UpdateCheckGoesThroughThePlatformOnce) {
    view.StartUpdateCheck();
    view.StartUpdateCheck();
    ASSERT_EQ(platform.updateChecks.size(), 1u);
    platform.updateChecks[0]({false, "0.2.0-alpha", "0.3.0", "", "", "", ""});
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, "Tavrix Update Available");
}

}  // namespace
}  // namespace shell::testing
