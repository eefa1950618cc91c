// A busy host: instances created and processed on several audio threads at
// once, parameters automated from a GUI thread, and state saved and restored,
// also into fresh instances, on another thread while the audio runs. Run
// under ThreadSanitizer this shows the effect shares nothing unsafely
// between instances and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tests/hosttest/HostedEffect.h"
#include "tests/validation/Fit.h"

namespace {

using hosttest::HostedEffect;

TEST(ConcurrentHost, EightInstancesOnFourThreadsWithAutomationAndStateRestores) {
    constexpr int kAudioThreads = 4, kPerThread = 2, kInstances = kAudioThreads * kPerThread;
    std::unique_ptr<HostedEffect> effects[kInstances];
    std::atomic<int> created{0}, audioRunning{kAudioThreads}, unfitBlocks{0}, automationWrites{0}, stateRestores{0};
    auto waitForInstances = [&] {
        while (created.load() < kInstances) std::this_thread::yield();
    };
    // Each audio thread creates its own instances (so creation runs
    // concurrently too) and processes them with changing block sizes in both
    // precisions, now and then on silence so the shared guard counters are busy.
    auto audio = [&](int thread) {
        for (int i = 0; i < kPerThread; ++i) {
            effects[thread * kPerThread + i] = std::make_unique<HostedEffect>();
            created.fetch_add(1);
        }
        waitForInstances();
        std::mt19937 random(1000 + thread);
        auto noise = hosttest::loudNoise<float>(1024, 2000 + thread), silence = hosttest::StereoBuffer<float>(1024);
        auto noise64 = hosttest::loudNoise<double>(1024, 3000 + thread), out64 = noise64;
        auto out = silence;
        for (int block = 0; block < 120; ++block) {
            for (int i = 0; i < kPerThread; ++i) {
                HostedEffect& effect = *effects[thread * kPerThread + i];
                const VstInt32 frames = static_cast<VstInt32>(random() % 1024 + 1);
                if ((block + i) % 3 == 2) {
                    effect.process(noise64.at(0), out64.at(0), frames);
                    unfitBlocks.fetch_add(!validation::fit(out64, 0, frames));
                } else {
                    effect.process(((block + i) % 2 ? silence : noise).at(0), out.at(0), frames);
                    unfitBlocks.fetch_add(!validation::fit(out, 0, frames));
                }
            }
        }
        audioRunning.fetch_sub(1);
    };
    // The GUI thread: parameter writes (beyond the range at times, as some
    // hosts do) and reads, and the display text of the value just set.
    auto automation = [&] {
        waitForInstances();
        std::mt19937 random(77);
        std::uniform_real_distribution<float> value(-0.5f, 1.5f);
        char text[9];
        for (; audioRunning.load() > 0; automationWrites.fetch_add(1)) {
            HostedEffect& effect = *effects[random() % kInstances];
            const VstInt32 index = static_cast<VstInt32>(random() % 3);
            effect.setParameter(index, index == 2 ? std::fabs(value(random)) / 1.5f : value(random));
            effect.parameter(index);
            effect.dispatch(7, index, 0, text);  // parameter display
        }
    };
    // Another host thread: saves one instance's state and loads it into
    // another, and into a fresh instance that it closes again.
    auto state = [&] {
        waitForInstances();
        std::mt19937 random(99);
        for (; audioRunning.load() > 0; stateRestores.fetch_add(1)) {
            const auto saved = effects[random() % kInstances]->saveChunk();
            effects[random() % kInstances]->loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
            HostedEffect().loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) threads.emplace_back(audio, t);
    threads.emplace_back(automation);
    threads.emplace_back(state);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(unfitBlocks.load(), 0);
    EXPECT_GT(automationWrites.load(), 0);
    EXPECT_GT(stateRestores.load(), 0);
}

}  // namespace
