#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "formats/atomic_file.h"

namespace formats {
namespace {

namespace fs = std::filesystem;
using Stage = FileFailure::Stage;

// Runs `write` under a file size limit, as a full disk would stop it part way.
template <class F>
auto UnderSizeLimit(F write) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tight);
    auto result = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return result;
}

TEST(AtomicFile, FailuresSayWhereTheyStoppedAndKeepTheOldFile) {
    const fs::path dir = fs::temp_directory_path() / ("tavrix-atomic-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder");
    const fs::path file = dir / "kept.txt";
    ASSERT_FALSE(WriteFileAtomically(file, "old"));
    const std::string big(4096, 'x');
    const struct { fs::path target; bool limit; Stage stage; int error; } cases[] = {
        {dir / "missing" / "a.txt", false, Stage::Open, ENOENT},
        {dir / "folder", false, Stage::Open, EISDIR},
        {file, true, Stage::Write, EFBIG},
    };
    for (const auto& c : cases) {
        const auto failure = c.limit ? UnderSizeLimit([&] { return WriteFileAtomically(c.target, big); })
                                     : WriteFileAtomically(c.target, big);
        ASSERT_TRUE(failure) << c.target;
        EXPECT_EQ(std::pair(failure->stage, failure->error), std::pair(c.stage, c.error)) << c.target;
        EXPECT_FALSE(SystemReason(*failure).empty());
    }
    std::string text;
    ASSERT_FALSE(ReadWholeFile(file, text));
    EXPECT_EQ(text, "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no temporaries
    ASSERT_FALSE(ReadWholeFile(file, text, 2));
    EXPECT_EQ(text, "ol");
    const auto missing = ReadWholeFile(dir / "none", text);
    ASSERT_TRUE(missing);
    EXPECT_EQ(std::tuple(missing->stage, missing->error, SystemReason(*missing)),
              std::tuple(Stage::Open, ENOENT, std::string("No such file or directory")));
    const auto folder = ReadWholeFile(dir / "folder", text);
    ASSERT_TRUE(folder);
    EXPECT_EQ(std::pair(folder->stage, folder->error), std::pair(Stage::Read, EISDIR));
    EXPECT_EQ(text, "ol");  // a failed read leaves the text as it was
    fs::remove_all(dir);
}

}  // namespace
}  // namespace formats
