// One NaN or infinite input sample must never make the effect loud: it may
// spoil its own frame, but every later frame must be what it would have been
// had that frame put silence into the history (the tap values it spoils
// count 0), so the peak of the frames after it can never rise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/validation/Fit.h"

namespace {

// The spoilt frame sits early; what follows outlasts the whole 22051-frame
// history, so every tap has read it and it has been overwritten.
constexpr std::size_t kSpoiltFrame = 1000, kFrames = kSpoiltFrame + 23500;

// Renders noise once with `value` in one channel at the spoilt frame, and
// once with that sample set so the frame puts exactly zero into the history
// (the negated other channel), with the same dither draws.
template <typename Sample>
void expectNoLouderAfter(double value, float grain, int channel, std::uint32_t seed) {
    auto spoilt = hosttest::loudNoise<Sample>(kFrames, seed);
    auto dropped = spoilt;
    (channel ? spoilt.right : spoilt.left)[kSpoiltFrame] = static_cast<Sample>(value);
    (channel ? dropped.right : dropped.left)[kSpoiltFrame] = -(channel ? dropped.left : dropped.right)[kSpoiltFrame];
    auto render = [&](hosttest::StereoBuffer<Sample>& in) {
        hosttest::HostedEffect effect;
        effect.setParameter(1, grain);
        std::srand(seed);
        return hosttest::render(effect, in, {512, 17, 1024, 333});
    };
    const auto a = render(spoilt), b = render(dropped);
    // The frame right after still subtracts the spoilt frame's dither, at most
    // one unit in the last place of that frame; from the next on, nothing of
    // the spoilt sample remains.
    const std::size_t after = kSpoiltFrame + 1;
    const double slack = sizeof(Sample) == sizeof(float) ? 1e-6 : 1e-14;
    const std::size_t bytes = (kFrames - after - 1) * sizeof(Sample);
    EXPECT_TRUE(validation::fit(a, after));
    EXPECT_LE(hosttest::peak(a.left, after), hosttest::peak(b.left, after) + slack);
    EXPECT_LE(hosttest::peak(a.right, after), hosttest::peak(b.right, after) + slack);
    EXPECT_EQ(std::memcmp(&a.left[after + 1], &b.left[after + 1], bytes), 0);
    EXPECT_EQ(std::memcmp(&a.right[after + 1], &b.right[after + 1], bytes), 0);
}

// Every Grain from 0 to 1 in tenths, both precisions; NaN, +inf and -inf and
// the two channels in turn.
TEST(NonFiniteInput, NeverRaisesThePeakOfTheFramesAfterIt) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf};
    for (int step = 0; step <= 10; ++step) {
        const float grain = static_cast<float>(step) / 10.0f;
        for (int twice = 0; twice < 2; ++twice) {
            const int pick = step + twice;  // value and channel move on with the precision
            SCOPED_TRACE(testing::Message() << values[pick % 3] << " in the " << (pick % 2 ? "right" : "left")
                                            << " channel, Grain " << grain << (twice ? ", 64-bit" : ", 32-bit"));
            if (twice) {
                expectNoLouderAfter<double>(values[pick % 3], grain, pick % 2, 200 + step);
            } else {
                expectNoLouderAfter<float>(values[pick % 3], grain, pick % 2, 100 + step);
            }
        }
    }
}

}  // namespace
