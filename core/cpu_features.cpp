#include "core/cpu_features.h"

#include <atomic>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define TAVRIX_X86 1
#endif

namespace core {

namespace {

#ifdef TAVRIX_X86

struct CpuidRegs {
    unsigned a = 0, b = 0, c = 0, d = 0;
};

CpuidRegs Cpuid(unsigned leaf, unsigned subleaf) {
    CpuidRegs r;
    if (!__get_cpuid_count(leaf, subleaf, &r.a, &r.b, &r.c, &r.d)) return {};
    return r;
}

std::uint64_t EnabledRegisterState() {
    std::uint32_t lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

bool Bit(unsigned value, int bit) { return (value >> bit) & 1u; }

int ComputeLevel() {
    const unsigned maxLeaf = __get_cpuid_max(0, nullptr);
    const CpuidRegs l1 = Cpuid(1, 0);
    if (!Bit(l1.d, 26)) return 0;  // no SSE2: unsupported, treated as the lowest level
    int level = 0;
    if (!Bit(l1.c, 19)) return level;
    level = 1;
    if (!Bit(l1.c, 20)) return level;
    level = 2;
    const bool osxsave = Bit(l1.c, 27);
    const std::uint64_t xcr0 = osxsave ? EnabledRegisterState() : 0;
    const bool osAvx = (xcr0 & 0x6) == 0x6;
    const bool osAvx512 = (xcr0 & 0xE6) == 0xE6;
    if (!(Bit(l1.c, 28) && osAvx)) return level;
    level = 3;
    const bool f16cRdrand = Bit(l1.c, 29) && Bit(l1.c, 30);
    const CpuidRegs l7 = maxLeaf >= 7 ? Cpuid(7, 0) : CpuidRegs{};
    const CpuidRegs l7s1 = (maxLeaf >= 7 && l7.a >= 1) ? Cpuid(7, 1) : CpuidRegs{};
    const bool avx2 = Bit(l7.b, 5);
    if (f16cRdrand && !avx2) return 4;
    if (!(avx2 && f16cRdrand)) return level;
    level = 5;
    if (Bit(l7s1.a, 4)) level = 6;  // AVX-VNNI
    const bool f = Bit(l7.b, 16), dq = Bit(l7.b, 17), pf = Bit(l7.b, 26), er = Bit(l7.b, 27);
    const bool cd = Bit(l7.b, 28), bw = Bit(l7.b, 30), vl = Bit(l7.b, 31);
    if (!osAvx512 || !f) return level;
    if (er && pf && !(bw && dq && vl)) return 7;
    if (!(cd && bw && dq && vl)) return level;
    level = 8;
    if (Bit(l7.c, 1) && Bit(l7.b, 21)) level = 9;                                   // VBMI, IFMA
    if (level == 9 && Bit(l7.c, 6) && Bit(l7.c, 11) && Bit(l7.c, 12)) level = 10;  // VBMI2, VNNI, BITALG
    if (level == 10 && (Bit(l7.d, 23) || Bit(l7s1.a, 5))) level = 11;              // FP16 or BF16
    if (Bit(l7s1.d, 19) && maxLeaf >= 0x24 && (Cpuid(0x24, 0).b & 0xFF) >= 2) level = 12;  // AVX10.2
    return level;
}

#else

int ComputeLevel() { return 0; }

#endif

std::atomic<int> gLevel{-1};

}  // namespace

int CpuFeatureLevel() {
    int level = gLevel.load(std::memory_order_acquire);
    if (level < 0) {
        level = ComputeLevel();
        gLevel.exchange(level, std::memory_order_acq_rel);
    }
    return level;
}

}  // namespace core
