#include <cstdio>
#include <fstream>
#include <tuple>

#include "tests/shell/shell_fixture.h"
#include "tests/support/test_helpers.h"

namespace shell::testing {
namespace {

class CommandsTest : public ShellTest {
protected:
    // One stroke on the first frame: an unsaved change.
    void PaintStartCell() { Click(L().frameGrid[0], MouseButton::Right); }
    static constexpr const char* kOpenPage = "Choose how you want to open an existing rule.";
};

TEST_F(CommandsTest, MenuStates) {
    // Extending to 2 or 3 states is not extending; 3 states show no state bar; the viewer is shown.
    EXPECT_EQ(std::tuple(Enabled(2122), Enabled(2123), Enabled(2124)), std::tuple(false, false, true));
    EXPECT_EQ(std::tuple(Checked(2100), Checked(2101), Checked(2102)), std::tuple(false, true, false));
    view.Command(2102);  // maximize the viewer: no frames
    EXPECT_EQ(std::tuple(Checked(2102), L().visibleFrames), std::tuple(true, 0));
    view.Command(2101);  // hide it: not maximized either
    EXPECT_EQ(std::tuple(Checked(2101), Checked(2102)), std::tuple(false, false));
    EXPECT_TRUE((view.Command(2100), Checked(2100)));
}

TEST_F(CommandsTest, TitleFollowsUnsavedChanges) {
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
    view.KeyDown(Press(Key::Enter));  // create the rule: back to the editor
    view.CancelRename();
    PaintStartCell();
    const std::size_t chunks = Model().Doc().tabs[0].startGrid.ChunkCount();
    platform.answers = {MessageAnswer::Cancel};
    view.Command(command::kNewRule);
    platform.answers = {MessageAnswer::No, MessageAnswer::No};
    view.Command(command::kNewRule);
    EXPECT_EQ(std::tuple(platform.boxes.size(), Model().Doc().tabs[0].startGrid.ChunkCount()), std::tuple(4u, chunks));
    platform.boxes.clear();
    platform.answers = {MessageAnswer::No, MessageAnswer::Yes};
    view.Command(command::kNewRule);
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(Fields(platform.boxes[0]),
              Fields({"Tavrix", "You have unsaved changes.\n\nSave changes before creating a new rule?",
                      MessageButtons::YesNoCancel, MessageIcon::Warning, MessageAnswer::Yes, {}}));
    EXPECT_EQ(Fields(platform.boxes[1]),
              Fields({"Replace Current Session?",
                      "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?",
                      MessageButtons::YesNo, MessageIcon::Warning, MessageAnswer::No, {}}));
    EXPECT_EQ(Model().Doc().tabs.size(), 1u);
    EXPECT_EQ(Model().Doc().tabs[0].startGrid.ChunkCount() + Model().Doc().source.grid.ChunkCount(), 0u);
    EXPECT_TRUE(Shows("Choose the state count and neighborhood symmetry."));
}

TEST_F(CommandsTest, ExtendAsksAndExtends) {
    platform.answers = {MessageAnswer::No};
    view.Command(command::kExtendBase + 6);
    EXPECT_EQ(Fields(platform.boxes.at(0)),
              Fields({"Extend Rule", "Are you sure you want to extend the rule to 6 states?  This cannot be undone.",
                      MessageButtons::YesNo, MessageIcon::Warning, MessageAnswer::No, {}}));
    EXPECT_EQ(Model().Doc().rule.stateCount, 3);
    platform.answers = {MessageAnswer::Yes};
    view.Command(command::kExtendBase + 6);
    EXPECT_EQ(std::tuple(Model().Doc().rule.stateCount, Checked(command::kShowStateBar),
                         platform.titles.back()),
              std::tuple(6, true, "* Tavrix"));
    view.Command(command::kExtendBase + 5);  // not larger: nothing asked
    EXPECT_EQ(platform.boxes.size(), 2u);
}

TEST_F(CommandsTest, RefusedWhilePlayingAndExitAndCloseAskAboutUnsavedChanges) {
    view.KeyDown(Press(Key::Enter));
    for (int id : {2001, 2003, 2099, 2124}) view.Command(id);
    EXPECT_EQ(std::tuple(platform.beeps, platform.boxes.size(), Shows("Color Editor")), std::tuple(4, 0u, false));
    view.Command(command::kExit);
    EXPECT_EQ(platform.closes, 1);
    EXPECT_TRUE(MainWindowView(platform).RequestClose());
    view.KeyDown(Press(Key::Enter));
    PaintStartCell();
    platform.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(view.RequestClose());
    EXPECT_EQ(platform.boxes.back().text, "You have unsaved changes.\n\nSave changes before closing the window?");
}

TEST_F(CommandsTest, ExportsGoToTheClipboard) {
    struct Case {
        int id;
        const char *title, *text, *contains;
    } cases[] = {
        {command::kExportGolly, "Golly Ruletable Export", "Copied the Golly ruletable to the clipboard.", "n_states:3"},
        {command::kExportAnnotated, "Annotated Golly Ruletable Export",
         "Copied the annotated Golly ruletable to the clipboard.", "@TABLE"},
        {command::kExportLockTable, "Lock Table Export", "Copied the lock table to the clipboard.", "@TABLE"},
    };
    for (const Case& c : cases) {
        platform.clipboard.reset();
        view.Command(c.id);
        EXPECT_NE(platform.clipboard.value_or("").find(c.contains), std::string::npos) << c.id;
        EXPECT_EQ(Fields(platform.boxes.back()),
                  Fields({c.title, c.text, MessageButtons::Ok, MessageIcon::Information, MessageAnswer::Ok, {}}));
    }
    view.KeyDown(Press(Key::E, false, false, true));
    EXPECT_EQ(platform.boxes.back().text,
              "Hensel and MAP export are only supported for 2-state rules. Use ruletable export for this multistate "
              "rule.");
}

TEST_F(CommandsTest, PasteFromTheClipboard) {
    const struct {
        std::optional<std::string> clipboard;
        std::string text;
        MessageIcon icon;
    } cases[] = {
        {std::nullopt, "Failed to read text from the clipboard.", MessageIcon::Warning},
        {"x = 1, y = 1\nC!", "This RLE uses state 3, but the current rule only has 3 states.", MessageIcon::Warning},
        {"no header", "Failed to paste the RLE pattern.\n\n", MessageIcon::Error},
    };
    for (const auto& c : cases) {
        platform.clipboard = c.clipboard;
        view.KeyDown(Press(Key::V, true));
        EXPECT_EQ(std::tuple(platform.boxes.back().text.substr(0, c.text.size()), platform.boxes.back().icon),
                  std::tuple(c.text, c.icon));
    }
    platform.clipboard = "x = 1, y = 1\nB!";
    view.KeyDown(Press(Key::V, true));
    EXPECT_EQ(std::tuple(platform.boxes.size(), CurrentTab().startGrid.CellAt(0, 0)), std::tuple(3u, 2));
}

TEST_F(CommandsTest, SaveAndLoadASession) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_session.tavses";
    PaintStartCell();
    view.KeyDown(Press(Key::S, true));  // cancelled dialog
    EXPECT_EQ(view.Title(), "* Tavrix");
    platform.savePath = path;
    view.KeyDown(Press(Key::S, true));
    const std::string title = "tavrix_shell_session.tavses \u2014 Tavrix";
    EXPECT_EQ(platform.titles.back(), title);
    view.KeyDown(Press(Key::N, true));
    platform.openPath = path;
    platform.answers = {MessageAnswer::No};
    view.KeyDown(Press(Key::O, true));
    EXPECT_EQ(platform.boxes.back().text, "You have unsaved changes.\n\nSave changes before opening another rule?");
    ASSERT_TRUE(Shows(kOpenPage));
    const RectF load = LayOutStartScreen(StartPage::Open, 1280, 1080).buttons[0].second;
    Click(load);
    EXPECT_EQ(std::tuple(Shows(kOpenPage), Model().Doc().tabs.size(), platform.titles.back()), std::tuple(false, 1u, title));
    platform.openPath = path + ".missing";
    view.KeyDown(Press(Key::O, true));
    Click(load);
    EXPECT_EQ(platform.boxes.back().text, "Failed to load the session.\n\nCould not open the session file.\n\n" + path +
                                              ".missing: No such file or directory");
    EXPECT_TRUE(Shows(kOpenPage));
    // The dialogs open on the session's file.
    EXPECT_EQ(std::tuple(platform.dialogs.back().title, platform.dialogs.back().initialPath),
              std::tuple("Open Tavrix Session", path));
    // Named on the command line: a session is loaded, a Golly rule imported, past the start screen.
    EXPECT_TRUE(view.OpenPath(path));
    EXPECT_FALSE(Shows(kOpenPage));
    const std::string rule = ::testing::TempDir() + "tavrix_shell_rule.RULE";
    std::ofstream(rule) << "@RULE Two\n@TABLE\nn_states:4\nneighborhood:Moore\nsymmetries:none\n0,1,0,0,0,0,0,0,0,3\n";
    view.KeyDown(Press(Key::O, true));
    EXPECT_TRUE(view.OpenPath(rule));
    EXPECT_EQ(std::tuple(Shows(kOpenPage), Model().Doc().rule.stateCount), std::tuple(false, 4));
    view.KeyDown(Press(Key::S, true));
    EXPECT_EQ(platform.dialogs.back().initialPath, "");
    EXPECT_FALSE(view.OpenPath(rule + ".tavses"));
    std::remove(path.c_str());
    std::remove(rule.c_str());
}

TEST_F(CommandsTest, SpeedIsASettingAndTheUpdateCheckGoesThroughThePlatformOnce) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_settings.ini";
    std::ofstream(path) << "pattern_viewer_speed_index=7\nupdate_host=updates.example\n";
    view.UseSettingsFile(path);
    EXPECT_TRUE(Shows("60 gen/s"));
    Click(L().viewerButtons[kSpeedDown]);
    EXPECT_NE(testsupport::ReadText(path).find("pattern_viewer_speed_index=6\n"), std::string::npos);
    std::remove(path.c_str());
    view.StartUpdateCheck();
    view.StartUpdateCheck();
    ASSERT_EQ(platform.updateChecks.size(), 1u);
    EXPECT_EQ(platform.updateHosts, std::vector<std::string>{"updates.example"});
    platform.updateChecks[0]({false, "0.2.0-alpha", "0.3.0", "", "", "", ""});
    EXPECT_EQ(platform.boxes.at(0).title, "Tavrix Update Available");
}

}  // namespace
}  // namespace shell::testing
