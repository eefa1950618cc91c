#include "engine/InputGuard.h"

#include "engine/EngineState.h"
#include "engine/Rounding.h"

namespace glowmarsh {

namespace {
constexpr std::int32_t kNoisePeriod = 1700021;

NoiseCounters floatCounters;
NoiseCounters doubleCounters;
}  // namespace

NoiseCounters& floatCallNoise() {
    return floatCounters;
}

NoiseCounters& doubleCallNoise() {
    return doubleCounters;
}

// Squares wrap to 32 bits and the remainders keep the dividend's sign, so a
// wrapped square can leave a negative remainder for the next step.
std::int32_t noiseInteger(std::int32_t counter) {
    std::int32_t t = wrappingMul(counter, counter) % 170003;
    t = wrappingMul(t, t) % 17011;
    t = wrappingMul(t, t) % 1709;
    t = wrappingMul(t, t) % 173;
    t = wrappingMul(t, t) % 17;
    return t;
}

double nextNoise(NoiseCounter& counter) {
    std::int32_t current = counter.load(std::memory_order_relaxed);
    std::int32_t next;
    do {
        next = current % kNoisePeriod + 1;
    } while (!counter.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return static_cast<double>(noiseInteger(next)) * 1e-08 * 1e-08;
}

namespace {

template <typename Sample>
Loudness guardAll(const GuardJob<Sample>& job) {
    bool replace = false;
    for (std::int32_t i = 0; i < job.frames; ++i) {
        const double left = job.left[i];
        const double right = job.right[i];
        job.dryL[i] = left;
        job.dryR[i] = right;
        replace |= nearZero(left);
        replace |= nearZero(right);
    }
    if (replace) {
        for (std::int32_t i = 0; i < job.frames; ++i) {
            job.dryL[i] = guardInput(job.dryL[i], job.noise->left);
        }
        for (std::int32_t i = 0; i < job.frames; ++i) {
            job.dryR[i] = guardInput(job.dryR[i], job.noise->right);
        }
    }
    Loudness loudness{job.frames, -1};
    for (std::int32_t i = 0; i < job.frames; ++i) {
        job.mono[i] = job.dryL[i] + job.dryR[i];
        if (!(job.mono[i] < kQuietMagnitude && job.mono[i] > -kQuietMagnitude)) {
            loudness.first = loudness.first < i ? loudness.first : i;
            loudness.last = i;
        }
    }
    return loudness;
}

}  // namespace

Loudness guardStretch(const GuardJob<float>& job) {
    return guardAll(job);
}

Loudness guardStretch(const GuardJob<double>& job) {
    return guardAll(job);
}

}  // namespace glowmarsh
