#include "update/update_check.h"

#include <exception>
#include <thread>

#include "update/update_fetch.h"
#include "update/update_log.h"

namespace update {

std::optional<UpdateNotice> RunUpdateCheck(const UpdateEndpoint& endpoint) {
    if (endpoint.host.empty()) {
        UpdateLog("Update check: no update host configured.");
        return std::nullopt;
    }
    const std::string text = FetchUpdateFeed(endpoint);
    if (text.empty()) return std::nullopt;
    return DecideUpdateNotice(ParseUpdateFeed(text, endpoint.Authority()));
}

void StartUpdateCheck(UpdateEndpoint endpoint, std::function<void(UpdateNotice)> deliver) {
    try {
        std::thread([endpoint = std::move(endpoint), deliver = std::move(deliver)] {
            try {
                if (auto notice = RunUpdateCheck(endpoint)) deliver(std::move(*notice));
            } catch (const std::exception& error) {
                UpdateLog("Update check: failed (%s).", error.what());
            }
        }).detach();
    } catch (const std::exception& error) {
        UpdateLog("Update check: failed starting its thread (%s).", error.what());
    }
}

}  // namespace update
