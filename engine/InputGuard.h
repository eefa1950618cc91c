// Input guard: near-zero input (zeros and subnormals) is replaced by a tiny
// deterministic noise, so nothing downstream ever works on denormals.
#pragma once

#include <atomic>
#include <cstdint>

namespace glowmarsh {

// One noise sequence: 1 to 1700021, stepping by 1 per replacement. Shared by
// every instance in the module, so updates are atomic.
using NoiseCounter = std::atomic<std::int32_t>;
static_assert(NoiseCounter::is_always_lock_free, "the audio thread must not take a lock");

// The two counters of one processing call (left and right channel).
struct NoiseCounters {
    NoiseCounter left{0};
    NoiseCounter right{0};
};

// The process-wide counters of the 32-bit and of the 64-bit processing call.
NoiseCounters& floatCallNoise();
NoiseCounters& doubleCallNoise();

// The noise integer (0 to 16) for one counter value, 1 to 1700021.
std::int32_t noiseInteger(std::int32_t counter);

// Advances the counter by one step, as one atomic update, and answers the
// replacement value: the noise integer times 1e-16.
double nextNoise(NoiseCounter& counter);

// Whether the guard replaces x: a magnitude below 1.2e-38 (NaN is kept).
// Both comparisons are made, without a branch on the first: on noise, the
// sign alone would decide that branch.
inline bool nearZero(double x) {
    const bool below = x < 1.2e-38;
    const bool above = x > -1.2e-38;
    return below & above;
}

// The guarded sample: x itself unless its magnitude is below 1.2e-38; NaN and
// infinities pass unchanged.
inline double guardInput(double x, NoiseCounter& counter) {
    if (nearZero(x)) {
        return nextNoise(counter);
    }
    return x;
}

// The guard over a stretch of frames (one processing call's channels 0 and 1).
template <typename Sample>
struct GuardJob {
    const Sample* left;     // input samples
    const Sample* right;
    std::int32_t frames;    // 1 or more
    NoiseCounters* noise;   // the call's counters
    double* dryL;           // results: the guarded samples
    double* dryR;
    double* mono;           // and their left + right sums, the history values
};

// Where a stretch's history values are loud: NaN, infinite, or of
// kQuietMagnitude or more (EngineState.h).
struct Loudness {
    std::int32_t first;  // the first loud frame; frames if none
    std::int32_t last;   // the last loud frame; -1 if none
};

// The guard over a stretch, frame by frame in effect. Sound input needs no
// replacement, so the stretch is tested as a whole first. Each channel's
// counter advances in frame order, as frame by frame; the two counters are
// independent of each other.
Loudness guardStretch(const GuardJob<float>& job);
Loudness guardStretch(const GuardJob<double>& job);

}  // namespace glowmarsh
