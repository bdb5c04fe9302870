#pragma once

#include <cstdint>

namespace core {

// An unbiased draw from 0..range-1 (range >= 1) by multiply-and-reject on 32-bit outputs:
// the high half of output x range, drawing again while the low half falls in the biased part.
template <class Engine>
std::uint32_t DrawBelow(Engine& engine, std::uint32_t range) {
    const std::uint32_t threshold = (0u - range) % range;
    std::uint64_t product = 0;
    do {
        product = static_cast<std::uint64_t>(engine()) * range;
    } while (static_cast<std::uint32_t>(product) < threshold);
    return static_cast<std::uint32_t>(product >> 32);
}

}  // namespace core
