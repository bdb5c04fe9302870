#pragma once

#include <optional>
#include <string>

#include "shell/platform.h"

class QWidget;

namespace app {

// The pattern viewer's modal size and density prompt; nothing when cancelled.
std::optional<shell::Platform::SizeDensity> PromptPatternSize(QWidget* owner, int size, double density);

}  // namespace app
