// The output stage of both processing calls over a stretch, several frames
// per vector, for the x86 levels from AVX2 up. Include only inside a
// GLOWMARSH_TARGET_BEGIN region of that file, after every other header: all
// code here has internal linkage.
//
// Per frame the stage (OutputStage.h) forms dither = r / divisor * 2^(e + 62)
// in double, then in the platform's extended precision, here x87's 64-bit
// significand, s = m + (dither - ditherShape) and ditherShape = dither, and
// writes s rounded to double (and that to float in the 32-bit call). A frame
// depends on the previous frame's dither only, not on its output, so frames
// go into lanes:
//
// - The dither takes the same double operations lane by lane: the draw
//   converted exactly, the division, and the product with 2^(e + 62), which
//   is the exponent bits of the value (a power of two, 2^(e - 1)) times 2^63.
// - The extended sum is not formed (only where long double is x87's type:
//   elsewhere the level uses the plain frame-by-frame stage). A lane that cannot show that its double
//   result equals the rounded extended sum is redone with long double by the
//   out-of-line functions of OutputStage.h (a few frames in a thousand).
//   32-bit call, dithers a and b: y = m + (a - b) in double lies within
//   2^-53 (|a - b| + |y|) of X = m + (a - b); the extended sum (two roundings
//   to 64 bits) rounded to double lies within 2^-63 |a - b| + 2^-52 |X| of X.
//   If y is more than 2^-50 (|a - b| + |y|) away from every half-way point
//   between floats, X and the rounded extended sum lie between the same two
//   half-way points as y: both round to the float nearest to y.
//   64-bit call: the extended dithers are a 2^-29 and b 2^-29, so their
//   difference is (a - b) 2^-29 rounded to 64 bits; c = (a - b) 2^-29 in
//   double is within 2^-52 |c| of that (and 2^-1074 where the product
//   underflows). Then m + c = h + l exactly (two-sum), and X = h + t with |t|
//   at most |l| + 2^-51 |c|. If h is not a power of two (and of at least
//   2^-960) and that bound is below ulp(h) (1/2 - 2^-9), X lies inside h's
//   binade, its rounding to 64 bits is within ulp(h) / 2 of h (the 64-bit
//   spacing there is ulp(h) / 2^11), and the rounding of that to double is h.
#pragma once

namespace glowmarsh {
namespace {

template <class V>
struct QuantiseLanes {
    static constexpr int kLanes = V::kLanes;
    using Doubles = typename V::Doubles;
    using Mask = typename V::Mask;

    // Frames whose vector result is not proven, by frame index minus 1 (a
    // vector starting at frame 1 + k * kLanes stays inside one word).
    struct Redo {
        std::uint64_t bits[(kStretchFrames + 63) / 64] = {};

        void note(std::int32_t first, unsigned lanes) {
            bits[(first - 1) >> 6] |= static_cast<std::uint64_t>(lanes) << ((first - 1) & 63);
        }

        // Calls redo(f) for every noted frame below frames, in order.
        template <class Each>
        void each(std::int32_t frames, Each redo) const {
            for (std::int32_t word = 0; word * 64 < frames - 1; ++word) {
                std::uint64_t left = bits[word];
                while (left != 0) {
                    const std::int32_t f = 1 + word * 64 + __builtin_ctzll(left);
                    left &= left - 1;
                    if (f < frames) {
                        redo(f);
                    }
                }
            }
        }
    };

    // dither[f] for frames 0 to job.frames - 1, then zeros for the lanes of
    // the last vector that lie past them. The exponent is taken from the
    // sample, or in the 32-bit call from the sample rounded to float: a float
    // as a double has the same exponent, subnormal floats included, and is
    // never a subnormal double. Zero, infinities and NaN have exponent 0.
    template <bool floatCall>
    static void dithers(const QuantiseJob& job, double* out) {
        const Doubles divisor = V::broadcast(dither::kDivisor);
        const Doubles zero = V::zero();
        const Doubles infinity = V::broadcast(dither::kInfinity);
        const Doubles toPower = V::broadcast(0x1p63);
        const Doubles powerOfZero = V::broadcast(0x1p62);
        unsigned odd = 0;
        for (std::int32_t f = 0; f < job.frames; f += kLanes) {
            const Doubles mix = V::load(job.mix + f);
            const Doubles value = floatCall ? V::roundToFloat(mix) : mix;
            const Doubles power = V::powerPart(value);  // 2^(e - 1); 0 for zero and subnormals; infinite otherwise
            const Mask normal = V::both(V::less(zero, power), V::less(power, infinity));
            const Doubles scale = V::mul(power, toPower);
            const Doubles fraction = V::div(V::fromInts(job.draws + f), divisor);
            V::storeDoubles(out + f, V::mul(fraction, V::select(normal, scale, powerOfZero)));
            if constexpr (!floatCall) {
                // Subnormal samples, and samples of 2^961 or more, whose power
                // 2^(e + 62) is not a double.
                odd |= V::bits(V::either(V::both(V::equal(power, zero), V::notEqual(mix, zero)),
                                         V::both(normal, V::equal(scale, infinity))));
            }
        }
        if (odd != 0) {
            for (std::int32_t f = 0; f < job.frames; ++f) {
                out[f] = ditherOf(job.mix[f], job.draws[f]);
            }
        }
        for (std::int32_t f = job.frames; f < job.frames + kLanes; ++f) {
            out[f] = 0.0;
        }
    }

    // Frames 1 to job.frames - 1: step(f) gives the vector of frames f to
    // f + kLanes - 1, its proven lanes, and stores it at the address given.
    // Lanes past the stretch read the zeroed ends of the dither and mix arrays.
    template <typename Sample, class Step>
    static void lanes(const QuantiseJob& job, Sample* out, Redo& redo, Step step) {
        const std::int32_t frames = job.frames;
        std::int32_t f = 1;
        for (; f + kLanes <= frames; f += kLanes) {
            redo.note(f, ~step(f, out + f) & ((1u << kLanes) - 1u));
        }
        if (f < frames) {
            Sample last[kLanes];
            redo.note(f, ~step(f, last));
            for (std::int32_t l = 0; f + l < frames; ++l) {
                out[f + l] = last[l];
            }
        }
    }

    static void quantiseFloat(const QuantiseJob& job, float* out) {
        double frameDither[kStretchFrames + kStretchPad];
        dithers<true>(job, frameDither);
        const Doubles halfUlp = V::broadcast(0x1p-24);
        const Doubles halfUlpBelow = V::broadcast(0x1p-25);
        const Doubles slack = V::broadcast(0x1p-50);
        Redo redo;
        lanes(job, out, redo, [&](std::int32_t f, float* to) {
            const Doubles change = V::sub(V::load(frameDither + f), V::load(frameDither + f - 1));
            const Doubles y = V::add(V::load(job.mix + f), change);
            const typename V::Floats rounded = V::toFloats(y);
            const Doubles w = V::widen(rounded);
            const Doubles size = V::abs(w);
            const Doubles power = V::powerPart(size);
            // Distance from w to the nearer half-way point: half an ulp, or a
            // quarter below a power of two (conservative for subnormal floats;
            // none for zero and infinities).
            const Doubles half = V::select(V::equal(size, power), V::mul(power, halfUlpBelow), V::mul(power, halfUlp));
            const Doubles margin =
                V::add(V::abs(V::sub(y, w)), V::mul(V::add(V::abs(change), V::abs(y)), slack));
            V::storeFloats(to, rounded);
            return V::bits(V::less(margin, half));
        });
        out[0] = extendedSumToFloat(job.mix[0], frameDither[0], *job.ditherShape);
        redo.each(job.frames, [&](std::int32_t f) {
            out[f] = extendedSumToFloat(job.mix[f], frameDither[f], frameDither[f - 1]);
        });
        *job.ditherShape = frameDither[job.frames - 1];
    }

    static void quantiseDouble(const QuantiseJob& job, double* out) {
        double frameDither[kStretchFrames + kStretchPad];
        dithers<false>(job, frameDither);
        const Doubles scale = V::broadcast(0x1p-29);
        const Doubles rounding = V::broadcast(0x1p-51);
        const Doubles least = V::broadcast(0x1p-960);
        const Doubles most = V::broadcast(0x1p1000);
        const Doubles room = V::broadcast((0.5 - 0x1p-9) * 0x1p-52);  // of the power of two below h
        Redo redo;
        lanes(job, out, redo, [&](std::int32_t f, double* to) {
            const Doubles change = V::mul(V::sub(V::load(frameDither + f), V::load(frameDither + f - 1)), scale);
            const Doubles mix = V::load(job.mix + f);
            const Doubles h = V::add(mix, change);
            const Doubles hBack = V::sub(h, mix);
            const Doubles l = V::add(V::sub(mix, V::sub(h, hBack)), V::sub(change, hBack));
            const Doubles size = V::abs(h);
            const Doubles power = V::powerPart(size);
            const Mask plain = V::both(V::both(V::lessEqual(least, power), V::lessEqual(power, most)),
                                       V::notEqual(size, power));
            const Mask inside = V::less(V::add(V::abs(l), V::mul(V::abs(change), rounding)), V::mul(power, room));
            V::storeDoubles(to, h);
            return V::bits(V::both(plain, inside));
        });
        out[0] = extendedSumToDouble(job.mix[0], frameDither[0] * dither::kDoubleScale, *job.ditherShape);
        redo.each(job.frames, [&](std::int32_t f) {
            out[f] = extendedSumToDouble(job.mix[f], frameDither[f] * dither::kDoubleScale,
                                         frameDither[f - 1] * dither::kDoubleScale);
        });
        *job.ditherShape = frameDither[job.frames - 1] * dither::kDoubleScale;
    }
};

}  // namespace
}  // namespace glowmarsh
