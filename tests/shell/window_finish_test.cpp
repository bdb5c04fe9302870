#include <algorithm>
#include <functional>
#include <tuple>

#include "shell/rule_editor_page.h"
#include "shell/text_fit.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class WindowFinishTest : public ShellTest {
protected:
    bool Playing() const { return !platform.timerPeriods.empty() && platform.timerPeriods.back() > 0; }
    int TimesDrawn(const RecordingCanvas& canvas, const std::string& text) const {
        return static_cast<int>(std::count_if(canvas.texts.begin(), canvas.texts.end(),
                                              [&](const auto& t) { return t.text == text; }));
    }
    static bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
};

// Ctrl+N and "+" both put the new tab's name up for typing; Enter ends it and never plays.
TEST_F(WindowFinishTest, NewTabsStartTheirRename) {
    const std::vector<std::tuple<std::function<void()>, Key, std::string>> cases = {
        {[&] { view.KeyDown(Press(Key::N, true)); }, Key::Enter, "Ship"},
        {[&] { Click(L().newTab); }, Key::Enter, "Boat"},
        {[&] { Click(L().newTab); }, Key::Escape, ""},
    };
    for (const auto& [make, end, name] : cases) {
        make();
        ASSERT_TRUE(platform.textInputActive);
        view.RenameTextChanged("Raft");
        EXPECT_EQ(TimesDrawn(Draw(), "Raft"), 1);  // the tab alone shows the typing
        view.RenameTextChanged(name.empty() ? "Raft" : name);
        view.KeyDown(Press(end));
        EXPECT_EQ(std::tuple(CurrentTab().name, platform.textInputActive, Playing()), std::tuple(name, false, false));
    }
}

TEST(TextFitTest, WholeOrCutWithAnEllipsis) {
    RecordingCanvas canvas;  // 8 px a byte
    const std::vector<std::tuple<std::string, float, std::string>> cases = {
        {"T 1155 | 2048x2048", 200, "T 1155 | 2048x2048"},
        {"T 1155 | 2048x2048", 80, "T 1155\xE2\x80\xA6"},   // no space left before the ellipsis
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 40, "\xC3\xA9\xE2\x80\xA6"},  // cut between characters
        {"abc", 10, ""},
    };
    for (const auto& [text, width, fitted] : cases) EXPECT_EQ(FitText(canvas, text, width, TextFormat::Label), fitted);
}

// Every symmetry's name fits its box, measured as drawn.
TEST_F(StartScreenTest, SymmetryNamesFitTheirBox) {
    view.KeyDown(Press(Key::Enter));
    const RectF box = LayOutStartScreen(StartPage::NewRule, 1280, 1080).symmetryBox;
    for (int i = 0; i < 8; ++i) {
        Act(StartAction::SymmetryUp);
        RecordingCanvas canvas = Draw();
        const auto shown = std::find_if(canvas.texts.begin(), canvas.texts.end(), [&](const auto& t) { return t.rect == box; });
        ASSERT_NE(shown, canvas.texts.end());
        EXPECT_LE(canvas.MeasureTextWidth(shown->text, TextFormat::Label), box.Width()) << shown->text;
    }
}

// Back from the page and in again: it shows the rule it will create, and the state bar that rule's count.
TEST_F(StartScreenTest, ThePageShowsTheRuleBehindIt) {
    view.KeyDown(Press(Key::Enter));
    Act(StartAction::SymmetryUp);
    Act(StartAction::SymmetryUp);
    for (int i = 0; i < 3; ++i) Act(StartAction::CountUp);
    ASSERT_TRUE(Checked(command::kShowStateBar));
    Act(StartAction::Back);
    EXPECT_FALSE(Checked(command::kShowStateBar));
    view.KeyDown(Press(Key::Enter));
    ExpectTexts({"3 states", "D8 (isotropic)"});
    view.KeyDown(Press(Key::Enter));
    EXPECT_EQ(std::tuple(Model().Doc().rule.stateCount, int(Model().Doc().rule.symmetry)), std::tuple(3, 4));
}

// Frame labels sit on a translucent plate at least as wide as their text.
TEST_F(WindowFinishTest, FrameLabelsHaveAPlate) {
    RecordingCanvas canvas = Draw();
    for (const std::string label : {"G0", "G1"}) {
        const RecordingCanvas::Text* text = canvas.FindText(label);
        ASSERT_NE(text, nullptr);
        const float width = canvas.MeasureTextWidth(label, text->format);
        EXPECT_TRUE(std::any_of(canvas.fills.begin(), canvas.fills.end(), [&](const auto& fill) {
            const auto& [r, c] = fill;
            return c.alpha < 1 && r.left < text->rect.left && r.right > text->rect.left + width && r.top <= text->rect.top;
        })) << label;
    }
}

// On any width the status line is clear of the controls above it and of the cards below.
TEST(RuleEditorPageFitTest, StatusLineBelowTheControls) {
    for (float width : {260.0f, 420.0f, 700.0f, 1200.0f}) {
        const RuleEditorPageLayout l = LayOutRuleEditorPage({0, 0, width, 800}, true);
        const float controls = std::max({l.checkbox.bottom, l.takeMinrule.bottom, l.randomize.bottom});
        EXPECT_TRUE(l.status.top >= controls && l.list.top >= l.status.bottom) << width;
    }
}

TEST(RuleEditorPageFitTest, CardCountsAreGrouped) {
    for (const auto& [value, text] : std::vector<std::pair<std::uint64_t, std::string>>{
             {7, "7"}, {999, "999"}, {1000, "1,000"}, {65823, "65,823"}, {1234567, "1,234,567"}})
        EXPECT_EQ(GroupDigits(value), text);
}

// The page says which cards are in view; scrolled down, the first shown is no longer card 1.
TEST_F(WindowFinishTest, RuleEditorPageShowsWhereTheListIs) {
    Click(L().directEditorTab);
    const auto position = [&] {
        for (const auto& t : Draw().texts)
            if (StartsWith(t.text, "Cards ")) return t.text;
        return std::string();
    };
    const std::string top = position();
    const std::string count = " of " + GroupDigits(Model().Undefined().count);
    EXPECT_TRUE(StartsWith(top, "Cards 1\xE2\x80\x93") && top.ends_with(count)) << top;
    const RuleEditorPageLayout page = LayOutRuleEditorPage(L().page, L().viewerLaidOut);
    for (int i = 0; i < 10; ++i) view.Wheel(MidX(page.list), MidY(page.list), -1, {});
    EXPECT_TRUE(!StartsWith(position(), "Cards 1\xE2\x80\x93") && position().ends_with(count)) << position();
}

}  // namespace
}  // namespace shell::testing
