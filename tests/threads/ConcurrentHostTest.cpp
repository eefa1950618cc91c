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

constexpr int kAudioThreads = 4, kInstancesPerThread = 2, kInstances = kAudioThreads * kInstancesPerThread;

struct Shared {
    std::unique_ptr<HostedEffect> effects[kInstances];
    std::atomic<int> created{0}, audioRunning{kAudioThreads}, unfitBlocks{0}, automationWrites{0}, stateRestores{0};
    void waitForInstances() const {
        while (created.load() < kInstances) std::this_thread::yield();
    }
};

// Each audio thread creates its own instances (so creation runs concurrently
// too) and processes them with changing block sizes in both precisions, now
// and then on silence so the shared input-guard counters are busy.
void audioThread(Shared& shared, int thread) {
    for (int i = 0; i < kInstancesPerThread; ++i) {
        shared.effects[thread * kInstancesPerThread + i] = std::make_unique<HostedEffect>();
        shared.created.fetch_add(1);
    }
    shared.waitForInstances();
    std::mt19937 random(1000 + thread);
    auto noise = hosttest::loudNoise<float>(1024, 2000 + thread), silence = hosttest::StereoBuffer<float>(1024), out = silence;
    auto noise64 = hosttest::loudNoise<double>(1024, 3000 + thread), out64 = noise64;
    for (int block = 0; block < 120; ++block) {
        for (int i = 0; i < kInstancesPerThread; ++i) {
            HostedEffect& effect = *shared.effects[thread * kInstancesPerThread + i];
            const VstInt32 frames = static_cast<VstInt32>(random() % 1024 + 1);
            if ((block + i) % 3 == 2) {
                effect.process(noise64.at(0), out64.at(0), frames);
                shared.unfitBlocks.fetch_add(!validation::fit(out64, 0, frames));
            } else {
                effect.process(((block + i) % 2 ? silence : noise).at(0), out.at(0), frames);
                shared.unfitBlocks.fetch_add(!validation::fit(out, 0, frames));
            }
        }
    }
    shared.audioRunning.fetch_sub(1);
}

// The GUI thread: parameter writes (beyond the range at times, as some hosts
// do) and reads, and the display text of the value just set, on any instance.
void automationThread(Shared& shared) {
    shared.waitForInstances();
    std::mt19937 random(77);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    char text[9];
    while (shared.audioRunning.load() > 0) {
        HostedEffect& effect = *shared.effects[random() % kInstances];
        const VstInt32 index = static_cast<VstInt32>(random() % 3);
        effect.setParameter(index, index == 2 ? std::fabs(value(random)) / 1.5f : value(random));
        effect.parameter(index);
        effect.dispatch(7, index, 0, text);  // parameter display
        shared.automationWrites.fetch_add(1);
    }
}

// Another host thread: saves one instance's state and loads it into another,
// and into a fresh instance that it closes again, all while the audio runs.
void stateThread(Shared& shared) {
    shared.waitForInstances();
    std::mt19937 random(99);
    while (shared.audioRunning.load() > 0) {
        const auto saved = shared.effects[random() % kInstances]->saveChunk();
        shared.effects[random() % kInstances]->loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
        HostedEffect fresh;
        fresh.loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
        shared.stateRestores.fetch_add(1);
    }
}

TEST(ConcurrentHost, EightInstancesOnFourThreadsWithAutomationAndStateRestores) {
    Shared shared;
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) threads.emplace_back(audioThread, std::ref(shared), t);
    threads.emplace_back(automationThread, std::ref(shared));
    threads.emplace_back(stateThread, std::ref(shared));
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(shared.unfitBlocks.load(), 0);
    EXPECT_GT(shared.automationWrites.load(), 0);
    EXPECT_GT(shared.stateRestores.load(), 0);
}

}  // namespace
