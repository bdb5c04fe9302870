#pragma once

#include "shell/platform.h"
#include "update/update_notice.h"

namespace shell {

// Tells the user about a newer build and opens the download or learn-more page they choose.
void ShowUpdateNotice(Platform& platform, const update::UpdateNotice& notice);

}  // namespace shell
