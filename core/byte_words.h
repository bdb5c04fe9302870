#pragma once

#include <cstdint>

namespace core {

// The top bit of each byte of `word` that is non-zero, every other bit clear. Exact for each byte:
// unlike a subtraction, the addition cannot carry from one byte into the next.
constexpr std::uint64_t NonZeroByteTops(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
    return (((word & kLow7) + kLow7) | word) & ~kLow7;
}

}  // namespace core
