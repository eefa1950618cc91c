// Properties of whole blocks that hosts and users rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;

template <typename Sample>
class EngineProperties : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(EngineProperties, SampleTypes);

// The host may hand the input buffers back as outputs, channel for channel or
// crosswise; the result must not change.
TYPED_TEST(EngineProperties, InPlaceGivesTheSameOutputAsSeparateBuffers) {
    using Sample = TypeParam;
    const Buffers<Sample> in = toSamples<Sample>(testsignals::musicLike(6000, 5));
    auto reference = makeEngine();
    const Buffers<Sample> expected = render(*reference, in, 480);

    struct Row { const char* what; bool crosswise; };
    for (const Row& r : {Row{"same buffers", false}, Row{"crosswise", true}}) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        Buffers<Sample> io = in;
        std::srand(1);
        for (int start = 0; start < io.frames(); start += 480) {
            const int frames = std::min(480, io.frames() - start);
            Sample* inputs[] = {io.left.data() + start, io.right.data() + start};
            Sample* outputs[] = {inputs[r.crosswise ? 1 : 0], inputs[r.crosswise ? 0 : 1]};
            glowmarsh::processBlock(*state, inputs, outputs, frames);
        }
        EXPECT_EQ(r.crosswise ? io.right : io.left, expected.left);
        EXPECT_EQ(r.crosswise ? io.left : io.right, expected.right);
    }
}

// Fed silence from construction, the output is the guard noise (at most
// 1.6e-15) passed dry, plus dither: up to two steps of 2^-24 (32-bit) or 2^-53
// (64-bit) where the mix is an exact zero.
TYPED_TEST(EngineProperties, SilenceStaysTiny) {
    using Sample = TypeParam;
    const double limit = 1.6e-15 + (sizeof(Sample) == sizeof(float) ? 0x1p-23 : 0x1p-52);
    for (float grain : {0.0f, 0.7f, 1.0f}) {
        SCOPED_TRACE(grain);
        auto state = makeEngine({1.0f, grain, 0.5f});
        Buffers<Sample> silence{std::vector<Sample>(88200), std::vector<Sample>(88200)};
        const Buffers<Sample> out = render(*state, silence);
        double peak = 0.0;
        for (int i = 0; i < out.frames(); ++i) {
            peak = std::max({peak, std::abs(double(out.left[i])), std::abs(double(out.right[i]))});
        }
        EXPECT_LE(peak, limit);
        EXPECT_EQ(state->lastSumL, 0.0) << "guard noise must not reach the tap sums";
    }
}

// A constant input fills the history; once every tap reads it, the tap sums
// stop changing and the output sits within a dither step of one value.
TYPED_TEST(EngineProperties, SteadyInputGivesSteadyOutput) {
    using Sample = TypeParam;
    const double ulp = sizeof(Sample) == sizeof(float) ? 0x1p-24 : 0x1p-53;
    constexpr int kSettle = 22100;
    constexpr int kFrames = kSettle + 20000;
    auto state = makeEngine({1.0f, 1.0f, 0.5f});
    Buffers<Sample> in{std::vector<Sample>(kFrames, Sample(0.25)), std::vector<Sample>(kFrames, Sample(-0.125))};
    const Buffers<Sample> out = render(*state, in);
    for (const auto* channel : {&out.left, &out.right}) {
        const auto [low, high] = std::minmax_element(channel->begin() + kSettle, channel->end());
        EXPECT_LE(double(*high) - double(*low), 4 * ulp) << "settled at " << double(*low);
    }
}

// Both calls run the same mix on the same (float) input; only the dither and
// the final rounding differ. The 64-bit output rounded to float stays within
// the float dither of this and the previous frame of the 32-bit output.
TEST(EnginePrecisions, DoubleCallRoundedToFloatIsCloseToFloatCall) {
    for (float grain : {0.0f, 0.7f, 1.0f}) {
        SCOPED_TRACE(grain);
        const Buffers<float> in32 = toSamples<float>(testsignals::musicLike(30000, 9));
        const Buffers<double> in64{{in32.left.begin(), in32.left.end()}, {in32.right.begin(), in32.right.end()}};
        auto floatState = makeEngine({1.0f, grain, 0.6f});
        auto doubleState = makeEngine({1.0f, grain, 0.6f});
        const Buffers<float> out32 = render(*floatState, in32);
        const Buffers<double> out64 = render(*doubleState, in64);
        int differing = 0;
        for (int i = 1; i < in32.frames(); ++i) {
            for (auto [a, b] : {std::pair{&out32.left, &out64.left}, std::pair{&out32.right, &out64.right}}) {
                const double magnitude = std::max({std::abs((*b)[i]), std::abs((*b)[i - 1]), 0x1p-100});
                const double step = std::ldexp(1.0, std::ilogb(magnitude) - 23);  // float ulp at that size
                ASSERT_LE(std::abs(double((*a)[i]) - double(static_cast<float>((*b)[i]))), 2 * step) << "frame " << i;
                differing += (*a)[i] != static_cast<float>((*b)[i]);
            }
        }
        EXPECT_GT(differing, 0) << "the two calls should dither differently";
    }
}

}  // namespace
