#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/chunk_grid.h"
#include "core/rule_table.h"

namespace cli {

struct LoadedRule {
    core::Rule rule;
    std::string name;  // written into RLE headers
    // A session's source grid, the default start of a run.
    std::optional<core::ChunkGrid> sourceGrid;
};

inline constexpr std::string_view kSessionMagic = "TAVSESS1";
inline constexpr const char* kSessionFailure = "Failed to load the session.\n\n";

// A Golly ruletable, or a session recognised by its first bytes.
LoadedRule LoadRule(const std::string& path);

}  // namespace cli
