// Output quantisation: each mixed sample gets a random dither of up to one
// unit in the last place of the output format at its own magnitude, shaped so
// the output carries the first difference of the dither sequence, and is
// rounded to the output format.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/Rounding.h"

namespace glowmarsh {

// The binary exponent e of value = f * 2^e with 0.5 <= |f| < 1, read from the
// bits: what frexp answers for every finite value (0 for zero); 0 for NaN and
// infinities.
inline int binaryExponent(double value) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>(bits >> 52) & 0x7FF;
    if (static_cast<unsigned>(biased - 1) < 0x7FEu) {
        return biased - 1022;
    }
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;
    if (biased == 0x7FF || fraction == 0) {
        return 0;
    }
    return (64 - std::countl_zero(fraction)) - 1074;  // subnormal: fraction * 2^-1074
}

inline int binaryExponent(float value) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const int biased = static_cast<int>(bits >> 23) & 0xFF;
    if (static_cast<unsigned>(biased - 1) < 0xFEu) {
        return biased - 126;
    }
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    if (biased == 0xFF || fraction == 0) {
        return 0;
    }
    return (32 - std::countl_zero(fraction)) - 149;  // subnormal: fraction * 2^-149
}

// Whether long double is x87's extended type (64-bit significand), whose
// sums the vector output stage reproduces without forming them.
constexpr bool kExtendedIsX87 = std::numeric_limits<long double>::digits == 64;

namespace dither {

// 2147483647 * 2^86 exactly: with the 2^(e + 62) below, a draw of r becomes
// r / 2147483647 * 2^(e - 24).
constexpr double kDivisor = 1.6615349939574323e+35;
static_assert(kDivisor == 2147483647.0 * 0x1p86);
constexpr int kExponentOffset = 62;
constexpr long double kDoubleScale = 0x1p-29L;  // from float ulps to double ulps
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// r / divisor * 2^power. Multiplying by the exact power of two rounds once,
// as ldexp does (and as pow(2.0, power) times it does wherever that is
// finite); only powers past the double range (|mix| at or above 2^961)
// need ldexp.
inline double scaled(std::int32_t random, int power) {
    const double fraction = static_cast<double>(random) / kDivisor;
    if (power > 1023) {
        return std::ldexp(fraction, power);
    }
    return fraction * std::bit_cast<double>(static_cast<std::uint64_t>(power + 1023) << 52);
}

}  // namespace dither

// random is a draw from rand(), 0 to 2147483647; ditherShape is the
// channel's memory of the dither it added in the previous frame. Inline: they
// run twice a frame. The smallest power is 2^-1011 (e = -1073), a normal double.
inline float quantiseToFloat(double mix, long double& ditherShape, std::int32_t random) {
    const double dither = dither::scaled(random, binaryExponent(toFloat(mix)) + dither::kExponentOffset);
    const long double sum = static_cast<long double>(mix) + (static_cast<long double>(dither) - ditherShape);
    ditherShape = dither;
    return toFloat(static_cast<double>(sum));
}

inline double quantiseToDouble(double mix, long double& ditherShape, std::int32_t random) {
    const long double dither = static_cast<long double>(dither::scaled(random, binaryExponent(mix) + dither::kExponentOffset)) *
                               dither::kDoubleScale;
    const long double sum = static_cast<long double>(mix) + (dither - ditherShape);
    ditherShape = dither;
    return static_cast<double>(sum);
}

// The pieces of the two functions above, out of line, for the output-stage
// kernels of the wider SIMD levels, which form the dither of many frames at
// once and fall back to these where their shortcut does not apply.
// ditherOf: the dither for a value whose exponent sets its span (the mixed
// sample itself, or for the 32-bit call that sample rounded to float).
double ditherOf(double value, std::int32_t random);
// The output sample from the mixed sample, the extended dither of this frame
// and that of the previous frame, rounded as the two functions above round it.
float extendedSumToFloat(double mix, long double dither, long double ditherShape);
double extendedSumToDouble(double mix, long double dither, long double ditherShape);

// The same with the library's frexp and ldexp, as the reference engine runs it.
float quantiseToFloatReference(double mix, long double& ditherShape, std::int32_t random);
double quantiseToDoubleReference(double mix, long double& ditherShape, std::int32_t random);

}  // namespace glowmarsh
