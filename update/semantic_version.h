#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace update {

// One dot-separated pre-release identifier. A numeric one keeps its digits without leading
// zeros, so values of any length compare exactly.
struct PreReleaseIdentifier {
    bool numeric = false;
    std::string text;
    friend bool operator==(const PreReleaseIdentifier&, const PreReleaseIdentifier&) = default;
};

struct SemanticVersion {
    std::uint32_t major = 0, minor = 0, patch = 0;
    std::vector<PreReleaseIdentifier> preRelease;
    bool valid = false;
};

// "v1.2.3-beta.2+build": a leading v, build metadata and a missing minor or patch are accepted;
// a core part that is empty, not decimal or beyond 32 bits makes the version invalid.
SemanticVersion ParseSemanticVersion(std::string_view text);

// Semantic Versioning 2.0.0 precedence: -1, 0 or 1.
int CompareSemanticVersions(const SemanticVersion& a, const SemanticVersion& b);

}  // namespace update
