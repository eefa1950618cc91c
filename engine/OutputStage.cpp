#include "engine/OutputStage.h"

#include <cmath>

namespace glowmarsh {

namespace {

// The binary exponent from the library: 0 for NaN and infinities, so the
// dither stays a finite, defined value.
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

// ldexp gives the same bits as multiplying by pow(2.0, e + 62) wherever that
// power is finite, and stays finite where the power alone would overflow.
double ditherFor(int exponent, std::int32_t random) {
    return std::ldexp(static_cast<double>(random) / dither::kDivisor, exponent + dither::kExponentOffset);
}

}  // namespace

double ditherOf(double value, std::int32_t random) {
    return dither::scaled(random, binaryExponent(value) + dither::kExponentOffset);
}

float extendedSumToFloat(double mix, long double dither, long double ditherShape) {
    return toFloat(static_cast<double>(static_cast<long double>(mix) + (dither - ditherShape)));
}

double extendedSumToDouble(double mix, long double dither, long double ditherShape) {
    return static_cast<double>(static_cast<long double>(mix) + (dither - ditherShape));
}

float quantiseToFloatReference(double mix, long double& ditherShape, std::int32_t random) {
    const double dither = ditherFor(exponentOf(toFloat(mix)), random);
    const long double sum = static_cast<long double>(mix) + (static_cast<long double>(dither) - ditherShape);
    ditherShape = dither;
    return toFloat(static_cast<double>(sum));
}

double quantiseToDoubleReference(double mix, long double& ditherShape, std::int32_t random) {
    const long double dither = static_cast<long double>(ditherFor(exponentOf(mix), random)) * dither::kDoubleScale;
    const long double sum = static_cast<long double>(mix) + (dither - ditherShape);
    ditherShape = dither;
    return static_cast<double>(sum);
}

}  // namespace glowmarsh
