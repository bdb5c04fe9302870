#include <atomic>

#include "core/cpu_features.h"
#include "core/step_kernels.h"

namespace core {

KernelVariant KernelVariantForLevel(int level) {
    if (level >= 8) return KernelVariant::Avx512;
    if (level == 5 || level == 6) return KernelVariant::Avx2;
    if (level == 3 || level == 4) return KernelVariant::Avx;
    if (level == 2) return KernelVariant::Sse42;
    return KernelVariant::Scalar;
}

bool IsKernelVariantSupported(KernelVariant variant) {
    const int level = CpuFeatureLevel();
    switch (variant) {
        case KernelVariant::Scalar: return true;
        case KernelVariant::Sse42: return level >= 2;
        case KernelVariant::Avx: return level >= 3;
        case KernelVariant::Avx2: return level >= 5;
        case KernelVariant::Avx512: return level >= 8;
    }
    return false;
}

KernelSet KernelsFor(KernelVariant variant) {
    switch (variant) {
        case KernelVariant::Sse42: return Sse42Kernels();
        case KernelVariant::Avx: return AvxKernels();
        case KernelVariant::Avx2: return Avx2Kernels();
        case KernelVariant::Avx512: return Avx512Kernels();
        case KernelVariant::Scalar: break;
    }
    return ScalarKernels();
}

namespace {

std::atomic<StepKernelFn> gStepKernel{nullptr};
std::atomic<HistoryKernelFn> gHistoryKernel{nullptr};
std::atomic<LifeTileFn> gLifeTile{nullptr};
std::atomic<StepKernelFn> gCountStep{nullptr};

KernelSet ChosenKernels() { return KernelsFor(KernelVariantForLevel(CpuFeatureLevel())); }

// The chosen set's kernel `member`, looked up on first use.
template <class Fn>
Fn Chosen(std::atomic<Fn>& slot, Fn KernelSet::*member) {
    Fn fn = slot.load(std::memory_order_acquire);
    if (!fn) {
        fn = ChosenKernels().*member;
        slot.store(fn, std::memory_order_release);
    }
    return fn;
}

}  // namespace

void StepDenseKernel(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                     const std::uint8_t* table, std::uint8_t* result) {
    Chosen(gStepKernel, &KernelSet::step)(width, height, stride, stateCount, window, table, result);
}

void StepCountKernel(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                     const std::uint8_t* table, std::uint8_t* result) {
    Chosen(gCountStep, &KernelSet::countStep)(width, height, stride, stateCount, window, table, result);
}

std::uint32_t HistoryKernel(std::size_t count, const std::uint8_t* previousCells, const std::uint8_t* nextCells,
                            std::uint16_t* values) {
    return Chosen(gHistoryKernel, &KernelSet::history)(count, previousCells, nextCells, values);
}

std::uint32_t StepLifeTile(const LifeTileRule& rule, const std::uint64_t* const around[9], std::uint64_t* next) {
    return Chosen(gLifeTile, &KernelSet::lifeTile)(rule, around, next);
}

}  // namespace core
