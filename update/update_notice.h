#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/version.h"
#include "update/update_feed.h"

namespace update {

// The program's own version and how the checker names itself to the update host.
inline constexpr std::string_view kCurrentVersion = core::kVersion;
inline constexpr std::string_view kUserAgent = "Tavrix Update Checker/0.2.0-alpha";
static_assert(kUserAgent.ends_with(kCurrentVersion));

// What the window tells the user about a newer build.
struct UpdateNotice {
    bool required = false;
    std::string currentVersion, latestVersion;
    std::string downloadUrl, detailsUrl, changelogUrl, notes;
};

// A notice when the feed announces a build ranking strictly above `currentVersion`; required
// when `currentVersion` ranks below a parsable minimum supported version. Logs its reasoning.
std::optional<UpdateNotice> DecideUpdateNotice(const UpdateFeed& feed,
                                               std::string_view currentVersion = kCurrentVersion);

}  // namespace update
