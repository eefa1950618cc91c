#include "engine/Kernels.h"

namespace glowmarsh {

namespace {
// SSE2 has no fused multiply-add: its smoothing stays scalar. The plain
// C++ and SSE2 sets guard and quantise frame by frame.
constexpr Kernels kPortable{sumTapRunPortable, smoothPortable};
#if GLOWMARSH_X86_KERNELS
constexpr Kernels kSse2{sumTapRunSse2, smoothPortable, sumQuietRunSse2};
constexpr Kernels kAvx2{sumTapRunAvx2,  smoothAvx2,        sumQuietRunAvx2,   guardFloatAvx2,
                        guardDoubleAvx2, quantiseFloatAvx2, quantiseDoubleAvx2};
constexpr Kernels kAvx512{sumTapRunAvx512,  smoothAvx512,        sumQuietRunAvx512,   guardFloatAvx512,
                          guardDoubleAvx512, quantiseFloatAvx512, quantiseDoubleAvx512};
#endif
}  // namespace

const Kernels& kernelsFor(SimdLevel level) {
#if GLOWMARSH_X86_KERNELS
    switch (level) {
        case SimdLevel::avx512: return kAvx512;
        case SimdLevel::avx2: return kAvx2;
        case SimdLevel::sse2: return kSse2;
        case SimdLevel::portable: break;
    }
#else
    (void)level;
#endif
    return kPortable;
}

}  // namespace glowmarsh
