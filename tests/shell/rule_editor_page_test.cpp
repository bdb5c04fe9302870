#include "shell/rule_editor_page.h"

#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

TEST(RuleEditorPageLayoutTest, ControlsWrapAndCardsFillColumns) {
    struct Case {
        float width;
        bool viewer, oneRow;
        int columns;
    } cases[] = {
        {600, false, true, 3},   // 2 x 120 + 240 + 24 = 504 <= 568
        {500, false, false, 2},  // the buttons move to a second row
        {232, false, false, 1},  // a 200 px list: one column of 120 px cards or wider
        {2000, true, true, 5},
        {2000, false, true, 8},
    };
    for (const Case& c : cases) {
        const RuleEditorPageLayout l = LayOutRuleEditorPage({0, 100, c.width, 900}, c.viewer);
        EXPECT_EQ(std::tuple(l.takeMinrule.top == l.checkbox.top, l.columns), std::tuple(c.oneRow, c.columns)) << c.width;
        EXPECT_GE(l.cardWidth, 120) << c.width;
        EXPECT_TRUE(l.status.bottom <= l.list.top && l.takeMinrule.bottom < l.list.top) << c.width;
    }
    const RuleEditorPageLayout l = LayOutRuleEditorPage({0, 0, 1000, 800}, false);
    EXPECT_EQ(CardAt(l, 0, l.list.left + 5, l.list.top + 5), 0);
    EXPECT_EQ(CardAt(l, 0, l.list.left + 5, l.list.top + 115), -1);  // in the gap between rows
    const RectF second = CardRect(l, std::size_t(l.columns) + 1, 50);  // scrolled by 50 px
    EXPECT_EQ(CardAt(l, 50, second.left + 1, second.top + 1), l.columns + 1);
    EXPECT_FLOAT_EQ(CardListHeight(l, 0), 0);
    EXPECT_FLOAT_EQ(CardListHeight(l, std::uint64_t(l.columns) + 1), 2 * 122 - 12);
}

class RuleEditorPageTest : public ShellTest {
protected:
    RuleEditorPageTest() { Click(L().directEditorTab); }
    RuleEditorPageLayout Page() const { return LayOutRuleEditorPage(L().page, L().viewerLaidOut); }
};

TEST_F(RuleEditorPageTest, StatusCardsAndMinrule) {
    const RecordingCanvas canvas = Draw();
    for (const std::string& text : {Model().UndefinedStatusText(), std::string("Enable Ctrl+M Minrule"),
                                    std::string("Take Minrule")})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    ASSERT_FALSE(Model().Undefined().entries.empty());
    const authoring::UndefinedEntry first = Model().Undefined().entries[0];
    Click(CardRect(Page(), 0, 0));
    EXPECT_NE(Model().Rule().table[first.index], first.output);
    Click(Page().takeMinrule);  // every free transition goes to 0; they stay free
    EXPECT_EQ(std::tuple(Model().Rule().table[first.index], Model().Undefined().entries[0].output,
                         Model().UnsavedChanges()),
              std::tuple(0, 0, true));
    EXPECT_GT(Model().Undefined().count, 0u);
}

TEST_F(RuleEditorPageTest, CheckboxGuardsCtrlM) {
    Click(Page().checkbox);
    view.KeyDown(Press(Key::M, true));
    EXPECT_EQ(platform.beeps, 1);
}

TEST_F(RuleEditorPageTest, WheelScrollsTheListAndLoadsCards) {
    const RuleEditorPageLayout page = Page();
    const auto firstCardShown = [&] {
        for (const auto& o : Draw().outlines)
            if (o.rect == CardRect(page, 0, 0)) return true;
        return false;
    };
    ASSERT_TRUE(firstCardShown());
    const std::size_t loaded = Model().Undefined().entries.size();
    for (int i = 0; i < 40; ++i) view.Wheel(MidX(page.list), MidY(page.list), -1, {});
    EXPECT_TRUE(!firstCardShown() && Model().Undefined().entries.size() > loaded);
    for (int i = 0; i < 100; ++i) view.Wheel(MidX(page.list), MidY(page.list), 1, {});
    EXPECT_TRUE(firstCardShown());
}

}  // namespace
}  // namespace shell::testing
