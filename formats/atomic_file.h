#pragma once

#include <filesystem>
#include <string>

namespace formats {

// Writes a temporary file beside `path`, syncs it and renames it over the target, so an
// interrupted or failed write never destroys the file that was there. The file gets the old
// file's mode, or the mode a plain create would give. Returns false on any failure, leaving
// no temporary file behind.
bool TryWriteFileAtomically(const std::filesystem::path& path, const std::string& contents);

}  // namespace formats
