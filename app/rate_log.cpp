#include "app/rate_log.h"

#include <cstdio>

#include "authoring/editor.h"
#include "shell/main_window_view.h"

namespace app {

void LogViewerRate(const shell::MainWindowView& view, std::int64_t& lastGeneration, double seconds) {
    const std::int64_t generation = view.Model().Doc().source.generation;
    const double rate = seconds > 0 ? static_cast<double>(generation - lastGeneration) / seconds : 0.0;
    std::fprintf(stderr, "viewer: generation %lld, %.1f gen/s, last step %.1f ms\n", static_cast<long long>(generation),
                 rate, view.Model().Doc().source.lastStepMilliseconds);
    std::fflush(stderr);
    lastGeneration = generation;
}

}  // namespace app
