#include "shell/start_screen.h"
#include "shell/state_bar.h"

#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

// The window as it opens: the start screen over the editor.
class StartScreenTest : public ShellTest {
protected:
    StartScreenTest() : ShellTest(false) {}
    RectF Button(StartPage page, StartAction action) const {
        for (const auto& [a, r] : LayOutStartScreen(page, 1280, 1080).buttons)
            if (a == action) return r;
        return {};
    }
    bool Shows(const char* text) { return Draw().FindText(text) != nullptr; }
};

TEST(StartScreenLayoutTest, SymmetryCycleVisitsAllEight) {
    int s = 4;
    for (int i = 0; i < 8; ++i) s = StepSymmetry(s, 1);
    EXPECT_EQ(std::tuple(s, StepSymmetry(4, 1), StepSymmetry(0, 1), StepSymmetry(0, -1)), std::tuple(4, 0, 5, 4));
}

TEST_F(StartScreenTest, NewRuleThenCreate) {
    for (const char* text : {"Tavrix", "New Rule", "Load Rule", "Import Rule",
                             "Start a new rule, load a saved session, or import a Golly rule."})
        EXPECT_TRUE(Shows(text)) << text;
    // The editor behind ignores the mouse.
    view.MouseMove(MidX(L().viewerGrid), MidY(L().viewerGrid), {});
    EXPECT_FALSE(HoverOutline(Draw()));
    view.KeyDown(Press(Key::Enter));
    EXPECT_TRUE(Shows("Choose the state count and neighborhood symmetry."));
    for (int i = 0; i < 20; ++i) Click(Button(StartPage::NewRule, StartAction::CountDown));
    EXPECT_TRUE(Shows("2 states"));
    for (int i = 0; i < 4; ++i) Click(Button(StartPage::NewRule, StartAction::CountUp));
    EXPECT_TRUE(view.QueryMenuItem(command::kShowStateBar).checked);  // from 6 states on
    Click(Button(StartPage::NewRule, StartAction::CountDown));
    EXPECT_FALSE(view.QueryMenuItem(command::kShowStateBar).checked);
    Click(Button(StartPage::NewRule, StartAction::SymmetryUp));
    EXPECT_TRUE(Shows("5 states") && Shows("C1 (asymmetric)"));
    Click(Button(StartPage::NewRule, StartAction::CreateRule));
    // A new rule, saved as far as the title goes, with its first tab up for renaming.
    EXPECT_EQ(std::tuple(Shows("New Rule"), Model().Rule().stateCount, Model().Rule().symmetry, platform.titles.back(),
                         platform.textInputActive),
              std::tuple(false, 5, 0, "Tavrix", true));
    view.CommitRename();
}

TEST_F(StartScreenTest, EscapeAndBackAndOpenPage) {
    view.KeyDown(Press(Key::Escape));
    EXPECT_TRUE(Shows("New Rule"));
    Click(Button(StartPage::Main, StartAction::NewRule));
    Click(Button(StartPage::NewRule, StartAction::Back));
    EXPECT_TRUE(Shows("Start a new rule, load a saved session, or import a Golly rule."));
    view.KeyDown(Press(Key::O, true));
    EXPECT_TRUE(Shows("Choose how you want to open an existing rule."));
    view.KeyDown(DigitKey(2));  // keys do not reach the editor
    view.KeyDown(Press(Key::Escape));
    EXPECT_FALSE(Shows("Load Rule"));
    view.Command(command::kShowStateBar);
    bool brushOne = false;  // the digit did not choose state 2
    for (const auto& o : Draw().outlines) brushOne = brushOne || (o.stroke == 3 && o.rect == StateSwatch(L().stateBar, 3, 1));
    EXPECT_TRUE(brushOne);
}

TEST_F(StartScreenTest, CancelledLoadStays) {
    for (StartAction action : {StartAction::LoadRule, StartAction::ImportRule}) {
        Click(Button(StartPage::Main, action));
        EXPECT_TRUE(Shows("Load Rule") && platform.boxes.empty());
    }
}

}  // namespace
}  // namespace shell::testing
