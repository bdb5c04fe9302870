#pragma once

#include "formats/settings_file.h"

namespace shell {

// Display settings the drawing reads (overlays, broken markers, trails) are the settings file's own
// values; the speed index in it belongs to the pattern viewer.
using Appearance = formats::DisplaySettings;

}  // namespace shell
