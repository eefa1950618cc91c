// Tap sums and smoothing eight frames at a time with AVX-512F and DQ.
#include "engine/Kernels.h"
#include "engine/OutputStage.h"

#if GLOWMARSH_X86_KERNELS

#include <immintrin.h>

#include "engine/TargetRegion.h"

GLOWMARSH_TARGET_BEGIN("avx512f,avx512dq,avx2,fma")

#include "engine/GuardX86.h"
#include "engine/KernelsX86.h"
#include "engine/QuantiseX86.h"

namespace glowmarsh {

namespace {

struct Avx512 {
    static constexpr int kLanes = 8;
    using Doubles = __m512d;
    using Sums = __m256i;

    static Doubles zero() { return _mm512_setzero_pd(); }
    static Doubles load(const double* p) { return _mm512_loadu_pd(p); }
    static void storeDoubles(double* p, Doubles a) { _mm512_storeu_pd(p, a); }
    // A load the compiler keeps as one: left alone it folds it into both
    // products of a two-sided tap, loading (and splitting across cache lines) twice.
    static Doubles loadOnce(const double* p) {
        Doubles value = load(p);
        asm("" : "+v"(value));
        return value;
    }
    static Doubles broadcast(double v) { return _mm512_set1_pd(v); }
    static Doubles add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
    static Doubles sub(Doubles a, Doubles b) { return _mm512_sub_pd(a, b); }
    static Doubles mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }
    static Doubles div(Doubles a, Doubles b) { return _mm512_div_pd(a, b); }
    static Doubles fmadd(Doubles a, Doubles b, Doubles c) { return _mm512_fmadd_pd(a, b, c); }
    // The zero-masked forms: same results, and GCC 12 warns about the plain
    // ones' undefined pass-through operand.
    static Doubles roundToFloat(Doubles a) {
        return _mm512_maskz_cvtps_pd(0xFF, _mm512_maskz_cvtpd_ps(0xFF, a));
    }
    static Doubles addSquare(Doubles sum, Doubles x) { return _mm512_fmadd_pd(x, x, sum); }
    static bool allBelow(Doubles a, double limit, int lanes) {
        const unsigned want = (1u << lanes) - 1u;
        return (_mm512_cmp_pd_mask(a, _mm512_set1_pd(limit), _CMP_LT_OQ) & want) == want;
    }
    static Sums zeroSums() { return _mm256_setzero_si256(); }
    static Sums truncate(Doubles a) { return _mm512_maskz_cvttpd_epi32(0xFF, a); }
    static Sums addSums(Sums a, Sums b) { return _mm256_add_epi32(a, b); }
    static Sums subSums(Sums a, Sums b) { return _mm256_sub_epi32(a, b); }
    static Sums loadSums(const std::int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Sums reverse(Sums s) { return _mm256_permutevar8x32_epi32(s, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }
    static void store(std::int32_t* p, Sums s) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), s); }
    static void storeReversed(std::int32_t* p, Sums s) {
        store(p, _mm256_permutevar8x32_epi32(s, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)));
    }
    // Quiet tap sums (QuietTapKernel): 64-bit lanes, whose low halves are the
    // wrapped 32-bit sums; eight vectors a chunk (AVX-512 has the registers).
    using QuietSums = __m512i;
    static constexpr int kQuietVectors = 8;
    static QuietSums zeroQuiet() { return _mm512_setzero_si512(); }
    static QuietSums addQuiet(QuietSums sum, Doubles product) {
        return _mm512_add_epi64(sum, _mm512_cvttpd_epi64(product));
    }
    static Sums quietSums(QuietSums sum) { return _mm512_maskz_cvtepi64_epi32(0xFF, sum); }
    // For the output stage (QuantiseX86.h).
    using Mask = __mmask8;
    using Floats = __m256;
    static Doubles abs(Doubles a) { return _mm512_abs_pd(a); }
    static Doubles powerPart(Doubles a) {
        return _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(0x7FF0000000000000)));
    }
    static Mask less(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mask lessEqual(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
    static Mask equal(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static Mask notEqual(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_NEQ_OQ); }
    static Mask both(Mask a, Mask b) { return static_cast<Mask>(a & b); }
    static Mask either(Mask a, Mask b) { return static_cast<Mask>(a | b); }
    static unsigned bits(Mask m) { return m; }
    static Doubles select(Mask m, Doubles yes, Doubles no) { return _mm512_mask_blend_pd(m, no, yes); }
    static Doubles fromInts(const std::int32_t* p) {
        return _mm512_maskz_cvtepi32_pd(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    }
    static Floats toFloats(Doubles a) { return _mm512_maskz_cvtpd_ps(0xFF, a); }
    static Doubles widen(Floats a) { return _mm512_maskz_cvtps_pd(0xFF, a); }
    static Doubles loadSamples(const float* p) { return _mm512_maskz_cvtps_pd(0xFF, _mm256_loadu_ps(p)); }
    static Doubles loadSamples(const double* p) { return _mm512_loadu_pd(p); }
    static void storeFloats(float* p, Floats a) { _mm256_storeu_ps(p, a); }
};

}  // namespace

void sumTapRunAvx512(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Avx512>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
}

void sumQuietRunAvx512(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                  std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                  std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Avx512>::runQuiet(plan, tapOffset, history, lastReadBase, frames, nudges, nudgeCount, sumL, sumR);
}

Loudness guardFloatAvx512(const GuardJob<float>& job) {
    return GuardLanes<Avx512>::guard(job);
}

Loudness guardDoubleAvx512(const GuardJob<double>& job) {
    return GuardLanes<Avx512>::guard(job);
}

void quantiseFloatAvx512(const QuantiseJob& job, float* out) {
    if constexpr (kExtendedIsX87) {
        QuantiseLanes<Avx512>::quantiseFloat(job, out);
    } else {
        quantiseFloatPortable(job, out);
    }
}

void quantiseDoubleAvx512(const QuantiseJob& job, double* out) {
    if constexpr (kExtendedIsX87) {
        QuantiseLanes<Avx512>::quantiseDouble(job, out);
    } else {
        quantiseDoublePortable(job, out);
    }
}

void smoothAvx512(const SmoothJob& job) {
    smoothLanes<Avx512>(job);
}

}  // namespace glowmarsh

GLOWMARSH_TARGET_END

#endif
