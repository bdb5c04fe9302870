#include "core/kernels/kernel_body.h"

namespace core {

KernelSet Avx2Kernels() { return {StepKernelImpl, HistoryKernelImpl, LifeTileImpl, CountStepImpl}; }

}  // namespace core
