#include "formats/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace formats {
namespace {

FileFailure Failed(FileFailure::Stage stage) { return {stage, errno}; }

}  // namespace

std::optional<FileFailure> WriteFileAtomically(const std::filesystem::path& path, const std::string& contents) {
    using Stage = FileFailure::Stage;
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp = (folder / (path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Failed(Stage::Open);
    // mkstemp makes the file private; give it the mode a plain create would, or the old file's.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    std::optional<FileFailure> failure;
    std::size_t written = 0;
    while (!failure && written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) failure = FileFailure{Stage::Write, n < 0 ? errno : ENOSPC};
        else written += static_cast<std::size_t>(n);
    }
    if (!failure && ::fsync(fd) != 0) failure = Failed(Stage::Write);
    if (::close(fd) != 0 && !failure) failure = Failed(Stage::Write);
    if (!failure && std::rename(temp.c_str(), path.c_str()) != 0) failure = Failed(Stage::Open);
    if (failure) std::remove(temp.c_str());
    return failure;
}

std::optional<FileFailure> ReadWholeFile(const std::filesystem::path& path, std::string& text, std::size_t maxBytes) {
    using Stage = FileFailure::Stage;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failed(Stage::Open);
    std::string out;
    char buffer[1 << 16];
    std::optional<FileFailure> failure;
    while (out.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - out.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = Failed(Stage::Read);  // a folder, or an I/O error
            break;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!failure) text = std::move(out);
    return failure;
}

}  // namespace formats
