#include "core/kernels/kernel_body.h"

namespace core {

KernelSet Sse42Kernels() { return {StepKernelImpl, HistoryKernelImpl, LifeTileImpl, CountStepImpl}; }

}  // namespace core
