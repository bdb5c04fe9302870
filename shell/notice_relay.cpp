#include "shell/notice_relay.h"

#include <mutex>

namespace shell {

// The window's side of the line to the checker thread; the platform is cleared when the relay goes.
struct NoticeRelay::Link {
    std::mutex mutex;
    Platform* platform = nullptr;
    std::function<void(update::UpdateNotice)> show;

    Platform* Get() {
        std::lock_guard lock(mutex);
        return platform;
    }
};

NoticeRelay::NoticeRelay(Platform& platform, std::function<void(update::UpdateNotice)> show)
    : link_(std::make_shared<Link>()) {
    link_->platform = &platform;
    link_->show = std::move(show);
}

NoticeRelay::~NoticeRelay() {
    // Waits for a post in progress, so none reaches a platform being destroyed.
    std::lock_guard lock(link_->mutex);
    link_->platform = nullptr;
}

std::function<void(update::UpdateNotice)> NoticeRelay::Deliverer() const {
    return [weak = std::weak_ptr<Link>(link_)](update::UpdateNotice notice) {
        const std::shared_ptr<Link> link = weak.lock();
        if (!link) return;
        std::lock_guard lock(link->mutex);
        if (!link->platform) return;
        link->platform->PostToUiThread([weak, notice = std::move(notice)] {
            const std::shared_ptr<Link> live = weak.lock();
            if (!live || !live->Get()) return;
            live->show(notice);
        });
    };
}

}  // namespace shell
