#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "formats/file_failure.h"

namespace formats {

// Writes a temporary file beside `path`, syncs it and renames it over the target, so an
// interrupted or failed write never destroys the file that was there. The file gets the old
// file's mode, or the mode a plain create would give. On failure no temporary file is left and
// the result says where it stopped: Open when the folder takes no new file or the target cannot
// be replaced, Write when writing, syncing or closing failed (a full disk).
std::optional<FileFailure> WriteFileAtomically(const std::filesystem::path& path, const std::string& contents);

inline bool TryWriteFileAtomically(const std::filesystem::path& path, const std::string& contents) {
    return !WriteFileAtomically(path, contents);
}

// The whole file, or where reading stopped; at most `maxBytes` are read.
std::optional<FileFailure> ReadWholeFile(const std::filesystem::path& path, std::string& text,
                                         std::size_t maxBytes = static_cast<std::size_t>(-1));

}  // namespace formats
