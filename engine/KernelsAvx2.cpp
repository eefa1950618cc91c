// Tap sums and smoothing four frames at a time with AVX2 and FMA.
#include "engine/Kernels.h"
#include "engine/OutputStage.h"

#if GLOWMARSH_X86_KERNELS

#include <immintrin.h>

#include "engine/TargetRegion.h"

GLOWMARSH_TARGET_BEGIN("avx2,fma")

#include "engine/GuardX86.h"
#include "engine/KernelsX86.h"
#include "engine/QuantiseX86.h"

namespace glowmarsh {

namespace {

struct Avx2 {
    static constexpr int kLanes = 4;
    using Doubles = __m256d;
    using Sums = __m128i;

    static Doubles zero() { return _mm256_setzero_pd(); }
    static Doubles load(const double* p) { return _mm256_loadu_pd(p); }
    static void storeDoubles(double* p, Doubles a) { _mm256_storeu_pd(p, a); }
    // A load the compiler keeps as one: left alone it folds it into both
    // products of a two-sided tap, loading (and splitting across cache lines) twice.
    static Doubles loadOnce(const double* p) {
        Doubles value = load(p);
        asm("" : "+x"(value));
        return value;
    }
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
    static Sums subSums(Sums a, Sums b) { return _mm_sub_epi32(a, b); }
    static Sums loadSums(const std::int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Sums reverse(Sums s) { return _mm_shuffle_epi32(s, 0x1B); }
    static void store(std::int32_t* p, Sums s) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), s); }
    static void storeReversed(std::int32_t* p, Sums s) { store(p, _mm_shuffle_epi32(s, 0x1B)); }
    // Quiet tap sums (QuietTapKernel): every truncated product is a whole
    // number below 2^30 in magnitude, so the sums are whole-number doubles
    // below 2^38, exact; wrapped to 32 bits at the end (2^31 converts to
    // 0x80000000, its wrapped value). Rounding and adding doubles keeps the
    // work off the conversion unit, which the int32 form loads twice per product.
    using QuietSums = Doubles;
    static constexpr int kQuietVectors = 4;
    static QuietSums zeroQuiet() { return zero(); }
    static QuietSums addQuiet(QuietSums sum, Doubles product) {
        return _mm256_add_pd(sum, _mm256_round_pd(product, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
    }
    static Sums quietSums(QuietSums sum) {
        const Doubles wraps =
            _mm256_round_pd(_mm256_mul_pd(sum, _mm256_set1_pd(0x1p-32)), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        return truncate(_mm256_sub_pd(sum, _mm256_mul_pd(wraps, _mm256_set1_pd(0x1p32))));
    }
    // For the output stage (QuantiseX86.h).
    using Mask = __m256d;
    using Floats = __m128;
    static Doubles abs(Doubles a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    static Doubles powerPart(Doubles a) {
        return _mm256_and_pd(a, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000)));
    }
    static Mask less(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mask lessEqual(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static Mask equal(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static Mask notEqual(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_NEQ_OQ); }
    static Mask both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
    static Mask either(Mask a, Mask b) { return _mm256_or_pd(a, b); }
    static unsigned bits(Mask m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
    static Doubles select(Mask m, Doubles yes, Doubles no) { return _mm256_blendv_pd(no, yes, m); }
    static Doubles fromInts(const std::int32_t* p) {
        return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Floats toFloats(Doubles a) { return _mm256_cvtpd_ps(a); }
    static Doubles widen(Floats a) { return _mm256_cvtps_pd(a); }
    static Doubles loadSamples(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static Doubles loadSamples(const double* p) { return _mm256_loadu_pd(p); }
    static void storeFloats(float* p, Floats a) { _mm_storeu_ps(p, a); }
};

}  // namespace

void sumTapRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Avx2>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
}

void sumQuietRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                  std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                  std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Avx2>::runQuiet(plan, tapOffset, history, lastReadBase, frames, nudges, nudgeCount, sumL, sumR);
}

Loudness guardFloatAvx2(const GuardJob<float>& job) {
    return GuardLanes<Avx2>::guard(job);
}

Loudness guardDoubleAvx2(const GuardJob<double>& job) {
    return GuardLanes<Avx2>::guard(job);
}

void quantiseFloatAvx2(const QuantiseJob& job, float* out) {
    if constexpr (kExtendedIsX87) {
        QuantiseLanes<Avx2>::quantiseFloat(job, out);
    } else {
        quantiseFloatPortable(job, out);
    }
}

void quantiseDoubleAvx2(const QuantiseJob& job, double* out) {
    if constexpr (kExtendedIsX87) {
        QuantiseLanes<Avx2>::quantiseDouble(job, out);
    } else {
        quantiseDoublePortable(job, out);
    }
}

void smoothAvx2(const SmoothJob& job) {
    smoothLanes<Avx2>(job);
}

}  // namespace glowmarsh

GLOWMARSH_TARGET_END

#endif
