#pragma once

#include <string>
#include <string_view>

#include "update/update_endpoint.h"

namespace update {

// Tried in this order; the first that gives a feed wins.
inline constexpr std::string_view kFeedPaths[] = {"/downloads/latest.json", "/tavrix/downloads/latest.json"};

// The feed text over HTTPS with certificate verification: the body of the first feed path that
// answers 2xx with non-empty UTF-8. Empty on any failure; every step logs one line.
std::string FetchUpdateFeed(const UpdateEndpoint& endpoint);

}  // namespace update
