#include "engine/SimdLevel.h"

#include "engine/Kernels.h"

namespace glowmarsh {

namespace {

SimdLevel detectSimdLevel() {
#if GLOWMARSH_X86_KERNELS && defined(GLOWMARSH_SIMD_CEILING_AVX2)
    // A benchmark build that stands for a CPU without AVX-512.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        return SimdLevel::avx2;
    }
#endif
#if GLOWMARSH_X86_KERNELS
    // GCC's CPU model also checks that the OS saves the wider registers.
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) {
        return SimdLevel::avx512;
    }
    if (avx2) {
        return SimdLevel::avx2;
    }
    if (__builtin_cpu_supports("sse2")) {
        return SimdLevel::sse2;
    }
#endif
    return SimdLevel::portable;
}

// Found while the module loads, so processing never waits on a first-use guard.
const SimdLevel detectedLevel = detectSimdLevel();

}  // namespace

SimdLevel bestSimdLevel() {
    return detectedLevel;
}

bool simdLevelSupported(SimdLevel level) {
    return static_cast<int>(level) <= static_cast<int>(detectedLevel);
}

const char* simdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::portable: return "portable";
        case SimdLevel::sse2: return "sse2";
        case SimdLevel::avx2: return "avx2";
        case SimdLevel::avx512: return "avx512";
    }
    return "unknown";
}

}  // namespace glowmarsh
