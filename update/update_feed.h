#pragma once

#include <string>
#include <string_view>

namespace update {

// The seven keys of the update feed. Texts are trimmed; the three URLs are absolute.
struct UpdateFeed {
    bool updateAvailable = false;
    std::string latestVersion, minimumSupportedVersion, notes;
    std::string downloadUrl, detailsUrl, changelogUrl;
    friend bool operator==(const UpdateFeed&, const UpdateFeed&) = default;
};

// A minimal reader of the seven keys, not a JSON parser: a missing or malformed key leaves its
// field empty or false. Relative URLs are resolved against https://`authority` (host[:port]).
UpdateFeed ParseUpdateFeed(std::string_view text, std::string_view authority);

}  // namespace update
