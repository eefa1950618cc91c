// Tap sums and smoothing four frames at a time with AVX2 and FMA.
#include "engine/Kernels.h"

#if GLOWMARSH_X86_KERNELS

#include <immintrin.h>

#include "engine/TargetRegion.h"

GLOWMARSH_TARGET_BEGIN("avx2,fma")

#include "engine/KernelsX86.h"

namespace glowmarsh {

namespace {

struct Avx2 {
    static constexpr int kLanes = 4;
    using Doubles = __m256d;
    using Sums = __m128i;

    static Doubles zero() { return _mm256_setzero_pd(); }
    static Doubles load(const double* p) { return _mm256_loadu_pd(p); }
    static void storeDoubles(double* p, Doubles a) { _mm256_storeu_pd(p, a); }
    static Doubles broadcast(double v) { return _mm256_set1_pd(v); }
    static Doubles add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
    static Doubles sub(Doubles a, Doubles b) { return _mm256_sub_pd(a, b); }
    static Doubles mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }
    static Doubles div(Doubles a, Doubles b) { return _mm256_div_pd(a, b); }
    static Doubles fmadd(Doubles a, Doubles b, Doubles c) { return _mm256_fmadd_pd(a, b, c); }
    static Doubles roundToFloat(Doubles a) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(a)); }
    static Doubles addSquare(Doubles sum, Doubles x) { return _mm256_fmadd_pd(x, x, sum); }
    static bool allBelow(Doubles a, double limit, int lanes) {
        const int want = (1 << lanes) - 1;
        return (_mm256_movemask_pd(_mm256_cmp_pd(a, _mm256_set1_pd(limit), _CMP_LT_OQ)) & want) == want;
    }
    static Sums zeroSums() { return _mm_setzero_si128(); }
    static Sums truncate(Doubles a) { return _mm256_cvttpd_epi32(a); }
    static Sums addSums(Sums a, Sums b) { return _mm_add_epi32(a, b); }
    static void store(std::int32_t* p, Sums s) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), s); }
    static void storeReversed(std::int32_t* p, Sums s) { store(p, _mm_shuffle_epi32(s, 0x1B)); }
};

}  // namespace

void sumTapRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Avx2>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
}

void smoothAvx2(const SmoothJob& job) {
    smoothLanes<Avx2>(job);
}

}  // namespace glowmarsh

GLOWMARSH_TARGET_END

#endif
