#pragma once

namespace core {

// Processor feature level 0..12, computed once per process from cpuid and the register
// state the operating system saves. 2 = SSE4.2, 3/4 = AVX, 5/6 = AVX2, 7 = first many-core
// AVX-512 (no usable variant), 8..12 = AVX-512 and later.
int CpuFeatureLevel();

}  // namespace core
