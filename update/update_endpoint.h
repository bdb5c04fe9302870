#pragma once

#include <string>
#include <string_view>

namespace update {

// Where the feed is asked for and how long each step may take.
struct UpdateEndpoint {
    std::string host;    // a name or address; empty turns the check off
    int port = 443;
    std::string caFile;  // certificate authorities to trust; empty: the system's
    int resolveTimeoutMs = 3000;
    int connectTimeoutMs = 3000;
    int sendTimeoutMs = 5000;
    int receiveTimeoutMs = 5000;

    // host, or host:port when the port is not 443: what relative feed URLs are resolved against.
    std::string Authority() const;
};

// "host" or "host:port" ("[v6]:port" for an IPv6 address); false when the port is not 1..65535.
bool ParseUpdateAuthority(std::string_view authority, UpdateEndpoint& endpoint);

// The update host: $TAVRIX_UPDATE_HOST when set and not empty, else `settingsHost` (the settings
// file's update_host) when not empty, else the one this build was configured with; none means no
// check. The certificate authorities: $TAVRIX_UPDATE_CA_FILE, else the build's, else the system's.
UpdateEndpoint ConfiguredUpdateEndpoint(std::string_view settingsHost, const char* environmentHost,
                                        const char* environmentCaFile);
UpdateEndpoint ConfiguredUpdateEndpoint(std::string_view settingsHost);

}  // namespace update
