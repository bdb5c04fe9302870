#include "core/generations_kernel.h"

#include "core/life_like_kernel.h"

namespace core {

std::optional<GenerationsRule> AsGenerations(const Rule& rule) {
    const int n = rule.stateCount;
    if (n < 3 || rule.table.size() != RuleTableSize(n) || rule.table[0] != 0) return std::nullopt;
    // Each entry's neighbourhood, with its number of neighbours in state 1.
    NeighborhoodCounter digits(n);
    int live = 0;
    std::uint16_t seen[2] = {0, 0}, on[2] = {0, 0};
    for (const std::uint8_t next : rule.table) {
        const int centre = digits.Digits()[4];
        if (centre >= 2) {
            if (next != (centre + 1) % n) return std::nullopt;
        } else {
            // Dead: 0 or 1. Alive: 1, or 2 when dying.
            if (next > centre + 1 || next < centre) return std::nullopt;
            const bool alive = next == 1;
            const auto bit = static_cast<std::uint16_t>(1u << live);
            if ((seen[centre] & bit) && ((on[centre] & bit) != 0) != alive) return std::nullopt;
            seen[centre] |= bit;
            if (alive) on[centre] |= bit;
        }
        digits.Next([&](int k, int before, int after) {
            if (k != 4) live += (after == 1) - (before == 1);
        });
    }
    return GenerationsRule{n, on[0], on[1]};
}

void StepGenerationsWindow(const GenerationsRule& rule, int width, int height, int stride,
                           const std::uint8_t* window, std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    StepLiveCellsWindow({rule.birth, rule.survive}, width, height, stride, window, result);
    // Branch-free, so that the compiler steps many cells per instruction: the result holds
    // whether each cell would live by the counts.
    const auto last = static_cast<std::uint8_t>(rule.stateCount - 1);
    const int outWidth = width - 2;
    for (int y = 1; y + 1 < height; ++y) {
        const std::uint8_t* row = window + static_cast<std::ptrdiff_t>(y) * stride + 1;
        std::uint8_t* out = result + static_cast<std::ptrdiff_t>(y - 1) * outWidth;
        for (int x = 0; x < outWidth; ++x) {
            const std::uint8_t state = row[x], lives = out[x];
            const std::uint8_t dying = state == last ? 0 : static_cast<std::uint8_t>(state + 1);
            out[x] = state == 0 ? lives : state == 1 ? static_cast<std::uint8_t>(2 - lives) : dying;
        }
    }
}

}  // namespace core
