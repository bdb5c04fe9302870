#pragma once

#include <optional>
#include <string>

#include "shell/platform.h"

class QWidget;

namespace app {

// The pattern viewer's modal size and density prompt; nothing when cancelled.
std::optional<shell::Platform::SizeDensity> PromptPatternSize(QWidget* owner, int size, double density);

// The prompt's parsing, kept apart so it reads exactly what the boxes hold.
std::optional<long> ParseWholeNumber(const std::string& text);
std::optional<double> ParseFiniteNumber(const std::string& text);

}  // namespace app
