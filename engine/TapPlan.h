// The active taps of one block, grouped by the sides they feed, for the run
// kernels. Built once per block; offsets stay in the engine state (the scan
// motion moves them), the plan holds tap numbers and gains.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"

namespace glowmarsh {

struct TapPlan {
    std::int32_t taps;                   // active taps, 1 to taps (0: the sums are 0)
    std::int32_t bothCount;              // taps with a gain on both sides
    std::int32_t leftCount;              // taps with a left gain only
    std::int32_t rightCount;             // taps with a right gain only
    std::int32_t bothTap[kMaxTaps];      // tap numbers, 1 to tapCount
    double bothPanL[kMaxTaps];           // their left gains
    double bothPanR[kMaxTaps];           // their right gains
    std::int32_t leftTap[kMaxTaps];
    double leftPan[kMaxTaps];
    std::int32_t rightTap[kMaxTaps];
    double rightPan[kMaxTaps];
    // History values smaller than this in magnitude give weighted values well
    // inside the int range for every gain; a power of two (0 if a gain is not finite).
    double safeMagnitude;
    std::int32_t maxOffset;              // longest active offset at block start, frames
};

// The plan for taps 1 to tapCount (none for a count of 0, below 0 or above
// 164). A gain of exactly 0 contributes 0 whatever the history holds (even a
// NaN product truncates to 0), so such products are left out.
void buildTapPlan(const EngineState& state, std::int32_t tapCount, TapPlan& plan);

// The exact tap sums of a run, frame by frame, with truncToInt: the portable
// kernel, and the fallback of the vector kernels for stretches whose history
// holds values they cannot truncate exactly. A run of `frames` frames reads
// history position tapOffset + lastReadBase + q for its frame frames - 1 - q;
// this fills sumL and sumR for q from qBegin to qEnd (indexed by frame).
void sumTapRunExact(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                    std::int32_t lastReadBase, std::int32_t frames, std::int32_t qBegin, std::int32_t qEnd,
                    std::int32_t* sumL, std::int32_t* sumR);

}  // namespace glowmarsh
