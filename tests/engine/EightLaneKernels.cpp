#include "tests/engine/EightLaneKernels.h"

#if GLOWMARSH_X86_KERNELS

#include <immintrin.h>

#include "engine/TargetRegion.h"

GLOWMARSH_TARGET_BEGIN("avx2,fma")

#include "engine/KernelsX86.h"

namespace {

struct PairOfAvx2 {
    static constexpr int kLanes = 8;
    struct Doubles { __m256d low, high; };
    struct Sums { __m128i low, high; };

    static Doubles zero() { return broadcast(0.0); }
    static Doubles load(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
    static void storeDoubles(double* p, Doubles a) {
        _mm256_storeu_pd(p, a.low);
        _mm256_storeu_pd(p + 4, a.high);
    }
    static Doubles broadcast(double v) { return {_mm256_set1_pd(v), _mm256_set1_pd(v)}; }
    static Doubles add(Doubles a, Doubles b) { return {_mm256_add_pd(a.low, b.low), _mm256_add_pd(a.high, b.high)}; }
    static Doubles sub(Doubles a, Doubles b) { return {_mm256_sub_pd(a.low, b.low), _mm256_sub_pd(a.high, b.high)}; }
    static Doubles mul(Doubles a, Doubles b) { return {_mm256_mul_pd(a.low, b.low), _mm256_mul_pd(a.high, b.high)}; }
    static Doubles div(Doubles a, Doubles b) { return {_mm256_div_pd(a.low, b.low), _mm256_div_pd(a.high, b.high)}; }
    static Doubles fmadd(Doubles a, Doubles b, Doubles c) {
        return {_mm256_fmadd_pd(a.low, b.low, c.low), _mm256_fmadd_pd(a.high, b.high, c.high)};
    }
    static Doubles roundToFloat(Doubles a) {
        return {_mm256_cvtps_pd(_mm256_cvtpd_ps(a.low)), _mm256_cvtps_pd(_mm256_cvtpd_ps(a.high))};
    }
    static Doubles addSquare(Doubles sum, Doubles x) { return fmadd(x, x, sum); }
    static bool allBelow(Doubles a, double limit, int lanes) {
        const __m256d bound = _mm256_set1_pd(limit);
        const int below = _mm256_movemask_pd(_mm256_cmp_pd(a.low, bound, _CMP_LT_OQ)) |
                          _mm256_movemask_pd(_mm256_cmp_pd(a.high, bound, _CMP_LT_OQ)) << 4;
        const int want = (1 << lanes) - 1;
        return (below & want) == want;
    }
    static Sums zeroSums() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }
    static Sums truncate(Doubles a) { return {_mm256_cvttpd_epi32(a.low), _mm256_cvttpd_epi32(a.high)}; }
    static Sums addSums(Sums a, Sums b) { return {_mm_add_epi32(a.low, b.low), _mm_add_epi32(a.high, b.high)}; }
    static void store(std::int32_t* p, Sums s) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), s.low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4), s.high);
    }
    static void storeReversed(std::int32_t* p, Sums s) {
        store(p, {_mm_shuffle_epi32(s.high, 0x1B), _mm_shuffle_epi32(s.low, 0x1B)});
    }
};

void sumTapRunEightLanes(const glowmarsh::TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                         std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    glowmarsh::TapRunKernel<PairOfAvx2>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
}

void smoothEightLanes(const glowmarsh::SmoothJob& job) {
    glowmarsh::smoothLanes<PairOfAvx2>(job);
}

}  // namespace

GLOWMARSH_TARGET_END

#endif

namespace enginetest {

const glowmarsh::Kernels* eightLaneKernels() {
#if GLOWMARSH_X86_KERNELS
    static constexpr glowmarsh::Kernels kEightLanes{sumTapRunEightLanes, smoothEightLanes};
    using glowmarsh::simdLevelSupported, glowmarsh::SimdLevel;
    return simdLevelSupported(SimdLevel::avx2) && !simdLevelSupported(SimdLevel::avx512) ? &kEightLanes : nullptr;
#else
    return nullptr;
#endif
}

}  // namespace enginetest
