// The neighbour-count step, compiled once per instruction set like the rest of kernel_body.h and
// under the same rule: internal linkage, no standard-library templates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/step_kernels.h"

namespace {

// A state's weight in a neighbourhood's count key: 0 for state 0, 9^(s - 1) for state s, so a
// sum of eight weights is the base-9 number of the neighbours in states 1, 2, ...
constexpr std::uint16_t kCountPowers[] = {1, 9, 81, 729, 6561};

template <int N>
[[gnu::always_inline]] inline std::uint16_t CountWeight(std::uint8_t state) {
    std::uint16_t weight = 0;
    for (int s = 1; s < N; ++s)
        if (state == s) weight = kCountPowers[s - 1];
    return weight;
}

// Weights of many cells at once, compared in 16-bit lanes: written plainly, the compiler compares
// in 32-bit lanes, or branches.
#ifdef __AVX2__
constexpr int kWeightLanes = 16;
#else
constexpr int kWeightLanes = 8;
#endif
using StateLanes = std::uint8_t __attribute__((vector_size(kWeightLanes)));
using WeightLanes = std::uint16_t __attribute__((vector_size(2 * kWeightLanes)));

template <int N>
[[gnu::always_inline]] inline WeightLanes CountWeights(const std::uint8_t* states) {
    StateLanes loaded;
    std::memcpy(&loaded, states, sizeof loaded);
    const WeightLanes wide = __builtin_convertvector(loaded, WeightLanes);
    WeightLanes weight = {};
#pragma GCC unroll 8
    for (int s = 1; s < N; ++s)
        weight += reinterpret_cast<WeightLanes>(wide == static_cast<std::uint16_t>(s)) & kCountPowers[s - 1];
    return weight;
}

// Weights of count + 2 cells of a window row, and their sums in threes.
template <int N>
inline void CountRow(const std::uint8_t* row, int count, std::uint16_t* weight, std::uint16_t* triple) {
    int x = 0;
    for (; x + kWeightLanes <= count + 2; x += kWeightLanes) {
        const WeightLanes w = CountWeights<N>(row + x);
        std::memcpy(weight + x, &w, sizeof w);
    }
    for (; x < count + 2; ++x) weight[x] = CountWeight<N>(row[x]);
    for (x = 0; x < count; ++x) triple[x] = static_cast<std::uint16_t>(weight[x] + weight[x + 1] + weight[x + 2]);
}

// The table's index of each cell is centre * 9^(N - 1) plus the weights of its eight
// neighbours: the triples above and below, and the two cells beside it.
template <int N>
void StepCountRows(int width, int height, int stride, const std::uint8_t* window, const std::uint8_t* table,
                   std::uint8_t* result) {
    // A triple's weights sum to at most 3 * 9^(N - 2): 16 bits hold them up to six states.
    using Sum = std::uint16_t;
    constexpr std::uint32_t kCentreStep = core::CountKeyRange(N);
    if (width < 3 || height < 3) return;
    const int outWidth = width - 2;
    alignas(64) Sum weights[3][kStripWidth + 2];
    alignas(64) Sum triples[3][kStripWidth];
    alignas(64) std::uint32_t index[kStripWidth];
    for (int x0 = 0; x0 < outWidth; x0 += kStripWidth) {
        const int count = outWidth - x0 < kStripWidth ? outWidth - x0 : kStripWidth;
        auto row = [&](int y) { return window + static_cast<std::ptrdiff_t>(y) * stride + x0; };
        CountRow<N>(row(0), count, weights[0], triples[0]);
        CountRow<N>(row(1), count, weights[1], triples[1]);
        for (int y = 1; y + 1 < height; ++y) {
            CountRow<N>(row(y + 1), count, weights[(y + 1) % 3], triples[(y + 1) % 3]);
            const Sum* above = triples[(y - 1) % 3];
            const Sum* below = triples[(y + 1) % 3];
            const Sum* beside = weights[y % 3];
            const std::uint8_t* centre = row(y) + 1;
            for (int x = 0; x < count; ++x)
                index[x] = std::uint32_t{above[x]} + below[x] + beside[x] + beside[x + 2] + centre[x] * kCentreStep;
            Gather(table, index, count, result + static_cast<std::ptrdiff_t>(y - 1) * outWidth + x0);
        }
    }
}

void CountStepImpl(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                   const std::uint8_t* table, std::uint8_t* result) {
    switch (stateCount) {
        case 4: return StepCountRows<4>(width, height, stride, window, table, result);
        case 5: return StepCountRows<5>(width, height, stride, window, table, result);
        case 6: return StepCountRows<6>(width, height, stride, window, table, result);
        default: return;
    }
}

}  // namespace
