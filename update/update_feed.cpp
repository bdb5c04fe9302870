#include "update/update_feed.h"

#include <optional>

#include "update/text_trim.h"

namespace update {
namespace {

// Where the value of the first "key" in the text starts: after the next ':' and white space.
std::optional<std::string_view> ValueOf(std::string_view text, std::string_view key) {
    const std::string quoted = '"' + std::string(key) + '"';
    const std::size_t at = text.find(quoted);
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t colon = text.find(':', at + quoted.size());
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view rest = text.substr(colon + 1);
    while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
    return rest;
}

// A quoted string with the escapes \b \f \n \r \t; a backslash before any other character
// stands for that character (so \u0041 reads "u0041"). Unterminated: absent.
std::string ReadString(std::string_view text, std::string_view key) {
    const auto rest = ValueOf(text, key);
    if (!rest || rest->empty() || rest->front() != '"') return {};
    std::string value;
    for (std::size_t i = 1; i < rest->size(); ++i) {
        char c = (*rest)[i];
        if (c == '"') return value;
        if (c == '\\') {
            if (++i == rest->size()) break;
            switch (c = (*rest)[i]) {
                case 'b': c = '\b'; break;
                case 'f': c = '\f'; break;
                case 'n': c = '\n'; break;
                case 'r': c = '\r'; break;
                case 't': c = '\t'; break;
                default: break;
            }
        }
        value += c;
    }
    return {};
}

bool ReadBool(std::string_view text, std::string_view key) {
    const auto rest = ValueOf(text, key);
    return rest && rest->starts_with("true");
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string AbsoluteUrl(std::string_view value, std::string_view authority) {
    value = Trimmed(value);
    if (value.empty() || StartsWithNoCase(value, "http://") || StartsWithNoCase(value, "https://"))
        return std::string(value);
    std::string url = "https://" + std::string(authority);
    if (value.front() != '/') url += '/';
    return url += value;
}

}  // namespace

UpdateFeed ParseUpdateFeed(std::string_view text, std::string_view authority) {
    UpdateFeed feed;
    feed.updateAvailable = ReadBool(text, "updateAvailable");
    feed.latestVersion = Trimmed(ReadString(text, "latestVersion"));
    feed.minimumSupportedVersion = Trimmed(ReadString(text, "minimumSupportedVersion"));
    feed.notes = Trimmed(ReadString(text, "notes"));
    feed.downloadUrl = AbsoluteUrl(ReadString(text, "downloadUrl"), authority);
    feed.detailsUrl = AbsoluteUrl(ReadString(text, "detailsUrl"), authority);
    feed.changelogUrl = AbsoluteUrl(ReadString(text, "changelogUrl"), authority);
    return feed;
}

}  // namespace update
