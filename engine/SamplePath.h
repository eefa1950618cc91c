// What differs between the two precisions: the guard's counters and the
// output stage. Everything else runs the same steps with the same roundings.
#pragma once

#include <cstdint>

#include "engine/InputGuard.h"
#include "engine/Kernels.h"
#include "engine/OutputStage.h"

namespace glowmarsh {

// Stretches shorter than this (blocks of a few frames) guard and quantise
// frame by frame: the vector kernels' set-up would cost more than they save.
constexpr std::int32_t kVectorFrames = 8;

template <typename Sample>
struct SamplePath;

template <>
struct SamplePath<float> {
    static NoiseCounters& noise() { return floatCallNoise(); }
    static Loudness guard(const Kernels& kernels, const GuardJob<float>& job) {
        return job.frames < kVectorFrames ? guardStretch(job) : kernels.guardFloat(job);
    }
    static void quantise(const Kernels& kernels, const QuantiseJob& job, float* out) {
        job.frames < kVectorFrames ? quantiseFloatPortable(job, out) : kernels.quantiseFloat(job, out);
    }
    static float quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToFloatReference(mix, shape, random);
    }
};

template <>
struct SamplePath<double> {
    static NoiseCounters& noise() { return doubleCallNoise(); }
    static Loudness guard(const Kernels& kernels, const GuardJob<double>& job) {
        return job.frames < kVectorFrames ? guardStretch(job) : kernels.guardDouble(job);
    }
    static void quantise(const Kernels& kernels, const QuantiseJob& job, double* out) {
        job.frames < kVectorFrames ? quantiseDoublePortable(job, out) : kernels.quantiseDouble(job, out);
    }
    static double quantiseReference(double mix, long double& shape, std::int32_t random) {
        return quantiseToDoubleReference(mix, shape, random);
    }
};

}  // namespace glowmarsh
