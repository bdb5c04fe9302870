#include "formats/atomic_file.h"
#include "tests/shell/shell_fixture.h"

namespace shell::testing {
namespace {

class CensusPanelTest : public ShellTest {
protected:
    // Life, from an RLE whose header names it.
    void UseLife() {
        const std::string rle = ::testing::TempDir() + "tavrix_census_life.rle";
        ASSERT_FALSE(formats::WriteFileAtomically(rle, "x = 3, y = 1, rule = B3/S23\n3o!\n"));
        platform.openPath = rle;
        view.Command(command::kImportGolly);
        ASSERT_EQ(Model().Doc().rule.stateCount, 2);
    }
    void PressCensus() { ClickAt(L().censusBar.left + 10, MidY(L().censusBar)); }
};

TEST_F(CensusPanelTest, RunsInTheBackgroundListsWhatItFoundAndPastesAnObjectIntoANewTab) {
    UseLife();
    PressCensus();
    ExpectTexts({"Cancel", "Census: 0 / 500 soups"});
    ASSERT_EQ(platform.background.size(), 1u);
    // The editor goes on while the census runs: the viewer steps.
    view.KeyDown(Press(Key::Space));
    platform.FinishBackgroundWork();
    ExpectTexts({"Census", "Close", "xs4_33", "still life", "xp2_7", "oscillator, period 2"});

    const std::size_t tabs = Model().Doc().tabs.size();
    // Most common first: the block.
    ClickAt(MidX(L().viewerGrid), L().viewerGrid.top + 20);
    ASSERT_EQ(Model().Doc().tabs.size(), tabs + 1);
    EXPECT_EQ(CurrentTab().name, "xs4_33");
    int live = 0;
    CurrentTab().startGrid.ForEachChunk([&](std::int32_t, std::int32_t, const core::Chunk64& c) { live += c.liveCount; });
    EXPECT_EQ(live, 4);

    Click(RectF{L().censusBar.right - 20, L().censusBar.top, L().censusBar.right, L().censusBar.bottom});
    EXPECT_FALSE(Shows("xs4_33"));
}

TEST_F(CensusPanelTest, CancelKeepsWhatWasCountedAndADesktopClosingEndsTheRun) {
    UseLife();
    PressCensus();
    PressCensus();  // Cancel
    platform.FinishBackgroundWork();
    ExpectTexts({"Census", "(cancelled)"});
    PressCensus();
    platform.FinishBackgroundWork(/*stop=*/true);
    EXPECT_FALSE(Shows("Cancel"));
}

}  // namespace
}  // namespace shell::testing
