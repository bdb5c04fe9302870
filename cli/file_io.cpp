#include "cli/file_io.h"

#include "formats/atomic_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace cli {

std::string ReadWholeFile(const std::string& path, const char* openMessage, const char* readMessage) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(openMessage);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error(readMessage);
    return text;
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    if (!formats::TryWriteFileAtomically(path, contents))
        throw std::runtime_error("Could not write the file " + path + ".");
}

}  // namespace cli
