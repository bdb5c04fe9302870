#pragma once

#include <functional>
#include <memory>

#include "shell/platform.h"
#include "update/update_endpoint.h"
#include "update/update_notice.h"

namespace shell {

// The update check of one window: the checker thread's notice is queued to the window's thread
// and shown there. Once this object is gone (the window with it), a notice is dropped.
class WindowUpdateCheck {
public:
    explicit WindowUpdateCheck(Platform& platform);
    ~WindowUpdateCheck();
    WindowUpdateCheck(const WindowUpdateCheck&) = delete;
    WindowUpdateCheck& operator=(const WindowUpdateCheck&) = delete;

    void Start(update::UpdateEndpoint endpoint);
    // What the checker thread hands its notice to; safe to call from any thread at any time.
    std::function<void(update::UpdateNotice)> Deliverer() const;

private:
    struct Link;
    std::shared_ptr<Link> link_;
};

}  // namespace shell
