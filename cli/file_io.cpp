#include "cli/file_io.h"

#include "formats/atomic_file.h"

#include <stdexcept>

namespace cli {

std::string ReadWholeFile(const std::string& path, const char* openMessage, const char* readMessage) {
    std::string text;
    if (const auto failure = formats::ReadWholeFile(path, text))
        throw std::runtime_error(failure->stage == formats::FileFailure::Stage::Open ? openMessage : readMessage);
    return text;
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    if (const auto failure = formats::WriteFileAtomically(path, contents))
        throw std::runtime_error("Could not write the file " + path + ": " + formats::SystemReason(*failure) + ".");
}

}  // namespace cli
