#include "core/kernels/kernel_body.h"

namespace core {

KernelSet AvxKernels() { return {StepKernelImpl, HistoryKernelImpl, LifeTileImpl, CountStepImpl}; }

}  // namespace core
