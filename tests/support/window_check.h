#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/rule_table.h"
#include "core/step_grid.h"
#include "core/step_kernels.h"

namespace testsupport {

// A padded window: width x height cells, rows `stride` apart.
struct WindowShape {
    int width, height, stride;
};

// Steps a random window of each shape with step(width, height, stride, window, result) and with
// the plain lookup of `table`, cells drawn by draw(rng). Returns the first shape where the two
// differ, a byte past the result included, as "width x height"; empty when they agree throughout.
template <class Draw, class Step>
std::string FirstWindowMismatch(const core::Rule& table, const std::vector<WindowShape>& shapes, std::mt19937& rng,
                                Draw draw, Step step) {
    for (const WindowShape& s : shapes) {
        std::vector<std::uint8_t> window(static_cast<std::size_t>(s.stride) * s.height);
        for (auto& c : window) c = draw(rng);
        const std::size_t outSize = s.width >= 3 && s.height >= 3 ? std::size_t(s.width - 2) * (s.height - 2) : 0;
        std::vector<std::uint8_t> expected(outSize + 1, 0xEE), got(outSize + 1, 0xEE);
        core::StepNaiveWindow(table, s.width, s.height, s.stride, window.data(), expected.data());
        step(s.width, s.height, s.stride, window.data(), got.data());
        if (got != expected) return std::to_string(s.width) + "x" + std::to_string(s.height);
    }
    return {};
}

// The kernel variants this processor can run, the scalar one first.
inline std::vector<core::KernelVariant> SupportedKernelVariants() {
    std::vector<core::KernelVariant> supported;
    for (auto v : {core::KernelVariant::Scalar, core::KernelVariant::Sse42, core::KernelVariant::Avx,
                   core::KernelVariant::Avx2, core::KernelVariant::Avx512})
        if (core::IsKernelVariantSupported(v)) supported.push_back(v);
    return supported;
}

// Cells of states 0 .. stateCount - 1, evenly.
inline auto AnyState(int stateCount) {
    return [stateCount](std::mt19937& rng) { return static_cast<std::uint8_t>(rng() % stateCount); };
}

}  // namespace testsupport
