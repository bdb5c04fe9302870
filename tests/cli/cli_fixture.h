#pragma once

// A fresh folder per test, files written into it, and the command line run in process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/editor.h"
#include "cli/cli_app.h"
#include "formats/session_file.h"

namespace cli::testing {

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* unit = ::testing::UnitTest::GetInstance();
        std::string name = std::to_string(unit->random_seed()) + "-" + unit->current_test_info()->test_suite_name() +
                           "-" + unit->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
        dir_ = fs::temp_directory_path() / ("tavrix-cli-test-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }
    std::string Save(const authoring::Editor& editor, const std::string& name) {
        const std::vector<std::uint8_t> bytes = formats::SerializeSession(editor.ToSession());
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunCli(args, out_, err_);
    }

    fs::path dir_;
    std::ostringstream out_, err_;
};

}  // namespace cli::testing
