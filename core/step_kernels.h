#pragma once

#include <cstddef>
#include <cstdint>

#include "core/life_tile.h"

namespace core {

// Next state of every inner cell of a padded window; indices fit in 32 bits.
using StepKernelFn = void (*)(int width, int height, int stride, int stateCount,
                              const std::uint8_t* window, const std::uint8_t* table,
                              std::uint8_t* result);
// Trail values of `count` cells from their previous and next states, in place; returns how many
// are non-zero.
using HistoryKernelFn = std::uint32_t (*)(std::size_t count, const std::uint8_t* previousCells,
                                          const std::uint8_t* nextCells, std::uint16_t* values);

// Keys of a neighbour-count table: the base-9 number of the neighbours in states 1 .. n - 1, below
// 9^(n - 1); the table holds one such range per centre state.
constexpr std::uint32_t CountKeyRange(int stateCount) {
    std::uint32_t range = 1;
    for (int s = 1; s < stateCount; ++s) range *= 9;
    return range;
}

enum class KernelVariant { Scalar, Sse42, Avx, Avx2, Avx512 };

struct KernelSet {
    StepKernelFn step;
    HistoryKernelFn history;
    LifeTileFn lifeTile;
    // StepKernelFn's layout, for four to six states, with a neighbour-count table.
    StepKernelFn countStep;
};

// Each set lives in its own translation unit built for its instruction set; call one only
// when IsKernelVariantSupported says the processor has it.
KernelSet ScalarKernels();
KernelSet Sse42Kernels();
KernelSet AvxKernels();
KernelSet Avx2Kernels();
KernelSet Avx512Kernels();

KernelSet KernelsFor(KernelVariant variant);
// Levels 2..12 pick a vector variant; below that (and the many-core level 7) the scalar one.
KernelVariant KernelVariantForLevel(int level);
bool IsKernelVariantSupported(KernelVariant variant);

// Dispatch through pointers chosen on first use from CpuFeatureLevel.
void StepDenseKernel(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                     const std::uint8_t* table, std::uint8_t* result);
void StepCountKernel(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                     const std::uint8_t* table, std::uint8_t* result);
std::uint32_t HistoryKernel(std::size_t count, const std::uint8_t* previousCells, const std::uint8_t* nextCells,
                            std::uint16_t* values);

}  // namespace core
