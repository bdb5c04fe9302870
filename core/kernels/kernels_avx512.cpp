#include "core/kernels/kernel_body.h"

namespace core {

KernelSet Avx512Kernels() { return {StepKernelImpl, HistoryKernelImpl, LifeTileImpl, CountStepImpl}; }

}  // namespace core
