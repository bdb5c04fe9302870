#include "cli/cli_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats/rle.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tavrix-cli-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunCli(args, out_, err_);
    }

    // A two-state rule where a cell is born with exactly one live neighbour to its east.
    std::string EastRule() {
        return Write("East.rule",
                     "@RULE East\n@TABLE\nn_states:2\nneighborhood:Moore\nsymmetries:none\n"
                     "0,0,0,1,0,0,0,0,0,1\n1,0,0,0,0,0,0,0,0,0\n");
    }

    fs::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(CliTest, RunPatternAndWriteItsFinalGeneration) {
    const std::string rule = EastRule();
    const std::string pattern = Write("p.rle", "x = 1, y = 1, rule = East\no!\n");
    const std::string output = (dir_ / "out.rle").string();
    ASSERT_EQ(Run({"run", rule, "--pattern", pattern, "--generations", "3", "--output", output}), 0) << err_.str();
    // The cell moves one step west per generation.
    EXPECT_EQ(out_.str().rfind("generations=3 population=1 seconds=", 0), 0u) << out_.str();
    std::ifstream in(output);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "#CXRLE Pos=-3,0\nx = 1, y = 1, rule = East\no!\n");
    const formats::RlePattern back = formats::ParseRle(text.str());
    EXPECT_EQ(back.cells, (std::vector<formats::RleCell>{{0, 0, 1}}));
}

TEST_F(CliTest, SoupDefaultsAreDeterministic) {
    const std::string rule = EastRule();
    ASSERT_EQ(Run({"run", rule, "--generations", "0"}), 0) << err_.str();
    const std::string first = out_.str();
    EXPECT_EQ(first.rfind("generations=0 population=", 0), 0u);
    // Density 1 - 1/2 over 256 x 256 cells: about half of them live.
    const long population = std::stol(first.substr(first.find("population=") + 11));
    EXPECT_GT(population, 30000);
    EXPECT_LT(population, 35500);
    ASSERT_EQ(Run({"run", rule, "--generations", "0", "--soup", "256", "--seed", "1"}), 0);
    EXPECT_EQ(out_.str().substr(0, out_.str().find("seconds")), first.substr(0, first.find("seconds")));
    ASSERT_EQ(Run({"run", rule, "--generations", "0", "--soup", "16", "--density", "1"}), 0);
    EXPECT_EQ(out_.str().rfind("generations=0 population=256 ", 0), 0u);
}

TEST_F(CliTest, FailuresExitWithOneAndWriteNoOutput) {
    const std::string rule = EastRule();
    const std::string output = (dir_ / "never.rle").string();
    const std::string threeStates = Write("p3.rle", "x = 1, y = 1\nB!\n");
    EXPECT_EQ(Run({"run", rule, "--pattern", threeStates, "--output", output}), 1);
    EXPECT_EQ(err_.str(), "This RLE uses state 2, but the current rule only has 2 states.\n");
    EXPECT_EQ(Run({"run", (dir_ / "missing.rule").string()}), 1);
    EXPECT_EQ(err_.str(), "Could not open the Golly rule file.\n");
    EXPECT_EQ(Run({"run", Write("bad.rule", "no table here\n"), "--output", output}), 1);
    EXPECT_EQ(err_.str(), "The Golly rule file does not contain an @TABLE section.\n");
    EXPECT_EQ(Run({"run", rule, "--soup", "8"}), 1);
    EXPECT_EQ(Run({"run", rule, "--generations", "-1"}), 1);
    EXPECT_EQ(Run({"run", rule, "--density", "0.5x"}), 1);
    EXPECT_EQ(Run({"run", rule, "--bogus", "1"}), 1);
    EXPECT_EQ(Run({"run", rule, "--pattern"}), 1);
    EXPECT_EQ(Run({"run", rule, "--output", (dir_ / "no-such-dir" / "x.rle").string()}), 1);
    EXPECT_EQ(Run({"frobnicate"}), 1);
    EXPECT_EQ(Run({}), 1);
    EXPECT_FALSE(fs::exists(output));
    // Nothing but the inputs is left in the folder: no temporary files either.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
    EXPECT_EQ(files, 3);
}

TEST_F(CliTest, ExportFormats) {
    const std::string rule = EastRule();
    ASSERT_EQ(Run({"export", rule, "--format", "rulestring"}), 0);
    EXPECT_EQ(out_.str().rfind("MAP", 0), 0u);
    EXPECT_EQ(out_.str().size(), 90u);
    ASSERT_EQ(Run({"export", rule, "--format", "ruletable"}), 0);
    EXPECT_EQ(out_.str().rfind("n_states:2\nneighborhood:Moore\nsymmetries:none\n\n", 0), 0u);
    const std::string d8 = Write("Iso.rule", "@TABLE\nn_states:2\nsymmetries:rotate4reflect\n0,1,1,1,0,0,0,0,0,1\n");
    ASSERT_EQ(Run({"export", d8, "--format", "rulestring"}), 0);
    EXPECT_EQ(out_.str(), "B3a/S012345678\n");
    const std::string three = Write("Three.rule", "@TABLE\nn_states:3\n");
    EXPECT_EQ(Run({"export", three, "--format", "rulestring"}), 1);
    EXPECT_EQ(err_.str(),
              "Hensel and MAP export are only supported for 2-state rules. Use ruletable export for this multistate "
              "rule.\n");
    EXPECT_EQ(Run({"export", rule, "--format", "png"}), 1);
    EXPECT_EQ(Run({"export", rule}), 1);
}

TEST_F(CliTest, BinaryReportsFailureThroughItsExitStatus) {
    const std::string command = std::string(TAVRIX_CLI_PATH) + " run " + (dir_ / "missing.rule").string() + " 2>" +
                                (dir_ / "err.txt").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream in(dir_ / "err.txt");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Could not open the Golly rule file.");
}

}  // namespace
}  // namespace cli
