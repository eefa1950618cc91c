// The vector loops shared by the x86 levels, written once over a small set of
// operations (V) that each level's file defines for its vector width. Include
// only inside a GLOWMARSH_TARGET_BEGIN region of that file, after every other
// header: all code here has internal linkage, so no wider-instruction copy of
// a shared inline function can end up in code the other levels run.
//
// Tap sums (what they exploit): between two scan steps, and away from the ring
// wrap, every tap reads consecutive history positions in consecutive frames,
// so a vector load gives one tap's value for several frames at once. Products
// are truncated lane by lane with the same conversion the scalar code uses,
// and the whole-number contributions are summed in a different order, which
// integer addition allows. The vector conversion agrees with truncToInt
// except for NaN, infinities and values at or above 2^31 (it answers
// 0x80000000 for all of them): a sum of squares of the values read flags any
// chunk whose history holds a value whose products could leave +-2^30, and
// that chunk is redone by the exact scalar loop. Over quiet history (no value
// of 2^20 or more, no NaN or infinity, which the frame loop knows from what it
// wrote) QuietTapKernel skips that check, and a run may span scan steps: a
// nudged tap's frames before its step are corrected afterwards (correct).
//
// Smoothing (frames at once): each frame's weighted sum depends only on the
// changes, not on the previous frame's result, so frames go into lanes. Each
// lane does the roundings of the scalar code in the same order (the fused
// multiply-adds are the hardware's, which round once, as fusedMultiplyAdd does).
#pragma once

namespace glowmarsh {
namespace {

template <class V>
struct TapRunKernel {
    static constexpr int kLanes = V::kLanes;

    // Taps that feed one side only: one product per value read.
    template <int n, bool checked>
    [[gnu::always_inline]] static inline void addOneSide(const double* at, const std::int32_t* tapOffset,
                                                         const std::int32_t* taps, const double* gains,
                                                         std::int32_t count, typename V::Sums* sums,
                                                         typename V::Doubles* squares) {
        for (std::int32_t i = 0; i < count; ++i) {
            const double* x = at + tapOffset[taps[i]];
            const typename V::Doubles gain = V::broadcast(gains[i]);
#pragma GCC unroll 4
            for (int v = 0; v < n; ++v) {
                const typename V::Doubles value = V::load(x + v * kLanes);
                sums[v] = V::addSums(sums[v], V::truncate(V::mul(value, gain)));
                if constexpr (checked) {
                    squares[v] = V::addSquare(squares[v], value);
                }
            }
        }
    }

    // Frames q0 to q0 + valid - 1 of the run (counted from its last frame),
    // in n vectors; lanes past `valid` read history that no frame of the run
    // needs and are discarded. Unchecked, the history is known to be quiet.
    template <int n, bool checked>
    static void chunk(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                      std::int32_t lastReadBase, std::int32_t frames, std::int32_t q0, std::int32_t valid,
                      std::int32_t* sumL, std::int32_t* sumR) {
        const double* at = history + lastReadBase + q0;
        typename V::Sums left[n];
        typename V::Sums right[n];
        typename V::Doubles squares[n];
#pragma GCC unroll 4
        for (int v = 0; v < n; ++v) {
            left[v] = V::zeroSums();
            right[v] = V::zeroSums();
            squares[v] = V::zero();
        }
        for (std::int32_t i = 0; i < plan.bothCount; ++i) {
            const double* x = at + tapOffset[plan.bothTap[i]];
            const typename V::Doubles gainL = V::broadcast(plan.bothPanL[i]);
            const typename V::Doubles gainR = V::broadcast(plan.bothPanR[i]);
#pragma GCC unroll 4
            for (int v = 0; v < n; ++v) {
                const typename V::Doubles value = V::load(x + v * kLanes);
                left[v] = V::addSums(left[v], V::truncate(V::mul(value, gainL)));
                right[v] = V::addSums(right[v], V::truncate(V::mul(value, gainR)));
                if constexpr (checked) {
                    squares[v] = V::addSquare(squares[v], value);
                }
            }
        }
        addOneSide<n, checked>(at, tapOffset, plan.leftTap, plan.leftPan, plan.leftCount, left, squares);
        addOneSide<n, checked>(at, tapOffset, plan.rightTap, plan.rightPan, plan.rightCount, right, squares);
        if constexpr (checked) {
            // A value of magnitude m or more (or NaN, or infinite) makes its lane's
            // sum of squares m^2 or more (or NaN): rounding is monotonic and m^2 exact.
            const double limit = plan.safeMagnitude * plan.safeMagnitude;
            bool exact = true;
#pragma GCC unroll 4
            for (int v = 0; v < n; ++v) {
                const int lanes = valid - v * kLanes < kLanes ? valid - v * kLanes : kLanes;
                exact = exact && V::allBelow(squares[v], limit, lanes);
            }
            if (!exact) {
                sumTapRunExact(plan, tapOffset, history, lastReadBase, frames, q0, q0 + valid, sumL, sumR);
                return;
            }
        }
        // Lane l of vector v holds frame frames - 1 - (q0 + v * kLanes + l).
#pragma GCC unroll 4
        for (int v = 0; v < n; ++v) {
            const std::int32_t q = q0 + v * kLanes;
            if (valid - v * kLanes >= kLanes) {
                V::storeReversed(sumL + frames - q - kLanes, left[v]);
                V::storeReversed(sumR + frames - q - kLanes, right[v]);
            } else {
                std::int32_t laneL[kLanes];
                std::int32_t laneR[kLanes];
                V::store(laneL, left[v]);
                V::store(laneR, right[v]);
                for (std::int32_t l = 0; q + l < q0 + valid; ++l) {
                    sumL[frames - 1 - q - l] = laneL[l];
                    sumR[frames - 1 - q - l] = laneR[l];
                }
            }
        }
    }

    template <bool checked = true>
    static void run(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                    std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
        constexpr std::int32_t kChunk = 4 * kLanes;
        std::int32_t q0 = 0;
        for (; frames - q0 >= kChunk; q0 += kChunk) {
            chunk<4, checked>(plan, tapOffset, history, lastReadBase, frames, q0, kChunk, sumL, sumR);
        }
        const std::int32_t rest = frames - q0;
        switch ((rest + kLanes - 1) / kLanes) {
            case 4: chunk<4, checked>(plan, tapOffset, history, lastReadBase, frames, q0, rest, sumL, sumR); break;
            case 3: chunk<3, checked>(plan, tapOffset, history, lastReadBase, frames, q0, rest, sumL, sumR); break;
            case 2: chunk<2, checked>(plan, tapOffset, history, lastReadBase, frames, q0, rest, sumL, sumR); break;
            case 1: chunk<1, checked>(plan, tapOffset, history, lastReadBase, frames, q0, rest, sumL, sumR); break;
            default: break;
        }
    }

    // Needs V::subSums, V::loadSums and V::reverse. Frame i of the run reads
    // position offset + lastReadBase + frames - 1 - i: a vector loaded at the
    // position of frame i + kLanes - 1 holds frames i + kLanes - 1 down to i.
    static void correct(const TapNudge& nudge, const double* history, std::int32_t lastReadBase,
                        std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
        const double* oldAt = history + lastReadBase + nudge.oldOffset + frames - kLanes;
        const double* newAt = history + lastReadBase + nudge.newOffset + frames - kLanes;
        const typename V::Doubles gainL = V::broadcast(nudge.gainL);
        const typename V::Doubles gainR = V::broadcast(nudge.gainR);
        std::int32_t i = 0;
        for (; i + kLanes <= nudge.before; i += kLanes) {
            const typename V::Doubles before = V::load(oldAt - i);
            const typename V::Doubles after = V::load(newAt - i);
            const typename V::Sums changeL =
                V::subSums(V::truncate(V::mul(before, gainL)), V::truncate(V::mul(after, gainL)));
            const typename V::Sums changeR =
                V::subSums(V::truncate(V::mul(before, gainR)), V::truncate(V::mul(after, gainR)));
            V::store(sumL + i, V::addSums(V::loadSums(sumL + i), V::reverse(changeL)));
            V::store(sumR + i, V::addSums(V::loadSums(sumR + i), V::reverse(changeR)));
        }
        correctNudge(nudge, history, lastReadBase, frames, i, sumL, sumR);
    }

    static void runQuiet(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                         std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges,
                         std::int32_t nudgeCount, std::int32_t* sumL, std::int32_t* sumR);
};

// The tap sums of a run over quiet history (Kernels::sumQuietRun): no range
// check, so each product is a multiplication, a truncation and an addition;
// V chooses the accumulators (QuietSums: int32, int64 or whole-number
// doubles, all exact for sums of quiet products) and the chunk length.
template <class V>
struct QuietTapKernel {
    static constexpr int kLanes = V::kLanes;
    using Acc = typename V::QuietSums;

    template <int n>
    [[gnu::always_inline]] static inline void addOneSide(const double* at, const std::int32_t* tapOffset,
                                                         const std::int32_t* taps, const double* gains,
                                                         std::int32_t count, Acc* sums) {
        for (std::int32_t i = 0; i < count; ++i) {
            const double* x = at + tapOffset[taps[i]];
            const typename V::Doubles gain = V::broadcast(gains[i]);
#pragma GCC unroll 8
            for (int v = 0; v < n; ++v) {
                sums[v] = V::addQuiet(sums[v], V::mul(V::load(x + v * kLanes), gain));
            }
        }
    }

    // Frames q0 to q0 + valid - 1 of the run (counted from its last frame),
    // in n vectors; lanes past `valid` are discarded.
    template <int n>
    static void chunk(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                      std::int32_t lastReadBase, std::int32_t frames, std::int32_t q0, std::int32_t valid,
                      std::int32_t* sumL, std::int32_t* sumR) {
        const double* at = history + lastReadBase + q0;
        Acc left[n];
        Acc right[n];
#pragma GCC unroll 8
        for (int v = 0; v < n; ++v) {
            left[v] = V::zeroQuiet();
            right[v] = V::zeroQuiet();
        }
        for (std::int32_t i = 0; i < plan.bothCount; ++i) {
            const double* x = at + tapOffset[plan.bothTap[i]];
            const typename V::Doubles gainL = V::broadcast(plan.bothPanL[i]);
            const typename V::Doubles gainR = V::broadcast(plan.bothPanR[i]);
#pragma GCC unroll 8
            for (int v = 0; v < n; ++v) {
                const typename V::Doubles value = V::loadOnce(x + v * kLanes);
                left[v] = V::addQuiet(left[v], V::mul(value, gainL));
                right[v] = V::addQuiet(right[v], V::mul(value, gainR));
            }
        }
        addOneSide<n>(at, tapOffset, plan.leftTap, plan.leftPan, plan.leftCount, left);
        addOneSide<n>(at, tapOffset, plan.rightTap, plan.rightPan, plan.rightCount, right);
        // Lane l of vector v holds frame frames - 1 - (q0 + v * kLanes + l).
#pragma GCC unroll 8
        for (int v = 0; v < n; ++v) {
            const std::int32_t q = q0 + v * kLanes;
            const typename V::Sums sumsL = V::quietSums(left[v]);
            const typename V::Sums sumsR = V::quietSums(right[v]);
            if (valid - v * kLanes >= kLanes) {
                V::storeReversed(sumL + frames - q - kLanes, sumsL);
                V::storeReversed(sumR + frames - q - kLanes, sumsR);
            } else {
                std::int32_t laneL[kLanes];
                std::int32_t laneR[kLanes];
                V::store(laneL, sumsL);
                V::store(laneR, sumsR);
                for (std::int32_t l = 0; q + l < q0 + valid; ++l) {
                    sumL[frames - 1 - q - l] = laneL[l];
                    sumR[frames - 1 - q - l] = laneR[l];
                }
            }
        }
    }

    template <int n>
    static void rest(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                     std::int32_t lastReadBase, std::int32_t frames, std::int32_t q0, std::int32_t* sumL,
                     std::int32_t* sumR) {
        if constexpr (n > 0) {
            if ((frames - q0 + kLanes - 1) / kLanes == n) {
                chunk<n>(plan, tapOffset, history, lastReadBase, frames, q0, frames - q0, sumL, sumR);
            } else {
                rest<n - 1>(plan, tapOffset, history, lastReadBase, frames, q0, sumL, sumR);
            }
        }
    }

    static void run(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                    std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
        constexpr int kVectors = V::kQuietVectors;
        constexpr std::int32_t kChunk = kVectors * kLanes;
        std::int32_t q0 = 0;
        for (; frames - q0 >= kChunk; q0 += kChunk) {
            chunk<kVectors>(plan, tapOffset, history, lastReadBase, frames, q0, kChunk, sumL, sumR);
        }
        if (q0 < frames) {
            rest<kVectors>(plan, tapOffset, history, lastReadBase, frames, q0, sumL, sumR);
        }
    }
};

template <class V>
void TapRunKernel<V>::runQuiet(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                               std::int32_t lastReadBase, std::int32_t frames, const TapNudge* nudges,
                               std::int32_t nudgeCount, std::int32_t* sumL, std::int32_t* sumR) {
    QuietTapKernel<V>::run(plan, tapOffset, history, lastReadBase, frames, sumL, sumR);
    for (std::int32_t k = 0; k < nudgeCount; ++k) {
        correct(nudges[k], history, lastReadBase, frames, sumL, sumR);
    }
}

// Needs V with fused multiply-add. Mirrors smoothPortable lane by lane.
template <class V>
void smoothLanes(const SmoothJob& job) {
    constexpr int kLanes = V::kLanes;
    const std::int32_t frames = job.frames;
    const std::int32_t padded = (frames + kLanes - 1) / kLanes * kLanes;
    // sums[f + 1] is frame f's tap sum; sums[0] the previous frame's.
    double sums[1 + kStretchFrames + kStretchPad];
    // changes[kSmoothLength + f] is frame f's change rounded to float; the ten
    // before it come from the history.
    double changes[kSmoothLength + kStretchFrames + kStretchPad];
    sums[0] = *job.lastSum;
    for (std::int32_t f = 0; f < frames; ++f) {
        sums[f + 1] = static_cast<double>(job.tapSums[f]);
    }
    for (std::int32_t f = frames; f < padded; ++f) {
        sums[f + 1] = sums[frames];
    }
    for (int i = 0; i < kSmoothLength; ++i) {
        changes[kSmoothLength - 1 - i] = job.history[i];
    }
    for (std::int32_t f = 0; f < padded; f += kLanes) {
        const typename V::Doubles change = V::sub(V::load(sums + f + 1), V::load(sums + f));
        V::storeDoubles(changes + kSmoothLength + f, V::roundToFloat(change));
    }
    typename V::Doubles weights[kSmoothLength];
    for (std::int32_t k = 0; k < job.weightCount; ++k) {
        weights[k] = V::broadcast(job.weights[k]);
    }
    const typename V::Doubles normaliser = V::broadcast(job.wetNormaliser);
    const typename V::Doubles wetGain = V::broadcast(job.wetGain);
    const typename V::Doubles dryGain = V::broadcast(job.dryGain);
    for (std::int32_t f = 0; f < padded; f += kLanes) {
        const typename V::Doubles sum = V::load(sums + f + 1);
        const typename V::Doubles change = V::sub(sum, V::load(sums + f));
        const double* newest = changes + kSmoothLength + f;
        typename V::Doubles weighted = V::roundToFloat(V::mul(V::load(newest), weights[0]));
        for (std::int32_t k = 1; k < job.weightCount; ++k) {
            weighted = V::roundToFloat(V::fmadd(V::load(newest - k), weights[k], weighted));
        }
        const typename V::Doubles transient = V::roundToFloat(V::add(change, weighted));
        const typename V::Doubles wet = V::div(V::add(transient, sum), normaliser);
        V::storeDoubles(job.mix + f, V::fmadd(wetGain, wet, V::mul(V::load(job.dry + f), dryGain)));
    }
    *job.lastSum = sums[frames];
    for (int i = 0; i < kSmoothLength; ++i) {
        job.history[i] = changes[kSmoothLength + frames - 1 - i];
    }
}

}  // namespace
}  // namespace glowmarsh
