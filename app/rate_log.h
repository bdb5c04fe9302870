#pragma once

#include <cstdint>

namespace shell {
class MainWindowView;
}

namespace app {

// One line "viewer: generation <n>, <r> gen/s" to stderr: the generations since `lastGeneration`
// over `seconds`, which then takes the current generation. Kept apart from the Qt code, whose
// `slots` keyword the model's headers use as a name.
void LogViewerRate(const shell::MainWindowView& view, std::int64_t& lastGeneration, double seconds);

}  // namespace app
