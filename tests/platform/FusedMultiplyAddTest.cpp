// The engine's fused multiply-add, through the function the engine calls and
// through the exact integer method alone (also on CPUs with the instruction):
// worked hard cases, then many random operands against a reference that
// rounds once (glibc's fma, or the instruction under Windows).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "engine/FusedMultiplyAdd.h"

namespace {

using glowmarsh::fusedMultiplyAdd, glowmarsh::fusedMultiplyAddSoftware;

constexpr double kInf = HUGE_VAL, kMax = 0x1.fffffffffffffp1023;
constexpr double kTiny = 0x1p-1074;  // smallest subnormal
constexpr double kOdd = 0x1.8p53;    // 3 * (2^52 + k) = kOdd + 3k: a tie at ulp 2 for odd k

// Same bits, or both NaN.
bool same(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (std::isnan(x) && std::isnan(y));
}

struct Case { const char* what; double a, b, c, want; };

const Case kCases[] = {
    {"product's tail kept (two roundings give 0)", 1 + 0x1p-30, 1 + 0x1p-30, -(1 + 0x1p-29), 0x1p-60},
    {"exact cancellation is +0", -3.0, 5.0, 15.0, 0.0},
    {"tie to even, down", 3.0, 0x1p52 + 1, 2.0, kOdd + 4},
    {"tie to even, up", 3.0, 0x1p52 + 1, 4.0, kOdd + 8},
    {"tie (to even: down) broken up by an addend far below", 3.0, 0x1p52 + 3, 0x1p-1000, kOdd + 10},
    {"tie (to even: up) broken down by an addend just below", 3.0, 0x1p52 + 1, -0x1p-73, kOdd + 2},
    {"rounding carries into the next binade", 0x1p27 + 1, 0x1p27 - 1, 0.5, 0x1p54},
    {"product past the largest double, sum back inside", kMax, 2.0, -kMax, kMax},
    {"halfway past the largest double overflows", kMax, 1.0, 0x1p970, kInf},
    {"just under halfway stays finite", kMax, 1.0, 0x1.fffffffffffffp969, kMax},
    {"half the smallest subnormal plus it ties up to even", 0x1p-538, 0x1p-537, kTiny, 0x1p-1073},
    {"minus it ties down to -0", 0x1p-538, 0x1p-537, -kTiny, -0.0},
    {"subnormal sum of a product's tail", 1 + 0x1p-52, 0x1p-1030, kTiny, 0x1p-1030 + kTiny},
    {"product underflowing to -0 with a +0 addend", 0x1p-600, -0x1p-600, 0.0, -0.0},
    {"finite product beyond the double range, -inf addend", kMax, kMax, -kInf, -kInf},
    {"infinity times zero", kInf, 0.0, 1.0, NAN},
    {"opposite infinities", kInf, 2.0, -kInf, NAN},
    {"NaN addend", 1.0, 2.0, NAN, NAN},
};

TEST(FusedMultiplyAdd, HardCasesRoundOnce) {
    for (const Case& row : kCases) {
        EXPECT_PRED2(same, fusedMultiplyAddSoftware(row.a, row.b, row.c), row.want) << row.what << " (integer method)";
        EXPECT_PRED2(same, fusedMultiplyAdd(row.a, row.b, row.c), row.want) << row.what;
    }
}

// A value of 1 to 53 random significant bits (short ones make exact products
// and ties common) near 2^exponent, either sign.
double randomValue(std::mt19937_64& random, int exponent) {
    const int width = 1 + static_cast<int>(random() % 53);
    const double significand = static_cast<double>((random() >> (64 - width)) | 1u);
    return std::ldexp(random() & 1 ? -significand : significand, exponent - width);
}

TEST(FusedMultiplyAdd, RandomOperandsMatchAReferenceThatRoundsOnce) {
#if defined(__GLIBC__)
    double (*reference)(double, double, double) = [](double a, double b, double c) { return std::fma(a, b, c); };
#else
    if (!glowmarsh::cpuHasFma) GTEST_SKIP() << "no reference: this CPU has no FMA instruction";
    double (*reference)(double, double, double) = glowmarsh::fusedMultiplyAddHardware;
#endif
    std::mt19937_64 random(12);
    for (long i = 0; i < GLOWMARSH_FMA_CASES; ++i) {
        // Products over the whole range and past it, addends near them (down
        // to exact cancellation) or anywhere; every eighth case raw bits.
        const int product = static_cast<int>(random() % 2300) - 1200, first = static_cast<int>(random() % 1400) - 700;
        double a = randomValue(random, first), b = randomValue(random, product - first);
        const double negated = -(a * b), toward[] = {-kInf, negated, kInf};
        double c = random() % 4 ? randomValue(random, product - 60 + static_cast<int>(random() % 120))
                                : std::nextafter(negated, toward[random() % 3]);
        if (i % 8 == 0) {
            a = std::bit_cast<double>(random()), b = std::bit_cast<double>(random()), c = std::bit_cast<double>(random());
        }
        const double want = reference(a, b, c);
        if (!same(fusedMultiplyAddSoftware(a, b, c), want) || !same(fusedMultiplyAdd(a, b, c), want)) {
            FAIL() << std::hexfloat << "case " << i << ": " << a << " * " << b << " + " << c << " should be " << want;
        }
    }
}

}  // namespace
