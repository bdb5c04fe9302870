#include "update/update_notice.h"

#include "update/semantic_version.h"
#include "update/update_log.h"

namespace update {

std::optional<UpdateNotice> DecideUpdateNotice(const UpdateFeed& feed, std::string_view currentVersion) {
    const std::string current(currentVersion);
    UpdateLog("Update check: latest version is '%s' (current '%s', updateAvailable=%s).",
              feed.latestVersion.empty() ? "<missing>" : feed.latestVersion.c_str(), current.c_str(),
              feed.updateAvailable ? "true" : "false");
    if (!feed.updateAvailable || feed.latestVersion.empty()) return std::nullopt;
    const SemanticVersion own = ParseSemanticVersion(current);
    const SemanticVersion latest = ParseSemanticVersion(feed.latestVersion);
    if (!own.valid || !latest.valid) {
        UpdateLog("Update check: failed parsing versions. current='%s' latest='%s'.", current.c_str(),
                  feed.latestVersion.c_str());
        return std::nullopt;
    }
    if (CompareSemanticVersions(latest, own) <= 0) return std::nullopt;
    UpdateNotice notice{false,           current,         feed.latestVersion, feed.downloadUrl,
                        feed.detailsUrl, feed.changelogUrl, feed.notes};
    if (!feed.minimumSupportedVersion.empty()) {
        const SemanticVersion minimum = ParseSemanticVersion(feed.minimumSupportedVersion);
        notice.required = minimum.valid && CompareSemanticVersions(own, minimum) < 0;
    }
    return notice;
}

}  // namespace update
