// What differs between the two precisions: the guard's counters and the
// output stage. Everything else runs the same steps with the same roundings.
#pragma once

#include <cstdint>

#include "engine/InputGuard.h"
#include "engine/OutputStage.h"

namespace glowmarsh {

template <typename Sample>
struct SamplePath;

template <>
struct SamplePath<float> {
    static NoiseCounters& noise() { return floatCallNoise(); }
    static float quantise(double mix, long double& shape, std::int32_t random) {
        return quantiseToFloat(mix, shape, random);
    }
    static float quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToFloatReference(mix, shape, random);
    }
};

template <>
struct SamplePath<double> {
    static NoiseCounters& noise() { return doubleCallNoise(); }
    static double quantise(double mix, long double& shape, std::int32_t random) {
        return quantiseToDouble(mix, shape, random);
    }
    static double quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToDoubleReference(mix, shape, random);
    }
};

}  // namespace glowmarsh
