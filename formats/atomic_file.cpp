#include "formats/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace formats {

bool TryWriteFileAtomically(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp = (folder / (path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
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
    if (!ok) std::remove(temp.c_str());
    return ok;
}


}  // namespace formats
