#include "engine/TapPlan.h"

#include <cmath>

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

void buildTapPlan(const EngineState& state, std::int32_t tapCount, TapPlan& plan) {
    plan.bothCount = plan.leftCount = plan.rightCount = 0;
    plan.maxOffset = 0;
    double maxGain = 0.0;
    bool finiteGains = true;
    plan.taps = tapCount >= 1 && tapCount <= kMaxTaps ? tapCount : 0;
    for (std::int32_t k = 1; k <= plan.taps; ++k) {
        const double left = state.tapPanL[k];
        const double right = state.tapPanR[k];
        if (left != 0.0 && right != 0.0) {
            plan.bothTap[plan.bothCount] = k;
            plan.bothPanL[plan.bothCount] = left;
            plan.bothPanR[plan.bothCount] = right;
            ++plan.bothCount;
        } else if (left != 0.0) {
            plan.leftTap[plan.leftCount] = k;
            plan.leftPan[plan.leftCount] = left;
            ++plan.leftCount;
        } else if (right != 0.0) {
            plan.rightTap[plan.rightCount] = k;
            plan.rightPan[plan.rightCount] = right;
            ++plan.rightCount;
        }
        finiteGains = finiteGains && std::isfinite(left) && std::isfinite(right);
        maxGain = std::fmax(maxGain, std::fmax(std::fabs(left), std::fabs(right)));
        if (state.tapOffset[k] > plan.maxOffset) {
            plan.maxOffset = state.tapOffset[k];
        }
    }
    plan.safeMagnitude = finiteGains ? safeMagnitudeFor(maxGain) : 0.0;
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
