#include "shell/window_update_check.h"

#include <mutex>

#include "shell/update_notice_box.h"
#include "update/update_check.h"

namespace shell {

// The window's side of the line to the checker thread; the platform is cleared when the window goes.
struct WindowUpdateCheck::Link {
    std::mutex mutex;
    Platform* platform = nullptr;

    Platform* Get() {
        std::lock_guard lock(mutex);
        return platform;
    }
};

WindowUpdateCheck::WindowUpdateCheck(Platform& platform) : link_(std::make_shared<Link>()) {
    link_->platform = &platform;
}

WindowUpdateCheck::~WindowUpdateCheck() {
    // Waits for a post in progress, so none reaches a platform being destroyed.
    std::lock_guard lock(link_->mutex);
    link_->platform = nullptr;
}

void WindowUpdateCheck::Start(update::UpdateEndpoint endpoint) {
    update::StartUpdateCheck(std::move(endpoint), Deliverer());
}

std::function<void(update::UpdateNotice)> WindowUpdateCheck::Deliverer() const {
    return [weak = std::weak_ptr<Link>(link_)](update::UpdateNotice notice) {
        const std::shared_ptr<Link> link = weak.lock();
        if (!link) return;
        std::lock_guard lock(link->mutex);
        if (!link->platform) return;
        link->platform->PostToUiThread([weak, notice = std::move(notice)] {
            const std::shared_ptr<Link> live = weak.lock();
            Platform* platform = live ? live->Get() : nullptr;
            if (!platform) return;
            try {
                ShowUpdateNotice(*platform, notice);
            } catch (...) {
                // Nothing of the update check is ever reported to the user as an error.
            }
        });
    };
}

}  // namespace shell
