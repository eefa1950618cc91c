#include "engine/TapPlan.h"

#include "engine/Rounding.h"

namespace glowmarsh {

namespace {

// The largest power of two m with m * maxGain <= 2^30: a product of a value
// below m and any gain then rounds to at most 2^30, far from the 2^31 where
// truncation saturates.
double safeMagnitudeFor(double maxGain) {
    double magnitude = 0x1p30;
    while (magnitude * maxGain > 0x1p30) {
        magnitude *= 0.5;
    }
    return magnitude;
}

}  // namespace

// Runs once per block, so even one-frame blocks pay for it: plain
// comparisons, no library calls.
void buildTapPlan(const EngineState& state, std::int32_t tapCount, TapPlan& plan) {
    plan.taps = tapCount >= 1 && tapCount <= kMaxTaps ? tapCount : 0;
    std::int32_t both = 0;
    std::int32_t leftOnly = 0;
    std::int32_t rightOnly = 0;
    std::int32_t maxOffset = 0;
    double maxGain = 0.0;
    double notFinite = 0.0;  // x - x is 0 for finite x and NaN otherwise
    for (std::int32_t k = 1; k <= plan.taps; ++k) {
        const double left = state.tapPanL[k];
        const double right = state.tapPanR[k];
        if (left != 0.0 && right != 0.0) {
            plan.bothTap[both] = k;
            plan.bothPanL[both] = left;
            plan.bothPanR[both] = right;
            ++both;
        } else if (left != 0.0) {
            plan.leftTap[leftOnly] = k;
            plan.leftPan[leftOnly] = left;
            ++leftOnly;
        } else if (right != 0.0) {
            plan.rightTap[rightOnly] = k;
            plan.rightPan[rightOnly] = right;
            ++rightOnly;
        }
        notFinite += (left - left) + (right - right);
        const double magnitude = left < 0.0 ? -left : left;
        maxGain = magnitude > maxGain ? magnitude : maxGain;
        const double magnitudeR = right < 0.0 ? -right : right;
        maxGain = magnitudeR > maxGain ? magnitudeR : maxGain;
        maxOffset = state.tapOffset[k] > maxOffset ? state.tapOffset[k] : maxOffset;
    }
    plan.bothCount = both;
    plan.leftCount = leftOnly;
    plan.rightCount = rightOnly;
    plan.maxOffset = maxOffset;
    plan.safeMagnitude = notFinite == 0.0 ? safeMagnitudeFor(maxGain) : 0.0;
}

void sumTapRunExact(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                    std::int32_t lastReadBase, std::int32_t frames, std::int32_t qBegin, std::int32_t qEnd,
                    std::int32_t* sumL, std::int32_t* sumR) {
    for (std::int32_t q = qBegin; q < qEnd; ++q) {
        const double* at = history + lastReadBase + q;
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        for (std::int32_t i = 0; i < plan.bothCount; ++i) {
            const double x = at[tapOffset[plan.bothTap[i]]];
            left += static_cast<std::uint32_t>(truncToInt(x * plan.bothPanL[i]));
            right += static_cast<std::uint32_t>(truncToInt(x * plan.bothPanR[i]));
        }
        for (std::int32_t i = 0; i < plan.leftCount; ++i) {
            left += static_cast<std::uint32_t>(truncToInt(at[tapOffset[plan.leftTap[i]]] * plan.leftPan[i]));
        }
        for (std::int32_t i = 0; i < plan.rightCount; ++i) {
            right += static_cast<std::uint32_t>(truncToInt(at[tapOffset[plan.rightTap[i]]] * plan.rightPan[i]));
        }
        sumL[frames - 1 - q] = static_cast<std::int32_t>(left);
        sumR[frames - 1 - q] = static_cast<std::int32_t>(right);
    }
}

}  // namespace glowmarsh
