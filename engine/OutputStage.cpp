#include "engine/OutputStage.h"

#include <cmath>

#include "engine/Rounding.h"

namespace glowmarsh {

namespace {

// 2147483647 * 2^86 exactly: with the 2^(e + 62) below, a draw of r becomes
// r / 2147483647 * 2^(e - 24).
constexpr double kDitherDivisor = 1.6615349939574323e+35;
static_assert(kDitherDivisor == 2147483647.0 * 0x1p86);
constexpr int kExponentOffset = 62;
constexpr long double kDoubleScale = 0x1p-29L;  // from float ulps to double ulps

// The binary exponent of a finite value (0 for zero); NaN and infinities get
// 0 so the dither stays a finite, defined value.
int exponentOf(float value) {
    int e = 0;
    const float fraction = std::frexp(value, &e);
    return std::isfinite(fraction) ? e : 0;
}

int exponentOf(double value) {
    int e = 0;
    const double fraction = std::frexp(value, &e);
    return std::isfinite(fraction) ? e : 0;
}

// r / divisor * 2^(e + 62). ldexp gives the same bits as multiplying by
// pow(2.0, e + 62) wherever that power is finite, and stays finite where the
// power alone would overflow (|mix| at or above 2^961).
double ditherFor(int exponent, std::int32_t random) {
    return std::ldexp(static_cast<double>(random) / kDitherDivisor, exponent + kExponentOffset);
}

}  // namespace

float quantiseToFloat(double mix, long double& ditherShape, std::int32_t random) {
    const double dither = ditherFor(exponentOf(toFloat(mix)), random);
    const long double sum = static_cast<long double>(mix) + (static_cast<long double>(dither) - ditherShape);
    ditherShape = dither;
    return toFloat(static_cast<double>(sum));
}

double quantiseToDouble(double mix, long double& ditherShape, std::int32_t random) {
    const long double dither = static_cast<long double>(ditherFor(exponentOf(mix), random)) * kDoubleScale;
    const long double sum = static_cast<long double>(mix) + (dither - ditherShape);
    ditherShape = dither;
    return static_cast<double>(sum);
}

}  // namespace glowmarsh
