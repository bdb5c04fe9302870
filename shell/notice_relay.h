#pragma once

#include <functional>
#include <memory>

#include "shell/platform.h"
#include "update/update_notice.h"

namespace shell {

// Carries an update notice from the checker's thread to the window's thread, where `show` runs.
// Once this object is gone (the platform with it), a notice is dropped.
class NoticeRelay {
public:
    NoticeRelay(Platform& platform, std::function<void(update::UpdateNotice)> show);
    ~NoticeRelay();
    NoticeRelay(const NoticeRelay&) = delete;
    NoticeRelay& operator=(const NoticeRelay&) = delete;

    // What the checker thread hands its notice to; safe to call from any thread at any time.
    std::function<void(update::UpdateNotice)> Deliverer() const;

private:
    struct Link;
    std::shared_ptr<Link> link_;
};

}  // namespace shell
