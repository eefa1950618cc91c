// Test material and checks on rendered audio, for both sample types.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace hosttest {

// Two channels of one sample type, with the pointer arrays a host passes.
template <typename Sample>
struct StereoBuffer {
    explicit StereoBuffer(std::size_t frames = 0) : left(frames), right(frames) {}

    std::size_t frames() const { return left.size(); }
    // Channel pointers starting at frame `offset`.
    Sample** at(std::size_t offset) {
        pointers[0] = left.data() + offset;
        pointers[1] = right.data() + offset;
        return pointers;
    }

    std::vector<Sample> left;
    std::vector<Sample> right;
    Sample* pointers[2] = {nullptr, nullptr};
};

// Uniform noise in [-amplitude, amplitude] that never comes near zero, so the
// input guard (and its process-wide counters) stays out of the way.
template <typename Sample>
StereoBuffer<Sample> loudNoise(std::size_t frames, std::uint32_t seed, double amplitude = 1.0) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> magnitude(1e-3, 1.0);
    StereoBuffer<Sample> buffer(frames);
    for (auto* channel : {&buffer.left, &buffer.right}) {
        for (Sample& s : *channel) {
            const double value = magnitude(random) * amplitude;
            s = static_cast<Sample>((random() & 1u) ? value : -value);
        }
    }
    return buffer;
}

template <typename Sample>
bool isSubnormal(Sample value) {
    return std::fpclassify(value) == FP_SUBNORMAL;
}

// Index of the first sample that is NaN, infinite or subnormal, or -1.
template <typename Sample>
long firstUnfitSample(const std::vector<Sample>& samples, std::size_t from = 0) {
    for (std::size_t i = from; i < samples.size(); ++i) {
        if (!std::isfinite(samples[i]) || isSubnormal(samples[i])) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

template <typename Sample>
double peak(const std::vector<Sample>& samples, std::size_t from = 0) {
    double loudest = 0.0;
    for (std::size_t i = from; i < samples.size(); ++i) {
        loudest = std::fmax(loudest, std::fabs(static_cast<double>(samples[i])));
    }
    return loudest;
}

}  // namespace hosttest
