#include "shell/rule_editor_page.h"

#include <tuple>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

TEST(RuleEditorPageLayoutTest, ControlRowsAndColumns) {
    struct Case {
        float width;
        bool viewer;
        bool oneRow;
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
        EXPECT_EQ(l.takeMinrule.top == l.checkbox.top, c.oneRow) << c.width;
        EXPECT_EQ(l.columns, c.columns) << c.width;
        EXPECT_GE(l.cardWidth, 120) << c.width;
        EXPECT_FLOAT_EQ(l.randomize.right, c.width - 16);
        EXPECT_FLOAT_EQ(l.status.bottom, l.list.top - 8);
        EXPECT_GE(l.list.top, 192);
    }
    const RuleEditorPageLayout l = LayOutRuleEditorPage({0, 0, 1000, 800}, false);
    EXPECT_FLOAT_EQ(l.takeMinrule.right, l.randomize.left - 12);
    EXPECT_FLOAT_EQ(CardRect(l, 1, 0).left, l.list.left + l.cardWidth + 12);
    EXPECT_FLOAT_EQ(CardRect(l, std::size_t(l.columns), 50).top, l.list.top - 50 + 122);
    EXPECT_EQ(CardAt(l, 0, l.list.left + 5, l.list.top + 5), 0);
    EXPECT_EQ(CardAt(l, 0, l.list.left + 5, l.list.top + 115), -1);  // in the gap between rows
    EXPECT_FLOAT_EQ(CardListHeight(l, 0), 0);
    EXPECT_FLOAT_EQ(CardListHeight(l, std::uint64_t(l.columns) + 1), 2 * 122 - 12);
}

class RuleEditorPageTest : public ShellTest {
protected:
    RuleEditorPageTest() { Click(view.layout.directEditorTab); }
};

TEST_F(RuleEditorPageTest, StatusCardsAndMinrule) {
    ASSERT_TRUE(view.RuleEditorPageShown());
    const RecordingCanvas canvas = Draw();
    for (const std::string& text : {view.UndefinedStatus(), std::string("Enable Ctrl+M Minrule"),
                                    std::string("Take Minrule")})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    ASSERT_FALSE(view.editor.Undefined().entries.empty());

    const RuleEditorPageLayout page = view.PageLayout();
    const authoring::UndefinedEntry first = view.editor.Undefined().entries[0];
    Click(CardRect(page, 0, 0));
    EXPECT_NE(view.editor.Doc().rule.table[first.index], first.output);

    Click(page.takeMinrule);  // every free transition goes to 0; they stay free
    EXPECT_EQ(std::tuple(view.editor.Doc().rule.table[first.index], view.editor.Undefined().entries[0].output,
                         view.editor.UnsavedChanges()),
              std::tuple(0, 0, true));
    EXPECT_GT(view.editor.Undefined().count, 0u);
}

TEST_F(RuleEditorPageTest, CheckboxGuardsCtrlM) {
    Click(view.PageLayout().checkbox);
    view.KeyDown(Press(Key::M, true));
    EXPECT_EQ(std::tuple(view.ctrlMinruleEnabled, platform.beeps), std::tuple(false, 1));
}

TEST_F(RuleEditorPageTest, WheelScrollsTheListAndLoadsCards) {
    const RuleEditorPageLayout page = view.PageLayout();
    const std::size_t loaded = view.editor.Undefined().entries.size();
    for (int i = 0; i < 40; ++i) view.Wheel(MidX(page.list), MidY(page.list), -1, {});
    EXPECT_TRUE(view.ruleListScroll > 0 && view.editor.Undefined().entries.size() > loaded);
    for (int i = 0; i < 100; ++i) view.Wheel(MidX(page.list), MidY(page.list), 1, {});
    EXPECT_FLOAT_EQ(view.ruleListScroll, 0);
}

}  // namespace
}  // namespace shell::testing
