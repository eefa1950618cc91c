// A host's life cycle, many times over: open and close, suspend and resume,
// many instances alive at once and closed in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

TEST(Lifecycle, RepeatedSuspendAndResumeBetweenBlocksKeepsOutputFit) {
    HostedEffect effect;
    auto input = hosttest::loudNoise<float>(256, 51);
    hosttest::StereoBuffer<float> output(256);
    auto twiceIn = hosttest::loudNoise<double>(256, 52);
    hosttest::StereoBuffer<double> twiceOut(256);
    for (int round = 0; round < 500; ++round) {
        effect.suspend();
        if (round % 3 == 0) {
            effect.setSampleRateAndBlockSize(round % 2 ? 44100.0f : 96000.0f, 256);
        }
        effect.resume();
        if (round % 2 == 0) {
            effect.process(input.at(0), output.at(0), 256);
            ASSERT_EQ(hosttest::firstUnfitSample(output.left), -1) << round;
        } else {
            effect.process(twiceIn.at(0), twiceOut.at(0), 256);
            ASSERT_EQ(hosttest::firstUnfitSample(twiceOut.right), -1) << round;
        }
    }
}

TEST(Lifecycle, SuspendAndResumeTwiceInARowAreHarmless) {
    HostedEffect effect;
    for (int i = 0; i < 50; ++i) {
        effect.suspend();
        effect.suspend();
        effect.resume();
        effect.resume();
    }
    auto input = hosttest::loudNoise<float>(1024, 53);
    const auto out = hosttest::render(effect, input, {1024});
    EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1);
}

TEST(Lifecycle, OpenAndCloseHundredsOfTimes) {
    for (int i = 0; i < 300; ++i) {
        HostedEffect effect;
        if (i % 10 == 0) {
            auto input = hosttest::loudNoise<float>(64, 54);
            hosttest::render(effect, input, {64});
        }
    }
}

TEST(Lifecycle, ManyInstancesAliveAtOnceClosedInRandomOrder) {
    std::vector<std::unique_ptr<HostedEffect>> effects;
    for (int i = 0; i < 64; ++i) {
        effects.push_back(std::make_unique<HostedEffect>());
        effects.back()->setParameter(2, static_cast<float>(i) / 64.0f);
    }
    for (std::size_t i = 0; i < effects.size(); ++i) {
        EXPECT_EQ(effects[i]->parameter(2), static_cast<float>(i) / 64.0f) << "instances share a parameter";
    }
    std::shuffle(effects.begin(), effects.end(), std::mt19937(55));
    while (!effects.empty()) {
        auto input = hosttest::loudNoise<float>(128, 56);
        const auto out = hosttest::render(*effects.back(), input, {128});
        EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1);
        effects.pop_back();
    }
}

}  // namespace
