// The tap sums two frames at a time with SSE2, which every x86-64 CPU has.
#include "engine/Kernels.h"

#if GLOWMARSH_X86_KERNELS

#include <emmintrin.h>

#include "engine/TargetRegion.h"

GLOWMARSH_TARGET_BEGIN("sse2")

#include "engine/KernelsX86.h"

namespace glowmarsh {

namespace {

struct Sse2 {
    static constexpr int kLanes = 2;
    using Doubles = __m128d;
    using Sums = __m128i;  // two int32 lanes in the low half

    static Doubles zero() { return _mm_setzero_pd(); }
    static Doubles load(const double* p) { return _mm_loadu_pd(p); }
    // A load the compiler keeps as one: left alone it folds it into both
    // products of a two-sided tap, loading (and splitting across cache lines) twice.
    static Doubles loadOnce(const double* p) {
        Doubles value = load(p);
        asm("" : "+x"(value));
        return value;
    }
    static Doubles broadcast(double v) { return _mm_set1_pd(v); }
    static Doubles mul(Doubles a, Doubles b) { return _mm_mul_pd(a, b); }
    static Doubles addSquare(Doubles sum, Doubles x) { return _mm_add_pd(sum, _mm_mul_pd(x, x)); }
    static bool allBelow(Doubles a, double limit, int lanes) {
        const int want = (1 << lanes) - 1;
        return (_mm_movemask_pd(_mm_cmplt_pd(a, _mm_set1_pd(limit))) & want) == want;
    }
    static Sums zeroSums() { return _mm_setzero_si128(); }
    static Sums truncate(Doubles a) { return _mm_cvttpd_epi32(a); }
    static Sums addSums(Sums a, Sums b) { return _mm_add_epi32(a, b); }
    static Sums subSums(Sums a, Sums b) { return _mm_sub_epi32(a, b); }
    static Sums loadSums(const std::int32_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
    static Sums reverse(Sums s) { return _mm_shuffle_epi32(s, 0xE1); }
    static void store(std::int32_t* p, Sums s) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), s); }
    static void storeReversed(std::int32_t* p, Sums s) { store(p, _mm_shuffle_epi32(s, 0xE1)); }
    // Quiet tap sums (QuietTapKernel): int32 lanes, four vectors a chunk.
    using QuietSums = Sums;
    static constexpr int kQuietVectors = 4;
    static QuietSums zeroQuiet() { return zeroSums(); }
    static QuietSums addQuiet(QuietSums sum, Doubles product) { return addSums(sum, truncate(product)); }
    static Sums quietSums(QuietSums sum) { return sum; }
};

}  // namespace

void sumTapRunSse2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Sse2>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
}

void sumQuietRunSse2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                     std::int32_t* sumL, std::int32_t* sumR) {
    TapRunKernel<Sse2>::runQuiet(plan, tapOffset, history, lastReadBase, frames, nudges, nudgeCount, sumL, sumR);
}

}  // namespace glowmarsh

GLOWMARSH_TARGET_END

#endif
