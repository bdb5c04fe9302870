#include "core/kernels/kernel_body.h"

namespace core {

KernelSet ScalarKernels() { return {StepKernelImpl, HistoryKernelImpl, LifeTileImpl, CountStepImpl}; }

}  // namespace core
