#include "update/update_endpoint.h"

#include <cstdlib>

#include "update/update_log.h"

#ifndef TAVRIX_UPDATE_HOST
#define TAVRIX_UPDATE_HOST ""
#endif
#ifndef TAVRIX_UPDATE_CA_FILE
#define TAVRIX_UPDATE_CA_FILE ""
#endif

namespace update {

std::string UpdateEndpoint::Authority() const {
    const bool v6 = host.find(':') != std::string::npos && !host.starts_with('[');
    std::string authority = v6 ? '[' + host + ']' : host;
    return port == 443 ? authority : authority + ':' + std::to_string(port);
}

bool ParseUpdateAuthority(std::string_view authority, UpdateEndpoint& endpoint) {
    endpoint.port = 443;
    const std::size_t colon = authority.rfind(':');
    // A colon inside unbracketed or bracketed IPv6 text is no port separator.
    const bool hasPort = colon != std::string_view::npos &&
                         (authority.find(':') == colon || authority.substr(0, colon).ends_with(']'));
    std::string_view host = hasPort ? authority.substr(0, colon) : authority;
    if (hasPort) {
        const std::string_view digits = authority.substr(colon + 1);
        long port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9' || port > 65535) return false;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return false;
        endpoint.port = static_cast<int>(port);
    }
    if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
    endpoint.host = host;
    return true;
}

UpdateEndpoint ConfiguredUpdateEndpoint(std::string_view settingsHost, const char* environmentHost,
                                        const char* environmentCaFile) {
    // The environment overrides the settings, which override what the build was configured with.
    std::string_view authority = TAVRIX_UPDATE_HOST;
    if (!settingsHost.empty()) authority = settingsHost;
    if (environmentHost != nullptr && *environmentHost != 0) authority = environmentHost;
    UpdateEndpoint endpoint;
    if (!ParseUpdateAuthority(authority, endpoint)) {
        UpdateLog("Update check: invalid update host '%.*s'.", static_cast<int>(authority.size()), authority.data());
        endpoint.host.clear();
    }
    endpoint.caFile = environmentCaFile != nullptr && *environmentCaFile != 0 ? environmentCaFile : TAVRIX_UPDATE_CA_FILE;
    return endpoint;
}

UpdateEndpoint ConfiguredUpdateEndpoint(std::string_view settingsHost) {
    return ConfiguredUpdateEndpoint(settingsHost, std::getenv("TAVRIX_UPDATE_HOST"), std::getenv("TAVRIX_UPDATE_CA_FILE"));
}

}  // namespace update
