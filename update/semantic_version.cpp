#include "update/semantic_version.h"

#include <algorithm>
#include <limits>

#include "update/text_trim.h"

namespace update {
namespace {

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Splits at every `separator`; "" gives one empty part.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

bool ParseNumber(std::string_view digits, std::uint32_t& value) {
    if (digits.empty() || !AllDigits(digits)) return false;
    std::uint64_t v = 0;
    for (char c : digits) {
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > std::numeric_limits<std::uint32_t>::max()) return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareIdentifiers(const PreReleaseIdentifier& a, const PreReleaseIdentifier& b) {
    if (a.numeric != b.numeric) return a.numeric ? -1 : 1;
    if (a.numeric && a.text.size() != b.text.size()) return a.text.size() < b.text.size() ? -1 : 1;
    return Sign(a.text.compare(b.text));
}

}  // namespace

SemanticVersion ParseSemanticVersion(std::string_view text) {
    SemanticVersion version;
    text = Trimmed(text);
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.remove_prefix(1);
    text = text.substr(0, text.find('+'));
    const std::size_t dash = text.find('-');
    const std::vector<std::string_view> core = Split(text.substr(0, dash), '.');
    std::uint32_t* fields[] = {&version.major, &version.minor, &version.patch};
    for (std::size_t i = 0; i < core.size(); ++i) {
        std::uint32_t value = 0;
        if (!ParseNumber(core[i], value)) return version;
        if (i < 3) *fields[i] = value;
    }
    if (dash != std::string_view::npos) {
        for (std::string_view part : Split(text.substr(dash + 1), '.')) {
            const bool numeric = !part.empty() && AllDigits(part);
            if (numeric) part.remove_prefix(std::min(part.find_first_not_of('0'), part.size() - 1));
            version.preRelease.push_back({numeric, std::string(part)});
        }
    }
    version.valid = true;
    return version;
}

int CompareSemanticVersions(const SemanticVersion& a, const SemanticVersion& b) {
    const std::uint32_t left[] = {a.major, a.minor, a.patch}, right[] = {b.major, b.minor, b.patch};
    for (int i = 0; i < 3; ++i)
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    // A release ranks above every pre-release of the same core.
    if (a.preRelease.empty() != b.preRelease.empty()) return a.preRelease.empty() ? 1 : -1;
    const std::size_t shared = std::min(a.preRelease.size(), b.preRelease.size());
    for (std::size_t i = 0; i < shared; ++i)
        if (const int c = CompareIdentifiers(a.preRelease[i], b.preRelease[i])) return c;
    return Sign(static_cast<int>(a.preRelease.size()) - static_cast<int>(b.preRelease.size()));
}

}  // namespace update
