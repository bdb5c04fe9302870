#include <algorithm>

#include "formats/atomic_file.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class CensusPanelTest : public ShellTest {
protected:
    // Nothing is born and everything lives: each soup is still at once, so a census is quick.
    void UseFrozenRule() {
        const std::string rle = ::testing::TempDir() + "tavrix_census_frozen.rle";
        ASSERT_FALSE(formats::WriteFileAtomically(rle, "x = 3, y = 1, rule = B/S012345678\n3o!\n"));
        platform.openPath = rle;
        view.Command(command::kImportGolly);
        ASSERT_EQ(Model().Doc().rule.stateCount, 2);
    }
    void PressCensus() { ClickAt(L().censusBar.left + 10, MidY(L().censusBar)); }
};

TEST_F(CensusPanelTest, RunsInTheBackgroundListsWhatItFoundAndPastesAnObjectIntoANewTab) {
    UseFrozenRule();
    PressCensus();
    ExpectTexts({"Cancel", "Census: 0 / 500 soups"});
    ASSERT_EQ(platform.background.size(), 1u);
    // The editor goes on while the census runs: the viewer steps.
    view.KeyDown(Press(Key::Space));
    platform.FinishBackgroundWork();
    ExpectTexts({"Census", "Close", "still life"});

    // The first row pastes into a new tab named after it: "xs<population>_...".
    const std::size_t tabs = Model().Doc().tabs.size();
    ClickAt(MidX(L().viewerGrid), L().viewerGrid.top + 20);
    ASSERT_EQ(Model().Doc().tabs.size(), tabs + 1);
    const std::string name = CurrentTab().name;
    ASSERT_EQ(name.substr(0, 2), "xs");
    EXPECT_TRUE(Shows(name));
    EXPECT_EQ(std::to_string(CurrentTab().startGrid.Population()), name.substr(2, name.find('_') - 2));

    Click(RectF{L().censusBar.right - 20, L().censusBar.top, L().censusBar.right, L().censusBar.bottom});
    EXPECT_FALSE(Shows("Close"));
}

TEST_F(CensusPanelTest, CancelKeepsWhatWasCountedAndADesktopClosingEndsTheRun) {
    UseFrozenRule();
    PressCensus();
    PressCensus();  // Cancel
    platform.FinishBackgroundWork();
    const RecordingCanvas canvas = Draw();
    EXPECT_TRUE(std::ranges::any_of(canvas.texts, [](const auto& t) { return t.text.starts_with("Cancelled: "); }));
    PressCensus();
    platform.FinishBackgroundWork(/*stop=*/true);
    EXPECT_FALSE(Shows("Cancel"));
}

}  // namespace
}  // namespace shell::testing
