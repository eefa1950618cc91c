// The engine's inner loops, one set per SIMD level: the tap sums of a run of
// frames and the wet smoothing and mix of a stretch of frames. Every set
// computes the same bits; tests run each level the CPU offers against the
// frame-by-frame reference.
#pragma once

#include <cstdint>

#include "engine/InputGuard.h"
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

// One channel's output stage over a stretch of frames (OutputStage.h): each
// frame's dither from its draw, and the output from the mixed sample plus
// this frame's dither minus the previous frame's.
struct QuantiseJob {
    const double* mix;            // mixed samples; read up to a whole vector past the end
    const std::int32_t* draws;    // the frames' rand() draws; read up to a whole vector past the end
    std::int32_t frames;          // 1 to kStretchFrames
    long double* ditherShape;     // the channel's dither memory, carried on
};

// A scan step inside a run of quiet history (sumQuietRun): the run's first
// `before` frames read the tap at oldOffset, the later ones at newOffset.
struct TapNudge {
    std::int32_t before;     // frames of the run before the step, 1 or more
    std::int32_t oldOffset;  // frames
    std::int32_t newOffset;  // frames
    double gainL;            // the tap's gains
    double gainR;
};

// The plain C++ output stage, frame by frame (Kernels::quantiseFloat and quantiseDouble).
void quantiseFloatPortable(const QuantiseJob& job, float* out);
void quantiseDoublePortable(const QuantiseJob& job, double* out);

// Sets frames `from` to nudge.before - 1 of a run of `frames` frames back from
// the nudge's new offset to its old one, exactly (the tail of the vector forms).
void correctNudge(const TapNudge& nudge, const double* history, std::int32_t lastReadBase, std::int32_t frames,
                  std::int32_t from, std::int32_t* sumL, std::int32_t* sumR);

struct Kernels {
    // Fills sumL and sumR (by frame) for a run of frames whose offsets do not
    // change and whose history is already written; see sumTapRunExact.
    void (*sumTapRun)(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                      std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
    // Runs one channel's smoothing and mix over a stretch (SmoothJob).
    void (*smooth)(const SmoothJob& job);
    // sumTapRun for history that holds no value of magnitude plan.safeMagnitude
    // or more, nor NaN or infinity, so nothing needs checking; the run may span
    // scan steps: tapOffset holds the offsets after the last of them, and each
    // nudge's earlier frames are set back to its old offset. Null where that
    // gains nothing (plain C++ sums frame by frame anyway): runs then end at
    // scan steps.
    void (*sumQuietRun)(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                        std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges,
                        std::int32_t nudgeCount, std::int32_t* sumL, std::int32_t* sumR) = nullptr;
    // The input guard of the two processing calls (InputGuard.h).
    Loudness (*guardFloat)(const GuardJob<float>& job) = guardStretch;
    Loudness (*guardDouble)(const GuardJob<double>& job) = guardStretch;
    // The output stage of the two processing calls (QuantiseJob); out takes job.frames samples.
    void (*quantiseFloat)(const QuantiseJob& job, float* out) = quantiseFloatPortable;
    void (*quantiseDouble)(const QuantiseJob& job, double* out) = quantiseDoublePortable;
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
void sumQuietRunSse2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                     std::int32_t* sumL, std::int32_t* sumR);
void sumTapRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                   std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void smoothAvx2(const SmoothJob& job);
Loudness guardFloatAvx2(const GuardJob<float>& job);
Loudness guardDoubleAvx2(const GuardJob<double>& job);
void quantiseFloatAvx2(const QuantiseJob& job, float* out);
void quantiseDoubleAvx2(const QuantiseJob& job, double* out);
void sumQuietRunAvx2(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                     std::int32_t* sumL, std::int32_t* sumR);
void sumTapRunAvx512(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR);
void smoothAvx512(const SmoothJob& job);
Loudness guardFloatAvx512(const GuardJob<float>& job);
Loudness guardDoubleAvx512(const GuardJob<double>& job);
void quantiseFloatAvx512(const QuantiseJob& job, float* out);
void quantiseDoubleAvx512(const QuantiseJob& job, double* out);
void sumQuietRunAvx512(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                       std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges, std::int32_t nudgeCount,
                       std::int32_t* sumL, std::int32_t* sumR);
#endif

}  // namespace glowmarsh
