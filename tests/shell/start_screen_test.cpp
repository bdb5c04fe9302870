#include "shell/start_screen.h"

#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class StartScreenTest : public ShellTest {
protected:
    StartScreenTest() { view.ShowStartScreen(StartPage::Main); }
    RectF Button(StartAction action) const {
        for (const auto& [a, r] : LayOutStartScreen(view.startPage, view.width, view.height).buttons)
            if (a == action) return r;
        return {};
    }
};

// Cards are centred and hold their buttons, one under the other; a small window shrinks them.
TEST(StartScreenLayoutTest, CardsAndButtons) {
    for (const auto& [page, buttons] : {std::pair{StartPage::Main, 3u}, {StartPage::NewRule, 6u}, {StartPage::Open, 2u}}) {
        const StartScreenLayout l = LayOutStartScreen(page, 1280, 1080);
        EXPECT_FLOAT_EQ(l.card.left + l.card.right, 1280);
        EXPECT_FLOAT_EQ(l.card.top + l.card.bottom, 1080);
        ASSERT_EQ(l.buttons.size(), buttons);
        for (const auto& [action, r] : l.buttons)
            EXPECT_TRUE(r.left >= l.card.left && r.right <= l.card.right && r.top > l.card.top && r.bottom <= l.card.bottom);
    }
    const StartScreenLayout main = LayOutStartScreen(StartPage::Main, 1280, 1080);
    EXPECT_GT(main.buttons[1].second.top, main.buttons[0].second.bottom);
    const StartScreenLayout small = LayOutStartScreen(StartPage::Main, 460, 300);
    EXPECT_LT(small.card.Width(), main.card.Width());
    EXPECT_GE(small.card.left, 0);
    const StartScreenLayout rule = LayOutStartScreen(StartPage::NewRule, 1280, 1080);
    EXPECT_GT(rule.countBox.left, rule.buttons[0].second.right);  // the count sits between its buttons
}

TEST(StartScreenLayoutTest, SymmetryCycle) {
    int s = 4;
    for (int i = 0; i < 8; ++i) s = StepSymmetry(s, 1);
    EXPECT_EQ(s, 4);
    EXPECT_EQ(StepSymmetry(4, 1), 0);
    EXPECT_EQ(StepSymmetry(0, 1), 5);
    EXPECT_EQ(StepSymmetry(0, -1), 4);
}

TEST_F(StartScreenTest, NewRuleThenCreate) {
    const RecordingCanvas canvas = Draw();
    for (const char* text : {"Tavrix", "New Rule", "Load Rule", "Import Rule",
                             "Start a new rule, load a saved session, or import a Golly rule."})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    // The editor behind ignores the mouse.
    view.Wheel(MidX(view.layout.viewerGrid), MidY(view.layout.viewerGrid), 1, {});
    EXPECT_FALSE(view.hover.valid);
    view.KeyDown(Press(Key::Enter));
    EXPECT_EQ(view.startPage, StartPage::NewRule);
    for (int i = 0; i < 20; ++i) Click(Button(StartAction::CountDown));
    EXPECT_EQ(view.newStateCount, 2);
    for (int i = 0; i < 4; ++i) Click(Button(StartAction::CountUp));
    EXPECT_EQ(std::tuple(view.newStateCount, view.flags.stateBarShown), std::tuple(6, true));  // from 6 states on
    Click(Button(StartAction::CountDown));
    EXPECT_FALSE(view.flags.stateBarShown);
    Click(Button(StartAction::SymmetryUp));
    const RecordingCanvas rule = Draw();
    for (const char* text : {"5 states", "C1 (asymmetric)", "Choose the state count and neighborhood symmetry."})
        EXPECT_NE(rule.FindText(text), nullptr) << text;
    Click(Button(StartAction::CreateRule));
    // A new rule, saved as far as the title goes, with its first tab up for renaming.
    EXPECT_EQ(std::tuple(view.startScreenShown, view.StateCount(), view.editor.Doc().rule.symmetry, platform.titles.back(),
                         view.rename.tab),
              std::tuple(false, 5, 0, "Tavrix", 0));
    view.CommitRename();
}

TEST_F(StartScreenTest, EscapeAndBackAndOpenPage) {
    view.KeyDown(Press(Key::Escape));
    EXPECT_TRUE(view.startScreenShown);
    Click(Button(StartAction::NewRule));
    Click(Button(StartAction::Back));
    EXPECT_EQ(view.startPage, StartPage::Main);
    view.KeyDown(Press(Key::O, true));
    EXPECT_EQ(view.startPage, StartPage::Open);
    view.KeyDown(DigitKey(2));  // keys do not reach the editor
    EXPECT_EQ(view.selectedState, 1);
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(view.startScreenShown);
}

TEST_F(StartScreenTest, CancelledLoadStays) {
    for (StartAction action : {StartAction::LoadRule, StartAction::ImportRule}) {
        Click(Button(action));
        EXPECT_TRUE(view.startScreenShown && platform.boxes.empty());
    }
}

}  // namespace
}  // namespace shell::testing
