#include "engine/InputGuard.h"

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

}  // namespace glowmarsh
