#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "update/semantic_version.h"
#include "update/text_trim.h"
#include "update/update_feed.h"

namespace {

bool Trimmed(const std::string& s) { return s.empty() || (!update::IsSpace(s.front()) && !update::IsSpace(s.back())); }

bool Absolute(const std::string& url) {
    std::string head = url.substr(0, 8);
    for (char& c : head) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return url.empty() || head.starts_with("http://") || head == "https://";
}

void CheckOrder(std::string_view a, std::string_view b) {
    const update::SemanticVersion x = update::ParseSemanticVersion(a), y = update::ParseSemanticVersion(b);
    if (!x.valid || !y.valid) return;
    if (update::CompareSemanticVersions(x, x) != 0) __builtin_trap();
    if (update::CompareSemanticVersions(x, y) != -update::CompareSemanticVersions(y, x)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const update::UpdateFeed feed = update::ParseUpdateFeed(text, "updates.example");
    for (const std::string* s : {&feed.latestVersion, &feed.minimumSupportedVersion, &feed.notes})
        if (!Trimmed(*s)) __builtin_trap();
    for (const std::string* url : {&feed.downloadUrl, &feed.detailsUrl, &feed.changelogUrl})
        if (!Trimmed(*url) || !Absolute(*url)) __builtin_trap();
    CheckOrder(feed.latestVersion, feed.minimumSupportedVersion);
    CheckOrder(text.substr(0, size / 2), text.substr(size / 2));
    return 0;
}
