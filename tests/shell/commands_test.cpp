#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class CommandsTest : public ShellTest {
protected:
    // One stroke on the first frame: an unsaved change.
    void PaintStartCell() {
        const RectF& grid = view.layout.frameGrid[0];
        view.MousePress(Mouse(MidX(grid), MidY(grid), MouseButton::Right));
        view.MouseRelease(Mouse(MidX(grid), MidY(grid), MouseButton::Right));
    }
};

TEST_F(CommandsTest, MenuBarItemsAndIds) {
    const std::vector<MenuItem> items = MainWindowView::MenuBar();
    auto find = [&](int id) -> const MenuItem* {
        for (const MenuItem& item : items)
            if (item.id == id) return &item;
        return nullptr;
    };
    struct Case {
        int id;
        const char* menu;
        const char* submenu;
        const char* text;
    } cases[] = {
        {2001, "&File", "", "&New Rule..."},
        {2005, "&File", "&Export", "&Golly Ruletable\tAlt+R"},
        {2007, "&File", "&Export", "Export Annotated &Ruletable\tCtrl+Alt+R"},
        {2008, "&File", "&Export", "Export &Lock Table"},
        {2006, "&File", "&Export", "&Hensel / MAP Rulestring\tAlt+E"},
        {2002, "&File", "", "&Save Session...\tCtrl+S"},
        {2003, "&File", "", "&Load Session...\tCtrl+O"},
        {2004, "&File", "", "E&xit"},
        {2099, "&Rule", "", "Edit &Colors"},
        {2122, "&Rule", "&Extend Rule", "Extend to 2 states"},
        {2136, "&Rule", "&Extend Rule", "Extend to 16 states"},
        {2100, "&View", "", "Show State &Bar"},
        {2101, "&View", "", "Show &Pattern Viewer"},
        {2102, "&View", "", "Maximize Pattern &Viewer"},
    };
    for (const Case& c : cases) {
        const MenuItem* item = find(c.id);
        ASSERT_NE(item, nullptr) << c.id;
        EXPECT_EQ(item->menu, c.menu);
        EXPECT_EQ(item->submenu, c.submenu);
        EXPECT_EQ(item->text, c.text);
    }
    int separators = 0;
    for (const MenuItem& item : items) separators += item.id == 0;
    EXPECT_EQ(separators, 4);
}

TEST_F(CommandsTest, MenuStates) {
    EXPECT_FALSE(view.QueryMenuItem(2122).enabled);
    EXPECT_FALSE(view.QueryMenuItem(2123).enabled);  // 3 states already
    EXPECT_TRUE(view.QueryMenuItem(2124).enabled);
    EXPECT_TRUE(view.QueryMenuItem(2101).checked);
    EXPECT_FALSE(view.QueryMenuItem(2102).checked);
    EXPECT_FALSE(view.QueryMenuItem(2100).checked);  // 3 states: no state bar
    view.Command(2102);
    EXPECT_TRUE(view.QueryMenuItem(2102).checked);
    EXPECT_EQ(view.editor.View().lookahead, 0);
    view.Command(2101);
    EXPECT_FALSE(view.QueryMenuItem(2101).checked);
    EXPECT_FALSE(view.QueryMenuItem(2102).checked);
    view.Command(2100);
    EXPECT_TRUE(view.QueryMenuItem(2100).checked);
}

TEST_F(CommandsTest, TitleFollowsUnsavedChanges) {
    ASSERT_FALSE(platform.titles.empty());
    EXPECT_EQ(platform.titles.back(), "Tavrix");
    EXPECT_EQ(view.Title(), "Tavrix");
    PaintStartCell();
    EXPECT_EQ(view.Title(), "* Tavrix");
    EXPECT_EQ(platform.titles.back(), "* Tavrix");
    const std::size_t count = platform.titles.size();
    PaintStartCell();
    EXPECT_EQ(platform.titles.size(), count);  // set only when it changes
}

TEST_F(CommandsTest, NewRuleAsksBothQuestions) {
    PaintStartCell();
    ASSERT_TRUE(view.editor.UnsavedChanges());
    platform.answers = {MessageAnswer::No, MessageAnswer::Yes};
    view.Command(command::kNewRule);
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(platform.boxes[0].title, "Tavrix");
    EXPECT_EQ(platform.boxes[0].text, "You have unsaved changes.\n\nSave changes before creating a new rule?");
    EXPECT_EQ(platform.boxes[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(platform.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(platform.boxes[1].title, "Replace Current Session?");
    EXPECT_EQ(platform.boxes[1].text,
              "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?");
    EXPECT_EQ(platform.boxes[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(platform.boxes[1].icon, MessageIcon::Warning);
    EXPECT_EQ(platform.boxes[1].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(view.editor.Tabs().size(), 1u);
    EXPECT_EQ(view.editor.Tabs()[0].startGrid.ChunkCount(), 0u);
    EXPECT_EQ(view.editor.Doc().source.grid.ChunkCount(), 0u);
}

TEST_F(CommandsTest, NewRuleStopsOnCancelOrNo) {
    PaintStartCell();
    const std::size_t chunks = view.editor.Tabs()[0].startGrid.ChunkCount();
    platform.answers = {MessageAnswer::Cancel};
    view.Command(command::kNewRule);
    EXPECT_EQ(platform.boxes.size(), 1u);
    platform.answers = {MessageAnswer::No, MessageAnswer::No};
    view.Command(command::kNewRule);
    EXPECT_EQ(platform.boxes.size(), 3u);
    EXPECT_EQ(view.editor.Tabs()[0].startGrid.ChunkCount(), chunks);
}

TEST_F(CommandsTest, NewRuleWithoutChangesAsksOnlyToReplace) {
    platform.answers = {MessageAnswer::Yes};
    view.Command(command::kNewRule);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, "Replace Current Session?");
}

TEST_F(CommandsTest, ExtendAsksAndExtends) {
    platform.answers = {MessageAnswer::No};
    view.Command(command::kExtendBase + 6);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, "Extend Rule");
    EXPECT_EQ(platform.boxes[0].text, "Are you sure you want to extend the rule to 6 states?  This cannot be undone.");
    EXPECT_EQ(platform.boxes[0].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(view.StateCount(), 3);
    platform.answers = {MessageAnswer::Yes};
    view.Command(command::kExtendBase + 6);
    EXPECT_EQ(view.StateCount(), 6);
    EXPECT_TRUE(view.flags.stateBarShown);
    EXPECT_EQ(platform.titles.back(), "* Tavrix");
    // Not larger: nothing asked.
    view.Command(command::kExtendBase + 5);
    EXPECT_EQ(platform.boxes.size(), 2u);
}

TEST_F(CommandsTest, RefusedWhilePlaying) {
    view.KeyDown(Press(Key::Enter));
    ASSERT_TRUE(view.playing);
    for (int id : {2001, 2003, 2099, 2124}) view.Command(id);
    EXPECT_EQ(platform.beeps, 4);
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_FALSE(view.flags.colorEditorOpen);
}

TEST_F(CommandsTest, ExitAndCloseAskAboutUnsavedChanges) {
    view.Command(command::kExit);
    EXPECT_EQ(platform.closes, 1);
    MainWindowView window(platform);
    EXPECT_TRUE(window.RequestClose());
    PaintStartCell();
    platform.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(view.ConfirmUnsavedChanges("closing the window"));
    EXPECT_EQ(platform.boxes.back().text, "You have unsaved changes.\n\nSave changes before closing the window?");
}

TEST_F(CommandsTest, ExportsGoToTheClipboard) {
    view.Command(command::kExportGolly);
    ASSERT_TRUE(platform.clipboard);
    EXPECT_NE(platform.clipboard->find("n_states:3"), std::string::npos);
}

}  // namespace
}  // namespace shell::testing
