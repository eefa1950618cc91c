// The input guard over a stretch, several frames per vector, for the x86
// levels from AVX2 up. Include only inside a GLOWMARSH_TARGET_BEGIN region of
// that file, after every other header: all code here has internal linkage.
//
// Sound input is never replaced, so the vector pass widens the samples,
// forms the history values and finds the loud ones, and only notes whether
// any sample lies below the guard's threshold; if one does, the whole stretch
// is done again frame by frame (guardStretch), which also advances the
// counters in frame order.
#pragma once

namespace glowmarsh {
namespace {

template <class V>
struct GuardLanes {
    static constexpr int kLanes = V::kLanes;
    using Doubles = typename V::Doubles;

    template <typename Sample>
    static Loudness guard(const GuardJob<Sample>& job) {
        const Doubles above = V::broadcast(1.2e-38);
        const Doubles below = V::broadcast(-1.2e-38);
        const Doubles loud = V::broadcast(kQuietMagnitude);
        const std::int32_t frames = job.frames;
        unsigned nearZero = 0;
        Loudness loudness{frames, -1};
        std::int32_t f = 0;
        for (; f + kLanes <= frames; f += kLanes) {
            const Doubles left = V::loadSamples(job.left + f);
            const Doubles right = V::loadSamples(job.right + f);
            nearZero |= V::bits(V::either(V::both(V::less(left, above), V::less(below, left)),
                                          V::both(V::less(right, above), V::less(below, right))));
            const Doubles mono = V::add(left, right);
            V::storeDoubles(job.dryL + f, left);
            V::storeDoubles(job.dryR + f, right);
            V::storeDoubles(job.mono + f, mono);
            const unsigned quiet = V::bits(V::less(V::abs(mono), loud));
            const unsigned loudLanes = ~quiet & ((1u << kLanes) - 1u);
            if (loudLanes != 0) {
                loudness.first = loudness.first < frames ? loudness.first : f + __builtin_ctz(loudLanes);
                loudness.last = f + 31 - __builtin_clz(loudLanes);
            }
        }
        for (; f < frames; ++f) {
            const double left = job.left[f];
            const double right = job.right[f];
            const bool leftNear = (left < 1.2e-38) & (left > -1.2e-38);
            const bool rightNear = (right < 1.2e-38) & (right > -1.2e-38);
            nearZero |= static_cast<unsigned>(leftNear | rightNear);
            const double mono = left + right;
            job.dryL[f] = left;
            job.dryR[f] = right;
            job.mono[f] = mono;
            if (!(mono < kQuietMagnitude && mono > -kQuietMagnitude)) {
                loudness.first = loudness.first < frames ? loudness.first : f;
                loudness.last = f;
            }
        }
        return nearZero != 0 ? guardStretch(job) : loudness;
    }
};

}  // namespace
}  // namespace glowmarsh
