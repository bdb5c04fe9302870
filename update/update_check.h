#pragma once

#include <functional>
#include <optional>

#include "update/update_endpoint.h"
#include "update/update_notice.h"

namespace update {

// The whole check on the calling thread: fetch, parse, decide. Without a host it only logs.
std::optional<UpdateNotice> RunUpdateCheck(const UpdateEndpoint& endpoint);

// Runs the check on a detached thread; `deliver` gets the notice on that thread when one is due.
// Nothing of a failure leaves the thread but its log lines.
void StartUpdateCheck(UpdateEndpoint endpoint, std::function<void(UpdateNotice)> deliver);

}  // namespace update
