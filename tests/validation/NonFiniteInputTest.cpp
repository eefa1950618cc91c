// One NaN or infinite input sample must never make the effect loud: it may
// spoil its own frame, but every later frame must be exactly what it would
// have been had that frame held silence in the history, so the peak of the
// frames after it can never rise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;
using hosttest::StereoBuffer;

// The spoilt frame sits early; what follows outlasts the whole 22051-frame
// history, so every tap has read it and it has been overwritten.
constexpr std::size_t kSpoiltFrame = 1000;
constexpr std::size_t kFrames = kSpoiltFrame + 23500;
const std::vector<int> kBlocks = {512, 17, 1024, 333};

struct Case {
    const char* name;
    bool twice;  // 64-bit processing
    double value;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const Case& row, std::ostream* os) { *os << row.name; }

template <typename Sample>
struct Renders {
    StereoBuffer<Sample> spoilt;
    StereoBuffer<Sample> clean;
};

// Renders the material once with `value` in one channel at the spoilt frame,
// and once with that sample set so that the frame puts exactly zero into the
// history (the negated other channel). Same dither draws for both.
template <typename Sample>
Renders<Sample> renderPair(float grain, int channel, double value, std::uint32_t seed) {
    auto material = hosttest::loudNoise<Sample>(kFrames, seed);
    auto clean = material;
    auto& spoiltChannel = channel == 0 ? material.left : material.right;
    auto& cleanChannel = channel == 0 ? clean.left : clean.right;
    const auto& other = channel == 0 ? clean.right : clean.left;
    spoiltChannel[kSpoiltFrame] = static_cast<Sample>(value);
    cleanChannel[kSpoiltFrame] = -other[kSpoiltFrame];

    Renders<Sample> result;
    {
        HostedEffect effect;
        effect.setParameter(1, grain);
        std::srand(seed);
        result.spoilt = hosttest::render(effect, material, kBlocks);
    }
    {
        HostedEffect effect;
        effect.setParameter(1, grain);
        std::srand(seed);
        result.clean = hosttest::render(effect, clean, kBlocks);
    }
    return result;
}

template <typename Sample>
void checkAllGrains(const Case& c) {
    for (int step = 0; step <= 10; ++step) {
        const float grain = static_cast<float>(step) / 10.0f;
        for (int channel = 0; channel < 2; ++channel) {
            const std::string what = std::string(c.name) + ", grain " + std::to_string(grain) +
                                     (channel == 0 ? ", left" : ", right");
            const auto r = renderPair<Sample>(grain, channel, c.value, 100 + step * 2 + channel);
            // The frame right after still subtracts the spoilt frame's dither,
            // which is at most one unit in the last place of that frame.
            const std::size_t after = kSpoiltFrame + 1;
            const double slack = std::is_same_v<Sample, float> ? 1e-6 : 1e-14;
            EXPECT_LE(hosttest::peak(r.spoilt.left, after), hosttest::peak(r.clean.left, after) + slack) << what;
            EXPECT_LE(hosttest::peak(r.spoilt.right, after), hosttest::peak(r.clean.right, after) + slack) << what;
            EXPECT_EQ(hosttest::firstUnfitSample(r.spoilt.left, after), -1) << what;
            EXPECT_EQ(hosttest::firstUnfitSample(r.spoilt.right, after), -1) << what;
            // From the frame after that on, nothing of the spoilt sample remains.
            const std::size_t bytes = (kFrames - after - 1) * sizeof(Sample);
            EXPECT_EQ(std::memcmp(&r.spoilt.left[after + 1], &r.clean.left[after + 1], bytes), 0) << what;
            EXPECT_EQ(std::memcmp(&r.spoilt.right[after + 1], &r.clean.right[after + 1], bytes), 0) << what;
        }
    }
}

class NonFiniteInputTest : public ::testing::TestWithParam<Case> {};

TEST_P(NonFiniteInputTest, NeverRaisesThePeakOfTheFramesAfterItAtAnyGrain) {
    if (GetParam().twice) {
        checkAllGrains<double>(GetParam());
    } else {
        checkAllGrains<float>(GetParam());
    }
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Values, NonFiniteInputTest,
                         ::testing::Values(Case{"nan_32", false, kNaN}, Case{"inf_32", false, kInf},
                                           Case{"negative_inf_32", false, -kInf}, Case{"nan_64", true, kNaN},
                                           Case{"inf_64", true, kInf}, Case{"negative_inf_64", true, -kInf}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
