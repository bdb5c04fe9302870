#include "update/update_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "update/update_log.h"
#include "update/update_notice.h"

namespace update {
namespace {

// A feed is a few hundred bytes; anything this large is not one.
constexpr std::size_t kMaxFeedBytes = 1 << 20;

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& body = *static_cast<std::string*>(user);
    const std::size_t bytes = size * count;
    if (body.size() + bytes > kMaxFeedBytes) return 0;  // aborts the transfer
    body.append(data, bytes);
    return bytes;
}

// Strict UTF-8: no overlong forms, surrogates or code points above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned lead = byte(i);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        unsigned code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return false;
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        static constexpr unsigned kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// The session's settings: identity, HTTPS only (redirects too), verified TLS, the time-outs.
CURLcode ConfigureSession(CURL* curl, const UpdateEndpoint& endpoint, std::string* body) {
    CURLcode code = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK) code = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_USERAGENT, std::string(kUserAgent).c_str());
    set(CURLOPT_PROTOCOLS_STR, "https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 10L);
    set(CURLOPT_NOSIGNAL, 1L);  // name resolution must not use signals on a worker thread
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    // libcurl times name resolution, connection and TLS handshake as one phase.
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(endpoint.resolveTimeoutMs + endpoint.connectTimeoutMs));
    // Sending and receiving stop once no byte has moved for the longer of their time-outs.
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME,
        static_cast<long>((std::max(endpoint.sendTimeoutMs, endpoint.receiveTimeoutMs) + 999) / 1000));
    set(CURLOPT_WRITEFUNCTION, &AppendBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(body));
    if (!endpoint.caFile.empty()) set(CURLOPT_CAINFO, endpoint.caFile.c_str());
    return code;
}

// The feed from one path, or empty text.
std::string RequestPath(CURL* curl, CURLU* url, std::string_view feedPath, std::string& body) {
    const std::string path(feedPath);
    body.clear();
    if (const CURLUcode code = curl_url_set(url, CURLUPART_PATH, path.c_str(), 0); code != CURLUE_OK) {
        UpdateLog("Update check: invalid feed path '%s': %s.", path.c_str(), curl_url_strerror(code));
        return {};
    }
    if (const CURLcode code = curl_easy_setopt(curl, CURLOPT_CURLU, url); code != CURLE_OK) {
        UpdateLog("Update check: could not set the request for '%s': %s.", path.c_str(), curl_easy_strerror(code));
        return {};
    }
    // libcurl's own detail ("Could not resolve host: ...", the certificate problem) says more than its code.
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
    long status = 0, sent = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &sent);
    if (code != CURLE_OK) {
        const char* stage = status != 0 ? "reading the response" : sent > 0 ? "waiting for the response" : "connecting";
        UpdateLog("Update check: GET '%s' failed while %s: %s (curl error %d).", path.c_str(), stage,
                  detail[0] != 0 ? detail : curl_easy_strerror(code), static_cast<int>(code));
        return {};
    }
    if (status < 200 || status > 299) {
        UpdateLog("Update check: unexpected HTTP status %lu for '%s'.", static_cast<unsigned long>(status),
                  path.c_str());
        return {};
    }
    if (body.empty()) return {};
    if (!IsValidUtf8(body)) {
        UpdateLog("Update check: failed converting UTF-8 response from '%s'.", path.c_str());
        return {};
    }
    UpdateLog("Update check: fetched update feed from '%s'.", path.c_str());
    return body;
}

}  // namespace

std::string FetchUpdateFeed(const UpdateEndpoint& endpoint) {
    static const CURLcode globalInit = curl_global_init(CURL_GLOBAL_DEFAULT);
    std::string body;
    std::unique_ptr<CURL, EasyDeleter> curl(globalInit == CURLE_OK ? curl_easy_init() : nullptr);
    const CURLcode opened = !curl ? (globalInit != CURLE_OK ? globalInit : CURLE_FAILED_INIT)
                                  : ConfigureSession(curl.get(), endpoint, &body);
    if (opened != CURLE_OK) {
        UpdateLog("Update check: could not start a libcurl session: %s.", curl_easy_strerror(opened));
        return {};
    }
    // The host and port, checked once before any path is asked for.
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    const std::string host = endpoint.host.find(':') != std::string::npos ? '[' + endpoint.host + ']' : endpoint.host;
    const std::string port = std::to_string(endpoint.port);
    CURLUcode connected = url ? CURLUE_OK : CURLUE_OUT_OF_MEMORY;
    if (connected == CURLUE_OK) connected = curl_url_set(url.get(), CURLUPART_SCHEME, "https", 0);
    if (connected == CURLUE_OK) connected = curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0);
    if (connected == CURLUE_OK) connected = curl_url_set(url.get(), CURLUPART_PORT, port.c_str(), 0);
    if (connected != CURLUE_OK) {
        UpdateLog("Update check: invalid update address '%s': %s.", endpoint.Authority().c_str(),
                  curl_url_strerror(connected));
        return {};
    }
    for (std::string_view path : kFeedPaths)
        if (std::string feed = RequestPath(curl.get(), url.get(), path, body); !feed.empty()) return feed;
    return {};
}

}  // namespace update
