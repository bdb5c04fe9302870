#pragma once

// A fresh folder per test, files written into it, and the command line run in process.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/editor.h"
#include "cli/cli_app.h"
#include "formats/session_file.h"
#include "tests/support/test_helpers.h"

namespace cli::testing {

namespace fs = std::filesystem;

using testsupport::ReadText;

class CliTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        testsupport::WriteText(dir_ / name, text);
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

    testsupport::TempDir tmp_;
    const fs::path dir_ = tmp_.path;
    std::ostringstream out_, err_;
};

}  // namespace cli::testing
