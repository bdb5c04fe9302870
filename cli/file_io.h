#pragma once

#include <string>

namespace cli {

// Whole file as bytes; throws std::runtime_error with the given messages.
std::string ReadWholeFile(const std::string& path, const char* openMessage, const char* readMessage);

// Writes through a temporary file in the destination's folder renamed over the target, so a
// failed write never leaves a partial file behind.
void WriteFileAtomically(const std::string& path, const std::string& contents);

}  // namespace cli
