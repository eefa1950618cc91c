// What differs between the two precisions: the guard's counters and the
// output stage. Everything else runs the same steps with the same roundings.
#pragma once

#include <cstdint>

#include "engine/InputGuard.h"
#include "engine/Kernels.h"
#include "engine/OutputStage.h"

namespace glowmarsh {

template <typename Sample>
struct SamplePath;

template <>
struct SamplePath<float> {
    static NoiseCounters& noise() { return floatCallNoise(); }
    static void quantise(const Kernels& kernels, const QuantiseJob& job, float* out) {
        kernels.quantiseFloat(job, out);
    }
    static float quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToFloatReference(mix, shape, random);
    }
};

template <>
struct SamplePath<double> {
    static NoiseCounters& noise() { return doubleCallNoise(); }
    static void quantise(const Kernels& kernels, const QuantiseJob& job, double* out) {
        kernels.quantiseDouble(job, out);
    }
    static double quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToDoubleReference(mix, shape, random);
    }
};

}  // namespace glowmarsh
