// An annotated export of a session with pattern and constraint tabs runs in bgolly exactly as
// the session's rule runs in tavrix-cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "authoring/constraint_tab.h"
#include "authoring/editor.h"
#include "cli/cli_app.h"
#include "cli/file_io.h"
#include "formats/rle.h"
#include "formats/session_file.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/rle_cells.h"

namespace cli {
namespace {

namespace fs = std::filesystem;


std::string ReadFile(const std::string& path) { return ReadWholeFile(path, "cannot open", "cannot read"); }

TEST(CliAnnotatedGolly, ExportRunsTheSameGenerationsInBgolly) {
    if (!testsupport::BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    // The constraint tab comes first and fixes its outputs, so its lines and the pattern tabs'
    // records mean in Golly what they mean here.
    authoring::Editor editor(authoring::ViewSize{}, 8);
    editor.NewConstraintTab();
    editor.ClickConstraintSlot(0, 1, authoring::SlotClick::Left, false, false);            // N = 1
    editor.ClickConstraintSlot(0, 7, authoring::SlotClick::Left, false, false);            // S = 1
    editor.ClickConstraintSlot(0, authoring::kOutputSlot, authoring::SlotClick::Left, false, true);  // -> 2
    editor.MakeVariable({1, 2});
    editor.AddConstraintEntry();
    editor.ClickConstraintSlot(1, 4, authoring::SlotClick::Right, false, false);           // C = b
    editor.ClickConstraintSlot(1, authoring::kOutputSlot, authoring::SlotClick::Left, false, false);  // -> 1
    editor.NewPatternTab();
    std::mt19937 rng(4);
    editor.BeginStroke();
    for (int i = 0; i < 30; ++i) editor.PaintStartCell(int(rng() % 7), int(rng() % 7), rng() % 2);
    editor.NewPatternTab();
    editor.BeginStroke();
    for (int i = 0; i < 20; ++i) editor.PaintStartCell(int(rng() % 5), int(rng() % 5), rng() % 2);
    editor.SelectTab(editor.Tabs().size());
    ASSERT_EQ(editor.RandomizeUndefinedTransitions(77), authoring::EditOutcome::Changed);
    ASSERT_EQ(editor.Rule().table[0], 0);

    const fs::path dir = fs::temp_directory_path() / "tavrix-annotated-golly";
    fs::create_directories(dir);
    const fs::path session = dir / "Annotated.tavses";
    const std::vector<std::uint8_t> bytes = formats::SerializeSession(editor.ToSession());
    std::ofstream(session, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"export", session.string(), "--format", "annotated"}, out, err), 0) << err.str();
    const std::string annotated = out.str();
    EXPECT_NE(annotated.find("\n#C Constraint\n"), std::string::npos);
    EXPECT_NE(annotated.find("\n#P \"Untitled\" ("), std::string::npos);

    const int generations = 30;
    const std::string start = (dir / "start.rle").string(), final = (dir / "final.rle").string();
    ASSERT_EQ(RunCli({"run", session.string(), "--soup", "48", "--seed", "3", "--generations", "0", "--output", start},
                     out, err),
              0);
    ASSERT_EQ(RunCli({"run", session.string(), "--soup", "48", "--seed", "3", "--generations",
                      std::to_string(generations), "--output", final},
                     out, err),
              0);
    const auto initial = testsupport::AbsoluteRleCells(ReadFile(start));
    const auto ours = testsupport::AbsoluteRleCells(ReadFile(final));
    const auto theirs = testsupport::RunBgolly({"Annotated", "@RULE Annotated\n" + annotated, 3}, initial, generations);
    fs::remove_all(dir);
    EXPECT_FALSE(ours == initial);
    EXPECT_TRUE(ours == theirs);
}

}  // namespace
}  // namespace cli
