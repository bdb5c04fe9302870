#include "shell/color_editor.h"

#include <cstdio>
#include <filesystem>

#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class ColorEditorTest : public ShellTest {
protected:
    ColorEditorTest() { view.Command(command::kEditColors); }
    ColorEditorLayout Editor() const {
        const Layout& l = L();
        return LayOutColorEditor({l.ruleColumn.left, l.tabBar.top, l.ruleColumn.right, l.ruleColumn.bottom}, 3);
    }
};

TEST(ColorSettingTest, StepsClampAndRefuse) {
    struct Case {
        int row, direction, steps;
        float expected;
    } cases[] = {
        {0, -1, 20, 0.05f},  // broken marker opacity never reaches 0
        {6, -1, 20, 0.03f},  // keyframe brightness stops at 0.03
        {2, 1, 30, 1.0f},
        {5, 1, 300, 253},
        {5, -1, 300, 1},
    };
    for (const Case& c : cases) {
        Appearance a;
        for (int i = 0; i < c.steps; ++i) StepColorSetting(a, c.row, c.direction);
        EXPECT_NEAR(ColorSettingValue(a, c.row), c.expected, 1e-5) << c.row;
        EXPECT_FALSE(StepColorSetting(a, c.row, c.direction)) << c.row;
    }
}

TEST_F(ColorEditorTest, SwatchesTextsAndDone) {
    const RecordingCanvas canvas = Draw();
    for (const char* text : {"Color Editor", "Click a state color to edit it.", "Broken marker appearance",
                             "Locked cell appearance", "Trail appearance", "Tint", "Keyframe", "45%", "62%", "30%",
                             "T+32", "Restore Default Colors", "Done", "2"})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    Click(Editor().done);
    EXPECT_EQ(Draw().FindText("Color Editor"), nullptr);
}

TEST_F(ColorEditorTest, PickingAColourIsUndoable) {
    const authoring::Color before = Model().Doc().colors[2];
    platform.pickAnswer = Rgb{255, 0, 0};
    Click(Editor().swatches[2]);
    ASSERT_EQ(platform.pickInitial.size(), 1u);
    EXPECT_EQ(platform.pickInitial[0], (Rgb{0, 255, 255}));
    EXPECT_EQ(Model().Doc().colors[2], (authoring::Color{1, 0, 0, 1}));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Model().Doc().colors[2], before);
    platform.pickAnswer.reset();
    Click(Editor().swatches[1]);
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1, 1, 1, 1}));
    platform.pickAnswer = Rgb{1, 2, 3};
    Click(Editor().swatches[1]);
    Click(Editor().restore);
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1, 1, 1, 1}));
    view.KeyDown(Press(Key::Z, true));
    EXPECT_EQ(Model().Doc().colors[1], (authoring::Color{1 / 255.0f, 2 / 255.0f, 3 / 255.0f, 1}));
}

TEST_F(ColorEditorTest, SteppersSaveTheSettingsOrBeep) {
    const std::string path = ::testing::TempDir() + "tavrix_shell_colors.ini";
    std::remove(path.c_str());
    view.UseSettingsFile(path);
    Click(Editor().plus[2]);
    EXPECT_NE(Draw().FindText("35%"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(path));
    for (int i = 0; i < 10; ++i) Click(Editor().plus[4]);  // trail opacity 50 % to 100 %
    std::remove(path.c_str());
    Click(Editor().plus[4]);
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    // While playing, presses in the editor are ignored.
    view.KeyDown(Press(Key::Enter));
    Click(Editor().minus[2]);
    EXPECT_NE(Draw().FindText("35%"), nullptr);
}

}  // namespace
}  // namespace shell::testing
