#include "cli/file_io.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

std::string ReadWholeFile(const std::string& path, const char* openMessage, const char* readMessage) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(openMessage);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error(readMessage);
    return text;
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    const std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp = (folder / (target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw std::runtime_error("Could not write the file " + path + ".");
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
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n <= 0) ok = false;
        else written += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temp.c_str());
        throw std::runtime_error("Could not write the file " + path + ".");
    }
}

}  // namespace cli
