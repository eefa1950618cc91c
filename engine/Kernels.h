// The engine's inner loops, one set per SIMD level: the tap sums of a run of
// frames and the wet smoothing and mix of a stretch of frames. Every set
// computes the same bits; tests run each level the CPU offers against the
// frame-by-frame reference.
#pragma once

#include <cstdint>

#include "engine/SimdLevel.h"
#include "engine/TapPlan.h"

#if defined(__x86_64__) || defined(__i386__)
#define GLOWMARSH_X86_KERNELS 1
#else
#define GLOWMARSH_X86_KERNELS 0
#endif

namespace glowmarsh {

constexpr std::int32_t kStretchFrames = 128;  // frames smoothed and dithered together
constexpr std::int32_t kStretchPad = 8;       // spare entries after a stretch, for whole vectors

// One channel's wet smoothing and mix over a stretch of frames.
struct SmoothJob {
    const std::int32_t* tapSums;  // the frames' tap sums
    const double* dry;            // guarded input, read up to a whole vector past the end
    double* mix;                  // result; written up to a whole vector past the end
    std::int32_t frames;          // 0 to kStretchFrames
    double* lastSum;              // previous frame's tap sum, carried on
    double* history;              // the ten last changes, newest first, carried on
    const double* weights;        // the block's smoothing weights
    std::int32_t weightCount;     // weights in use, 1 to 10; the rest are +0
    double wetNormaliser;         // divides the tap sums down to signal level
    double wetGain;               // share of the wet signal in the mix
    double dryGain;               // share of the guarded input in the mix
};

// The first weight and every one up to the last that is not +0: the weights a
// smoothing job uses. A skipped +0 weight would add h * 0 = ±0 to a running
// sum that is never -0 (the first weight is positive and the changes are whole
// numbers), changing nothing.
std::int32_t smoothingWeightsInUse(const double* weights);

struct Kernels {
    // Fills sumL and sumR (by frame) for a run of frames whose offsets do not
    // change and whose history is already written; see sumTapRunExact.
    void (*sumTapRun)(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                      std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
    // Runs one channel's smoothing and mix over a stretch (SmoothJob).
    void (*smooth)(const SmoothJob& job);
};

// The set for a level; the level must be supported (simdLevelSupported).
const Kernels& kernelsFor(SimdLevel level);

// The plain C++ loops, also used by levels without their own.
void sumTapRunPortable(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                       std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void smoothPortable(const SmoothJob& job);

#if GLOWMARSH_X86_KERNELS
void sumTapRunSse2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void sumTapRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void smoothAvx2(const SmoothJob& job);
void sumTapRunAvx512(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void smoothAvx512(const SmoothJob& job);
#endif

}  // namespace glowmarsh
