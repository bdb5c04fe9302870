#include "update/update_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace update {

void UpdateLog(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);
    if (line.empty() || line.back() != '\n') line += '\n';
    // One write per line, so lines of the checker thread never interleave with others.
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace update
